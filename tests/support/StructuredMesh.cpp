#include "tests/support/StructuredMesh.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <vector>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"

int GridVertex(int nx, int ny, int i, int j, int k) { return 1 + i + (nx + 1) * (j + (ny + 1) * k); }

int AddVertex(Geometric_Mesh *msh, double x, double y, double z, int ref) {
  Vertex &v = msh->Ver[++msh->NbrVer];
  v = Vertex{};
  v.Crd[0] = x, v.Crd[1] = y, v.Crd[2] = z;
  v.Tag = TAG_ALIVE;
  v.Ref = ref;
  // A vertex solution follows the vertices added after it was made.
  if (msh->SolAtVer) msh->NbrSolVer = msh->NbrVer;
  return msh->NbrVer;
}

Geometric_Mesh *MakeSizedMesh(Memory_List *mem, std::initializer_list<std::pair<int, int>> counts) {
  std::vector<int> siz(KmfSizMshLen, 0);
  for (const auto &c : counts) siz[c.first] = c.second;
  siz[KmfFileType] = FILE_TYPE_KMF;
  Geometric_Mesh *msh = NewCommonMesh(mem, siz.data());
  if (msh) msh->Dim = 3;
  return msh;
}

Geometric_Mesh *MakeStructuredMesh(Memory_List *mem, int nx, int ny, int nz, unsigned kinds) {
  int nbrCell = nx * ny * nz, nbrFace = nx * ny;
  auto count = [&](unsigned kind, int n) { return (kinds & kind) ? n : 0; };
  Geometric_Mesh *msh = MakeSizedMesh(mem, {{KmfVertices, (nx + 1) * (ny + 1) * (nz + 1) + count(GEN_PYR, nbrCell)},
                                            {KmfHexahedra, count(GEN_HEX, nbrCell)},
                                            {KmfTetrahedra, count(GEN_TET, 6 * nbrCell)},
                                            {KmfPrisms, count(GEN_PRI, 2 * nbrCell)},
                                            {KmfPyramids, count(GEN_PYR, 6 * nbrCell)},
                                            {KmfQuadrilaterals, count(GEN_QUA, nbrFace)},
                                            {KmfTriangles, count(GEN_TRI, 2 * nbrFace)},
                                            {KmfEdges, count(GEN_EFR, 2 * (nx + ny))}});
  if (!msh) return nullptr;
  msh->Dim = 3;
  const double box[6] = {0, 0, 0, double(nx), double(ny), double(nz)};  // as loading sets it
  std::copy(box, box + 6, msh->Box);

  for (int k = 0; k <= nz; k++)
    for (int j = 0; j <= ny; j++)
      for (int i = 0; i <= nx; i++) AddVertex(msh, i, j, k, 1);

  auto at = [&](int i, int j, int k) { return GridVertex(nx, ny, i, j, k); };
  for (int k = 0; k < nz; k++)
    for (int j = 0; j < ny; j++)
      for (int i = 0; i < nx; i++) {
        const int c[8] = {at(i, j, k),         at(i + 1, j, k),         at(i + 1, j + 1, k),
                          at(i, j + 1, k),     at(i, j, k + 1),         at(i + 1, j, k + 1),
                          at(i + 1, j + 1, k + 1), at(i, j + 1, k + 1)};
        if (kinds & GEN_HEX) {
          Hexahedron &h = AddRecord(msh->Hex, msh->NbrHex);
          for (int n = 0; n < 8; n++) h.Ver[n] = c[n];
        }
        if (kinds & GEN_TET) {
          // Six tetrahedra around the diagonal c0-c6.
          static const int kPath[7] = {1, 2, 3, 7, 4, 5, 1};
          for (int t = 0; t < 6; t++) {
            Tetrahedron &tet = AddRecord(msh->Tet, msh->NbrTet);
            tet.Ver[0] = c[0];
            tet.Ver[1] = c[kPath[t]];
            tet.Ver[2] = c[kPath[t + 1]];
            tet.Ver[3] = c[6];
          }
        }
        if (kinds & GEN_PRI) {
          static const int kPri[2][6] = {{0, 1, 2, 4, 5, 6}, {0, 2, 3, 4, 6, 7}};
          for (const auto &p : kPri) {
            Prism &pri = AddRecord(msh->Pri, msh->NbrPri);
            for (int n = 0; n < 6; n++) pri.Ver[n] = c[p[n]];
          }
        }
        if (kinds & GEN_PYR) {
          const int apex = AddVertex(msh, i + 0.5, j + 0.5, k + 0.5, 1);
          static const int kFaces[6][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 4, 5, 1},
                                           {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}};
          for (const auto &f : kFaces) {
            Pyramid &pyr = AddRecord(msh->Pyr, msh->NbrPyr);
            for (int n = 0; n < 4; n++) pyr.Ver[n] = c[f[n]];
            pyr.Ver[4] = apex;
          }
        }
      }

  for (int j = 0; j < ny; j++)
    for (int i = 0; i < nx; i++) {
      int a = at(i, j, 0), b = at(i + 1, j, 0), c = at(i + 1, j + 1, 0), d = at(i, j + 1, 0);
      if (kinds & GEN_QUA) {
        Quadrilateral &q = AddRecord(msh->Qua, msh->NbrQua);
        q.Ver[0] = a, q.Ver[1] = b, q.Ver[2] = c, q.Ver[3] = d;
      }
      if (kinds & GEN_TRI) {
        Triangle &t0 = AddRecord(msh->Tri, msh->NbrTri);
        t0.Ver[0] = a, t0.Ver[1] = b, t0.Ver[2] = c;
        Triangle &t1 = AddRecord(msh->Tri, msh->NbrTri);
        t1.Ver[0] = a, t1.Ver[1] = c, t1.Ver[2] = d;
      }
    }

  if (kinds & GEN_EFR) {
    // Around the bottom face, counter-clockwise, each edge linked to the next and previous.
    std::vector<int> loop;
    for (int i = 0; i < nx; i++) loop.push_back(at(i, 0, 0));
    for (int j = 0; j < ny; j++) loop.push_back(at(nx, j, 0));
    for (int i = nx; i > 0; i--) loop.push_back(at(i, ny, 0));
    for (int j = ny; j > 0; j--) loop.push_back(at(0, j, 0));
    int n = static_cast<int>(loop.size());
    for (int e = 0; e < n; e++) {
      BdyEdge &edg = AddRecord(msh->Efr, msh->NbrEfr);
      edg.Ver[0] = loop[e];
      edg.Ver[1] = loop[(e + 1) % n];
      edg.Voi[0] = 1 + (e + n - 1) % n;  // the edge through Ver[0]
      edg.Voi[1] = 1 + (e + 1) % n;      // the edge through Ver[1]
    }
  }
  msh->NbrFilTri = msh->NbrTri;
  msh->NbrFilTet = msh->NbrTet;
  return msh;
}

