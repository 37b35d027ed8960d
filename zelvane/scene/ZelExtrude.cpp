// Extrusion of a 3-D surface mesh along a direction into layers of prisms and hexahedra.
#include <climits>
#include <cmath>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelTransform.h"

namespace {

// New elements inherit whether their source is alive and visible, nothing else of its tag.
uint32_t inheritedTag(uint32_t tag) { return tag & (TAG_ALIVE | TAG_VISIBLE); }

bool parallelTo(const Geometric_Mesh *msh, int a, int b, const double d[3]) {
  const double *p = msh->Ver[a].Crd, *q = msh->Ver[b].Crd;
  double e[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
  double c[3] = {e[1] * d[2] - e[2] * d[1], e[2] * d[0] - e[0] * d[2], e[0] * d[1] - e[1] * d[0]};
  return std::sqrt(c[0] * c[0] + c[1] * c[1] + c[2] * c[2]) == 0.0;
}

// Whether the sides of every element of arr are usable: valid vertices, none parallel to d.
template <class Rec>
bool sidesUsable(const Geometric_Mesh *msh, const Rec *arr, int count, int nbrCor, const double d[3]) {
  for (int i = 1; i <= count; i++)
    for (int j = 0; j < nbrCor; j++) {
      int a = arr[i].Ver[j], b = arr[i].Ver[(j + 1) % nbrCor];
      if (a < 1 || a > msh->NbrVer || b < 1 || b > msh->NbrVer || parallelTo(msh, a, b, d)) return false;
    }
  return true;
}

}  // namespace

int zelExtrude(Function_Interface *fi, Geometric_Mesh *msh, const double d[3], int N, double h) {
  if (!fi || !msh || !d || msh->Dim == 2 || N < 1 || msh->NbrVer <= 0 || !msh->Ver) return 0;
  if (msh->NbrTet || msh->NbrPyr || msh->NbrPri || msh->NbrHex || msh->NbrP2Tri || msh->NbrP2Tet ||
      msh->NbrP2Hex)
    return 0;
  if (!sidesUsable(msh, msh->Tri, msh->NbrTri, 3, d) || !sidesUsable(msh, msh->Qua, msh->NbrQua, 4, d))
    return 0;

  const int V = msh->NbrVer, E = msh->NbrEfr, T = msh->NbrTri, Q = msh->NbrQua, Q2 = msh->NbrP2Qua;
  std::vector<int> marked;  // vertices ending lines of boundary edges: they get side edges
  for (int v = 1; v <= V; v++)
    if ((msh->Ver[v].Tag & 3u) == 3u) marked.push_back(v);
  const int64_t L = static_cast<int64_t>(marked.size()), n = N;
  const struct {
    int Kind;
    int64_t Need;
    int Geometric_Mesh::*Max;
  } rooms[] = {
      {KmfVertices, V * (n + 1), &Geometric_Mesh::MaxNbrVer},
      {KmfEdges, 2 * int64_t{E} + L * n, &Geometric_Mesh::MaxNbrEfr},
      {KmfTriangles, 2 * int64_t{T}, &Geometric_Mesh::MaxNbrTri},
      {KmfQuadrilaterals, E * n + 2 * int64_t{Q}, &Geometric_Mesh::MaxNbrQua},
      {KmfQuadrilateralsQ2, E * n + 2 * int64_t{Q2}, &Geometric_Mesh::MaxNbrP2Qua},
      {KmfPrisms, T * n, &Geometric_Mesh::MaxNbrPri},
      {KmfHexahedra, Q * n, &Geometric_Mesh::MaxNbrHex},
      {KmfHexahedraQ2, Q2 * n, &Geometric_Mesh::MaxNbrP2Hex},
  };
  for (const auto &r : rooms)
    if (r.Need > INT_MAX - 2) return 0;
  for (const auto &r : rooms)
    if (r.Need > 0 && msh->*r.Max < r.Need &&
        !NewCommonMeshEntity(fi->Mem, msh, r.Kind, static_cast<int>(r.Need)))
      return 0;

  for (int k = 1; k <= N; k++)
    for (int i = 1; i <= V; i++) {
      Vertex &nv = msh->Ver[i + k * V];
      nv = msh->Ver[i];
      for (int c = 0; c < 3; c++) nv.Crd[c] = msh->Ver[i].Crd[c] + k * h * d[c];
    }
  msh->NbrVer = V * (N + 1);
  const int top = N * V;

  for (int e = 1; e <= E; e++) {
    const BdyEdge &src = msh->Efr[e];
    BdyEdge &cp = msh->Efr[E + e];
    cp = BdyEdge{};
    cp.Ver[0] = src.Ver[0] + top, cp.Ver[1] = src.Ver[1] + top;
    cp.Tag = src.Tag;
    cp.Ref = src.Ref;
  }
  int nbrEfr = 2 * E;
  for (int k = 1; k <= N; k++)
    for (int v : marked) {
      BdyEdge &side = msh->Efr[++nbrEfr];
      side = BdyEdge{};
      side.Ver[0] = v + (k - 1) * V, side.Ver[1] = v + k * V;
      side.Tag = TAG_ALIVE | (msh->Ver[v].Tag & TAG_VISIBLE);
      side.Ref = msh->Ver[v].Ref;
    }

  for (int t = 1; t <= T; t++) {
    const Triangle &src = msh->Tri[t];
    Triangle &cp = msh->Tri[T + t];
    cp = Triangle{};
    for (int j = 0; j < 3; j++) cp.Ver[j] = src.Ver[j] + top;
    cp.Tag = inheritedTag(src.Tag);
    cp.Ref = src.Ref;
  }
  for (int q = 1; q <= Q; q++) {
    const Quadrilateral &src = msh->Qua[q];
    Quadrilateral &cp = msh->Qua[Q + q];
    cp = Quadrilateral{};
    for (int j = 0; j < 4; j++) cp.Ver[j] = src.Ver[j] + top;
    cp.Tag = inheritedTag(src.Tag);
    cp.Ref = src.Ref;
  }
  int nbrQua = 2 * Q, nbrPri = 0, nbrHex = 0;
  for (int k = 1; k <= N; k++) {
    const int lo = (k - 1) * V, hi = k * V;
    for (int e = 1; e <= E; e++) {
      const BdyEdge &src = msh->Efr[e];
      Quadrilateral &side = msh->Qua[++nbrQua];
      side = Quadrilateral{};
      side.Ver[0] = src.Ver[0] + lo, side.Ver[1] = src.Ver[1] + lo;
      side.Ver[2] = src.Ver[1] + hi, side.Ver[3] = src.Ver[0] + hi;
      side.Tag = inheritedTag(src.Tag);
      side.Ref = src.Ref;
    }
    for (int t = 1; t <= T; t++) {
      const Triangle &src = msh->Tri[t];
      Prism &pri = msh->Pri[++nbrPri];
      pri = Prism{};
      for (int j = 0; j < 3; j++) pri.Ver[j] = src.Ver[j] + lo, pri.Ver[j + 3] = src.Ver[j] + hi;
      pri.Tag = inheritedTag(src.Tag);
      pri.Ref = src.Ref;
    }
    for (int q = 1; q <= Q; q++) {
      const Quadrilateral &src = msh->Qua[q];
      Hexahedron &hex = msh->Hex[++nbrHex];
      hex = Hexahedron{};
      for (int j = 0; j < 4; j++) hex.Ver[j] = src.Ver[j] + lo, hex.Ver[j + 4] = src.Ver[j] + hi;
      hex.Tag = inheritedTag(src.Tag);
      hex.Ref = src.Ref;
    }
  }
  msh->NbrEfr = nbrEfr;
  msh->NbrTri = 2 * T;
  msh->NbrQua = nbrQua;
  msh->NbrPri = nbrPri;
  msh->NbrHex = nbrHex;
  return 1;
}
