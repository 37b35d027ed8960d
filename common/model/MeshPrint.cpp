#include "common/model/MeshPrint.h"

#include <cstdio>

#include "common/model/Mesh.h"

namespace {

int Bit(uint32_t word, int b) { return static_cast<int>((word >> b) & 1u); }
int Bits2(uint32_t word, int b) { return static_cast<int>((word >> b) & 3u); }

// The part shared by every tag printer: swap and user bits, then the flag bits.
void PrintTagFlags(uint32_t tag) {
  printf(" swp : %d  usr : %d ", Bits2(tag, 22), Bits2(tag, 24));
  printf(" visible : %d  clipped : %d  flg : %d  required : %d  alive : %d\n", Bit(tag, 27),
         Bit(tag, 28), Bit(tag, 29), Bit(tag, 30), Bit(tag, 31));
}

// Records are printed only when the index lies in the allocated array.
bool InArray(const void *arr, int i, int max) { return arr && i >= 0 && i <= max; }

void PrintNodes(const int *ver, int n, const char *fmt) {
  for (int j = 0; j < n; j++) printf(fmt, ver[j]);
}

}  // namespace

void geo_size() {
  printf("  Vertex %zu Edge %zu BdyEdge %zu P2BdyEdge %zu Triangle %zu P2Triangle %zu\n",
         sizeof(Vertex), sizeof(Edge), sizeof(BdyEdge), sizeof(P2BdyEdge), sizeof(Triangle),
         sizeof(P2Triangle));
  printf("  Quadrilateral %zu P2Quadrilateral %zu Tetrahedron %zu P2Tetrahedron %zu Pyramid %zu\n",
         sizeof(Quadrilateral), sizeof(P2Quadrilateral), sizeof(Tetrahedron), sizeof(P2Tetrahedron),
         sizeof(Pyramid));
  printf("  Prism %zu Hexahedron %zu P2Hexahedron %zu Normal %zu Mesh %zu Solution %zu\n",
         sizeof(Prism), sizeof(Hexahedron), sizeof(P2Hexahedron), sizeof(Normal), sizeof(Mesh),
         sizeof(Solution));
  printf("  Boundary faces:");
  for (int f = 0; f < 6; f++) printf(" %u", TagBdyFace(f));
  printf("\n");
}

void bystep() {
  fflush(stdout);
  getchar();
}

void printnLongBitField(uint64_t word, int n) {
  if (n > 64) n = 64;
  for (int b = 0; b < n; b++) putchar(((word >> b) & 1u) ? '1' : '0');
  putchar('\n');
}
void printnBitField(uint32_t word, int n) { printnLongBitField(word, n > 32 ? 32 : n); }
void printBitField(uint32_t word) { printnLongBitField(word, 32); }
void print1BitField(uint8_t byte) { printnLongBitField(byte, 8); }

void printiVec(const int *vec, int n) {
  for (int i = 0; vec && i < n; i++) printf(" %d ", vec[i]);
  printf("\n");
}

void printTetTag(uint32_t tag) {
  printf("  voy : %d %d %d %d ", Bits2(tag, 0), Bits2(tag, 2), Bits2(tag, 4), Bits2(tag, 6));
  printf(" bdy : %d%d%d%d ", Bit(tag, 8), Bit(tag, 9), Bit(tag, 10), Bit(tag, 11));
  printf(" edg : %d%d%d%d%d%d ", Bit(tag, 16), Bit(tag, 17), Bit(tag, 18), Bit(tag, 19),
         Bit(tag, 20), Bit(tag, 21));
  PrintTagFlags(tag);
}

void printTriTag(uint32_t tag) {
  printf("  voy : %d %d %d ", Bits2(tag, 0), Bits2(tag, 2), Bits2(tag, 4));
  printf(" edg : %d%d%d ", Bit(tag, 16), Bit(tag, 17), Bit(tag, 18));
  PrintTagFlags(tag);
}

void printVerTag(uint32_t tag) {
  printf("  type : %d  corner : %d ", Bits2(tag, 0), Bit(tag, 2));
  PrintTagFlags(tag);
}
void printEdgTag(uint32_t tag) { printVerTag(tag); }

