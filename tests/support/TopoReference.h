// Reference neighbours for the topology tests: every edge and face key with the elements that
// have it, in the order the topology walks them, matched through an ordered map instead of a
// hash table.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

struct Geometric_Mesh;

// The neighbour fields of element i of a neighbour kind (1 triangle ... 12 Q2 hexahedron).
struct Fields {
  const int *Ver;
  int *Voi;
  uint32_t *Typ;
  uint32_t *Tag;
  int *Vol;  // null for volume kinds
};
Fields FieldsOf(Geometric_Mesh *m, int kind, int i);
int CountOf(const Geometric_Mesh *m, int kind);
// Local edges or faces of a kind.
int LocalCount(int kind);

// Every mismatch between the mesh's neighbours and the reference, as text.
std::vector<std::string> CheckTopology(Geometric_Mesh *m);
// The volume pass replayed one element at a time in the order it walks them, each key's
// elements kept newest first as the pass's table keeps them (a face found is taken out for
// tetrahedra, and a surface element put back): every mismatch of the volume neighbours, their
// kinds, the covered-face bits and the surface elements' volume neighbours, also where a face
// is shared by many elements.
std::vector<std::string> CheckVolumeReplay(Geometric_Mesh *m);
// The boundary edges of a mesh before its topology is built: counts, tags and mesh flags.
struct BoundaryEdgesBefore {
  int NbrEfr = 0, NbrP2Efr = 0;
  std::vector<uint32_t> EfrTag, P2EfrTag;  // by edge number, [0] unused
  uint32_t GeoFlags = 0;
};
BoundaryEdgesBefore SnapBoundaryEdges(const Geometric_Mesh *m);
// The surface pass replayed one element at a time in the order it walks them, each edge's
// first element kept with the count of those met after it: every mismatch of the surface
// neighbours and their kinds, of the boundary edges marked or added (in the order a third
// triangle meets their edge) and of the non-manifold mark of the mesh.
std::vector<std::string> CheckSurfaceReplay(Geometric_Mesh *m, const BoundaryEdgesBefore &before);
// Waits (at most a minute) for the volume neighbours of a threaded set-up.
bool WaitTopoDone(Geometric_Mesh *msh);

// No mismatch in the list a check returns; the first one is shown otherwise.
#define EXPECT_NO_MISMATCH(check)                                                   \
  do {                                                                              \
    std::vector<std::string> errs = (check);                                        \
    EXPECT_EQ(errs.size(), 0u) << (errs.empty() ? std::string() : errs.front()) \
                               << (errs.size() > 1 ? " (and more)" : "");          \
  } while (0)
#define EXPECT_TOPOLOGY(msh) EXPECT_NO_MISMATCH(CheckTopology(msh))
#define EXPECT_VOLUME_REPLAY(msh) EXPECT_NO_MISMATCH(CheckVolumeReplay(msh))
#define EXPECT_SURFACE_REPLAY(msh, before) EXPECT_NO_MISMATCH(CheckSurfaceReplay(msh, before))
