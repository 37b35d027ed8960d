// Items of a mesh by kind code: the tag word and the reference of element i of any kind, for
// the operations that take (index, kind) pairs from the pick stacks. Kinds without the field
// (normals have no tag, volume edges neither tag nor reference, 200 and 201 are vertex pairs
// and triples) give null or 0; so does an index out of range. Nothing here ends the process.
#pragma once

#include <cstdint>

struct Geometric_Mesh;

// The tag word of item i, null when the kind has none or i is out of range.
uint32_t *zelItemTag(Geometric_Mesh *msh, int kind, int i);
// The reference of item i in *ref: 1, or 0 when the kind has none or i is out of range.
int zelItemRef(const Geometric_Mesh *msh, int kind, int i, int *ref);