void printTet(const Geometric_Mesh *msh, int i, const int *num) {
  if (!msh || !InArray(msh->Tet, i, msh->MaxNbrTet)) return;
  const Tetrahedron &t = msh->Tet[i];
  printf("  Tetrahedron %10d = [", num ? num[i] : i);
  PrintNodes(t.Ver, 4, "%10d ");
  printf("] Ref %d \n", t.Ref);
}
void printTetUsr(const Geometric_Mesh *msh, int i, const int *num) { printTet(msh, i, num); }

void printP2Tet(const Geometric_Mesh *msh, int i) {
  if (!msh || !InArray(msh->P2Tet, i, msh->MaxNbrP2Tet)) return;
  const P2Tetrahedron &t = msh->P2Tet[i];
  printf("  P2 Tetrahedron %10d = [", i);
  PrintNodes(t.Ver, 10, "%10d ");
  printf("] Ref %d \n", t.Ref);
}

void printHex(const Geometric_Mesh *msh, int i) {
  if (!msh || !InArray(msh->Hex, i, msh->MaxNbrHex)) return;
  const Hexahedron &h = msh->Hex[i];
  printf("  Hexahedron %10d = [", i);
  PrintNodes(h.Ver, 8, "%10d ");
  printf(" ] Ref %d  Config  %d \n", h.Ref, static_cast<int>(h.Tag & TAG_CONFIG));
}

void printPyr(const Geometric_Mesh *msh, int i) {
  if (!msh || !InArray(msh->Pyr, i, msh->MaxNbrPyr)) return;
  const Pyramid &p = msh->Pyr[i];
  printf("  Pyramid %10d = [", i);
  PrintNodes(p.Ver, 5, "%10d ");
  printf(" ] Ref %d  Config  %d \n", p.Ref, static_cast<int>(p.Tag & TAG_CONFIG));
}

void printPri(const Geometric_Mesh *msh, int i) {
  if (!msh || !InArray(msh->Pri, i, msh->MaxNbrPri)) return;
  const Prism &p = msh->Pri[i];
  printf("  Prism %10d = [", i);
  PrintNodes(p.Ver, 6, "%10d ");
  printf(" ] Ref %d  Config  %d \n", p.Ref, static_cast<int>(p.Tag & TAG_CONFIG));
}

void printQua(const Geometric_Mesh *msh, int i) {
  if (!msh || !InArray(msh->Qua, i, msh->MaxNbrQua)) return;
  const Quadrilateral &q = msh->Qua[i];
  printf("  Quadrilateral %10d = [", i);
  PrintNodes(q.Ver, 4, "%9d ");
  printf("] Ref %d  Config  %d \n", q.Ref, static_cast<int>(q.Tag & TAG_CONFIG));
}

void printTri(const Geometric_Mesh *msh, int i, const int *num) {
  if (!msh || !InArray(msh->Tri, i, msh->MaxNbrTri)) return;
  const Triangle &t = msh->Tri[i];
  printf("  Triangle    %10d = [%9d %9d %9d] Ref %d \n", num ? num[i] : i, t.Ver[0], t.Ver[1],
         t.Ver[2], t.Ref);
}
void printTriUsr(const Geometric_Mesh *msh, int i, const int *num) { printTri(msh, i, num); }

void printEdg(const Geometric_Mesh *msh, int i, const int *num) {
  if (!msh || !InArray(msh->Efr, i, msh->MaxNbrEfr)) return;
  const BdyEdge &e = msh->Efr[i];
  printf("  Edge       %10d = [%9d %9d ] Ref %d \n", num ? num[i] : i, e.Ver[0], e.Ver[1], e.Ref);
}
void printEfr(const Geometric_Mesh *msh, int i, const int *num) { printEdg(msh, i, num); }

void printVerUsr(const Geometric_Mesh *msh, int i, const int *num) {
  if (!msh || !InArray(msh->Ver, i, msh->MaxNbrVer)) return;
  const Vertex &v = msh->Ver[i];
  printf("  Vertex %10d = [%lg %lg %lg] Ref %d Gid %u \n", num ? num[i] : i, v.Crd[0], v.Crd[1],
         v.Crd[2], v.Ref, v.Gid);
}
void printVer(const Geometric_Mesh *msh, int i) { printVerUsr(msh, i, nullptr); }
