// What the display-list benchmarks share (one program per source: include this in one file
// of a program only, since it replaces the program's operator new).
//
// gBenchNews counts every C++ heap allocation of the program; BenchPeakMB is the process's peak
// resident memory; Quiet sends standard output to /dev/null for its lifetime (set-up steps
// print their timings); BenchVertexField gives a mesh one scalar field at its vertices.
#pragma once

#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>

#include "common/model/Mesh.h"

inline std::atomic<long> gBenchNews{0};

void *operator new(size_t n) {
  gBenchNews++;
  if (void *p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, size_t) noexcept { std::free(p); }

inline double BenchPeakMB() {
  rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return ru.ru_maxrss / 1024.0;
}

struct Quiet {
  Quiet() { fflush(stdout), saved = dup(1), (void)!freopen("/dev/null", "w", stdout); }
  ~Quiet() { fflush(stdout), dup2(saved, 1), close(saved); }
  Quiet(const Quiet &) = delete;
  Quiet &operator=(const Quiet &) = delete;
  int saved;
};

inline void BenchVertexField(Memory_List *mem, Geometric_Mesh *msh, const std::function<double(const double *)> &f) {
  const int type = SOL_SCALAR;
  msh->SolAtVer = NewCommonSolution(mem, msh->MaxNbrVer, 1, 1, &type);
  msh->MaxSolVer = msh->MaxNbrVer;
  msh->NbrSolVer = msh->NbrVer;
  for (int v = 1; v <= msh->NbrVer; v++) msh->SolAtVer->Sol[v] = f(msh->Ver[v].Crd);
}
