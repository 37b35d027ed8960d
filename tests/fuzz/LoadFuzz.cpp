// Fuzz target of the loading road: the input is a mesh file and, optionally, its solution,
// written to temporary files and given to geoLoadMeshAndSolution, then the solution is
// reloaded. Byte 0 chooses: bit 0 text (else binary), bit 1 a solution follows, bit 2 SU2
// (a ".su2" mesh and a ".dat" solution), bit 3 two copies of the mesh (appending). With a
// solution, bytes 1-4 give the mesh's length (little-endian); the rest is the solution.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/load/MeshLoad.h"
#include "common/load/SolutionLoad.h"
#include "tests/fuzz/FuzzFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  if (size < 1) return 0;
  const uint8_t flags = data[0];
  const bool text = flags & 1, withSol = flags & 2, su2 = flags & 4, twice = flags & 8;
  const uint8_t *mesh = data + 1, *sol = nullptr;
  size_t meshSize = size - 1, solSize = 0;
  if (withSol) {
    if (size < 5) return 0;
    uint32_t len = data[1] | data[2] << 8 | data[3] << 16 | static_cast<uint32_t>(data[4]) << 24;
    meshSize = size - 5;
    if (len < meshSize) meshSize = len;
    mesh = data + 5;
    sol = mesh + meshSize;
    solSize = size - 5 - meshSize;
  }
  std::string base = FuzzTempBase("loadfuzz");
  std::string meshPath = base + (su2 ? ".su2" : text ? ".mesh" : ".meshb");
  std::string solPath = base + (su2 ? ".dat" : text ? ".sol" : ".solb");
  if (!FuzzSave(meshPath, mesh, meshSize)) return 0;
  if (withSol && !FuzzSave(solPath, sol, solSize)) return 0;

  Memory_List *mem = NewMemory(10000);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "fuzz");
  fi.Verbose = 2;
  std::string a = meshPath, b = meshPath;
  char *names[2] = {&a[0], &b[0]};
  Geometric_Mesh *msh = geoLoadMeshAndSolution(&fi, twice ? 2 : 1, names, nullptr);
  if (msh && !su2) {
    // A reload as the viewer does it when the solver rewrites the file; this file was just
    // written here, and nothing writes it meanwhile: no need to wait for it.
    SetReloadQuietTime(0);
    ReloadSolution(&fi, meshPath.c_str(), msh);
  }
  FreeCommonMesh(mem, msh);
  if (mem->NbrActive != 0) {
    std::fprintf(stderr, "loading left %d blocks allocated\n", mem->NbrActive);
    std::abort();
  }
  FreeMemory(mem);
  std::remove(meshPath.c_str());
  std::remove(solPath.c_str());
  return 0;
}
