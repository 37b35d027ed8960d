#include "tests/common/CommonTest.h"

namespace {

// Parses "zelvane" followed by the words, keeping what was printed and the consumption marks.
struct Parsed {
  Memory_List *mem = NewMemory(100);
  CommonOptions *opt = NewCommonOptions(mem, 56, 1, 1);
  std::vector<std::string> words;
  int *isSet = nullptr;
  std::string out, err;
  explicit Parsed(std::vector<std::string> w) : words(std::move(w)) {
    words.insert(words.begin(), "zelvane");
    std::vector<char *> argv;
    for (auto &s : words) argv.push_back(&s[0]);
    argv.push_back(nullptr);
    const Captured c =
        CaptureText([&] { isSet = ParseCommonOptions(static_cast<int>(words.size()), argv.data(), mem, opt); });
    out = c.Out;
    err = c.Err;
  }
  std::vector<int> marks() const { return std::vector<int>(isSet + 1, isSet + words.size()); }
  ~Parsed() {
    MEM_FREE(mem, isSet);
    FreeCommonOptions(mem, opt);
    EXPECT_EQ(mem->NbrActive, 0);
    FreeMemory(mem);
  }
};

}  // namespace

TEST(CommonOptions, InputListAndDefaultOutput) {
  Parsed p({"-in", "a.mesh", "b.mesh", "c.mesh", "-v", "3"});
  EXPECT_EQ(std::string(p.opt->InpNam) + " " + p.opt->OutNam, "a.mesh a.o");
  EXPECT_EQ(std::vector<int>({p.opt->NbrFil, p.opt->Verbosity}), (std::vector<int>{2, 3}));
  EXPECT_EQ(p.marks(), std::vector<int>(6, 1));
  EXPECT_EQ(GetBytOptions(p.opt), 56u);  // the creation flags

  char **names = nullptr;
  int n = GetFileNameList(p.mem, &names, p.opt);
  ASSERT_EQ(n, 3);
  EXPECT_EQ(std::vector<std::string>(names, names + n), (std::vector<std::string>{"a.mesh", "b.mesh", "c.mesh"}));
  FreeFileNameList(p.mem, names, n);
}

// Argument words and what the parser printed (or the output name it chose).
TEST(CommonOptions, OutputNamesAndMissingFileNames) {
  const std::vector<std::pair<std::vector<std::string>, const char *>> outputs = {
      {{"-in", "dir/in.meshb"}, "dir/in.o"},
      {{"-in", "run.mesh.d/in.meshb"}, "run.mesh.d/in.o"},
      {{"-in", "wing.su2"}, "wing.su2.o"},
      {{"-in", "a.mesh", "-out", "res.meshb"}, "res.meshb"}};
  for (const auto &c : outputs) EXPECT_STREQ(Parsed(c.first).opt->OutNam, c.second) << c.first[1];

  const std::vector<std::pair<std::vector<std::string>, const char *>> warnings = {
      {{"-in", "-v", "2"}, "  ## WARNING: PARSER: NO FILE NAME GIVEN "},
      {{"-in"}, "  ## WARNING : PARSER: NO FILE NAME GIVEN "},
      {{"-back"}, "NO BACKGROUND MESH FILE NAME GIVEN"}};
  for (const auto &c : warnings) {
    Parsed p(c.first);
    EXPECT_NE(p.out.find(c.second), std::string::npos) << p.out;
    EXPECT_EQ(p.opt->InpNam, nullptr);
  }
  EXPECT_EQ(Parsed({"-in", "-v", "2"}).opt->Verbosity, 2);
}

// argument words, expected values of the fields, expected consumption marks, the one line
// printed on standard output (null: nothing) and the option named on standard error as given
// without its number (null: nothing said there). A bad value is named once, as typed, and taken
// with its option, so that the viewer never names it again as a word no parser took; the field
// keeps what it held. An option without its number is ignored.
struct NumericCase {
  std::vector<std::string> args;
  int nproc, verbosity, optLevel;
  std::vector<int> marks;
  const char *said;
  const char *warned = nullptr;
};

std::string without(const char *option) {
  return std::string("  ## WARNING: PARSER: ") + option + " WITHOUT ITS NUMBER, IGNORED \n";
}

