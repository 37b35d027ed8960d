// The keyword table and the files of every version, encoding and byte order.
#include "tests/common/CommonTest.h"

TEST(KmfFormat, KindsNamesAndTypeSizes) {
  EXPECT_EQ(KmfKeywordKind(205), KmfKwdAbsent);
  EXPECT_EQ(KmfKeywordKind(KmfTime), KmfKwdInfo);
  EXPECT_EQ(KmfKeywordKind(KmfTriangles), KmfKwdData);
  EXPECT_EQ(KmfKeywordKind(KmfHOSolAtTrianglesP2), KmfKwdSol);
  EXPECT_EQ(KmfFindKeyword("Tetrahedra", 10), KmfTetrahedra);
  EXPECT_EQ(KmfFindKeyword("Tetrahedral", 11), 0);
  EXPECT_EQ(KmfFindKeyword("Tetra", 5), 0);
  EXPECT_EQ(KmfTypeSize(1, 3) + KmfTypeSize(2, 3) + KmfTypeSize(3, 3) + KmfTypeSize(4, 3), 19);
  EXPECT_EQ(KmfTypeSize(3, 2) + KmfTypeSize(4, 2), 7);
  EXPECT_EQ(KmfTypeSize(7, 3), 0);
}

// Files from the independent writer read back value for value, in every version, both
// dimensions, text and both byte orders, by blocks and line by line.
TEST(KmfFiles, RawFilesOfEveryVersionEncodingAndByteOrder) {
  for (int ver = 1; ver <= 4; ver++)
    for (int dim = 2; dim <= 3; dim++)
      for (int enc : {0, 1, 2}) {  // text, little-endian, big-endian
        SCOPED_TRACE("version " + std::to_string(ver) + " dim " + std::to_string(dim) + " encoding " + std::to_string(enc));
        for (const FixtureFile &f : {AllKindsMesh(ver, dim), SolutionFile(ver, dim, 17)}) {
          bool sol = f.find(KmfSolAtVertices) != nullptr;
          TempFile p(std::string("raw.") + (sol ? "sol" : "mesh") + (enc ? "b" : ""));
          ASSERT_TRUE(enc ? SaveBytes(p.Path, RawBinary(f, enc == 2)) : SaveText(p.Path, RawText(f)));
          EXPECT_TRUE(FileMatches(p.Path, f));
          EXPECT_TRUE(FileMatches(p.Path, f, true));
        }
      }
}

// What the library writes is byte for byte what the independent writer makes, and reads
// back; text files read back identically.
TEST(KmfFiles, LibraryWritesTheRawLayoutAndReadsItBack) {
  for (int ver = 1; ver <= 4; ver++)
    for (int dim = 2; dim <= 3; dim++)
      for (bool blocks : {true, false}) {
        SCOPED_TRACE("version " + std::to_string(ver) + " dim " + std::to_string(dim) + (blocks ? " blocks" : ""));
        FixtureFile f = AllKindsMesh(ver, dim, false);
        TempFile p("lib.meshb");
        ASSERT_EQ(WriteWithLibrary(p.Path, f, blocks), 1);
        const std::string bytes = ReadAll(p.Path);
        EXPECT_TRUE(std::vector<unsigned char>(bytes.begin(), bytes.end()) == RawBinary(f, false));
        EXPECT_TRUE(FileMatches(p.Path, f));
        FixtureFile s = SolutionFile(ver, dim, 11);
        for (const char *name : {"lib.mesh", "lib.solb", "lib.sol"}) {
          TempFile t(name);
          const FixtureFile &g = std::strstr(name, "sol") ? s : f;
          ASSERT_EQ(WriteWithLibrary(t.Path, g, blocks), 1) << name;
          EXPECT_TRUE(FileMatches(t.Path, g)) << name;
        }
      }
}
