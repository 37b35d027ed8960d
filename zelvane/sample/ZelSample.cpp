// Generation of the sample box and its field, and their files.
#include "zelvane/sample/ZelSample.h"

#include <climits>
#include <cstring>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/kmf/KmfFormat.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/load/MeshWriter.h"
#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"

namespace {

int vertexOf(int n, int i, int j, int k) { return 1 + i + (n + 1) * (j + (n + 1) * k); }

// Six tetrahedra around the diagonal from corner 0 to corner 7 of a cell, corner q at
// (q & 1, (q >> 1) & 1, q >> 2); each keeps a positive volume.
const int CellTets[6][4] = {{0, 1, 3, 7}, {0, 1, 7, 5}, {0, 4, 5, 7},
                            {0, 2, 7, 3}, {0, 6, 7, 2}, {0, 4, 7, 6}};

}  // namespace

double zelSampleField(const double x[3]) { return x[0] * x[0] - 0.5 * x[1] + x[2] / 3.0 + 0.5 * x[0] * x[2]; }

Geometric_Mesh *zelMakeSampleBox(Memory_List *mem, int n) {
  // Tetrahedra 6 n^3 must fit an int: n at most 700.
  if (n < 1 || n > 700) return nullptr;
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  siz[KmfVertices] = (n + 1) * (n + 1) * (n + 1);
  siz[KmfTetrahedra] = 6 * n * n * n;
  siz[KmfTriangles] = 12 * n * n;
  siz[KmfFileType] = FILE_TYPE_KMF;
  Geometric_Mesh *m = NewCommonMesh(mem, siz.data());
  if (!m) return nullptr;
  m->Dim = 3;
  for (int k = 0; k <= n; k++)
    for (int j = 0; j <= n; j++)
      for (int i = 0; i <= n; i++) {
        Vertex &v = m->Ver[++m->NbrVer];
        v = Vertex{};
        v.Crd[0] = i / double(n);
        v.Crd[1] = j / double(n);
        v.Crd[2] = k / double(n);
        v.Tag = TAG_ALIVE;
      }
  for (int k = 0; k < n; k++)
    for (int j = 0; j < n; j++)
      for (int i = 0; i < n; i++) {
        int c[8];
        for (int q = 0; q < 8; q++) c[q] = vertexOf(n, i + (q & 1), j + ((q >> 1) & 1), k + (q >> 2));
        for (const auto &t : CellTets) {
          Tetrahedron &e = m->Tet[++m->NbrTet];
          e = Tetrahedron{};
          for (int q = 0; q < 4; q++) e.Ver[q] = c[t[q]];
          e.Tag = TAG_ALIVE;
          e.Ref = 1;
        }
      }
  // Side s lies at coordinate s / 2 (x, y, z) equal to 0 for even s, n for odd s; its squares
  // run over the two other coordinates.
  for (int side = 0; side < 6; side++)
    for (int a = 0; a < n; a++)
      for (int b = 0; b < n; b++) {
        int p[4], w = side & 1 ? n : 0;
        for (int q = 0; q < 4; q++) {
          int u = a + (q & 1), v = b + (q >> 1);
          p[q] = side < 2 ? vertexOf(n, w, u, v) : side < 4 ? vertexOf(n, u, w, v) : vertexOf(n, u, v, w);
        }
        const int tri[2][3] = {{p[0], p[1], p[3]}, {p[0], p[3], p[2]}};
        for (const auto &t : tri) {
          Triangle &e = m->Tri[++m->NbrTri];
          e = Triangle{};
          std::memcpy(e.Ver, t, sizeof(t));
          e.Tag = TAG_ALIVE;
          e.Ref = side + 1;
        }
      }
  return m;
}

int zelWriteSample(Function_Interface *fi, const char *meshPath, const char *solPath, Geometric_Mesh *msh) {
  if (!msh || !meshPath) return 0;
  if (!WriteMesh(fi, meshPath, msh)) return 0;
  if (!solPath) return 1;
  std::vector<double> sol(size_t(msh->NbrVer));
  for (int i = 1; i <= msh->NbrVer; i++) sol[size_t(i - 1)] = zelSampleField(msh->Ver[i].Crd);
  KmfMeshFile *f = KmfOpenMesh(solPath, KmfWrite, 2, 3);
  if (!f) return 0;
  int type = KmfSca;
  KmfField fld = {KmfDouble, reinterpret_cast<char *>(sol.data()), 8};
  bool ok = KmfSetKwd(f, KmfSolAtVertices, msh->NbrVer, 1, &type) &&
            KmfSetBlockFields(f, KmfSolAtVertices, 0, nullptr, nullptr, nullptr, 1, &fld);
  return ok ? KmfCloseMesh(f) : KmfAbandonMesh(f);
}
