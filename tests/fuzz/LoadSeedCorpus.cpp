// Writes the seed corpus of the loading fuzz target into the folder given as argument:
// generated meshes with and without their solution, text and binary, binary meshes and
// solutions whose chain of sections ends before End, and SU2 files with a ".dat" solution, each
// prefixed as the target reads its input.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/model/ElementKind.h"
#include "tests/support/MeshFixtures.h"

using namespace fixtures;

namespace {

int count = 0;

void save(const std::string &dir, int flags, const std::string &mesh, const std::string &sol) {
  std::vector<unsigned char> seed;
  seed.push_back(static_cast<unsigned char>(flags));
  if (flags & 2) {
    uint32_t n = static_cast<uint32_t>(mesh.size());
    for (int k = 0; k < 4; k++) seed.push_back(static_cast<unsigned char>(n >> (8 * k)));
  }
  seed.insert(seed.end(), mesh.begin(), mesh.end());
  if (flags & 2) seed.insert(seed.end(), sol.begin(), sol.end());
  SaveBytes(dir + "/seed" + std::to_string(count++), seed);
}

std::string bytes(const std::vector<unsigned char> &v) { return std::string(v.begin(), v.end()); }

const char *const kSu2 =
    "NDIME= 2\nNELEM= 3\n5 0 1 2 0\n9 1 3 4 2 1\n3 0 1 2\nNPOIN= 5\n0 0 0\n1 0 1\n0 1 2\n1 1 3\n2 1 4\n"
    "NMARK= 1\nMARKER_TAG= wall\nMARKER_ELEMS= 2\n3 0 1\n3 1 3\n";
const char *const kDat = "\"PointID\"\t\"x\"\t\"y\"\t\"p\",\"q\"\n0\t0\t0\t1,2\n4,2,1,3,4\n";

}  // namespace

int main(int argc, char **argv) {
  if (argc < 2) {
    fprintf(stderr, "usage: %s folder\n", argv[0]);
    return 1;
  }
  std::string dir = argv[1];
  for (int ver = 1; ver <= 3; ver++)
    for (int dim = 2; dim <= 3; dim++) {
      FixtureFile mesh = AllKindsMesh(ver, dim, false), sol = SolutionFile(ver, dim, 40);
      save(dir, 0, bytes(RawBinary(mesh, false)), "");
      save(dir, 2, bytes(RawBinary(mesh, false)), bytes(RawBinary(sol, ver == 2)));
      save(dir, 3, RawText(mesh), RawText(sol));
      save(dir, 1 | 8, RawText(mesh), "");
      // Every keyword in two sections apart, which the loaders read joined.
      save(dir, 2, bytes(RawBinary(ApartSections(mesh), false)), bytes(RawBinary(ApartSections(sol), false)));
      save(dir, 3, RawText(ApartSections(mesh)), RawText(ApartSections(sol)));
      // Their writers stopped at a section: the mesh is refused, the solution waited for.
      save(dir, 0, bytes(ChainEndingAt(RawBinary(mesh, false), KmfVertices)), "");
      save(dir, 2, bytes(RawBinary(mesh, false)), bytes(ChainEndingAt(RawBinary(sol, false), KmfSolAtVertices)));
    }
  save(dir, 4 | 1, kSu2, "");
  save(dir, 4 | 2 | 1, kSu2, kDat);
  save(dir, 4 | 2 | 8 | 1, kSu2, kDat);
  printf("%d seeds in %s\n", count, dir.c_str());
  return 0;
}