TEST(CommonOptions, NumericWordsAndBadValuesNamedOnceAsTyped) {
  const NumericCase cases[] = {
      {{"-nproc", "4"}, 4, 1, 0, {1, 1}, nullptr},
      {{"-v", "3"}, 1, 3, 0, {1, 1}, nullptr},
      {{"-nproc", "0"}, 1, 1, 0, {1, 1}, "  ## WARNING: PARSER: INVALID ARGUMENT FOR -nproc 0 \n"},
      {{"-nproc", "abc"}, 1, 1, 0, {1, 1}, "  ## WARNING: PARSER: INVALID ARGUMENT FOR -nproc abc \n"},
      {{"-nproc", "-2"}, 1, 1, 0, {1, 1}, "  ## WARNING: PARSER: INVALID ARGUMENT FOR -nproc -2 \n"},
      {{"-nproc", "3x\x1b[1m"}, 1, 1, 0, {1, 1}, "  ## WARNING: PARSER: INVALID ARGUMENT FOR -nproc 3x\\x1b[1m \n"},
      {{"-nproc", "4294967297"}, 1, 1, 0, {1, 1}, "  ## WARNING: PARSER: INVALID ARGUMENT FOR -nproc 4294967297 \n"},
      {{"-v", "-3000000000"}, 1, 1, 0, {1, 1}, "  ## WARNING: PARSER: INVALID ARGUMENT FOR -v -3000000000 \n"},
      {{"-v", "-2147483648"}, 1, INT_MIN, 0, {1, 1}, nullptr},
      {{"-nproc", "1"}, 1, 1, 0, {1, 1}, nullptr},
      {{"-v", "abc"}, 1, 1, 0, {1, 1}, "  ## WARNING: PARSER: INVALID ARGUMENT FOR -v abc \n"},
      {{"-O", "x"}, 1, 1, 0, {1, 1}, "  ## WARNING: PARSER: INVALID ARGUMENT FOR -O x \n"},
      // An option after a number option is that option, not its value: the first one is
      // named without its number, as when it is the last word.
      {{"-nproc", "-v", "5"}, 1, 5, 0, {1, 1, 1}, nullptr, "-nproc"},
      {{"-v", "-nproc", "2"}, 2, 1, 0, {1, 1, 1}, nullptr, "-v"},
      {{"-O", "-in", "a.mesh"}, 1, 1, 0, {1, 1, 1}, nullptr, "-O"},
      {{"-O2"}, 1, 1, 2, {1}, nullptr},
      {{"-O", "2"}, 1, 1, 2, {1, 1}, nullptr},
      {{"-O"}, 1, 1, 0, {1}, nullptr, "-O"},
      {{"-Ofast"}, 1, 1, 0, {0}, nullptr},
      {{"-v"}, 1, 1, 0, {1}, nullptr, "-v"},
      {{"-nproc"}, 1, 1, 0, {1}, nullptr, "-nproc"},
      {{"-unknown", "-v", "4"}, 1, 4, 0, {0, 1, 1}, nullptr},
      // A negative number is a value, not an option, whatever digits it starts and ends with;
      // a lone sign is no number: "-" is the next word, left over, and "+" a bad value.
      {{"-v", "-19"}, 1, -19, 0, {1, 1}, nullptr},
      {{"-v", "-90"}, 1, -90, 0, {1, 1}, nullptr},
      {{"-O", "-09"}, 1, 1, -9, {1, 1}, nullptr},
      {{"-nproc", "-0"}, 1, 1, 0, {1, 1}, "  ## WARNING: PARSER: INVALID ARGUMENT FOR -nproc -0 \n"},
      {{"-v", "-"}, 1, 1, 0, {1, 0}, nullptr, "-v"},
      {{"-nproc", "-"}, 1, 1, 0, {1, 0}, nullptr, "-nproc"},
      {{"-O", "-"}, 1, 1, 0, {1, 0}, nullptr, "-O"},
      {{"-v", "+"}, 1, 1, 0, {1, 1}, "  ## WARNING: PARSER: INVALID ARGUMENT FOR -v + \n"},
      {{"-O", "+"}, 1, 1, 0, {1, 1}, "  ## WARNING: PARSER: INVALID ARGUMENT FOR -O + \n"},
  };
  for (const NumericCase &c : cases) {
    Parsed p(c.args);
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    EXPECT_EQ(p.opt->NbrProc, c.nproc);
    EXPECT_EQ(p.opt->Verbosity, c.verbosity);
    EXPECT_EQ(p.opt->OptLevel, c.optLevel);
    EXPECT_EQ(p.marks(), c.marks);
    EXPECT_EQ(p.out, c.said ? c.said : "");
    EXPECT_EQ(p.err, c.warned ? without(c.warned) : "");
  }
}

TEST(CommonOptions, SwitchesAndRepeatedNames) {
  Parsed p({"-profile", "-debug", "-nosort", "-out", "x", "-out", "y", "-sol", "-s.sol", "-cad", "c.egads"});
  EXPECT_EQ(std::vector<int>({p.opt->Profile, p.opt->Debug, p.opt->Sort}), (std::vector<int>{1, 1, 0}));
  EXPECT_STREQ(p.opt->OutNam, "x");
  EXPECT_STREQ(p.opt->SolNam, "-s.sol");  // taken as it stands, even with a leading '-'
  EXPECT_STREQ(p.opt->CadNam, "c.egads");
  // The second -out and its value are left for the caller.
  EXPECT_EQ(p.marks(), (std::vector<int>{1, 1, 1, 1, 1, 0, 0, 1, 1, 1, 1}));
  EXPECT_EQ(GetBytOptions(p.opt), 1u + 4u + 16u + 32u);
}

TEST(CommonOptions, NullAndShortCommandLines) {
  Memory_List *mem = NewMemory(10);
  CommonOptions *opt = NewCommonOptions(mem, 0, 1, 1);
  char name[] = "zelvane";
  char *argv[] = {name, nullptr};
  EXPECT_EQ(ParseCommonOptions(1, argv, mem, opt), nullptr);
  char **names = reinterpret_cast<char **>(&opt);
  EXPECT_EQ(GetFileNameList(mem, &names, opt), 0);
  EXPECT_EQ(names, nullptr);
  FreeCommonOptions(mem, opt);
  FreeMemory(mem);
}
