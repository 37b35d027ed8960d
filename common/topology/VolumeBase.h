// For every vertex, one alive tetrahedron that has it: the starting point of walks through the
// volume.
#pragma once

struct Function_Interface;
struct Geometric_Mesh;
struct Tetrahedron;

// Clears base[0..NbrVer], then sets base[v] for every vertex of an alive tetrahedron. On a
// pool of 2 threads or more with the tetrahedron-to-vertex dependencies declared (and at least
// 20 vertices per thread) the walk runs on the pool; which tetrahedron a shared vertex gets
// then depends on the package order, else the highest-numbered one wins. 1 when done, 0 for a
// null argument.
int SetBase3(Function_Interface *fi, Geometric_Mesh *msh, int *base);
// The serial walk over Tet[1..NbrTet] without clearing base (handle is not read). 0 when base
// or Tet is null or a count is below 1.
int SetVolumeBase(void *handle, int NbrVer, int NbrTet, const Tetrahedron *Tet, int *base);

// Loop bodies: SetBase3_p over tetrahedra (argument: a SetBase3Arg), ColorTet_p stores
// colour << 16 into entries first..last of an int array.
struct SetBase3Arg {
  Geometric_Mesh *Msh;
  int *Base;
};
void SetBase3_p(int first, int last, int thread, void *arg);
void ColorTet_p(int first, int last, int colour, void *arg);
