// Loaders of the vertices with their corners and required vertices, of the boundary edges
// with their ridges and required edges, and of the normals.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/base/FunctionInterface.h"
#include "common/load/LoadInternal.h"
#include "common/base/Memory.h"
#include "common/load/MeshLoad.h"

namespace {

int readFailed(Function_Interface *fi, const char *fun, const char *what) {
  fprintf(stderr, "  ## ERROR: %s: CANNOT READ %s FROM THE FILE \n", fun, what);
  fi->ErrCod = ERR_BAD_DATA;
  return 0;
}

int tooMany(Function_Interface *fi, const char *fun) {
  fprintf(stderr, "  ## ERROR: %s: TOO MANY ENTITIES IN FILE \n", fun);
  fi->ErrCod = ERR_CAPACITY;
  return 0;
}

// Kinds of flag lines that name a vertex or an edge out of the file's range, and their report.
enum { BadCorner = 0, BadRequired = 1 };
enum { BadRidge = 0, BadRequiredEdge = 1 };
const char *const kBadVertexLines[2] = {"  CORNER          %10d  IS OUT OF BOUND =[%10d %10d]\n",
                                        "  REQUIRED VERTEX %10d  IS OUT OF BOUND =[%10d %10d]\n"};
const char *const kBadEdgeLines[2] = {"  RIDGE           %10d  IS OUT OF BOUND =[%10d %10d]\n",
                                      "  REQUIRED EDGE   %10d  IS OUT OF BOUND =[%10d %10d]\n"};

// Reports the flag lines of a file of n entities that named none of them, when there are any.
void reportBadLines(Function_Interface *fi, const char *heading, const char *const lines[2], const BadEntries &bad,
                    int n) {
  if (!bad.Nbr) return;
  fi->ErrCod = ERR_BAD_DATA;
  fputs(heading, stderr);
  for (int b = 0; b < bad.shown(); b++) fprintf(stderr, lines[bad.Kind[b]], bad.Idx[b], 1, n);
  EndInvalidReport(fi, bad);
}

// Sets bits on the records named by the lines of a flag section (numbers 1..n of this file,
// offset by base); lines out of range are remembered with kind. Returns the line count, -1
// when a line could not be read.
template <class Rec>
int64_t markFromSection(KmfMeshFile *hdl, int kwd, Rec *arr, int base, int n, uint32_t bits,
                        BadEntries &bad, int kind) {
  int ok = ForEachIntLine(hdl, kwd, [&](int64_t, const int64_t *v) {
    if (InRange(v[0], n)) {
      arr[base + v[0]].Tag |= bits;
    } else {
      bad.add(static_cast<int>(v[0]), kind);
    }
  });
  return ok ? KmfStatKwd(hdl, kwd) : -1;
}

// The box of one block of vertices, starting empty, and the block's vertices left out of it.
struct BlockBox {
  double Box[6] = {HUGE_VAL, HUGE_VAL, HUGE_VAL, -HUGE_VAL, -HUGE_VAL, -HUGE_VAL};
  int64_t NonFinite = 0;
};

// The per-vertex pass, run on each block as it is read.
struct VertexPass {
  Geometric_Mesh *Msh;
  int Beg, Dim;
  BlockSlots<BlockBox> *Boxes;
};

void vertexBlock(int64_t first, int64_t last, void *arg) {
  const auto *p = static_cast<const VertexPass *>(arg);
  BlockBox &blk = p->Boxes->at(first);
  for (int i = p->Beg + static_cast<int>(first) - 1; i <= p->Beg + static_cast<int>(last) - 1; i++) {
    Vertex *v = &p->Msh->Ver[i];
    if (p->Dim == 2) v->Crd[2] = 0.0;
    v->Tag = TAG_ALIVE;
    v->Mrk = 0;
    v->Gid = 0;
    v->Res0 = v->Res1 = v->Res2 = v->Res3 = 0;
    if (!BoxAdd(blk.Box, v->Crd)) blk.NonFinite++;
  }
}

// Widens box by the box of a block, as adding the block's vertices one by one would.
void mergeBox(double *box, const double *blk) {
  for (int j = 0; j < 3; j++) {
    if (blk[j] < box[j]) box[j] = blk[j];
    if (blk[j + 3] > box[j + 3]) box[j + 3] = blk[j + 3];
  }
}

}  // namespace

