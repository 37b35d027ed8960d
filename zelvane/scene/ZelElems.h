// Uniform access to the records of one element kind of a mesh, for the scene's walkers that
// treat every kind alike (grouping, visibility): one row per kind, read through offsets.
#pragma once

#include <cstddef>
#include <cstdint>

struct Geometric_Mesh;

struct ZelElems {
  char *Base = nullptr;  // record 0
  size_t Stride = 0;
  int Count = 0;         // records 1..Count
  int NbrCor = 0;        // corner vertices: the first nodes of a record
  int NbrNod = 0;        // every node (mid-edge, face and centre nodes of curved kinds too)
  ptrdiff_t TagOff = -1, RefOff = -1, VerOff = -1;  // -1: the kind has no such field

  bool exists() const { return Base != nullptr; }
  uint32_t *tag(int i) const { return reinterpret_cast<uint32_t *>(Base + Stride * i + TagOff); }
  int ref(int i) const { return *reinterpret_cast<const int *>(Base + Stride * i + RefOff); }
  const int *ver(int i) const { return reinterpret_cast<const int *>(Base + Stride * i + VerOff); }
};

// The records of a kind: vertices (no nodes), edges, P2 edges, triangles, P2 triangles,
// quadrilaterals, Q2 quadrilaterals, tetrahedra, P2 tetrahedra, pyramids, prisms, hexahedra,
// Q2 hexahedra, normals at vertices (no tag). Empty (exists() false) for any other kind or a
// null mesh or array.
ZelElems zelElems(Geometric_Mesh *msh, int kind);

// Kinds whose elements follow their corner vertices in the visibility passes, in the order of
// those passes.
extern const int ZelVisibilityKinds[12];
