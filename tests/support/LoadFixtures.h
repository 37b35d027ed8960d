// Test data for the loaders: keyword files saved from fixture descriptions, small meshes
// whose values a test can predict, and a loading context that captures what is printed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/CaptureText.h"
#include "tests/support/MeshFixtures.h"

struct Function_Interface;
struct Memory_List;
struct Geometric_Mesh;
struct Geometric_Solution;
struct MeshRefusal;

namespace fixtures {

// Saves f under the test output folder as name (binary picks the encoding); returns the path.
std::string SaveFixture(const FixtureFile &f, const std::string &name, bool binary);
// Saves text under the test output folder as name; returns the path.
std::string SaveNamed(const std::string &name, const std::string &text);

// Vertices (i, 2i, 3i) / 16 with reference i % 7 for i = 1..nver (z dropped in 2-D).
FixtureSection GridVertices(int dim, int nver);
// An element section from explicit lines: nodes then reference, line after line.
FixtureSection Lines(int kwd, const char *name, int nodes, const std::vector<int64_t> &ints);
// A list section (one integer per line).
FixtureSection List(int kwd, const char *name, const std::vector<int64_t> &ints);
// A solution section from explicit values.
FixtureSection SolutionSec(int kwd, const char *name, const std::vector<int> &types, int64_t nlin,
                           const std::vector<double> &reals);
// Vertices of GridVertices(dim, nver) and, when given, triangles.
FixtureFile MeshOf(int dim, int nver, const std::vector<int64_t> &tri = {});
// The range of every field of a solution: minimum then maximum, field after field.
std::vector<double> FieldRanges(const Geometric_Solution *sol);

// A function interface over a fresh memory list; the list is freed with the object.
struct LoadContext {
  explicit LoadContext(int verbose = 0, unsigned opt = 0);
  ~LoadContext();
  LoadContext(const LoadContext &) = delete;
  LoadContext &operator=(const LoadContext &) = delete;
  // geoLoadMeshAndSolution on the paths (an empty one passed as null); standard output and
  // error go to Out and Err, the first mesh file refused to *refused when given.
  Geometric_Mesh *Load(std::vector<std::string> paths, const char *sol = nullptr, MeshRefusal *refused = nullptr);
  // Frees the mesh and checks that the memory list is then empty.
  void Free(Geometric_Mesh *msh);
  Function_Interface *Fi;
  Memory_List *Mem;
  std::string Out, Err;
};

}  // namespace fixtures
