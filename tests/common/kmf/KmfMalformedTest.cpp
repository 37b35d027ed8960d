// Broken files are refused with a message: no crash, no hang, no exit.
#include "tests/common/CommonTest.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Saves the bytes under name and opens them; the handle (or null) goes to the caller.
KmfMeshFile *openBytes(const TempFile &p, const Bytes &bytes) {
  return SaveBytes(p.Path, bytes) ? KmfOpenMesh(p.c_str(), KmfRead, nullptr, nullptr) : nullptr;
}

bool opens(const Bytes &bytes, const char *name = "bad.meshb") {
  TempFile p(name);
  KmfMeshFile *msh = openBytes(p, bytes);
  if (msh) KmfCloseMesh(msh);
  return msh != nullptr;
}

bool opensText(const std::string &text) { return opens(Bytes(text.begin(), text.end()), "bad.mesh"); }

KmfMeshFile *openText(const TempFile &p, const std::string &text) { return openBytes(p, Bytes(text.begin(), text.end())); }

// A binary file with one section of kwd: its count, the 32-bit words of its data, then End.
// The section's next-section position is `next` when not -1.
Bytes section(int version, int kwd, int64_t count, const std::vector<int32_t> &words, int64_t next = -1, bool big = false) {
  RawBytes b(big);
  RawHeader(b, version, 3);
  b.i32(kwd);
  size_t at = b.size();
  b.sized(version, 3, 0);
  b.sized(version, 4, count);
  for (int32_t w : words) b.i32(w);
  b.patch(at, version, 3, next == -1 ? static_cast<int64_t>(b.size()) : next);
  b.i32(54);
  b.sized(version, 3, 0);
  return b.Data;
}

Bytes oneSection(int version, int kwd, int64_t count, int values, int64_t next = -1, bool big = false) {
  return section(version, kwd, count, std::vector<int32_t>(static_cast<size_t>(values), 1), next, big);
}

std::string textHeader(int version = 2, int dim = 3) {
  return "MeshVersionFormatted " + std::to_string(version) + "\n\nDimension " + std::to_string(dim) + "\n";
}

struct Case {
  const char *what;
  Bytes bytes;
  bool good;
};

void expectCases(const std::vector<Case> &cases, const char *name = "bad.meshb") {
  for (const Case &c : cases) EXPECT_EQ(opens(c.bytes, name), c.good) << c.what;
}

}  // namespace

TEST(KmfMalformed, BinaryHeaders) {
  const Bytes good = RawBinary(AllKindsMesh(2, 3, false), false);
  auto with = [&](size_t at, std::vector<unsigned char> v) {
    Bytes b = good;
    for (size_t i = 0; i < v.size(); i++) b[at + i] = v[i];
    return b;
  };
  expectCases({{"good", good, true},
               {"code word", with(0, {2}), false},
               {"version 0", with(4, {0}), false},
               {"version 5", with(4, {5}), false},
               {"first section not Dimension", with(8, {4}), false},
               {"dimension 1", with(16, {1}), false},
               {"dimension 4", with(16, {4}), false},
               {"cut in the header", Bytes(good.begin(), good.begin() + 14), false},
               {"Dimension pointing past the end", with(12, {0xff, 0xff, 0xff, 0x7f}), false},
               {"Dimension pointing into the header", with(12, {4, 0, 0, 0}), false},
               {"empty", {}, false}});
  // A Dimension that points at no section is a header written alone: it opens empty, without
  // End, which tells a reader to wait; the sections after it are not read.
  TempFile p("header.meshb");
  KmfMeshFile *msh = openBytes(p, with(12, {0, 0, 0, 0}));
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(KmfStatKwd(msh, KmfVertices) + KmfStatKwd(msh, KmfEnd), 0);
  KmfCloseMesh(msh);
}

