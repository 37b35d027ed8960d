// Broken files are refused with a message: no crash, no hang, no exit.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <unistd.h>
#include <vector>

#include "common/KmfMeshFile.h"
#include "tests/support/MeshFixtures.h"

using namespace fixtures;

namespace {

bool opens(const std::vector<unsigned char> &bytes, const char *name = "bad.meshb") {
  TempFile p(name);
  if (!SaveBytes(p.Path, bytes)) return true;
  KmfMeshFile *msh = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
  if (msh) KmfCloseMesh(msh);
  return msh != nullptr;
}

bool opensText(const std::string &text) {
  return opens(std::vector<unsigned char>(text.begin(), text.end()), "bad.mesh");
}

// A binary file of the given version with one section of kwd whose count is given and
// which holds `values` 32-bit words of data, then End. The section's next-section position
// is `next` when not -1.
std::vector<unsigned char> oneSection(int version, int kwd, int64_t count, int values, int64_t next = -1,
                                      bool bigEndian = false) {
  RawBytes b(bigEndian);
  RawHeader(b, version, 3);
  b.i32(kwd);
  size_t at = b.size();
  b.sized(version, 3, 0);
  b.sized(version, 4, count);
  for (int i = 0; i < values; i++) b.i32(1);
  b.patch(at, version, 3, next == -1 ? static_cast<int64_t>(b.size()) : next);
  b.i32(54);
  b.sized(version, 3, 0);
  return b.Data;
}

std::string textHeader(int version = 2, int dim = 3) {
  return "MeshVersionFormatted " + std::to_string(version) + "\n\nDimension " + std::to_string(dim) + "\n";
}

}  // namespace

TEST(KmfMalformed, BinaryHeaders) {
  FixtureFile good = AllKindsMesh(2, 3, false);
  std::vector<unsigned char> bytes = RawBinary(good, false);
  ASSERT_TRUE(opens(bytes));
  std::vector<unsigned char> b = bytes;
  b[0] = 2;  // code word
  EXPECT_FALSE(opens(b));
  for (int ver : {0, 5, -1}) {
    b = bytes;
    b[4] = static_cast<unsigned char>(ver);
    b[5] = b[6] = b[7] = ver < 0 ? 0xff : 0;
    EXPECT_FALSE(opens(b)) << ver;
  }
  b = bytes;
  b[8] = 4;  // first section is not Dimension
  EXPECT_FALSE(opens(b));
  for (int dim : {1, 4, 0}) {
    b = bytes;
    b[16] = static_cast<unsigned char>(dim);
    EXPECT_FALSE(opens(b)) << dim;
  }
  // Cut inside the header, or empty.
  EXPECT_FALSE(opens(std::vector<unsigned char>(bytes.begin(), bytes.begin() + 14)));
  EXPECT_FALSE(opens({}));
}

TEST(KmfMalformed, BinarySectionChains) {
  for (int ver : {1, 3}) {
    SCOPED_TRACE(ver);
    ASSERT_TRUE(opens(oneSection(ver, KmfCorners, 3, 3)));
    // Missing End: the file stops after the section, which points past its data.
    std::vector<unsigned char> b = oneSection(ver, KmfCorners, 3, 3);
    b.resize(b.size() - (ver >= 3 ? 12 : 8));
    EXPECT_FALSE(opens(b));
    // Next-section position past the end, backwards, onto itself.
    EXPECT_FALSE(opens(oneSection(ver, KmfCorners, 3, 3, 100000)));
    EXPECT_FALSE(opens(oneSection(ver, KmfCorners, 3, 3, 4)));
    int64_t self = ver >= 3 ? 24 : 20;
    EXPECT_FALSE(opens(oneSection(ver, KmfCorners, 3, 3, self)));
    EXPECT_FALSE(opens(oneSection(ver, KmfCorners, 3, 3, -8)));
    // Counts larger than the data, negative ones.
    EXPECT_FALSE(opens(oneSection(ver, KmfCorners, 4, 3)));
    EXPECT_FALSE(opens(oneSection(ver, KmfCorners, -1, 3)));
    EXPECT_FALSE(opens(oneSection(ver, KmfCorners, int64_t(0x80000005), 3)));
    // An unknown keyword number is skipped by its position.
    EXPECT_TRUE(opens(oneSection(ver, 1000, 3, 3)));
    EXPECT_TRUE(opens(oneSection(ver, -3, 3, 3)));
  }
  // Version 4: 64-bit counts above INT32_MAX and beyond the file.
  EXPECT_FALSE(opens(oneSection(4, KmfCorners, int64_t(1) << 31, 6)));
  EXPECT_FALSE(opens(oneSection(4, KmfCorners, INT64_MAX, 6)));
  EXPECT_FALSE(opens(oneSection(4, KmfCorners, -5, 6)));
  // The last section (next position 0) with its data cut: a file still being written.
  EXPECT_FALSE(opens(oneSection(2, KmfCorners, 6, 3, 0)));
  // Complete but for its End: it opens, and End is absent, which tells a reader to wait.
  {
    TempFile p("noend.solb");
    ASSERT_TRUE(SaveBytes(p.Path, oneSection(2, KmfCorners, 3, 3, 0)));
    KmfMeshFile *msh = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
    ASSERT_NE(msh, nullptr);
    EXPECT_EQ(KmfStatKwd(msh, KmfCorners), 3);
    EXPECT_EQ(KmfStatKwd(msh, KmfEnd), 0);
    KmfCloseMesh(msh);
    ASSERT_TRUE(SaveBytes(p.Path, oneSection(2, KmfCorners, 3, 3)));
    msh = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
    ASSERT_NE(msh, nullptr);
    EXPECT_EQ(KmfStatKwd(msh, KmfEnd), 1);
    KmfCloseMesh(msh);
  }
  // A swapped file is checked as carefully.
  EXPECT_FALSE(opens(oneSection(2, KmfCorners, 4, 3, -1, true)));
  EXPECT_TRUE(opens(oneSection(2, KmfCorners, 3, 3, -1, true)));
}

