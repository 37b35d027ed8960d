// File names: base and shown names, the keyword and SU2 extensions, and the one length limit
// every opener applies.
#include "tests/common/CommonTest.h"

namespace {

// Extensions are looked for in the last path component only, and the output is bounded.
TEST(FileNames, BaseAndPrintNames) {
  struct {
    const char *In, *Base;
  } const bases[] = {{"a.mesh.solb", "a"}, {"run/b.meshb", "run/b"}, {"c.solb", "c"}, {"d.su2", "d.su2"},
                     {"cases/x.mesh/wing.meshb", "cases/x.mesh/wing"}, {"x.sol/wing", "x.sol/wing"}};
  char out[64];
  for (const auto &b : bases) {
    getBaseName(b.In, out, sizeof(out));
    EXPECT_STREQ(out, b.Base) << b.In;
  }
  struct {
    int Sol, Status;
    const char *In, *Name;
  } const prints[] = {{0, STATUS_BINARY_INPUT, "a", "a.meshb"},     {0, 0, "a", "a.mesh"},
                      {0, STATUS_BINARY_INPUT, "a.mesh", "a.mesh"},  {1, 0, "a.meshb", "a.sol"},
                      {1, STATUS_BINARY_INPUT, "a.meshb", "a.solb"}, {1, STATUS_BINARY_INPUT, "a", "a.solb"},
                      {1, 0, "x.mesh/a", "x.mesh/a.sol"}};
  for (const auto &p : prints) {
    getPrintName(p.Sol, p.Status, p.In, out, sizeof(out));
    EXPECT_STREQ(out, p.Name) << p.In;
  }
  char small[6];
  memset(small, 'z', sizeof(small));
  getBaseName("abcdefgh.mesh", small, 5);
  EXPECT_STREQ(small, "abcd");
  getPrintName(0, 0, "abcdefgh", small, sizeof(small));
  EXPECT_STREQ(small, "abcde");
  EXPECT_EQ(GetFilVer(10), 2);
  EXPECT_EQ(GetFilVer(300000000), 3);  // 2.24 GiB of coordinates
}

TEST(FileNames, ExtensionsAndTheOneLengthLimit) {
  struct {
    const char *Name;
    int Kind, Ext;
  } const exts[] = {{"a.mesh", FILE_NAME_MESH, NAME_EXT_TEXT},      {"a.meshb", FILE_NAME_MESH, NAME_EXT_BINARY},
                    {"a.mesh.gz", FILE_NAME_MESH, NAME_EXT_OTHER},  {"a", FILE_NAME_MESH, NAME_EXT_NONE},
                    {"a.meshb", FILE_NAME_SOL, NAME_EXT_NONE},      {"dir.sol/x.sol", FILE_NAME_SOL, NAME_EXT_TEXT},
                    {"run.mesh.d/m.meshb", FILE_NAME_MESH, NAME_EXT_BINARY}, {"run.mesh.d/m", FILE_NAME_MESH, NAME_EXT_NONE},
                    {"run.sol.d/m.mesh", FILE_NAME_SOL, NAME_EXT_NONE}};
  for (const auto &e : exts) EXPECT_EQ(KindExtension(e.Name, e.Kind), e.Ext) << e.Name;
  EXPECT_EQ(GetInputFileType("a.su2"), FILE_TYPE_SU2);
  EXPECT_EQ(GetInputFileType("dir.su2/a.dat"), FILE_TYPE_DAT);
  EXPECT_EQ(GetInputFileType("a.meshb"), 0);

  // A name of FileNameMax characters is taken, one more is not; no extension added takes a
  // name past the limit.
  const std::string longest(FileNameMax, 'n');
  EXPECT_TRUE(FileNameFits(longest.c_str()));
  EXPECT_FALSE(FileNameFits((longest + "n").c_str()));
  char out[FileNameMax + 16];
  EXPECT_TRUE(AppendExtension(longest.substr(6).c_str(), FILE_NAME_MESH, true, out, sizeof(out)));
  EXPECT_EQ(std::strlen(out), static_cast<size_t>(FileNameMax));
  EXPECT_FALSE(AppendExtension(longest.substr(5).c_str(), FILE_NAME_MESH, true, out, sizeof(out)));
  EXPECT_TRUE(Su2SolutionName("run.su2.old", out, sizeof(out)));
  EXPECT_STREQ(out, "run.dat");
  EXPECT_TRUE(Su2SolutionName("case.su2.d/wing.su2", out, sizeof(out)));
  EXPECT_STREQ(out, "case.su2.d/wing.dat");
  // The file kind comes from the file's own name, never from a folder's.
  const KeywordNameKind meshInSolDir = KeywordFileKind("run.solb.d/m.mesh.v2");
  EXPECT_TRUE(meshInSolDir.Known && !meshInSolDir.Binary && !meshInSolDir.Sol);
  EXPECT_FALSE(KeywordFileKind("run.meshb.d/notes").Known);
  // A solution named for the mesh stands for itself.
  EXPECT_TRUE(Su2SolutionName("runs/other.dat", out, sizeof(out)));
  EXPECT_STREQ(out, "runs/other.dat");
  EXPECT_TRUE(Su2SolutionName(longest.c_str(), out, sizeof(out)));
  EXPECT_FALSE(Su2SolutionName((longest + ".su2").c_str(), out, sizeof(out)));
}

std::string repeat(const std::string &s, int n) {
  std::string out;
  for (int i = 0; i < n; i++) out += s;
  return out;
}

// Messages quote a name whole up to ShownNameMax bytes; a longer one keeps its head and its
// tail (the file's own name) around "...", ShownNameMax bytes at most, no character cut in two.
// Control bytes show escaped, so that a quoted name never breaks or colours its line.
TEST(FileNames, AMessageQuotesALongNameCutToABoundedLength) {
  const std::string fits(ShownNameMax, 'f'), own = "/wing.meshb";
  std::string accents = "a";  // two-byte characters from an odd offset: both cuts fall inside one
  for (int i = 0; i < 300; i++) accents += "\xC3\xA9";
  const struct {
    const char *What;
    std::string Name, Shown;
  } rows[] = {
      {"a name of ShownNameMax bytes", fits, fits},
      {"one byte more", fits + "g", std::string(126, 'f') + "..." + std::string(126, 'f') + "g"},
      {"a name of 4 MB", std::string(4 << 20, 'x') + own, std::string(126, 'x') + "..." + std::string(116, 'x') + own},
      {"two-byte characters", accents, "a" + accents.substr(1, 124) + "..." + accents.substr(accents.size() - 126)},
      // One line stays one line, and the terminal takes no escape sequence from a name.
      {"a line feed and an escape", "e\x1b[31mRED\ny.mesh", "e\\x1b[31mRED\\x0ay.mesh"},
      {"a tab, a NUL and DEL", std::string("a\tb\0c\x7f", 6), "a\\x09b\\x00c\\x7f"},
      {"a backslash and UTF-8 as they are", "C:\\d\xC3\xA9.mesh", "C:\\d\xC3\xA9.mesh"},
      // Counted as shown: 64 escaped bytes fill the limit, one more is cut, never inside "\xHH".
      {"control bytes up to the limit", std::string(64, '\n'), repeat("\\x0a", 64)},
      {"control bytes past it", std::string(65, '\n') + "z",
       repeat("\\x0a", 31) + "..." + repeat("\\x0a", 31) + "z"},
      // What a terminal takes as a control without a control byte: the C1 controls of a name
      // read as Latin-1 (it is no UTF-8) or written in UTF-8, and the characters that split a
      // line or turn its text around.
      {"Latin-1 with NEL and CSI", "caf\xE9\x85x\x9B" "31m.mesh", "caf\xE9\\x85x\\x9b" "31m.mesh"},
      {"UTF-8 inside a name that is no UTF-8", "\xE9\xE2\x82\xAC", "\xE9\xE2\\x82\xAC"},
      {"a C1 control in UTF-8", "n\xC2\x85l", "n\\xc2\\x85l"},
      {"U+009F in UTF-8, U+00A0 after it as it is", "n\xC2\x9F" "l\xC2\xA0", "n\\xc2\\x9fl\xC2\xA0"},
      {"a right-to-left override", "a\xE2\x80\xAEgpj.mesh", "a\\xe2\\x80\\xaegpj.mesh"},
      {"an isolate and a line separator", "\xE2\x81\xA6x\xE2\x80\xA8", "\\xe2\\x81\\xa6x\\xe2\\x80\\xa8"},
      {"other UTF-8 punctuation as it is", "a\xE2\x80\x94" "b\xE2\x82\xAC", "a\xE2\x80\x94" "b\xE2\x82\xAC"},
  };
  for (const auto &r : rows) EXPECT_EQ(ShownName(r.Name), r.Shown) << r.What;
  // A whole text keeps its lines and escapes the rest the same way.
  EXPECT_EQ(ShownText("a\n\xC2\x9B" "1m\xE2\x80\xAE"), "a\n\\xc2\\x9b" "1m\\xe2\\x80\\xae");
}

}  // namespace