int LoadVertex(Function_Interface *fi, KmfMeshFile *hdl, Geometric_Mesh *msh, int out[2]) {
  fi->ErrCod = 0;
  if (LoadBadHandle(fi, "LOADVERTEX", hdl, msh)) return 0;
  if (msh->MaxNbrVer < 1) {
    printf("  ## WARNING: LOADVERTEX: READING VERTICES IS IGNORED AS MAX. NBR. OF VERTEX IS 0 \n");
    return 0;
  }
  if (!msh->Ver) {
    fprintf(stderr, "  ## ERROR: LOADVERTEX: VERTEX ARRAY IS NOT ALLOCATED \n");
    fi->ErrCod = ERR_NOT_ALLOCATED;
    return 0;
  }
  int n = CountFromFile(KmfStatKwd(hdl, KmfVertices));
  if (n < 0) return tooMany(fi, "LOADVERTEX");
  int64_t need = static_cast<int64_t>(msh->NbrVer) + n;
  if (need > msh->MaxNbrVer)
    return CapacityExceeded(fi, "LOADVERTEX", "VERTICES", "POINTS", msh->MaxNbrVer, need);
  int dim = 0;
  KmfStatMesh(hdl, nullptr, &dim, nullptr);
  int NbrVer0 = msh->NbrVer;
  int beg = NbrVer0 + 1;
  if (n > 0) {
    Vertex *v0 = &msh->Ver[beg];
    KmfField fld[4];
    for (int j = 0; j < dim; j++)
      fld[j] = {KmfDouble, reinterpret_cast<char *>(&v0->Crd[j]), static_cast<int64_t>(sizeof(Vertex))};
    fld[dim] = {KmfInt, reinterpret_cast<char *>(&v0->Ref), static_cast<int64_t>(sizeof(Vertex))};
    BlockSlots<BlockBox> boxes(n);
    if (!boxes.Slot) return CapacityExceeded(fi, "LOADVERTEX", "VERTICES", "POINTS", msh->MaxNbrVer, need);
    VertexPass pass{msh, beg, dim, &boxes};
    if (!KmfGetBlockFields(hdl, KmfVertices, 1, n, 0, nullptr, vertexBlock, &pass, dim + 1, fld))
      return readFailed(fi, "LOADVERTEX", "VERTICES");
    // The first file starts the mesh's box; later files widen it.
    if (NbrVer0 == 0) BoxEmpty(msh->Box);
    int64_t nonFinite = 0;
    for (int64_t b = 0; b < boxes.N; b++) {
      mergeBox(msh->Box, boxes.Slot[b].Box);
      nonFinite += boxes.Slot[b].NonFinite;
    }
    ReportNonFiniteVertices("LOADVERTEX", hdl->FilNam, nonFinite);
    msh->NbrVer += n;
  }
  BadEntries bad;
  int64_t nreq = 0, ncor = 0;
  if (!(fi->OptBits & LOAD_OPT_NO_REQ_VERTICES)) {
    nreq = markFromSection(hdl, KmfRequiredVertices, msh->Ver, NbrVer0, n, TAG_REQUIRED, bad,
                           BadRequired);
    if (nreq < 0) return readFailed(fi, "LOADVERTEX", "REQUIRED VERTICES");
  }
  if (!(fi->OptBits & LOAD_OPT_NO_CORNERS)) {
    ncor = markFromSection(hdl, KmfCorners, msh->Ver, NbrVer0, n, TAG_REQUIRED | TAG_CORNER, bad,
                           BadCorner);
    if (ncor < 0) return readFailed(fi, "LOADVERTEX", "CORNERS");
  }
  if (out) {
    out[0] = static_cast<int>(ncor);
    out[1] = static_cast<int>(nreq);
  }
  if (nreq > 0) msh->GeoFlags |= GEO_REQ_VERTICES;
  if (ncor > 0) msh->GeoFlags |= GEO_CORNERS;
  reportBadLines(fi, "  ## ERROR: LOADVERTEX: INVALID CORNERS OR REQUIRED VERTICES FOUND \n", kBadVertexLines, bad, n);
  return 1;
}

