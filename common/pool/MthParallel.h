// The worker pools of the program and the loop types declared over the current mesh, one per
// element kind, which scene and display-list code launch their own procedures on.
#pragma once

#include "common/pool/Parallel.h"

struct Function_Interface;
struct Geometric_Mesh;

struct Common_MthParallel {
  ParallelPool *Pool;   // main pool, null when not started
  ParallelPool *Pool3;  // third pool
  ParallelPool *Pool2;  // second pool
  // Loop types of the main pool per kind (0: none, run serially).
  int VerTyp, TetTyp, TriTyp, QuaTyp, EdgTyp, HexTyp, PriTyp, PyrTyp, EfrTyp, P2EfrTyp,
      P2TriTyp, P2QuaTyp, P2TetTyp, P2HexTyp;
  // Tetrahedra with their vertices as dependencies, for scheduled launches.
  int TetDepTyp;
};

// Pools of a, b and c threads (each clamped to 64; a pool is started only from 2 threads).
// Null only when the record cannot be allocated.
Common_MthParallel *NewMthParallel(int a, int b, int c);
// Stops the pools and frees the record; returns null.
Common_MthParallel *FreeMthParallel(Common_MthParallel *mth);
// Creates the record when null (storing it in the interface), then declares the mesh's types;
// flag 1 also declares the tetrahedron-to-vertex dependencies.
Common_MthParallel *IniMthParallel(int flags, Common_MthParallel *mth, Function_Interface *fi,
                                   Geometric_Mesh *msh, int a, int b, int c);
// Re-declares one loop type per element kind of the mesh; kinds the mesh has none of lose
// their type.
void SetMeshDependency(Common_MthParallel *mth, Geometric_Mesh *msh);
// Re-declares the vertex type and the dependency tetrahedron type, each alive tetrahedron
// depending on its four vertices.
void SetTetDependency(Common_MthParallel *mth, Geometric_Mesh *msh);
