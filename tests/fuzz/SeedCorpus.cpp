// Writes the seed corpus of the keyword-file fuzz target into the folder given as argument:
// generated meshes and solutions of every version, dimension, encoding and byte order, each
// prefixed with the byte that selects the encoding; text whose values stand on one line or
// around a long comment line, and binary files whose header points past their first section.
#include <cstdio>
#include <cstring>
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

// The text with every newline after its header's three turned into a blank.
std::string oneLine(std::string t) {
  int header = 3;
  for (char &c : t)
    if (c == '\n' && header-- <= 0) c = ' ';
  return t;
}

// The little-endian file with its header's Dimension pointing where its first section points:
// that section is out of the chain.
std::vector<unsigned char> skipFirst(std::vector<unsigned char> b, int version) {
  const size_t wide = version >= 3 ? 8 : 4, first = 16 + wide;
  if (b.size() >= first + 4 + wide) std::memcpy(&b[12], &b[first + 4], wide);
  return b;
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
      // Values without newlines, a comment line longer than a read of the reader's words.
      FixtureFile plain{ver, dim, {VertexSection(dim, 40, 1), ElementSection(8, "Tetrahedra", 4, 30, 40, 2)}};
      std::string t = oneLine(RawText(plain));
      save(dir, true, std::vector<unsigned char>(t.begin(), t.end()));
      t = RawText(plain);
      t.insert(t.find("Tetrahedra"), "# " + std::string(5000, 'c') + " Vertices 3\n");
      save(dir, true, std::vector<unsigned char>(t.begin(), t.end()));
      save(dir, false, skipFirst(RawBinary(plain, false), ver));
    }
  printf("%d seeds in %s\n", count, dir.c_str());
  return 0;
}