TEST(KmfMalformed, BinarySectionChains) {
  for (int ver : {1, 3}) {
    SCOPED_TRACE(ver);
    Bytes noEnd = oneSection(ver, KmfCorners, 3, 3);
    noEnd.resize(noEnd.size() - (ver >= 3 ? 12 : 8));
    expectCases({{"good", oneSection(ver, KmfCorners, 3, 3), true},
                 {"missing End, the section pointing past its data", noEnd, false},
                 {"next past the end", oneSection(ver, KmfCorners, 3, 3, 100000), false},
                 {"next backwards", oneSection(ver, KmfCorners, 3, 3, 4), false},
                 {"next negative", oneSection(ver, KmfCorners, 3, 3, -8), false},
                 {"count larger than the data", oneSection(ver, KmfCorners, 4, 3), false},
                 {"negative count", oneSection(ver, KmfCorners, -1, 3), false},
                 {"count above INT32_MAX in 32 bits", oneSection(ver, KmfCorners, int64_t(0x80000005), 3), false},
                 {"unknown keyword skipped", oneSection(ver, 1000, 3, 3), true}});
  }
  expectCases({{"v4 count 2^31", oneSection(4, KmfCorners, int64_t(1) << 31, 6), false},
               {"last section cut: a file still being written", oneSection(2, KmfCorners, 6, 3, 0), false},
               {"swapped, count larger than the data", oneSection(2, KmfCorners, 4, 3, -1, true), false},
               {"swapped", oneSection(2, KmfCorners, 3, 3, -1, true), true}});
  // Complete but for its End: it opens, and End is absent, which tells a reader to wait.
  for (int64_t next : {int64_t(0), int64_t(-1)}) {
    TempFile p("noend.solb");
    KmfMeshFile *msh = openBytes(p, oneSection(2, KmfCorners, 3, 3, next));
    ASSERT_NE(msh, nullptr);
    EXPECT_EQ(KmfStatKwd(msh, KmfCorners), 3);
    EXPECT_EQ(KmfStatKwd(msh, KmfEnd), next ? 1 : 0);
    KmfCloseMesh(msh);
  }
  // The same state met by the opener of a mesh, which must read it whole: a chain that ends at
  // the Vertices or the Tetrahedra (End after them, out of it) is refused as a text file
  // without End is; the opener of a solution takes the sections of the chain, End absent. In
  // every version and byte order.
  const struct {
    int Last;  // the section the chain ends at
    int64_t Vertices, Tetrahedra;
  } rows[] = {{KmfVertices, 4, 0}, {KmfTetrahedra, 4, 1}, {KmfEnd, 4, 1}};
  for (int ver = 1; ver <= 4; ver++)
    for (bool big : {false, true})
      for (const auto &r : rows) {
        SCOPED_TRACE(std::to_string(ver) + (big ? " big-endian, " : ", ") + KmfKwdFmt[r.Last][0]);
        const FixtureFile f{ver, 3, {VertexSection(3, 4, 1), ElementSection(KmfTetrahedra, "Tetrahedra", 4, 1, 4, 2)}};
        const Bytes bytes = ChainEndingAt(RawBinary(f, big), r.Last);
        const bool whole = r.Last == KmfEnd;
        TempFile mesh("chain.meshb"), sol("chain.solb");
        ASSERT_TRUE(SaveBytes(mesh.Path, bytes) && SaveBytes(sol.Path, bytes));
        KmfMeshFile *m = nullptr;
        const std::string err = CaptureText([&] { m = GetMeshDesc(nullptr, mesh.c_str(), nullptr, nullptr, KmfMesh, KmfRead); }).Err;
        EXPECT_EQ(m != nullptr, whole);
        EXPECT_EQ(err.find("THE FILE ENDS BEFORE ITS End SECTION") != std::string::npos, !whole) << err;
        EXPECT_EQ(KmfLastRefusal(), whole ? int(KmfNotRefused) : int(KmfRefusedFile));
        if (m) KmfCloseMesh(m);
        KmfMeshFile *s = GetMeshDesc(nullptr, sol.c_str(), nullptr, nullptr, KmfSol, KmfRead);
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(std::vector<int64_t>({KmfStatKwd(s, KmfVertices), KmfStatKwd(s, KmfTetrahedra), KmfStatKwd(s, KmfEnd)}),
                  std::vector<int64_t>({r.Vertices, r.Tetrahedra, whole ? 1 : 0}));
        KmfCloseMesh(s);
      }
}

