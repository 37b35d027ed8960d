#include "tests/support/TopoReference.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <numeric>
#include <thread>

#include "common/model/Mesh.h"
#include "common/topology/Topology.h"

namespace {

// Local edges and faces as vertex positions, written out afresh for the reference.
const std::map<int, std::vector<std::vector<int>>> kLocal = {
    {1, {{1, 2}, {2, 0}, {0, 1}}},
    {5, {{0, 1}, {1, 2}, {2, 0}}},
    {6, {{0, 1}, {1, 2}, {2, 3}, {3, 0}}},
    {7, {{0, 1}, {1, 2}, {2, 3}, {3, 0}}},
    {2, {{1, 3, 2}, {0, 2, 3}, {0, 3, 1}, {0, 1, 2}}},
    {8, {{1, 3, 2}, {0, 2, 3}, {0, 3, 1}, {0, 1, 2}}},
    {9, {{0, 4, 1}, {1, 4, 2}, {2, 4, 3}, {3, 4, 0}, {0, 1, 2, 3}}},
    {10, {{0, 1, 2}, {3, 4, 5}, {0, 3, 4, 1}, {1, 4, 5, 2}, {2, 5, 3, 0}}},
    {11, {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 4, 5, 1}, {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}}},
    {12, {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 4, 5, 1}, {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}}},
};
const int kSurfaceOrder[] = {1, 5, 6, 7};
const int kVolumeOrder[] = {2, 8, 11, 12, 10, 9};

struct Occ {
  int Kind, Elt, Loc;
};
typedef std::map<std::vector<int>, std::vector<Occ>> KeyMap;

std::vector<int> Key(const int *ver, const std::vector<int> &pos) {
  std::vector<int> k;
  for (int p : pos) k.push_back(ver[p]);
  std::sort(k.begin(), k.end());
  return k;
}

bool Alive(Geometric_Mesh *m, int kind, int i) { return *FieldsOf(m, kind, i).Tag & TAG_ALIVE; }

struct Checker {
  Geometric_Mesh *M;
  std::vector<std::string> Errors;
  void Expect(bool ok, const std::string &what) {
    if (!ok) Errors.push_back(what);
  }
  static std::string Name(const Occ &o) {
    return "kind " + std::to_string(o.Kind) + " #" + std::to_string(o.Elt) + " local " +
           std::to_string(o.Loc);
  }
  void Link(const Occ &o, int voi, int kind) {
    Fields f = FieldsOf(M, o.Kind, o.Elt);
    Expect(f.Voi[o.Loc] == voi && VoiTypGet(*f.Typ, o.Loc) == kind,
           Name(o) + ": neighbour " + std::to_string(f.Voi[o.Loc]) + " kind " +
               std::to_string(VoiTypGet(*f.Typ, o.Loc)) + ", expected " + std::to_string(voi) +
               " kind " + std::to_string(kind));
  }
  void Covered(const Occ &o, bool covered) {
    bool bit = *FieldsOf(M, o.Kind, o.Elt).Tag & TagBdyFace(o.Loc);
    Expect(bit == covered, Name(o) + ": boundary-face bit " + std::to_string(bit));
  }
};

}  // namespace

Fields FieldsOf(Geometric_Mesh *m, int kind, int i) {
  switch (kind) {
    case 1: return {m->Tri[i].Ver, m->Tri[i].Voi, &m->Tri[i].VoiTyp, &m->Tri[i].Tag, &m->Tri[i].VoiVol};
    case 5: return {m->P2Tri[i].Ver, m->P2Tri[i].Voi, &m->P2Tri[i].VoiTyp, &m->P2Tri[i].Tag, &m->P2Tri[i].VoiVol};
    case 6: return {m->Qua[i].Ver, m->Qua[i].Voi, &m->Qua[i].VoiTyp, &m->Qua[i].Tag, &m->Qua[i].VoiVol};
    case 7: return {m->P2Qua[i].Ver, m->P2Qua[i].Voi, &m->P2Qua[i].VoiTyp, &m->P2Qua[i].Tag, &m->P2Qua[i].VoiVol};
    case 2: return {m->Tet[i].Ver, m->Tet[i].Voi, &m->Tet[i].VoiTyp, &m->Tet[i].Tag, nullptr};
    case 8: return {m->P2Tet[i].Ver, m->P2Tet[i].Voi, &m->P2Tet[i].VoiTyp, &m->P2Tet[i].Tag, nullptr};
    case 9: return {m->Pyr[i].Ver, m->Pyr[i].Voi, &m->Pyr[i].VoiTyp, &m->Pyr[i].Tag, nullptr};
    case 10: return {m->Pri[i].Ver, m->Pri[i].Voi, &m->Pri[i].VoiTyp, &m->Pri[i].Tag, nullptr};
    case 11: return {m->Hex[i].Ver, m->Hex[i].Voi, &m->Hex[i].VoiTyp, &m->Hex[i].Tag, nullptr};
    default: return {m->P2Hex[i].Ver, m->P2Hex[i].Voi, &m->P2Hex[i].VoiTyp, &m->P2Hex[i].Tag, nullptr};
  }
}

