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
// Waits (at most a minute) for the volume neighbours of a threaded set-up.
bool WaitTopoDone(Geometric_Mesh *msh);

#define EXPECT_TOPOLOGY(msh)                                                        \
  do {                                                                              \
    std::vector<std::string> errs = CheckTopology(msh);                             \
    EXPECT_EQ(errs.size(), 0u) << (errs.empty() ? std::string() : errs.front()) \
                               << (errs.size() > 1 ? " (and more)" : "");          \
  } while (0)