namespace {

// Mid-nodes made on demand, one per set of corners, numbered after the copied vertices.
struct MidNodes {
  const Geometric_Mesh *Lin;
  std::map<std::vector<int>, int> Index;
  std::vector<std::array<double, 3>> Pts;

  int node(std::vector<int> corners) {
    std::sort(corners.begin(), corners.end());
    auto it = Index.find(corners);
    if (it != Index.end()) return it->second;
    std::array<double, 3> p{0, 0, 0};
    for (int v : corners)
      for (int i = 0; i < 3; i++) p[i] += Lin->Ver[v].Crd[i] / corners.size();
    Pts.push_back(p);
    int id = Lin->NbrVer + static_cast<int>(Pts.size());
    Index.emplace(std::move(corners), id);
    return id;
  }
  // Element nodes: the corners, then one mid-node per corner set of `sets` (positions).
  std::vector<int> nodes(const int *ver, int corners, const std::vector<std::vector<int>> &sets) {
    std::vector<int> out(ver, ver + corners);
    for (const auto &set : sets) {
      std::vector<int> c;
      for (int k : set) c.push_back(ver[k]);
      out.push_back(node(c));
    }
    return out;
  }
};

const std::vector<std::vector<int>> P2EfrSets = {{0, 1}};
const std::vector<std::vector<int>> P2TriSets = {{0, 1}, {1, 2}, {2, 0}};
const std::vector<std::vector<int>> Q2QuaSets = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {0, 1, 2, 3}};
const std::vector<std::vector<int>> P2TetSets = {{0, 1}, {1, 2}, {0, 2}, {0, 3}, {1, 3}, {2, 3}};
const std::vector<std::vector<int>> Q2HexSets = {
    {0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6}, {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6},
    {3, 7}, {0, 1, 2, 3}, {4, 5, 6, 7}, {0, 4, 5, 1}, {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0},
    {0, 1, 2, 3, 4, 5, 6, 7}};