int CountOf(const Geometric_Mesh *m, int kind) {
  // By neighbour kind: 1 triangle, 2 tetrahedron, (3, 4 edges: none here), 5 P2 triangle ...
  const int count[13] = {0,           m->NbrTri,   m->NbrTet, 0,         0,         m->NbrP2Tri, m->NbrQua,
                         m->NbrP2Qua, m->NbrP2Tet, m->NbrPyr, m->NbrPri, m->NbrHex, m->NbrP2Hex};
  return kind >= 0 && kind < 13 ? count[kind] : 0;
}

int LocalCount(int kind) { return static_cast<int>(kLocal.at(kind).size()); }

// Checks every neighbour of the mesh against the reference; returns the mismatches.
std::vector<std::string> CheckTopology(Geometric_Mesh *m) {
  KeyMap edges, faces;
  for (int kind : kSurfaceOrder)
    for (int i = 1; i <= CountOf(m, kind); i++) {
      if (!Alive(m, kind, i)) continue;
      const auto &loc = kLocal.at(kind);
      for (int j = 0; j < static_cast<int>(loc.size()); j++)
        edges[Key(FieldsOf(m, kind, i).Ver, loc[j])].push_back({kind, i, j});
      // The whole element as one face: as many corners as edges.
      std::vector<int> all(loc.size());
      for (size_t n = 0; n < loc.size(); n++) all[n] = static_cast<int>(n);
      faces[Key(FieldsOf(m, kind, i).Ver, all)].push_back({kind, i, 0});
    }
  for (int kind : kVolumeOrder)
    for (int i = 1; i <= CountOf(m, kind); i++) {
      if (!Alive(m, kind, i)) continue;
      const auto &loc = kLocal.at(kind);
      for (int j = 0; j < static_cast<int>(loc.size()); j++)
        faces[Key(FieldsOf(m, kind, i).Ver, loc[j])].push_back({kind, i, j});
    }

  Checker c{m, {}};
  // Surface edges: the first element is linked to the last one met, the others to the first.
  for (auto &kv : edges) {
    const auto &l = kv.second;
    if (l.size() == 1) {
      c.Link(l[0], 0, 0);
      continue;
    }
    c.Link(l[0], l.back().Elt, l.back().Kind);
    for (size_t n = 1; n < l.size(); n++) c.Link(l[n], l[0].Elt, l[0].Kind);
  }
  for (auto &kv : faces) {
    std::vector<Occ> srf, vol;
    for (const Occ &o : kv.second) (VoiIsSurface(o.Kind) ? srf : vol).push_back(o);
    c.Expect(srf.size() <= 1 && vol.size() <= 2, "fixture is not manifold");
    if (!srf.empty()) {
      // Every volume element on a covered face gets the surface element.
      for (const Occ &v : vol) {
        c.Link(v, srf[0].Elt, srf[0].Kind);
        c.Covered(v, true);
      }
      int want = vol.empty() ? 0 : vol.back().Elt;
      int got = *FieldsOf(m, srf[0].Kind, srf[0].Elt).Vol;
      c.Expect(got == want, Checker::Name(srf[0]) + ": volume neighbour " + std::to_string(got) +
                                ", expected " + std::to_string(want));
    } else if (vol.size() == 2) {
      c.Link(vol[0], vol[1].Elt, vol[1].Kind);
      c.Link(vol[1], vol[0].Elt, vol[0].Kind);
      c.Covered(vol[0], false);
      c.Covered(vol[1], false);
    } else if (vol.size() == 1) {
      c.Link(vol[0], 0, 0);
      c.Covered(vol[0], false);
    }
  }
  return c.Errors;
}