namespace {

// Grows the boundary-edge array to room for need edges (plus the empty record 0); a failure
// ends the process.
void growEdges(Function_Interface *fi, Geometric_Mesh *msh, int need) {
  printf("#### WARNING: LOADEDGES: REALLOC BDYEDGES %d\n", need);
  BdyEdge *grown = static_cast<BdyEdge *>(
      MEM_REALLOC(fi->Mem, msh->Efr, sizeof(BdyEdge) * (static_cast<size_t>(need) + 1)));
  if (!grown) {
    fprintf(stderr, "  ## ERROR: %s: ALLOCATION FAILED FOR ARRAY %s \n", "LOADEDGES", "msh->Efr");
    myexit("ALLOCATION FAILURE", 100);
  }
  msh->Efr = grown;
  msh->MaxNbrEfr = need;
}

// Reads the n edges of the file after the NbrEfr0 there are: nodes checked against the nv
// vertices of the file and, when valid, shifted by NbrVer0; the invalid ones are remembered
// in bad.
bool readEdges(KmfMeshFile *hdl, Geometric_Mesh *msh, int n, int nv, int NbrVer0, BadEntries &bad) {
  int NbrEfr0 = msh->NbrEfr;
  BdyEdge *e0 = &msh->Efr[NbrEfr0 + 1];
  const int64_t st = sizeof(BdyEdge);
  KmfField fld[3] = {{KmfInt, reinterpret_cast<char *>(&e0->Ver[0]), st},
                     {KmfInt, reinterpret_cast<char *>(&e0->Ver[1]), st},
                     {KmfInt, reinterpret_cast<char *>(&e0->Ref), st}};
  if (!KmfGetBlockFields(hdl, KmfEdges, 1, n, 0, nullptr, nullptr, nullptr, 3, fld)) return false;
  for (int i = NbrEfr0 + 1; i <= NbrEfr0 + n; i++) {
    BdyEdge *e = &msh->Efr[i];
    e->Voi[0] = e->Voi[1] = e->Tri[0] = e->Tri[1] = e->Res0 = e->Res1 = 0;
    // An invalid edge keeps the numbers of its file: they are what its report shows, and a
    // node near the int limit must not be shifted past it.
    if (InRange(e->Ver[0], nv) && InRange(e->Ver[1], nv)) {
      e->Ver[0] += NbrVer0;
      e->Ver[1] += NbrVer0;
      e->Tag = TAG_ALIVE;
    } else {
      e->Tag = 0;
      bad.add(i);
    }
  }
  msh->NbrEfr += n;
  msh->NbrFilEfr += n;
  return true;
}

void reportInvalidEdges(Function_Interface *fi, const Geometric_Mesh *msh, const BadEntries &bad, int nv) {
  fi->ErrCod = ERR_BAD_DATA;
  fprintf(stderr, "  ## ERROR: LOADEDGES: %d INVALID EDGES FOUND WITH OUT OF BOUND VALUE [1-%d]\n", bad.Nbr, nv);
  fprintf(stderr, "  TO FORCE CONTINUING USE NOCHECK OPTION OR VERIFY YOUR MESH FILE \n");
  for (int b = 0; b < bad.shown(); b++) {
    const BdyEdge &e = msh->Efr[bad.Idx[b]];
    fprintf(stderr, "  EDGES %10d =[%10d %10d] IS INVALID \n", bad.Idx[b], e.Ver[0], e.Ver[1]);
  }
  EndInvalidReport(fi, bad);
}

}  // namespace

