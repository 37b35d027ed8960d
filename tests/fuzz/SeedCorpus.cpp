// Writes the seed corpus of the keyword-file fuzz target into the folder given as argument:
// generated meshes and solutions of every version, dimension, encoding and byte order, each
// prefixed with the byte that selects the encoding.
#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/MeshFixtures.h"

using namespace fixtures;

namespace {

int count = 0;

void save(const std::string &dir, bool text, const std::vector<unsigned char> &file) {
  std::vector<unsigned char> seed;
  seed.push_back(text ? 1 : 0);
  seed.insert(seed.end(), file.begin(), file.end());
  SaveBytes(dir + "/seed" + std::to_string(count++), seed);
}

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s folder\n", argv[0]);
    return 1;
  }
  std::string dir = argv[1];
  for (int ver = 1; ver <= 4; ver++)
    for (int dim = 2; dim <= 3; dim++) {
      // Also with every keyword in two sections apart, which the reader joins.
      for (const FixtureFile &f : {AllKindsMesh(ver, dim), SolutionFile(ver, dim, 5), ApartSections(AllKindsMesh(ver, dim)),
                                   ApartSections(SolutionFile(ver, dim, 5))}) {
        save(dir, false, RawBinary(f, false));
        save(dir, false, RawBinary(f, true));
        std::string t = RawText(f);
        save(dir, true, std::vector<unsigned char>(t.begin(), t.end()));
      }
    }
  printf("%d seeds in %s\n", count, dir.c_str());
  return 0;
}