TEST(KmfMalformed, BinarySolutionHeaders) {
  // deg = -1: a plain solution section, else a high-order one.
  auto sol = [](int ntyp, int typ, int deg, int nod, int64_t count, int values, bool ho = false) {
    RawBytes b(false);
    RawHeader(b, 2, 3);
    ho = ho || deg >= 0;
    int kwd = ho ? int(KmfHOSolAtTrianglesP2) : int(KmfSolAtVertices);
    b.i32(kwd);
    size_t at = b.size();
    b.i32(0);
    b.i32(static_cast<int32_t>(count));
    b.i32(ntyp);
    for (int i = 0; i < ntyp && i < 2000; i++) b.i32(typ);
    if (ho) {
      b.i32(deg);
      b.i32(nod);
    }
    for (int i = 0; i < values; i++) b.f64(1.0);
    b.patch(at, 2, 3, static_cast<int64_t>(b.size()));
    b.i32(54);
    b.i32(0);
    return b.Data;
  };
  ASSERT_TRUE(opens(sol(1, 2, -1, 0, 2, 6), "s.solb"));
  ASSERT_TRUE(opens(sol(1, 1, 2, 6, 2, 12), "s.solb"));
  EXPECT_FALSE(opens(sol(1001, 1, -1, 0, 1, 1001), "s.solb"));
  EXPECT_FALSE(opens(sol(0, 1, -1, 0, 1, 1), "s.solb"));
  EXPECT_FALSE(opens(sol(-4, 1, -1, 0, 1, 1), "s.solb"));
  EXPECT_FALSE(opens(sol(1, 9, -1, 0, 1000000, 0), "s.solb"));  // types without values
  EXPECT_TRUE(opens(sol(1000, 4, -1, 0, 1, 9000), "s.solb"));  // 9000 values: the longest line
  EXPECT_FALSE(opens(sol(1, 4, 2, 1001, 1, 9009), "s.solb"));
  EXPECT_FALSE(opens(sol(1, 1, 2, 10000, 1, 10000), "s.solb"));
  EXPECT_FALSE(opens(sol(1, 1, 2, 0, 1, 0), "s.solb"));
  EXPECT_FALSE(opens(sol(1, 1, -3, 6, 1, 6, true), "s.solb"));
  EXPECT_FALSE(opens(sol(1, 2, -1, 0, 3, 6), "s.solb"));  // count larger than the data
}

TEST(KmfMalformed, TextFiles) {
  std::string body = "\nCorners\n3\n1 2 3\n\nEnd\n";
  ASSERT_TRUE(opensText(textHeader() + body));
  {
    TempFile p("end.mesh");
    ASSERT_TRUE(SaveText(p.Path, textHeader() + body));
    KmfMeshFile *msh = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
    ASSERT_NE(msh, nullptr);
    EXPECT_EQ(KmfStatKwd(msh, KmfEnd), 1);
    KmfCloseMesh(msh);
  }
  EXPECT_FALSE(opensText(textHeader(0) + body));
  EXPECT_FALSE(opensText(textHeader(5) + body));
  EXPECT_FALSE(opensText(textHeader(2, 1) + body));
  EXPECT_FALSE(opensText(textHeader(2, 4) + body));
  EXPECT_FALSE(opensText("MeshVersionFormatted 2\n" + body));  // no Dimension
  EXPECT_FALSE(opensText("Dimension 3\n" + body));             // no version
  EXPECT_FALSE(opensText("MeshVersionFormatted\nDimension 3\n" + body));
  EXPECT_FALSE(opensText(textHeader() + "\nCorners\n3\n1 2 3\n"));  // no End
  EXPECT_FALSE(opensText(textHeader() + "\nCorners\n30\n1 2 3\n\nEnd\n"));
  EXPECT_FALSE(opensText(textHeader() + "\nCorners\n-3\n1 2 3\n\nEnd\n"));
  EXPECT_FALSE(opensText(textHeader() + "\nCorners\n3000000000000000000000\n1 2 3\n\nEnd\n"));
  EXPECT_FALSE(opensText(textHeader() + "\nCorners\nthree\n1 2 3\n\nEnd\n"));
  EXPECT_FALSE(opensText(textHeader() + "\nSolAtVertices\n1\n1001 1\n1\n\nEnd\n"));
  EXPECT_FALSE(opensText(""));
  // Comments and words that are not keywords are skipped; a 5000-character word too.
  std::string longWord(5000, 'W');
  EXPECT_TRUE(opensText("# made by hand\n" + textHeader() + longWord + "\n# Vertices in a comment\n" + body));
  EXPECT_FALSE(opensText("MeshVersionFormatted " + std::string(5000, '7') + "\nDimension 3\n" + body));
}

