// Loading speed of geoLoadMeshAndSolution: a box of about two million tetrahedra with the
// triangles of its bottom face and a scalar solution at the vertices, saved in binary and in text
// through the mesh writer, and as an SU2 file with its ".dat" solution, then loaded end to end
// (size pass, creation, mesh, solution).
//
//   LoadBench [--cells N] [--runs R] [--only binary|text|su2] [--threads T] [--log FILE [--lines]]
//
// The loads run with a worker pool of T threads (default: one per core; 1: no pool), as the
// viewer loads its meshes. With --log they say what the viewer's opening says, into FILE (a
// run's log), and --lines sends standard output line by line, as the viewer does: the two runs
// with and without it compare the opening of a large mesh with and without the line buffering.
//
// Each encoding is loaded in a child process of its own, so that its peak resident memory
// is the load's alone; it is printed next to the model's size (GetMeshMem) and the bytes the
// memory list handed out. Rates are bytes of file per second. The files go to $TMPDIR (or
// /tmp) and are removed at the end.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/base/Clock.h"
#include "common/base/FunctionInterface.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/load/MeshLoad.h"
#include "common/load/MeshWriter.h"
#include "common/pool/MthParallel.h"
#include "bench/LoadBenchKit.h"
#include "tests/support/StructuredMesh.h"

namespace {

// The box of n^3 cells, six tetrahedra per cell and two triangles per square of its bottom
// face, from the generator of the test data, brought to the unit cube with coordinates that
// need every digit in text and references that vary.
Geometric_Mesh *makeBox(Memory_List *mem, int n) {
  Geometric_Mesh *m = MakeStructuredMesh(mem, n, n, n, GEN_TET | GEN_TRI);
  for (int v = 1; m && v <= m->NbrVer; v++) {
    double *x = m->Ver[v].Crd;
    m->Ver[v].Ref = static_cast<int>(x[0] + x[1] + x[2]) % 5;
    x[2] = x[2] / n + 1e-3 * x[0] * x[1] / (double(n) * n * n);
    x[0] /= n;
    x[1] /= n;
  }
  for (int t = 1; m && t <= m->NbrTet; t++) m->Tet[t].Ref = 1 + (t / 6) % 3;
  return m;
}

bool writeSolution(const std::string &path, const Geometric_Mesh *m) {
  std::vector<double> sol(m->NbrVer);
  for (int i = 1; i <= m->NbrVer; i++) {
    const double *x = m->Ver[i].Crd;
    sol[i - 1] = x[0] * x[0] - 0.5 * x[1] + x[2] / 3;
  }
  KmfMeshFile *f = KmfOpenMesh(path.c_str(), KmfWrite, 3, 3);
  if (!f) return false;
  int type = KmfSca;
  KmfField fld = {KmfDouble, reinterpret_cast<char *>(sol.data()), 8};
  bool ok = KmfSetKwd(f, KmfSolAtVertices, m->NbrVer, 1, &type) &&
            KmfSetBlockFields(f, KmfSolAtVertices, 0, nullptr, nullptr, nullptr, 1, &fld);
  return KmfCloseMesh(f) && ok;
}

// The same mesh as an SU2 file (0-based nodes, the boundary triangles as one marker per
// reference) and its ".dat" solution with the coordinate columns.
bool writeSu2(const std::string &path, const std::string &dat, const Geometric_Mesh *m) {
  FILE *f = fopen(path.c_str(), "w");
  if (!f) return false;
  fprintf(f, "NDIME= 3\nNELEM= %d\n", m->NbrTet);
  for (int i = 1; i <= m->NbrTet; i++) {
    const int *v = m->Tet[i].Ver;
    fprintf(f, "10 %d %d %d %d %d\n", v[0] - 1, v[1] - 1, v[2] - 1, v[3] - 1, i - 1);
  }
  fprintf(f, "NPOIN= %d\n", m->NbrVer);
  for (int i = 1; i <= m->NbrVer; i++) {
    const double *x = m->Ver[i].Crd;
    fprintf(f, "%.15g %.15g %.15g %d\n", x[0], x[1], x[2], i - 1);
  }
  fprintf(f, "NMARK= 6\n");
  for (int side = 1; side <= 6; side++) {
    int k = 0;
    for (int i = 1; i <= m->NbrTri; i++) k += m->Tri[i].Ref == side;
    fprintf(f, "MARKER_TAG= side%d\nMARKER_ELEMS= %d\n", side, k);
    for (int i = 1; i <= m->NbrTri; i++)
      if (m->Tri[i].Ref == side) fprintf(f, "5 %d %d %d\n", m->Tri[i].Ver[0] - 1, m->Tri[i].Ver[1] - 1, m->Tri[i].Ver[2] - 1);
  }
  bool ok = !ferror(f);
  ok = fclose(f) == 0 && ok;
  FILE *g = fopen(dat.c_str(), "w");
  if (!g) return false;
  fprintf(g, "\"PointID\"\t\"x\"\t\"y\"\t\"z\"\t\"F\"\n");
  for (int i = 1; i <= m->NbrVer; i++) {
    const double *x = m->Ver[i].Crd;
    fprintf(g, "%d\t%.15g\t%.15g\t%.15g\t%.15g\n", i - 1, x[0], x[1], x[2], x[0] * x[0] - 0.5 * x[1] + x[2] / 3);
  }
  ok = !ferror(g) && ok;
  return fclose(g) == 0 && ok;
}

int64_t fileSize(const std::string &p) {
  struct stat st;
  return stat(p.c_str(), &st) ? 0 : st.st_size;
}

struct Result {
  double Best, Mean;
  int64_t Peak, Before;
  double ModelCap, ModelUsed, ListPeak;
  int Ok;
};

// Runs in a child: loads the file runs times and checks the last one against the box.
Result measure(const std::string &mesh, int runs, int n, int threads, const char *log) {
  Result r{};
  r.Best = 1e30;
  Common_MthParallel *par = threads > 1 ? NewMthParallel(threads, 0, 0) : nullptr;
  r.Before = ProcStatusBytes("VmRSS:");
  for (int k = 0; k < runs; k++) {
    Memory_List *mem = NewMemory(10000);
    double t = 0;
    uint32_t status = 0;
    Geometric_Mesh *m = TimedLoad(mem, par, mesh, &t, &status, log);
    r.Best = t < r.Best ? t : r.Best;
    r.Mean += t / runs;
    if (!m || !m->SolAtVer || status != STATUS_BINARY_INPUT * (mesh.back() == 'b'))
      fprintf(stderr, "mesh %p solution %p status %u\n", static_cast<void *>(m), m ? static_cast<void *>(m->SolAtVer) : nullptr,
              status);
    // SU2 loading reorders the nodes (largest last): look for the far corner anywhere.
    bool corner = false;
    if (m && m->NbrTet == 6 * n * n * n)
      for (int q = 0; q < 4; q++) corner = corner || m->Tet[m->NbrTet].Ver[q] == GridVertex(n, n, n, n, n);
    r.Ok = m && corner && m->SolAtVer && m->NbrSolVer == m->NbrVer && status == STATUS_BINARY_INPUT * (mesh.back() == 'b');
    if (m) {
      double mm[2];
      GetMeshMem(m, mm);
      r.ModelCap = mm[0];
      r.ModelUsed = mm[1];
    }
    r.ListPeak = static_cast<double>(mem->PeakMem);
    FreeCommonMesh(mem, m);
    FreeMemory(mem);
  }
  r.Peak = ProcStatusBytes("VmHWM:");
  FreeMthParallel(par);
  return r;
}

}  // namespace

