#include "common/model/Geometry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/model/MeshPrint.h"

namespace {

[[noreturn]] void UnknownKind(const char *query, int kind) {
  fprintf(stderr, " ## ERROR: %s: TYPE %d IS UNKNOW \n", query, kind);
  myexit("FATAL INTERNAL ERROR: INVALID TYPE \n", 100);
}

// Count (or capacity) of the kinds that have one; null for the others.
const int *CountOf(const Geometric_Mesh *msh, int kind, bool capacity) {
  switch (kind) {
    case KmfVertices: return capacity ? &msh->MaxNbrVer : &msh->NbrVer;
    case KmfEdges: return capacity ? &msh->MaxNbrEfr : &msh->NbrEfr;
    case KmfTriangles: return capacity ? &msh->MaxNbrTri : &msh->NbrTri;
    case KmfQuadrilaterals: return capacity ? &msh->MaxNbrQua : &msh->NbrQua;
    case KmfTetrahedra: return capacity ? &msh->MaxNbrTet : &msh->NbrTet;
    case KmfPrisms: return capacity ? &msh->MaxNbrPri : &msh->NbrPri;
    case KmfHexahedra: return capacity ? &msh->MaxNbrHex : &msh->NbrHex;
    case KmfNormalAtVertices: return capacity ? &msh->MaxNbrNor : &msh->NbrNor;
    case KmfTrianglesP2: return capacity ? &msh->MaxNbrP2Tri : &msh->NbrP2Tri;
    case KmfEdgesP2: return capacity ? &msh->MaxNbrP2Efr : &msh->NbrP2Efr;
    case KmfQuadrilateralsQ2: return capacity ? &msh->MaxNbrP2Qua : &msh->NbrP2Qua;
    case KmfTetrahedraP2: return capacity ? &msh->MaxNbrP2Tet : &msh->NbrP2Tet;
    case KmfHexahedraQ2: return capacity ? &msh->MaxNbrP2Hex : &msh->NbrP2Hex;
    case KmfPyramids: return capacity ? &msh->MaxNbrPyr : &msh->NbrPyr;
    case KmfVolumeEdges: return capacity ? &msh->MaxNbrEdg : &msh->NbrEdg;
  }
  return nullptr;
}

// The nodes of element i: all of them, and how many of the first are vertices.
struct EntNodes {
  const int *Ver = nullptr;
  int NbrNod = 0;
  int NbrCorner = 0;
};

bool NodesOf(const Geometric_Mesh *msh, int kind, int i, EntNodes *n) {
  switch (kind) {
    case KmfEdges: *n = {msh->Efr[i].Ver, 2, 2}; return true;
    case KmfVolumeEdges: *n = {msh->Edg[i].Ver, 2, 2}; return true;
    case KmfEdgesP2: *n = {msh->P2Efr[i].Ver, 3, 2}; return true;
    case KmfTriangles: *n = {msh->Tri[i].Ver, 3, 3}; return true;
    case KmfTrianglesP2: *n = {msh->P2Tri[i].Ver, 6, 3}; return true;
    case KmfQuadrilaterals: *n = {msh->Qua[i].Ver, 4, 4}; return true;
    case KmfQuadrilateralsQ2: *n = {msh->P2Qua[i].Ver, 9, 4}; return true;
    case KmfTetrahedra: *n = {msh->Tet[i].Ver, 4, 4}; return true;
    case KmfTetrahedraP2: *n = {msh->P2Tet[i].Ver, 10, 4}; return true;
    case KmfPyramids: *n = {msh->Pyr[i].Ver, 5, 5}; return true;
    case KmfPrisms: *n = {msh->Pri[i].Ver, 6, 6}; return true;
    case KmfHexahedra: *n = {msh->Hex[i].Ver, 8, 8}; return true;
    case KmfHexahedraQ2: *n = {msh->P2Hex[i].Ver, 27, 8}; return true;
  }
  return false;
}

// Edges by node positions.
const int kEdge[][2] = {{0, 1}};
const int kTriEdges[][2] = {{0, 1}, {1, 2}, {2, 0}};
const int kQuaEdges[][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}};
const int kTetEdges[][2] = {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}};
const int kPriEdges[][2] = {{0, 1}, {1, 2}, {2, 0}, {3, 4}, {4, 5}, {5, 3}, {0, 3}, {1, 4}, {2, 5}};
const int kPyrEdges[][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 4}, {1, 4}, {2, 4}, {3, 4}};
const int kHexEdges[][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                            {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

template <size_t N>
int HasEdge(const int *ver, const int (&edges)[N][2], int a, int b) {
  for (const auto &e : edges) {
    int u = ver[e[0]], v = ver[e[1]];
    if ((u == a && v == b) || (u == b && v == a)) return 1;
  }
  return 0;
}

}  // namespace

int geoGetSizeType(const Geometric_Mesh *msh, int kind) {
  if (!msh) return 0;
  const int *n = CountOf(msh, kind, false);
  if (!n) UnknownKind("GEOGETSIZETYPE", kind);
  return *n;
}

int geoGetMaxSizeType(const Geometric_Mesh *msh, int kind) {
  if (!msh) return 0;
  const int *n = CountOf(msh, kind, true);
  if (!n) UnknownKind("GEOGETMAXSIZETYPE", kind);
  return *n;
}

int geoCheckBound(const Geometric_Mesh *msh, int i, int kind) {
  if (!msh) return 0;
  if (kind == KmfPlanes) return i >= 0 && i < 32;
  if (kind == KmfFaceEdges || kind == KmfFaceP2Edges) {
    printf("GEOCHECKBOUND Not Implemented for KmfFace(p2)Edges ");
    return 0;
  }
  const int *n = CountOf(msh, kind, false);
  if (!n) UnknownKind("GEOCHECKBOUND", kind);
  return i >= 1 && i <= *n;
}

int geoEntHasEdge(int a, int b, const Geometric_Mesh *msh, int i, int kind) {
  if (!msh) return 0;
  if (kind < KmfEdges || kind > KmfPyramids) UnknownKind("GEOENTHASEDGE", kind);
  EntNodes n;
  if (kind == KmfVolumeEdges || !CountOf(msh, kind, false)) return 0;
  if (!geoCheckBound(msh, i, kind) || !NodesOf(msh, kind, i, &n)) return 0;
  switch (kind) {
    case KmfEdges:
    case KmfEdgesP2: return HasEdge(n.Ver, kEdge, a, b);
    case KmfTriangles:
    case KmfTrianglesP2: return HasEdge(n.Ver, kTriEdges, a, b);
    case KmfQuadrilaterals:
    case KmfQuadrilateralsQ2: return HasEdge(n.Ver, kQuaEdges, a, b);
    case KmfTetrahedra:
    case KmfTetrahedraP2: return HasEdge(n.Ver, kTetEdges, a, b);
    case KmfPrisms: return HasEdge(n.Ver, kPriEdges, a, b);
    case KmfPyramids: return HasEdge(n.Ver, kPyrEdges, a, b);
    default: return HasEdge(n.Ver, kHexEdges, a, b);  // hexahedra, Q2 hexahedra
  }
}

int is3dEnt(int kind) {
  switch (kind) {
    case KmfTetrahedra:
    case KmfPrisms:
    case KmfHexahedra:
    case KmfTetrahedraP2:
    case KmfHexahedraQ2:
    case KmfPyramids: return 1;
  }
  return 0;
}

int geoGetEntVer(const Geometric_Mesh *msh, int i, int kind, int *out) {
  if (!msh) return 0;
  switch (kind) {
    case KmfTriangles:
    case KmfQuadrilaterals:
    case KmfTetrahedra:
    case KmfTrianglesP2:
    case KmfQuadrilateralsQ2:
    case KmfTetrahedraP2: break;
    default: UnknownKind("GEOGETENTVER", kind);
  }
  EntNodes n;
  if (!out || !geoCheckBound(msh, i, kind) || !NodesOf(msh, kind, i, &n)) return 0;
  memcpy(out, n.Ver, sizeof(int) * n.NbrNod);
  return n.NbrNod;
}

int geoGravityCenter(const Geometric_Mesh *msh, int i, int kind, double out[3]) {
  if (!msh) return 0;
  if (kind == KmfNormalAtVertices || kind == KmfVertices) {
    if (!geoCheckBound(msh, i, kind)) return 0;
    int v = kind == KmfVertices ? i : msh->Nor[i].Ver;
    if (v < 1 || v > msh->NbrVer) return 0;  // a normal attached to no vertex has no place
    memcpy(out, msh->Ver[v].Crd, sizeof(double) * 3);
    return 1;
  }
  if (kind == KmfBoundaryVertices || !CountOf(msh, kind, false)) UnknownKind("GEOGRAVITYCENTER", kind);
  EntNodes n;
  if (!geoCheckBound(msh, i, kind) || !NodesOf(msh, kind, i, &n)) return 0;
  double sum[3] = {0, 0, 0};
  for (int j = 0; j < n.NbrCorner; j++) {
    int v = n.Ver[j];
    if (v < 1 || v > msh->NbrVer) return 0;  // an invalid element has no centre
    for (int d = 0; d < 3; d++) sum[d] += msh->Ver[v].Crd[d];
  }
  for (int d = 0; d < 3; d++) out[d] = sum[d] / n.NbrCorner;
  return 1;
}

int geoGetHexVoi(const Geometric_Mesh *) {
  printf(".  ****** deactivated geoGetHexVoi ");
  return 1;
}

namespace {

// One direction of a line walk: the edges and the vertices left through, in walk order.
struct LineWalk {
  int *Efr;  // Efr[0] is the starting edge
  int *Ver;  // Ver[k] is the vertex through which Efr[k] is left
  int Nbr;   // edges walked, the starting one included
  int EndSide;
  bool Closed;
};

// Follows the line from edge e leaving it through its node `side`, for at most `budget` more
// edges. Stops at a vertex of type 3, at a free end, at a link that does not hold the shared
// vertex, or back on e.
void WalkLine(const Geometric_Mesh *msh, int e, int side, int budget, bool right, LineWalk *w) {
  w->Efr[0] = e;
  w->Nbr = 1;
  w->Closed = false;
  int cur = e, out = side;
  for (;;) {
    int v = msh->Efr[cur].Ver[out];
    w->Ver[w->Nbr - 1] = v;
    w->EndSide = out;
    if (v < 1 || v > msh->NbrVer || (msh->Ver[v].Tag & TAG_VER_TYPE) == 3) return;
    int nxt = msh->Efr[cur].Voi[out];
    if (nxt < 1 || nxt > msh->NbrEfr) return;
    if (nxt == e) {
      w->Closed = true;
      return;
    }
    const BdyEdge &n = msh->Efr[nxt];
    int in = n.Ver[0] == v ? 0 : n.Ver[1] == v ? 1 : -1;
    if (in < 0 || budget-- <= 0) return;
    cur = nxt;
    out = 1 - in;
    w->Efr[w->Nbr++] = cur;
    printf(right ? " Ver %d \n" : " Vertex %d \n", v);
    printEfr(msh, cur);
    bystep();
  }
}

void *AllocLineArray(size_t count, const char *label) {
  void *p = malloc(sizeof(int) * (count ? count : 1));
  if (!p) {
    fprintf(stderr, "  ## ERROR: %s: ALLOCATION FAILED FOR ARRAY %s \n", "GetDiscreteLine", label);
    myexit("ALLOCATION FAILURE", 100);
  }
  return p;
}

}  // namespace

int GetDiscreteLine(const Geometric_Mesh *msh, int e, DiscreteLine *line) {
  if (!msh || !line || !msh->Efr || e < 1 || e > msh->NbrEfr) return 0;
  memset(line, 0, sizeof(*line));
  int nbr = msh->NbrEfr;

  // Each direction holds at most every boundary edge once.
  int *buf = static_cast<int *>(AllocLineArray(4 * static_cast<size_t>(nbr) + 4, "Lin->Efr"));
  LineWalk right = {buf, buf + nbr + 1, 0, 0, false};
  LineWalk left = {buf + 2 * nbr + 2, buf + 3 * nbr + 3, 0, 0, false};

  printf(" RIGHT ");
  WalkLine(msh, e, 0, nbr - 1, true, &right);
  if (!right.Closed) {
    printf(" LEFT ");
    WalkLine(msh, e, 1, nbr - right.Nbr, false, &left);
  }

  // From the left end (or, for a closed line, from the edge's node 1) to the right end.
  int nbrEfr = right.Nbr + (right.Closed ? 0 : left.Nbr - 1);
  int nbrVer = right.Closed ? nbrEfr : nbrEfr + 1;
  line->Efr = static_cast<int *>(AllocLineArray(nbrEfr, "Lin->Efr"));
  line->Ver = static_cast<int *>(AllocLineArray(nbrVer, "Lin->Ver"));
  int ne = 0, nv = 0;
  if (right.Closed) {
    line->Ver[nv++] = msh->Efr[e].Ver[1];
  } else {
    for (int k = left.Nbr - 1; k >= 1; k--) line->Efr[ne++] = left.Efr[k];
    for (int k = left.Nbr - 1; k >= 0; k--) line->Ver[nv++] = left.Ver[k];
  }
  for (int k = 0; k < right.Nbr; k++) line->Efr[ne++] = right.Efr[k];
  for (int k = 0; k < right.Nbr && nv < nbrVer; k++) line->Ver[nv++] = right.Ver[k];
  free(buf);

  line->NbrEfr = nbrEfr;
  line->NbrVer = nbrVer;
  line->Closed = right.Closed;
  line->EndVer[0] = line->Ver[0];
  line->EndVer[1] = right.Closed ? line->Ver[0] : line->Ver[nbrVer - 1];
  line->EndEfr[0] = line->Efr[0];
  line->EndEfr[1] = line->Efr[nbrEfr - 1];
  line->EndSid[0] = right.Closed ? 1 : left.EndSide;
  line->EndSid[1] = right.EndSide;

  printf(" Starting from edge %d \n", e);
  printEfr(msh, e);
  printf(" line %d points %d edges end-point [%d %d] end-efr [%d(%d) %d(%d)] \n", nbrVer, nbrEfr,
         line->EndVer[0], line->EndVer[1], line->EndEfr[0], line->EndSid[0], line->EndEfr[1],
         line->EndSid[1]);
  printiVec(line->Ver, nbrVer);
  return 1;
}

void FreeDiscreteLine(DiscreteLine *line) {
  if (!line) return;
  free(line->Ver);
  free(line->Efr);
  line->Ver = line->Efr = nullptr;
}