int LoadEdges(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh, int out[2]) {
  fi->ErrCod = 0;
  if (LoadBadHandle(fi, "LOADEDGES", hdl, msh)) return 0;
  if (out) out[0] = out[1] = 0;
  if (fi->OptBits & LOAD_OPT_NO_EDGES) return 1;
  if (msh->MaxNbrEfr < 1) return 1;
  if (!msh->Efr) {
    fprintf(stderr, "  ## ERROR: LOADEDGES: EDGE ARRAY IS NOT ALLOCATED \n");
    fi->ErrCod = ERR_NOT_ALLOCATED;
    return 0;
  }
  int nv = CountFromFile(KmfStatKwd(hdl, KmfVertices));
  int n = CountFromFile(KmfStatKwd(hdl, KmfEdges));
  if (nv < 0 || n < 0 || static_cast<int64_t>(msh->NbrEfr) + n > INT32_MAX - 2)
    return tooMany(fi, "LOADEDGES");
  if (msh->NbrEfr + n > msh->MaxNbrEfr) growEdges(fi, msh, msh->NbrEfr + n);
  int NbrEfr0 = msh->NbrEfr;
  BadEntries bad;
  if (n > 0 && !readEdges(hdl, msh, n, nv, NbrVer0, bad)) return readFailed(fi, "LOADEDGES", "EDGES");
  // Ridges and required edges are read whenever the file has them, each line checked
  // against this file's edges.
  BadEntries badLines;
  int64_t nrid = 0, nreq = 0;
  if (!(fi->OptBits & LOAD_OPT_NO_RIDGES)) {
    nrid = markFromSection(hdl, KmfRidges, msh->Efr, NbrEfr0, n, TAG_RIDGE, badLines, BadRidge);
    if (nrid < 0) return readFailed(fi, "LOADEDGES", "RIDGES");
    if (nrid > 0) msh->GeoFlags |= GEO_RIDGES;
  }
  if (!(fi->OptBits & LOAD_OPT_NO_REQ_EDGES)) {
    nreq = markFromSection(hdl, KmfRequiredEdges, msh->Efr, NbrEfr0, n, TAG_REQUIRED, badLines, BadRequiredEdge);
    if (nreq < 0) return readFailed(fi, "LOADEDGES", "REQUIRED EDGES");
    if (nreq > 0) msh->GeoFlags |= GEO_REQ_EDGES;
  }
  if (out) {
    out[0] = static_cast<int>(nrid);
    out[1] = static_cast<int>(nreq);
  }
  if (bad.Nbr) reportInvalidEdges(fi, msh, bad, nv);
  reportBadLines(fi, "  ## ERROR: LOADEDGES: INVALID RIDGES OR REQUIRED EDGES FOUND \n", kBadEdgeLines, badLines, n);
  return 1;
}

int LoadNormals(Function_Interface *fi, KmfMeshFile *hdl, int NbrVer0, Geometric_Mesh *msh) {
  fi->ErrCod = 0;
  if (LoadBadHandle(fi, "LOADNORMALS", hdl, msh)) return 0;
  if (msh->MaxNbrNor < 1) return 1;
  if (!msh->Nor) {
    fprintf(stderr, "  ## ERROR: LOADNORMALS: NORMAL ARRAY IS NOT ALLOCATED \n");
    fi->ErrCod = ERR_NOT_ALLOCATED;
    return 0;
  }
  int dim = 0;
  KmfStatMesh(hdl, nullptr, &dim, nullptr);
  if (dim == 2) {
    printf("  ## WARNING: LOADNORMALS: NORMALS SKIPPED IN 2D \n");
    return 1;
  }
  int n = CountFromFile(KmfStatKwd(hdl, KmfNormals));
  if (n < 0) return tooMany(fi, "LOADNORMALS");
  if (n == 0) return 1;
  if (KmfStatKwd(hdl, KmfNormalAtVertices) == 0) {
    printf("  ## WARNING: LOADNORMALS: NO NORMAL AT VERTICES,  NORMALS SKIPPED\n");
    return 1;
  }
  int64_t need = static_cast<int64_t>(msh->NbrNor) + n;
  if (need > msh->MaxNbrNor)
    return CapacityExceeded(fi, "LOADNORMALS", "NORMALS", "NORMALS", msh->MaxNbrNor, need);
  int NbrNor0 = msh->NbrNor;
  Normal *n0 = &msh->Nor[NbrNor0 + 1];
  KmfField fld[3];
  for (int j = 0; j < 3; j++)
    fld[j] = {KmfDouble, reinterpret_cast<char *>(&n0->Crd[j]), static_cast<int64_t>(sizeof(Normal))};
  if (!KmfGetBlockFields(hdl, KmfNormals, 1, n, 0, nullptr, nullptr, nullptr, 3, fld))
    return readFailed(fi, "LOADNORMALS", "NORMALS");
  for (int k = NbrNor0 + 1; k <= NbrNor0 + n; k++) {
    msh->Nor[k].Ver = 0;
    msh->Nor[k].Ref = 0;
    msh->Nor[k].Res0 = 0.0;
  }
  int nver = msh->NbrVer - NbrVer0;
  int ok = ForEachIntLine(hdl, KmfNormalAtVertices, [&](int64_t, const int64_t *v) {
    if (InRange(v[0], nver) && InRange(v[1], n))
      msh->Nor[NbrNor0 + v[1]].Ver = static_cast<int>(v[0]) + NbrVer0;
  });
  if (!ok) return readFailed(fi, "LOADNORMALS", "NORMALS AT VERTICES");
  msh->NbrNor += n;
  msh->GeoFlags |= GEO_NORMALS;
  return 1;
}