std::vector<std::string> CheckVolumeReplay(Geometric_Mesh *m) {
  struct Entry {
    int Kind, Elt, Loc;
  };
  struct Want {
    std::vector<int> Voi, Kind;
    uint32_t Bdy = 0;
  };
  std::map<std::vector<int>, std::vector<Entry>> chains;  // newest first
  std::map<std::pair<int, int>, Want> vol;                 // (kind, element) -> expected
  std::map<std::pair<int, int>, int> srf;                  // (kind, element) -> volume neighbour
  for (int kind : kSurfaceOrder)
    for (int i = 1; i <= CountOf(m, kind); i++) {
      if (!Alive(m, kind, i)) continue;
      std::vector<int> all(kLocal.at(kind).size());
      std::iota(all.begin(), all.end(), 0);
      auto &c = chains[Key(FieldsOf(m, kind, i).Ver, all)];
      c.insert(c.begin(), Entry{kind, i, 0});
      srf[{kind, i}] = 0;
    }
  for (int kind : kVolumeOrder)
    for (int i = 1; i <= CountOf(m, kind); i++)
      if (Alive(m, kind, i)) vol[{kind, i}] = Want{std::vector<int>(LocalCount(kind)), std::vector<int>(LocalCount(kind))};
  for (int kind : kVolumeOrder)
    for (int i = 1; i <= CountOf(m, kind); i++) {
      if (!Alive(m, kind, i)) continue;
      const auto &loc = kLocal.at(kind);
      for (int j = 0; j < static_cast<int>(loc.size()); j++) {
        auto &c = chains[Key(FieldsOf(m, kind, i).Ver, loc[j])];
        if (c.empty()) {
          c.insert(c.begin(), Entry{kind, i, j});
          continue;
        }
        Entry e = c.front();
        Want &cur = vol[{kind, i}];
        cur.Voi[j] = e.Elt;
        cur.Kind[j] = e.Kind;
        if (VoiIsSurface(e.Kind)) {
          cur.Bdy |= TagBdyFace(j);
          srf[{e.Kind, e.Elt}] = i;
        } else {
          Want &sto = vol[{e.Kind, e.Elt}];
          sto.Voi[e.Loc] = i;
          sto.Kind[e.Loc] = kind;
        }
        // Tetrahedra take the face out of the table; a surface element goes back in front.
        if (kind == 2 && !VoiIsSurface(e.Kind)) c.erase(c.begin());
      }
    }
  Checker c{m, {}};
  for (const auto &kv : vol) {
    Fields f = FieldsOf(m, kv.first.first, kv.first.second);
    for (size_t j = 0; j < kv.second.Voi.size(); j++) {
      Occ o{kv.first.first, kv.first.second, static_cast<int>(j)};
      c.Link(o, kv.second.Voi[j], kv.second.Kind[j]);
    }
    c.Expect((*f.Tag & TAG_BDY_FACES) == kv.second.Bdy, Checker::Name({kv.first.first, kv.first.second, 0}) +
                                                            ": covered-face bits " + std::to_string(*f.Tag & TAG_BDY_FACES));
  }
  for (const auto &kv : srf) {
    int got = *FieldsOf(m, kv.first.first, kv.first.second).Vol;
    c.Expect(got == kv.second, Checker::Name({kv.first.first, kv.first.second, 0}) + ": volume neighbour " +
                                   std::to_string(got) + ", expected " + std::to_string(kv.second));
  }
  return c.Errors;
}

BoundaryEdgesBefore SnapBoundaryEdges(const Geometric_Mesh *m) {
  BoundaryEdgesBefore b;
  b.NbrEfr = m->NbrEfr, b.NbrP2Efr = m->NbrP2Efr, b.GeoFlags = m->GeoFlags;
  b.EfrTag.push_back(0), b.P2EfrTag.push_back(0);
  for (int i = 1; i <= m->NbrEfr; i++) b.EfrTag.push_back(m->Efr[i].Tag);
  for (int i = 1; i <= m->NbrP2Efr; i++) b.P2EfrTag.push_back(m->P2Efr[i].Tag);
  return b;
}

