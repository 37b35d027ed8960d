// The keyword table and the files of every version, encoding and byte order.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/KmfMeshFile.h"
#include "tests/support/KmfCheck.h"
#include "tests/support/MeshFixtures.h"

using namespace fixtures;

TEST(KmfFormat, TableRowsHaveTheirShapes) {
  EXPECT_STREQ(KmfKwdFmt[0][0], "Reserved");
  EXPECT_STREQ(KmfKwdFmt[4][0], "Vertices");
  EXPECT_STREQ(KmfKwdFmt[4][2], "dri");
  EXPECT_STREQ(KmfKwdFmt[33][2], std::string(28, 'i').c_str());
  EXPECT_STREQ(KmfKwdFmt[46][2], std::string(33, 'i').c_str());
  EXPECT_STREQ(KmfKwdFmt[47][1], "");
  EXPECT_STREQ(KmfKwdFmt[49][0], "Pyramids");
  EXPECT_STREQ(KmfKwdFmt[49][2], "iiiiii");
  EXPECT_STREQ(KmfKwdFmt[50][2], "drdr");
  EXPECT_STREQ(KmfKwdFmt[54][0], "End");
  EXPECT_STREQ(KmfKwdFmt[81][2], "c");
  EXPECT_STREQ(KmfKwdFmt[94][2], "ciii");
  EXPECT_STREQ(KmfKwdFmt[99][2], std::string(126, 'i').c_str());
  EXPECT_STREQ(KmfKwdFmt[103][2], std::string(76, 'i').c_str());
  EXPECT_STREQ(KmfKwdFmt[124][0], "HOSolAtHexahedraQ3");
  EXPECT_STREQ(KmfKwdFmt[154][0], "HexahedraQ4Ordering");
  EXPECT_STREQ(KmfKwdFmt[161][0], "HOSolAtHexahedraQ4");
  EXPECT_STREQ(KmfKwdFmt[166][0], "HOSolAtEdgesP4NodesPositions");
  EXPECT_STREQ(KmfKwdFmt[174][0], "HOSolAtQuadrilateralsQ4NodesPositions");
  EXPECT_STREQ(KmfKwdFmt[178][2], "rrrr");
  EXPECT_STREQ(KmfKwdFmt[197][2], std::string(24, 'r').c_str());
  EXPECT_STREQ(KmfKwdFmt[204][0], "FileType");
  // Every row of the table expands into letters the access library knows.
  for (int k = 0; k <= KmfMaxKwd; k++) {
    std::string h = KmfKwdFmt[k][1];
    EXPECT_TRUE(h.empty() || h == "i") << k;
    for (const char *c = KmfKwdFmt[k][2]; *c; c++) EXPECT_NE(std::strchr("irdcshn", *c), nullptr) << k;
  }
}

TEST(KmfFormat, KindsNamesAndTypeSizes) {
  EXPECT_EQ(KmfKeywordKind(0), KmfKwdAbsent);
  EXPECT_EQ(KmfKeywordKind(205), KmfKwdAbsent);
  EXPECT_EQ(KmfKeywordKind(KmfTime), KmfKwdInfo);
  EXPECT_EQ(KmfKeywordKind(KmfDimension), KmfKwdInfo);
  EXPECT_EQ(KmfKeywordKind(KmfTriangles), KmfKwdData);
  EXPECT_EQ(KmfKeywordKind(KmfSolAtVertices), KmfKwdSol);
  EXPECT_EQ(KmfKeywordKind(KmfHOSolAtTrianglesP2), KmfKwdSol);
  EXPECT_EQ(KmfKeywordKind(26), KmfKwdSol);
  EXPECT_EQ(KmfFindKeyword("Tetrahedra", 10), KmfTetrahedra);
  EXPECT_EQ(KmfFindKeyword("Tetrahedral", 11), 0);
  EXPECT_EQ(KmfFindKeyword("Tetra", 5), 0);
  EXPECT_EQ(KmfFindKeyword("HOSolAtPrismsP3NodesPositions", 29), 185);
  // Scalar, vector, symmetric tensor and full matrix in 2-D and 3-D; 3-D types 1,2,3 hold 10.
  EXPECT_EQ(KmfTypeSize(1, 3) + KmfTypeSize(2, 3) + KmfTypeSize(3, 3), 10);
  EXPECT_EQ(KmfTypeSize(3, 2), 3);
  EXPECT_EQ(KmfTypeSize(4, 2), 4);
  EXPECT_EQ(KmfTypeSize(4, 3), 9);
  EXPECT_EQ(KmfTypeSize(7, 3), 0);
}

// Files from the independent writer read back value for value, in every version, both
// dimensions and both byte orders, by blocks and line by line.
TEST(KmfFiles, RawBinaryFilesOfEveryVersionAndByteOrder) {
  for (int ver = 1; ver <= 4; ver++)
    for (int dim = 2; dim <= 3; dim++)
      for (bool big : {false, true}) {
        SCOPED_TRACE("version " + std::to_string(ver) + " dim " + std::to_string(dim) + (big ? " swapped" : ""));
        FixtureFile f = AllKindsMesh(ver, dim);
        TempFile p("raw.meshb");
        ASSERT_TRUE(SaveBytes(p.Path, RawBinary(f, big)));
        EXPECT_TRUE(FileMatches(p.Path, f));
        EXPECT_TRUE(FileMatches(p.Path, f, true));
        FixtureFile s = SolutionFile(ver, dim, 17);
        TempFile q("raw.solb");
        ASSERT_TRUE(SaveBytes(q.Path, RawBinary(s, big)));
        EXPECT_TRUE(FileMatches(q.Path, s));
        EXPECT_TRUE(FileMatches(q.Path, s, true));
      }
}

TEST(KmfFiles, RawTextFilesOfEveryVersion) {
  for (int ver = 1; ver <= 4; ver++)
    for (int dim = 2; dim <= 3; dim++) {
      SCOPED_TRACE("version " + std::to_string(ver) + " dim " + std::to_string(dim));
      FixtureFile f = AllKindsMesh(ver, dim);
      TempFile p("raw.mesh");
      ASSERT_TRUE(SaveText(p.Path, RawText(f)));
      EXPECT_TRUE(FileMatches(p.Path, f));
      EXPECT_TRUE(FileMatches(p.Path, f, true));
      FixtureFile s = SolutionFile(ver, dim, 17);
      TempFile q("raw.sol");
      ASSERT_TRUE(SaveText(q.Path, RawText(s)));
      EXPECT_TRUE(FileMatches(q.Path, s));
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
        FILE *in = std::fopen(p.c_str(), "rb");
        ASSERT_NE(in, nullptr);
        std::vector<unsigned char> bytes;
        for (int c; (c = std::fgetc(in)) != EOF;) bytes.push_back(static_cast<unsigned char>(c));
        std::fclose(in);
        EXPECT_TRUE(bytes == RawBinary(f, false));
        EXPECT_TRUE(FileMatches(p.Path, f));

        TempFile t("lib.mesh");
        ASSERT_EQ(WriteWithLibrary(t.Path, f, blocks), 1);
        EXPECT_TRUE(FileMatches(t.Path, f));
        FixtureFile s = SolutionFile(ver, dim, 11);
        TempFile sb("lib.solb"), st("lib.sol");
        ASSERT_EQ(WriteWithLibrary(sb.Path, s, blocks), 1);
        ASSERT_EQ(WriteWithLibrary(st.Path, s, blocks), 1);
        EXPECT_TRUE(FileMatches(sb.Path, s));
        EXPECT_TRUE(FileMatches(st.Path, s));
      }
}
