// Keyword mesh files read by another program: meshio, the Python library of mesh formats
// (Debian's python3-meshio), run by the interpreter the build names. Tests compare what it
// finds with what this program wrote, so that files that only our own reader accepts are
// caught.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace fixtures {

// What meshio read from one file.
struct MeshioMesh {
  int Dim = 0;                      // coordinates per point
  std::vector<double> Points;       // Dim per point
  std::vector<int64_t> PointRefs;   // the reference of every point
  // Per meshio cell type ("triangle", "tetra", "wedge", ...): the cells one after another,
  // each as its 1-based vertex numbers then its reference.
  std::map<std::string, std::vector<int64_t>> Cells;
};

// Reads every path with meshio. True with one result per path; false when the interpreter,
// meshio or the reading of a file failed, with what was printed in err (a missing meshio says
// which package to install).
bool ReadWithMeshio(const std::vector<std::string> &paths, std::vector<MeshioMesh> &out, std::string &err);

}  // namespace fixtures
