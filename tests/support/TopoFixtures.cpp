#include "tests/support/TopoFixtures.h"

#include <algorithm>
#include <initializer_list>
#include <numeric>
#include <random>
#include <thread>
#include <vector>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "common/topology/Hash.h"
#include "tests/support/StructuredMesh.h"

Geometric_Mesh *MakeTwoTetrahedra(Memory_List *mem, bool sharedTriangle) {
  Geometric_Mesh *msh =
      MakeSizedMesh(mem, {{KmfVertices, 5}, {KmfTetrahedra, 2}, {KmfTriangles, sharedTriangle ? 1 : 0}});
  AddVertex(msh, 0, 0, 0), AddVertex(msh, 1, 0, 0), AddVertex(msh, 0, 1, 0);
  AddVertex(msh, 0, 0, 1), AddVertex(msh, 1, 1, 1);
  AddRecord(msh->Tet, msh->NbrTet, {1, 2, 3, 4});
  AddRecord(msh->Tet, msh->NbrTet, {5, 4, 3, 2});
  if (sharedTriangle) AddRecord(msh->Tri, msh->NbrTri, {2, 3, 4});
  return msh;
}

Geometric_Mesh *MakeTriangleFan(Memory_List *mem, int n, bool bdyEdge, bool p2) {
  // P2: vertices 1, 2, the shared mid-node, then per triangle its apex and two mid-nodes.
  int nbrVer = p2 ? 3 + 3 * n : n + 2;
  Geometric_Mesh *msh = MakeSizedMesh(mem, {{KmfVertices, nbrVer}, {p2 ? KmfTrianglesP2 : KmfTriangles, n},
                                            {KmfEdgesP2, bdyEdge && p2 ? 1 : 0}, {KmfEdges, bdyEdge ? 1 : 0}});
  AddVertex(msh, 0, 0, 0), AddVertex(msh, 1, 0, 0);
  int mid = p2 ? AddVertex(msh, 0.5, 0, 0) : 0;
  for (int k = 0; k < n; k++) {
    double y = (k % 2 ? -1.0 : 1.0) * (1 + k), z = k;
    int apex = AddVertex(msh, 0.5, y, z);
    if (!p2) {
      AddRecord(msh->Tri, msh->NbrTri, {1, 2, apex});
      continue;
    }
    int m12 = AddVertex(msh, 0.75, y / 2, z / 2), m20 = AddVertex(msh, 0.25, y / 2, z / 2);
    AddRecord(msh->P2Tri, msh->NbrP2Tri, {1, 2, apex, mid, m12, m20});
  }
  if (bdyEdge && !p2) AddRecord(msh->Efr, msh->NbrEfr, {2, 1});
  if (bdyEdge && p2) {
    AddRecord(msh->Efr, msh->NbrEfr, {2, 1});
    P2BdyEdge &e = AddRecord(msh->P2Efr, msh->NbrP2Efr, {2, 1, mid});
    e.Efr = 1;
  }
  msh->NbrFilTri = msh->NbrTri;
  msh->NbrFilEfr = msh->NbrEfr;
  return msh;
}

Geometric_Mesh *MakeMixedBlock(Memory_List *mem) {
  Geometric_Mesh *msh = MakeSizedMesh(mem, {{KmfVertices, 16}, {KmfHexahedra, 1}, {KmfPyramids, 1}, {KmfTetrahedra, 4},
                                            {KmfPrisms, 1}, {KmfQuadrilaterals, 1}, {KmfTriangles, 1}});
  for (int k = 0; k < 2; k++)  // c0..c7 of the unit cell: vertices 1..8
    for (int c = 0; c < 4; c++) AddVertex(msh, c == 1 || c == 2, c >= 2, k);
  int apex = AddVertex(msh, 0.5, 0.5, 1.5);                       // 9
  AddRecord(msh->Hex, msh->NbrHex, {1, 2, 3, 4, 5, 6, 7, 8});
  AddRecord(msh->Pyr, msh->NbrPyr, {5, 6, 7, 8, apex});         // base = top face of the cell
  // Over each triangle (b0, apex, b1) of the pyramid, a tetrahedron with an outer vertex.
  const int base[4] = {5, 6, 7, 8};
  const double out[4][3] = {{0.5, -1, 1.5}, {2, 0.5, 1.5}, {0.5, 2, 1.5}, {-1, 0.5, 1.5}};
  for (int f = 0; f < 4; f++) {
    int o = AddVertex(msh, out[f][0], out[f][1], out[f][2]);
    AddRecord(msh->Tet, msh->NbrTet, {base[f], apex, base[(f + 1) % 4], o});
  }
  // The prism's quadrilateral face (0 3 4 1) = (1 5 6 2), the cell's front face.
  int p0 = AddVertex(msh, 0, -1, 0), p1 = AddVertex(msh, 0, -1, 1);
  AddRecord(msh->Pri, msh->NbrPri, {1, 2, p0, 5, 6, p1});
  AddRecord(msh->Qua, msh->NbrQua, {1, 4, 3, 2});  // the cell's bottom face
  // The free face (5 9 10) of the first tetrahedron (5 9 6 10): its face 2.
  AddRecord(msh->Tri, msh->NbrTri, {10, 5, 9});
  return msh;
}