TEST(KmfMalformed, BinarySolutionHeaders) {
  // A version-2 solution section: plain when deg < 0 unless ho, else high-order.
  auto sol = [](int ntyp, int typ, int deg, int nod, int64_t count, int values, bool ho = false) {
    ho = ho || deg >= 0;
    std::vector<int32_t> w{ntyp};
    w.insert(w.end(), static_cast<size_t>(std::min(std::max(ntyp, 0), 2000)), typ);
    if (ho) w.insert(w.end(), {deg, nod});
    w.insert(w.end(), 2 * static_cast<size_t>(values), 0);  // reals of 8 bytes
    return section(2, ho ? int(KmfHOSolAtTrianglesP2) : int(KmfSolAtVertices), count, w);
  };
  expectCases({{"vector", sol(1, 2, -1, 0, 2, 6), true},
               {"high order", sol(1, 1, 2, 6, 2, 12), true},
               {"1001 types", sol(1001, 1, -1, 0, 1, 1001), false},
               {"no type", sol(0, 1, -1, 0, 1, 1), false},
               {"unknown type, no values", sol(1, 9, -1, 0, 1000000, 0), false},
               {"9000 values: the longest line", sol(1000, 4, -1, 0, 1, 9000), true},
               {"1001 nodes", sol(1, 4, 2, 1001, 1, 9009), false},
               {"no node", sol(1, 1, 2, 0, 1, 0), false},
               {"negative degree", sol(1, 1, -3, 6, 1, 6, true), false},
               {"count larger than the data", sol(1, 2, -1, 0, 3, 6), false}},
              "s.solb");
}

TEST(KmfMalformed, TextFiles) {
  const std::string body = "\nCorners\n3\n1 2 3\n\nEnd\n";
  struct TextCase {
    const char *what;
    std::string text;
    bool good;
  };
  const std::vector<TextCase> cases = {
      {"good", textHeader() + body, true},
      {"version 0", textHeader(0) + body, false},
      {"version 5", textHeader(5) + body, false},
      {"dimension 1", textHeader(2, 1) + body, false},
      {"no Dimension", "MeshVersionFormatted 2\n" + body, false},
      {"no version", "Dimension 3\n" + body, false},
      {"no End", textHeader() + "\nCorners\n3\n1 2 3\n", false},
      {"count larger than the data", textHeader() + "\nCorners\n30\n1 2 3\n\nEnd\n", false},
      {"huge count", textHeader() + "\nCorners\n3000000000000000000000\n1 2 3\n\nEnd\n", false},
      {"count not a number", textHeader() + "\nCorners\nthree\n1 2 3\n\nEnd\n", false},
      {"1001 types", textHeader() + "\nSolAtVertices\n1\n1001 1\n1\n\nEnd\n", false},
      {"empty", "", false},
      {"comments and a 5000-character word skipped",
       "# made by hand\n" + textHeader() + std::string(5000, 'W') + "\n# Vertices in a comment\n" + body, true},
      {"5000-digit version", "MeshVersionFormatted " + std::string(5000, '7') + "\nDimension 3\n" + body, false},
      // A later Dimension or version must be the header's, whatever form its number takes.
      {"a later Dimension 2.0", textHeader() + "\nDimension 2.0" + body, false},
      {"a later Dimension 2e0", textHeader() + "\nDimension 2e0" + body, false},
      {"a later Dimension +2.", textHeader() + "\nDimension +2." + body, false},
      {"a later Dimension 3.5", textHeader() + "\nDimension 3.5" + body, false},
      {"a later Dimension beyond every integer", textHeader() + "\nDimension 30000000000000000000" + body, false},
      {"a later MeshVersionFormatted 1.0", textHeader() + "\nMeshVersionFormatted 1.0" + body, false},
      {"a later Dimension 3.0", textHeader() + "\nDimension 3.0" + body, true},
      {"a later Dimension 0.3e1", textHeader() + "\nDimension 0.3e1" + body, true},
      {"a later MeshVersionFormatted 2.0", textHeader() + "\nMeshVersionFormatted 2.0" + body, true},
      {"a later Dimension followed by words", textHeader() + "\nDimension of the box" + body, true},
      {"a later Dimension followed by a word of digits", textHeader() + "\nDimension 2.0x" + body, true}};
  for (const TextCase &c : cases) EXPECT_EQ(opensText(c.text), c.good) << c.what;
  TempFile p("end.mesh");
  KmfMeshFile *msh = openText(p, cases[0].text);
  ASSERT_NE(msh, nullptr);
  EXPECT_EQ(KmfStatKwd(msh, KmfEnd), 1);
  KmfCloseMesh(msh);
}