std::vector<std::string> CheckSurfaceReplay(Geometric_Mesh *m, const BoundaryEdgesBefore &before) {
  struct First {
    int Kind, Elt, Loc, Count;
  };
  struct Want {
    std::vector<int> Voi, Kind;
  };
  struct Nm {
    int Kind, A, B, Mid;
  };
  std::map<std::pair<int, int>, First> edges;
  std::map<std::pair<int, int>, Want> want;  // (kind, element) -> expected
  std::vector<Nm> nm;
  for (int kind : kSurfaceOrder)
    for (int i = 1; i <= CountOf(m, kind); i++) {
      if (!Alive(m, kind, i)) continue;
      const auto &loc = kLocal.at(kind);
      const int *ver = FieldsOf(m, kind, i).Ver;
      Want &cur = want[{kind, i}];
      cur = Want{std::vector<int>(loc.size()), std::vector<int>(loc.size())};
      for (int j = 0; j < static_cast<int>(loc.size()); j++) {
        std::pair<int, int> key = std::minmax(ver[loc[j][0]], ver[loc[j][1]]);
        auto it = edges.find(key);
        if (it == edges.end()) {
          edges[key] = First{kind, i, j, 0};
          continue;
        }
        First &e = it->second;
        cur.Voi[j] = e.Elt, cur.Kind[j] = e.Kind;
        Want &sto = want[{e.Kind, e.Elt}];
        sto.Voi[e.Loc] = i, sto.Kind[e.Loc] = kind;
        // A third element on the edge: a boundary edge when it is a triangle (the mid-node of
        // a P2 triangle's edge j is its node 3 + j).
        if (++e.Count == 2 && (kind == 1 || kind == 5)) nm.push_back({kind, key.first, key.second, kind == 5 ? ver[3 + j] : 0});
      }
    }
  Checker c{m, {}};
  for (const auto &kv : want)
    for (size_t j = 0; j < kv.second.Voi.size(); j++)
      c.Link({kv.first.first, kv.first.second, static_cast<int>(j)}, kv.second.Voi[j], kv.second.Kind[j]);

  // The given edge a pair finds: the last alive one entered, the P2 edges after the others.
  std::map<std::pair<int, int>, std::pair<int, int>> given;
  for (int i = 1; i <= before.NbrEfr; i++)
    if (before.EfrTag[i] & TAG_ALIVE) given[std::minmax(m->Efr[i].Ver[0], m->Efr[i].Ver[1])] = {3, i};
  for (int i = 1; i <= before.NbrP2Efr; i++)
    if (before.P2EfrTag[i] & TAG_ALIVE) given[std::minmax(m->P2Efr[i].Ver[0], m->P2Efr[i].Ver[1])] = {4, i};
  std::vector<uint32_t> efrTag = before.EfrTag, p2EfrTag = before.P2EfrTag;
  std::vector<Nm> added, addedP2;
  for (const Nm &n : nm) {
    auto it = given.find({n.A, n.B});
    if (it != given.end())
      (it->second.first == 3 ? efrTag : p2EfrTag)[static_cast<size_t>(it->second.second)] |= TAG_NONMANIFOLD;
    else
      (n.Kind == 1 ? added : addedP2).push_back(n);
  }
  c.Expect(m->NbrEfr == before.NbrEfr + static_cast<int>(added.size()),
           "boundary edges " + std::to_string(m->NbrEfr) + ", expected " + std::to_string(before.NbrEfr + added.size()));
  c.Expect(m->NbrP2Efr == before.NbrP2Efr + static_cast<int>(addedP2.size()),
           "P2 boundary edges " + std::to_string(m->NbrP2Efr) + ", expected " +
               std::to_string(before.NbrP2Efr + addedP2.size()));
  if (!c.Errors.empty()) return c.Errors;
  for (int i = 1; i <= before.NbrEfr; i++)
    c.Expect(m->Efr[i].Tag == efrTag[i], "boundary edge " + std::to_string(i) + ": tag " + std::to_string(m->Efr[i].Tag));
  for (int i = 1; i <= before.NbrP2Efr; i++)
    c.Expect(m->P2Efr[i].Tag == p2EfrTag[i], "P2 boundary edge " + std::to_string(i) + ": tag " + std::to_string(m->P2Efr[i].Tag));
  for (size_t k = 0; k < added.size(); k++) {
    const BdyEdge &e = m->Efr[before.NbrEfr + 1 + static_cast<int>(k)];
    c.Expect(e.Ver[0] == added[k].A && e.Ver[1] == added[k].B && e.Tag == (TAG_ALIVE | TAG_NONMANIFOLD) && e.Ref == 0,
             "added boundary edge " + std::to_string(k + 1) + ": (" + std::to_string(e.Ver[0]) + " " +
                 std::to_string(e.Ver[1]) + "), expected (" + std::to_string(added[k].A) + " " + std::to_string(added[k].B) + ")");
  }
  for (size_t k = 0; k < addedP2.size(); k++) {
    const P2BdyEdge &e = m->P2Efr[before.NbrP2Efr + 1 + static_cast<int>(k)];
    const Nm &n = addedP2[k];
    c.Expect(e.Ver[0] == n.A && e.Ver[1] == n.B && e.Ver[2] == n.Mid && e.Tag == (TAG_ALIVE | TAG_NONMANIFOLD),
             "added P2 boundary edge " + std::to_string(k + 1) + ": (" + std::to_string(e.Ver[0]) + " " +
                 std::to_string(e.Ver[1]) + " " + std::to_string(e.Ver[2]) + "), expected (" + std::to_string(n.A) + " " +
                 std::to_string(n.B) + " " + std::to_string(n.Mid) + ")");
  }
  const uint32_t flags = before.GeoFlags | (nm.empty() ? 0u : static_cast<uint32_t>(GEO_NONMANIFOLD));
  c.Expect(m->GeoFlags == flags, "mesh flags " + std::to_string(m->GeoFlags) + ", expected " + std::to_string(flags));
  return c.Errors;
}

// Waits (at most a minute) for the volume neighbours of a threaded set-up.
bool WaitTopoDone(Geometric_Mesh *msh) {
  for (int n = 0; n < 60000 && !TopoDoneLoad(msh); n++)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return TopoDoneLoad(msh) == 1;
}