Geometric_Mesh *MakeEqualSumStrip(Memory_List *mem, int n) {
  const int S = 2 * n + 3;
  Geometric_Mesh *msh = MakeSizedMesh(mem, {{KmfVertices, 2 * n + 2}, {KmfTriangles, 2 * n}});
  for (int v = 1; v <= 2 * n + 2; v++) AddVertex(msh);
  for (int k = 1; k <= n + 1; k++) {
    msh->Ver[k].Crd[0] = msh->Ver[S - k].Crd[0] = k;
    msh->Ver[S - k].Crd[1] = 1;
  }
  for (int k = 1; k <= n; k++) {
    AddRecord(msh->Tri, msh->NbrTri, {k, k + 1, S - k});
    AddRecord(msh->Tri, msh->NbrTri, {k + 1, S - k - 1, S - k});
  }
  return msh;
}

void RenumberVertices(Geometric_Mesh *msh, unsigned seed) {
  std::vector<int> perm(msh->NbrVer + 1);
  std::iota(perm.begin(), perm.end(), 0);
  std::mt19937 rng(seed);
  std::shuffle(perm.begin() + 1, perm.end(), rng);
  std::vector<Vertex> old(msh->Ver, msh->Ver + msh->NbrVer + 1);
  for (int v = 1; v <= msh->NbrVer; v++) msh->Ver[perm[v]] = old[v];
  auto renumber = [&](auto *arr, int count) {
    for (int i = 1; arr && i <= count; i++)
      for (int &v : arr[i].Ver) v = perm[v];
  };
  renumber(msh->Tri, msh->NbrTri);
  renumber(msh->Qua, msh->NbrQua);
  renumber(msh->Tet, msh->NbrTet);
  renumber(msh->Hex, msh->NbrHex);
  renumber(msh->Pri, msh->NbrPri);
  renumber(msh->Pyr, msh->NbrPyr);
  renumber(msh->Efr, msh->NbrEfr);
  renumber(msh->P2Tri, msh->NbrP2Tri);
  renumber(msh->P2Qua, msh->NbrP2Qua);
  renumber(msh->P2Tet, msh->NbrP2Tet);
  renumber(msh->P2Hex, msh->NbrP2Hex);
  renumber(msh->P2Efr, msh->NbrP2Efr);
}

void ShuffleElements(Geometric_Mesh *msh, unsigned seed) {
  std::mt19937 rng(seed);
  auto shuffle = [&](auto *arr, int count) {
    if (arr && count > 1) std::shuffle(arr + 1, arr + count + 1, rng);
  };
  shuffle(msh->Tri, msh->NbrTri);
  shuffle(msh->Qua, msh->NbrQua);
  shuffle(msh->Tet, msh->NbrTet);
  shuffle(msh->Hex, msh->NbrHex);
  shuffle(msh->Pri, msh->NbrPri);
  shuffle(msh->Pyr, msh->NbrPyr);
  shuffle(msh->P2Tri, msh->NbrP2Tri);
  shuffle(msh->P2Qua, msh->NbrP2Qua);
  shuffle(msh->P2Tet, msh->NbrP2Tet);
  shuffle(msh->P2Hex, msh->NbrP2Hex);
}