// Lines that do not hold what their section says make the read fail, without a crash.
TEST(KmfMalformed, BadValuesInTextLines) {
  std::string longNumber(5000, '1');
  for (const std::string &bad : std::vector<std::string>{"1 x 3", "1 2.5 3", "1 " + longNumber + " 3", "1 99999999999 3", "1 0x10 3"}) {
    TempFile p("vals.mesh");
    ASSERT_TRUE(SaveText(p.Path, textHeader() + "\nCorners\n3\n" + bad + "\n\nEnd\n"));
    KmfMeshFile *msh = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
    ASSERT_NE(msh, nullptr) << bad;
    int c[3];
    EXPECT_EQ(KmfGetBlock(msh, KmfCorners, 1, 3, 0, nullptr, nullptr, KmfInt, &c[0], &c[2]), 0) << bad;
    ASSERT_EQ(KmfGotoKwd(msh, KmfCorners), 1);
    EXPECT_EQ(KmfGetLin(msh, KmfCorners, &c[0]), 1);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(KmfGetLin(msh, KmfCorners, &c[1]), 0) << bad;
    KmfCloseMesh(msh);
  }
  // Reals beyond the type's range become infinities or zeros, as the C library reads them.
  TempFile p("range.mesh");
  ASSERT_TRUE(SaveText(p.Path, textHeader() + "\nVertices\n1\n1e999 -1e999 1e-999 7\n\nEnd\n"));
  KmfMeshFile *msh = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
  ASSERT_NE(msh, nullptr);
  double x[3];
  int r;
  ASSERT_EQ(KmfGotoKwd(msh, KmfVertices), 1);
  ASSERT_EQ(KmfGetLin(msh, KmfVertices, &x[0], &x[1], &x[2], &r), 1);
  EXPECT_EQ(x[0], HUGE_VAL);
  EXPECT_EQ(x[1], -HUGE_VAL);
  EXPECT_EQ(x[2], 0.0);
  EXPECT_EQ(r, 7);
  KmfCloseMesh(msh);
}

// A file cut after it was opened (for instance overwritten meanwhile): the block read
// returns 0 instead of ending the process.
TEST(KmfMalformed, TransferFailureReturnsZero) {
  FixtureFile f = BlockBoundaryMesh(2);
  TempFile p("cut.meshb");
  ASSERT_TRUE(SaveBytes(p.Path, RawBinary(f, false)));
  KmfMeshFile *msh = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
  ASSERT_NE(msh, nullptr);
  ASSERT_EQ(truncate(p.c_str(), 1000), 0);
  std::vector<double> xyz(3 * 25000);
  std::vector<int> ref(25000);
  EXPECT_EQ(KmfGetBlock(msh, KmfVertices, 1, 25000, 0, nullptr, nullptr, KmfDouble, &xyz[0], &xyz[3 * 24999],
                        KmfDouble, &xyz[1], &xyz[3 * 24999 + 1], KmfDouble, &xyz[2], &xyz[3 * 24999 + 2], KmfInt,
                        &ref[0], &ref[24999]),
            0);
  EXPECT_EQ(KmfCloseMesh(msh), 1);
}

TEST(KmfMalformed, ByteFlowLengths) {
  for (int64_t n : {int64_t(-1), int64_t(13), int64_t(0x7fffffff)}) {
    RawBytes b(false);
    RawHeader(b, 2, 3);
    b.i32(KmfByteFlow);
    size_t at = b.size();
    b.i32(0);
    b.i32(3);  // three lines: the length and two words
    b.i32(static_cast<int32_t>(n));
    b.i32(0x64636261);
    b.i32(0x00000065);
    b.patch(at, 2, 3, static_cast<int64_t>(b.size()));
    b.i32(54);
    b.i32(0);
    TempFile p("flow.meshb");
    ASSERT_TRUE(SaveBytes(p.Path, b.Data));
    KmfMeshFile *msh = KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr);
    ASSERT_NE(msh, nullptr);
    int len = 0;
    EXPECT_EQ(KmfReadByteFlow(msh, &len), nullptr) << n;
    KmfCloseMesh(msh);
  }
}