// Writes the second-order records: their nodes, and the tag and reference of the linear one.
template <class Quad, class Lin>
void fillQuadratic(Quad *to, int &nbr, const Lin *from,
                   const std::vector<std::vector<int>> &nodes) {
  for (size_t i = 0; i < nodes.size(); i++) {
    Quad &q = to[++nbr];
    q = Quad{};
    for (size_t k = 0; k < nodes[i].size(); k++) q.Ver[k] = nodes[i][k];
    q.Tag = from[i + 1].Tag;
    q.Ref = from[i + 1].Ref;
  }
}

}  // namespace

Geometric_Mesh *MakeSecondOrderCopy(Memory_List *mem, const Geometric_Mesh *lin,
                                    const std::function<void(double p[3])> &place) {
  if (!lin) return nullptr;
  MidNodes mid{lin, {}, {}};
  std::vector<std::vector<int>> efr, tri, qua, tet, hex;
  for (int i = 1; i <= lin->NbrEfr; i++) efr.push_back(mid.nodes(lin->Efr[i].Ver, 2, P2EfrSets));
  for (int i = 1; i <= lin->NbrTri; i++) tri.push_back(mid.nodes(lin->Tri[i].Ver, 3, P2TriSets));
  for (int i = 1; i <= lin->NbrQua; i++) qua.push_back(mid.nodes(lin->Qua[i].Ver, 4, Q2QuaSets));
  for (int i = 1; i <= lin->NbrTet; i++) tet.push_back(mid.nodes(lin->Tet[i].Ver, 4, P2TetSets));
  for (int i = 1; i <= lin->NbrHex; i++) hex.push_back(mid.nodes(lin->Hex[i].Ver, 8, Q2HexSets));

  Geometric_Mesh *msh = MakeSizedMesh(mem, {{KmfVertices, lin->NbrVer + static_cast<int>(mid.Pts.size())},
                                            {KmfEdgesP2, lin->NbrEfr},
                                            {KmfTrianglesP2, lin->NbrTri},
                                            {KmfQuadrilateralsQ2, lin->NbrQua},
                                            {KmfTetrahedraP2, lin->NbrTet},
                                            {KmfHexahedraQ2, lin->NbrHex}});
  if (!msh) return nullptr;
  msh->Dim = lin->Dim;
  std::copy(lin->Box, lin->Box + 6, msh->Box);

  for (int i = 1; i <= lin->NbrVer; i++) msh->Ver[i] = lin->Ver[i];
  msh->NbrVer = lin->NbrVer;
  for (auto p : mid.Pts) {
    if (place) place(p.data());
    AddVertex(msh, p[0], p[1], p[2], 1);
  }
  fillQuadratic(msh->P2Efr, msh->NbrP2Efr, lin->Efr, efr);
  fillQuadratic(msh->P2Tri, msh->NbrP2Tri, lin->Tri, tri);
  fillQuadratic(msh->P2Qua, msh->NbrP2Qua, lin->Qua, qua);
  fillQuadratic(msh->P2Tet, msh->NbrP2Tet, lin->Tet, tet);
  fillQuadratic(msh->P2Hex, msh->NbrP2Hex, lin->Hex, hex);
  return msh;
}

Geometric_Mesh *MakeSphereCapP2(Memory_List *mem, int n) {
  const double radius = 2.0;
  auto onSphere = [radius](double p[3]) {
    const double len = std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]);
    for (int k = 0; k < 3; k++) p[k] *= radius / len;
  };
  Geometric_Mesh *lin = MakeSizedMesh(mem, {{KmfVertices, (n + 1) * (n + 1)}, {KmfTriangles, 2 * n * n}});
  if (!lin) return nullptr;
  for (int j = 0; j <= n; j++)
    for (int i = 0; i <= n; i++) {
      double p[3] = {-1.0 + 2.0 * i / n, -1.0 + 2.0 * j / n, 0.0};
      p[2] = std::sqrt(radius * radius - p[0] * p[0] - p[1] * p[1]);
      AddVertex(lin, p[0], p[1], p[2]);
    }
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const int a = 1 + i + (n + 1) * j, b = a + 1, c = b + n + 1, d = a + n + 1;
      AddRecord(lin->Tri, lin->NbrTri, {a, b, c});
      AddRecord(lin->Tri, lin->NbrTri, {a, c, d});
    }
  const double low = std::sqrt(radius * radius - 2.0);
  const double box[6] = {-1, -1, low, 1, 1, radius};
  std::copy(box, box + 6, lin->Box);
  Geometric_Mesh *msh = MakeSecondOrderCopy(mem, lin, onSphere);
  FreeCommonMesh(mem, lin);
  return msh;
}