Geometric_Mesh *MakeElementSoup(Memory_List *mem, unsigned seed, int nbrVer, int count) {
  Geometric_Mesh *msh = MakeSizedMesh(
      mem, {{KmfVertices, nbrVer}, {KmfTriangles, count}, {KmfTrianglesP2, count}, {KmfQuadrilaterals, count},
            {KmfQuadrilateralsQ2, count}, {KmfTetrahedra, 20 * count}, {KmfTetrahedraP2, count},
            {KmfHexahedra, count}, {KmfHexahedraQ2, count}, {KmfPrisms, count}, {KmfPyramids, count}});
  for (int v = 1; v <= nbrVer; v++) AddVertex(msh, v, 0, 0);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> vertex(1, nbrVer);
  // Distinct corners: an element whose face repeats a node is not what a mesh holds. The
  // other nodes of the second-order kinds are any vertices.
  auto fill = [&](auto &rec, int corners, int nodes) {
    for (int n = 0; n < nodes; n++) {
      int v = vertex(rng);
      while (n < corners && std::find(rec.Ver, rec.Ver + n, v) != rec.Ver + n) v = vertex(rng);
      rec.Ver[n] = v;
    }
    if (rng() % 16 == 0) rec.Tag = 0;
  };
  // Each kind's records: random ones, and every eighth a copy of an earlier one.
  auto add = [&](auto *arr, int &cnt, int n, int corners) {
    const int nodes = static_cast<int>(sizeof(arr->Ver) / sizeof(int));
    for (int i = 0; i < n; i++) {
      auto &rec = AddRecord(arr, cnt);
      if (cnt > 1 && rng() % 8 == 0) {
        rec = arr[1 + static_cast<int>(rng() % static_cast<unsigned>(cnt - 1))];
        continue;
      }
      fill(rec, corners, nodes);
    }
  };
  add(msh->Tri, msh->NbrTri, count, 3);
  add(msh->P2Tri, msh->NbrP2Tri, count, 3);
  add(msh->Qua, msh->NbrQua, count, 4);
  add(msh->P2Qua, msh->NbrP2Qua, count, 4);
  add(msh->Tet, msh->NbrTet, 20 * count, 4);
  add(msh->P2Tet, msh->NbrP2Tet, count, 4);
  add(msh->Hex, msh->NbrHex, count, 8);
  add(msh->P2Hex, msh->NbrP2Hex, count, 8);
  add(msh->Pri, msh->NbrPri, count, 6);
  add(msh->Pyr, msh->NbrPyr, count, 5);
  return msh;
}

Geometric_Mesh *MakeSurfaceSoup(Memory_List *mem, unsigned seed, int nbrVer, int count, int nbrEfr, bool hub) {
  Geometric_Mesh *msh = MakeSizedMesh(mem, {{KmfVertices, nbrVer}, {KmfTriangles, count}, {KmfTrianglesP2, count},
                                            {KmfQuadrilaterals, count}, {KmfQuadrilateralsQ2, count},
                                            {KmfEdges, nbrEfr}, {KmfEdgesP2, nbrEfr}});
  for (int v = 1; v <= nbrVer; v++) AddVertex(msh, v, 0, 0);
  std::mt19937 rng(seed);
  std::uniform_int_distribution<int> vertex(1, nbrVer);
  // Distinct corners; the hub takes the place of the first corner of three elements in four.
  auto fill = [&](int *ver, int corners, int nodes) {
    for (int n = 0; n < nodes; n++) {
      int v = vertex(rng);
      while (n < corners && std::find(ver, ver + n, v) != ver + n) v = vertex(rng);
      ver[n] = v;
    }
    if (hub && rng() % 4 != 0 && std::find(ver, ver + corners, 1) == ver + corners) ver[0] = 1;
  };
  auto add = [&](auto *arr, int &cnt, int n, int corners) {
    const int nodes = static_cast<int>(sizeof(arr->Ver) / sizeof(int));
    for (int i = 0; i < n; i++) {
      auto &rec = AddRecord(arr, cnt);
      if (cnt > 1 && rng() % 8 == 0) {
        rec = arr[1 + static_cast<int>(rng() % static_cast<unsigned>(cnt - 1))];
        continue;
      }
      fill(rec.Ver, corners, nodes);
      if (rng() % 16 == 0) rec.Tag = 0;
    }
  };
  add(msh->Tri, msh->NbrTri, count, 3);
  add(msh->P2Tri, msh->NbrP2Tri, count, 3);
  add(msh->Qua, msh->NbrQua, count, 4);
  add(msh->P2Qua, msh->NbrP2Qua, count, 4);
  // Boundary edges: the array is full, so that an edge added by the topology grows it.
  auto edges = [&](auto *arr, int &cnt) {
    const int nodes = static_cast<int>(sizeof(arr->Ver) / sizeof(int));
    for (int i = 0; i < nbrEfr; i++) {
      auto &rec = AddRecord(arr, cnt);
      fill(rec.Ver, 2, nodes);
      if (rng() % 8 == 0) rec.Tag = 0;
    }
  };
  edges(msh->Efr, msh->NbrEfr);
  edges(msh->P2Efr, msh->NbrP2Efr);
  return msh;
}

