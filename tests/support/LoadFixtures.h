// Test data for the loaders: keyword files saved from fixture descriptions, small meshes
// whose values a test can predict, and SU2 files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/MeshFixtures.h"

struct Function_Interface;
struct Memory_List;

namespace fixtures {

// Saves f under the test output folder as name (whose ending decides nothing: binary picks
// the encoding) and returns the path.
std::string SaveFixture(const FixtureFile &f, const std::string &name, bool binary);

// Vertices (i, 2i, 3i) / 16 with reference i % 7 for i = 1..nver (z dropped in 2-D).
FixtureSection GridVertices(int dim, int nver);
// An element section from explicit lines: nodes then reference, line after line.
FixtureSection Lines(int kwd, const char *name, int nodes, const std::vector<int64_t> &ints);
// A list section (one integer per line).
FixtureSection List(int kwd, const char *name, const std::vector<int64_t> &ints);
// A solution section from explicit values.
FixtureSection SolutionSec(int kwd, const char *name, const std::vector<int> &types, int64_t nlin,
                        const std::vector<double> &reals);

// A function interface over a fresh memory list; the list is freed (and checked empty) with
// the object.
struct LoadContext {
  explicit LoadContext(int verbose = 0, unsigned opt = 0);
  ~LoadContext();
  LoadContext(const LoadContext &) = delete;
  LoadContext &operator=(const LoadContext &) = delete;
  Function_Interface *Fi;
  Memory_List *Mem;
};

// An SU2 file written as text lines.
std::string SaveSu2(const std::string &name, const std::string &text);

}  // namespace fixtures
