// zelvane-sample: writes the sample box and its field, the files the viewer is tried on.
//
//   zelvane-sample [-n CELLS] [-o BASE]
//
// writes BASE.meshb and BASE.solb (BASE "sample" in the current directory by default; 16
// cells per side, 24576 tetrahedra), both or neither. Exit status 0 when both files were
// written, 1 otherwise (a box the machine has not the memory for, the line then saying how
// much it needs and how much is available; the files not written, the old ones then as they
// were, unless a commit itself failed, which the line then says file by file), 2 for a bad
// command line (CELLS not a whole number of 1 to 700, a word it does not know), after one
// line. Two runs on one pair write it one after the other. Stopped by SIGTERM, SIGINT or SIGHUP,
// it removes its scratch folder and the temporary files of its writes, the old files left as
// they were, and ends by the signal.
#include <csignal>
#include <cstdio>
#include <string>

#include "common/base/FunctionInterface.h"
#include "common/base/ShownName.h"
#include "common/base/Memory.h"
#include "common/base/StopCleanup.h"
#include "common/model/Mesh.h"
#include "zelvane/sample/ZelSample.h"

int main(int argc, char **argv) {
  // A write past a file-size limit fails and is reported; the signal would end the process
  // with the temporary file left behind.
  signal(SIGXFSZ, SIG_IGN);
  TakeStopSignals();
  int n = 16;
  std::string base = "sample";
  if (const int bad = zelSampleCommandLine(argc, argv, &n, &base)) return bad;
  // A box the machine cannot hold is refused before any of it is taken: the system would
  // rather end the process part-way than refuse the memory.
  const int64_t needed = zelSampleMemory(n), available = zelAvailableMemory();
  if (available >= 0 && needed > available) {
    fprintf(stderr, "  ## ERROR: ZELVANE-SAMPLE: A BOX OF %d CELLS NEEDS %s OF MEMORY, %s ARE AVAILABLE \n", n,
            zelGigabytes(needed, available).c_str(), zelGigabytes(available, needed).c_str());
    return 1;
  }
  Memory_List *mem = NewMemory(100);
  Geometric_Mesh *msh = zelMakeSampleBox(mem, n);
  if (!msh) {
    fprintf(stderr, "  ## ERROR: ZELVANE-SAMPLE: A BOX OF %d CELLS NEEDS %s OF MEMORY, WHICH COULD NOT BE HAD \n", n,
            zelGigabytes(needed, 0).c_str());
    FreeMemory(mem);
    return 1;
  }
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "SAMPLE");
  const std::string meshPath = base + ".meshb", solPath = base + ".solb";
  std::string why;
  const int ok = zelWriteSampleFiles(&fi, meshPath.c_str(), solPath.c_str(), msh, &why);
  if (ok)
    printf("  %s: %d vertices, %d tetrahedra, %d triangles; %s\n", ShownName(meshPath).c_str(), msh->NbrVer,
           msh->NbrTet, msh->NbrTri, ShownName(solPath).c_str());
  else
    fprintf(stderr, "  ## ERROR: ZELVANE-SAMPLE: CANNOT WRITE THE SAMPLE (%s, %s): %s \n", ShownName(meshPath).c_str(),
            ShownName(solPath).c_str(), why.c_str());
  FreeCommonMesh(mem, msh);
  FreeMemory(mem);
  return ok ? 0 : 1;
}