Geometric_Mesh *MakeTetrahedronStar(Memory_List *mem, int n, bool centreFirst) {
  const int nbrVer = (n + 1) * (n + 1) + 1, centre = centreFirst ? 1 : nbrVer, shift = centreFirst ? 1 : 0;
  Geometric_Mesh *msh = MakeSizedMesh(mem, {{KmfVertices, nbrVer}, {KmfTetrahedra, 2 * n * n}});
  for (int v = 1; v <= nbrVer; v++) AddVertex(msh);
  auto at = [&](int i, int j) { return 1 + shift + i + (n + 1) * j; };
  for (int j = 0; j < n; j++)
    for (int i = 0; i < n; i++) {
      const int q[4] = {at(i, j), at(i + 1, j), at(i + 1, j + 1), at(i, j + 1)};
      AddRecord(msh->Tet, msh->NbrTet, {q[0], q[1], q[2], centre});
      AddRecord(msh->Tet, msh->NbrTet, {q[0], q[2], q[3], centre});
    }
  return msh;
}

int OldEdgeBucket(int a, int b, int nbrBuckets) {
  const int key[2] = {a, b};
  uint32_t mixed = uti_HybridHashKey(2, key) * 0x9E3779B1u;
  return static_cast<int>((static_cast<uint64_t>(mixed) * static_cast<uint32_t>(nbrBuckets)) >> 32);
}

Geometric_Mesh *MakeSpokeFans(Memory_List *mem, int n, bool crafted) {
  // The surface pass sizes its edge table for 3 n + 1 edges: the largest power of two not
  // above that many buckets.
  int buckets = 1;
  while (buckets <= (3 * n + 1) / 2) buckets *= 2;
  // About twice perHub vertices of the range fall in one bucket: nearly every hub finds its
  // spokes, and a tenth more hubs make up for those that do not.
  const int range = 1 << 20, perHub = std::max(2, range / buckets / 2);
  const int hubs = n / (perHub - 1) * 11 / 10 + 2;
  std::vector<std::vector<int>> spokes(static_cast<size_t>(hubs));
  // Crafted spokes are searched on every core, a hub at a time.
  auto search = [&](int first, int step) {
    for (int h = first; h < hubs; h += step) {
      std::vector<int> &s = spokes[static_cast<size_t>(h)];
      if (!crafted) {
        for (int k = 1; k <= perHub; k++) s.push_back(hubs + h * perHub + k);
        continue;
      }
      for (int v = hubs + 1; static_cast<int>(s.size()) < perHub && v <= hubs + range; v++)
        if (OldEdgeBucket(h + 1, v, buckets) == 0) s.push_back(v);
    }
  };
  int nthr = std::max(1u, std::thread::hardware_concurrency());
  std::vector<std::thread> pool;
  for (int t = 0; t < nthr; t++) pool.emplace_back(search, t, nthr);
  for (std::thread &t : pool) t.join();

  int nbrVer = hubs + std::max(range, hubs * perHub);
  Geometric_Mesh *msh = MakeSizedMesh(mem, {{KmfVertices, nbrVer}, {KmfTriangles, n}});
  if (!msh) return nullptr;
  for (int v = 1; v <= nbrVer; v++) AddVertex(msh, v, v % 7, 0);
  for (int h = 0; h < hubs && msh->NbrTri < n; h++) {
    const std::vector<int> &s = spokes[static_cast<size_t>(h)];
    for (size_t k = 1; k < s.size() && msh->NbrTri < n; k++) AddRecord(msh->Tri, msh->NbrTri, {h + 1, s[k - 1], s[k]});
  }
  msh->NbrFilTri = msh->NbrTri;
  return msh;
}