// Lines that do not hold what their section says make the read fail, without a crash.
TEST(KmfMalformed, BadValuesInTextLines) {
  for (const std::string &bad : {std::string("1 x 3"), std::string("1 2.5 3"), "1 " + std::string(5000, '1') + " 3",
                                 std::string("1 99999999999 3"), std::string("1 0x10 3")}) {
    TempFile p("vals.mesh");
    KmfMeshFile *msh = openText(p, textHeader() + "\nCorners\n3\n" + bad + "\n\nEnd\n");
    ASSERT_NE(msh, nullptr) << bad;
    int c[3];
    EXPECT_EQ(KmfGetBlock(msh, KmfCorners, 1, 3, 0, nullptr, nullptr, KmfInt, &c[0], &c[2]), 0) << bad;
    ASSERT_EQ(KmfGotoKwd(msh, KmfCorners), 1);
    EXPECT_EQ(KmfGetLin(msh, KmfCorners, &c[0]), 1);
    EXPECT_EQ(c[0], 1);
    EXPECT_EQ(KmfGetLin(msh, KmfCorners, &c[1]), 0) << bad;
    KmfCloseMesh(msh);
  }
  // A number glued to a letter ("2x", "3x") is refused wherever it stands: in the middle of
  // a section, and as the last value of one followed by many more bytes, where numbers are
  // read straight from the buffer.
  for (int at : {1500, 3000}) {
    std::string corners, normals, filler;
    for (int l = 1; l <= 3000; l++) {
      corners += l == at ? "2x\n" : "2\n";
      normals += l == at ? "0.5 1 3x\n" : "0.5 1 3\n";
      filler += "1\n";
    }
    TempFile p("twox.mesh");
    KmfMeshFile *msh = openText(p, textHeader() + "\nCorners\n3000\n" + corners + "\nNormals\n3000\n" + normals +
                                       "\nRequiredVertices\n3000\n" + filler + "\nEnd\n");
    ASSERT_NE(msh, nullptr) << at;
    std::vector<int> c(3000);
    std::vector<double> xyz(3 * 3000);
    EXPECT_EQ(KmfGetBlock(msh, KmfCorners, 1, 3000, 0, nullptr, nullptr, KmfInt, &c[0], &c[2999]), 0) << at;
    EXPECT_EQ(KmfGetBlock(msh, KmfNormals, 1, 3000, 0, nullptr, nullptr, KmfDouble, &xyz[0], &xyz[3 * 2999], KmfDouble,
                          &xyz[1], &xyz[3 * 2999 + 1], KmfDouble, &xyz[2], &xyz[3 * 2999 + 2]),
              0)
        << at;
    KmfCloseMesh(msh);
  }
  // Reals beyond the type's range become infinities or zeros, as the C library reads them.
  TempFile p("range.mesh");
  KmfMeshFile *msh = openText(p, textHeader() + "\nVertices\n1\n1e999 -1e999 1e-999 7\n\nEnd\n");
  ASSERT_NE(msh, nullptr);
  double x[3];
  int r;
  ASSERT_EQ(KmfGotoKwd(msh, KmfVertices), 1);
  ASSERT_EQ(KmfGetLin(msh, KmfVertices, &x[0], &x[1], &x[2], &r), 1);
  EXPECT_EQ(std::vector<double>(x, x + 3), (std::vector<double>{HUGE_VAL, -HUGE_VAL, 0.0}));
  EXPECT_EQ(r, 7);
  KmfCloseMesh(msh);
}

// A file cut after it was opened (for instance overwritten meanwhile): the block read
// returns 0 instead of ending the process.
TEST(KmfMalformed, TransferFailureReturnsZero) {
  TempFile p("cut.meshb");
  KmfMeshFile *msh = openBytes(p, RawBinary(BlockBoundaryMesh(2), false));
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
  for (int32_t n : {-1, 13, 0x7fffffff}) {
    TempFile p("flow.meshb");
    // Three lines: the length and two words.
    KmfMeshFile *msh = openBytes(p, section(2, KmfByteFlow, 3, {n, 0x64636261, 0x65}));
    ASSERT_NE(msh, nullptr);
    int len = 0;
    EXPECT_EQ(KmfReadByteFlow(msh, &len), nullptr) << n;
    KmfCloseMesh(msh);
  }
}