int main(int argc, char **argv) {
  int n = 70, runs = 3, threads = GetNumberOfCores();
  const char *only = "", *log = nullptr;
  bool lines = false;
  for (int i = 1; i < argc; i++) {
    const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
    if (!strcmp(argv[i], "--lines")) {
      lines = true;
      continue;
    }
    if (!value) break;
    if (!strcmp(argv[i], "--log")) log = value;
    if (!strcmp(argv[i], "--cells")) n = atoi(value);
    if (!strcmp(argv[i], "--runs")) runs = atoi(value);
    if (!strcmp(argv[i], "--only")) only = value;
    if (!strcmp(argv[i], "--threads")) threads = atoi(value);
    i++;
  }
  // Before any output, as the viewer does.
  if (lines) setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  if (n < 1) n = 1;
  if (runs < 1) runs = 1;
  const char *tmp = getenv("TMPDIR");
  std::string base = std::string(tmp && *tmp ? tmp : "/tmp") + "/loadbench" + std::to_string(getpid());
  // Apart: a solution is found by the mesh's base name, binary first.
  const std::string files[6] = {base + "b.meshb", base + "b.solb", base + "t.mesh", base + "t.sol",
                                base + "s.su2", base + "s.dat"};
  // The files are made in a child, so that building the box weighs nothing here.
  fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    Memory_List *mem = NewMemory(1000);
    Function_Interface fi;
    DefaultFunInterface(&fi, mem, nullptr, "bench");
    Geometric_Mesh *m = makeBox(mem, n);
    bool ok = m && WriteMesh(&fi, files[0].c_str(), m) && writeSolution(files[1], m) &&
              WriteMesh(&fi, files[2].c_str(), m) && writeSolution(files[3], m) &&
              writeSu2(files[4], files[5], m);
    _exit(ok ? 0 : 1);
  }
  int st = 0;
  waitpid(pid, &st, 0);
  if (!WIFEXITED(st) || WEXITSTATUS(st)) {
    fprintf(stderr, "cannot write the benchmark files next to %s\n", base.c_str());
    return 1;
  }
  int64_t nver = int64_t(n + 1) * (n + 1) * (n + 1), ntet = 6LL * n * n * n, ntri = 2LL * n * n;
  printf("%lld vertices, %lld tetrahedra, %lld triangles, one scalar per vertex; best and mean of %d loads, "
         "%d threads\n\n",
         static_cast<long long>(nver), static_cast<long long>(ntet), static_cast<long long>(ntri), runs, threads);
  int status = 0;
  const char *const encodings[3] = {"binary", "text", "su2"};
  for (int e = 0; e < 3; e++) {
    if (*only && strcmp(only, encodings[e])) continue;
    const std::string &mesh = files[2 * e];
    double mb = (fileSize(mesh) + fileSize(files[2 * e + 1])) / 1e6;
    Result r;
    if (!RunInChild([&] { return measure(mesh, runs, n, threads, log); }, &r) || !r.Ok) {
      fprintf(stderr, "%s: load failed or loaded wrong values\n", mesh.c_str());
      status = 1;
      continue;
    }
    const double mib = 1024.0 * 1024.0;
    printf("%-7s %8.1f MB  best %7.3f s  mean %7.3f s  %7.1f MB/s  %6.1f ns per element\n", encodings[e], mb,
           r.Best, r.Mean, mb / r.Best, 1e9 * r.Best / double(ntet + ntri));
    printf("        peak resident %7.1f MiB (%.1f MiB before loading); model %7.1f MiB (GetMeshMem), "
           "memory list peak %7.1f MiB\n",
           r.Peak / mib, r.Before / mib, r.ModelCap / mib, r.ListPeak / mib);
  }
  for (const auto &f : files) remove(f.c_str());
  return status;
}
