#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/CommonOptions.h"
#include "common/FunctionInterface.h"
#include "common/Memory.h"

namespace {

// Owns a writable argv built from words.
struct Args {
  std::vector<std::string> words;
  std::vector<char *> argv;
  explicit Args(std::vector<std::string> w) : words(std::move(w)) {
    words.insert(words.begin(), "zelvane");
    for (auto &s : words) argv.push_back(&s[0]);
    argv.push_back(nullptr);
  }
  int argc() const { return static_cast<int>(words.size()); }
};

struct Parsed {
  Memory_List *mem = NewMemory(100);
  CommonOptions *opt = NewCommonOptions(mem, 56, 1, 1);
  int *isSet = nullptr;
  std::string out;
  int argc = 0;
  explicit Parsed(std::vector<std::string> words) {
    Args a(std::move(words));
    argc = a.argc();
    testing::internal::CaptureStdout();
    isSet = ParseCommonOptions(a.argc(), a.argv.data(), mem, opt);
    out = testing::internal::GetCapturedStdout();
  }
  std::vector<int> marks() const { return std::vector<int>(isSet + 1, isSet + argc); }
  ~Parsed() {
    MEM_FREE(mem, isSet);
    FreeCommonOptions(mem, opt);
    EXPECT_EQ(mem->NbrActive, 0);
    FreeMemory(mem);
  }
};

}  // namespace

TEST(CommonOptions, CreationFlags) {
  Memory_List *mem = NewMemory(10);
  CommonOptions *opt = NewCommonOptions(mem, 56, 1, 1);
  ASSERT_NE(opt, nullptr);
  EXPECT_EQ(opt->Flag16, 1);
  EXPECT_EQ(opt->Flag32, 1);
  EXPECT_EQ(opt->Sort, 1);
  EXPECT_EQ(opt->Debug, 0);
  EXPECT_EQ(opt->Profile, 0);
  EXPECT_EQ(opt->NbrProc, 1);
  EXPECT_EQ(GetBytOptions(opt), 56u);
  CommonOptions *all = NewCommonOptions(mem, 1 | 4 | 8, 2, 3);
  EXPECT_EQ(GetBytOptions(all), 13u);
  EXPECT_EQ(FreeCommonOptions(mem, all), nullptr);
  EXPECT_EQ(FreeCommonOptions(mem, opt), nullptr);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

TEST(CommonOptions, InputListAndDefaultOutput) {
  Parsed p({"-in", "a.mesh", "b.mesh", "c.mesh", "-v", "3"});
  EXPECT_STREQ(p.opt->InpNam, "a.mesh");
  EXPECT_EQ(p.opt->NbrFil, 2);
  EXPECT_EQ(p.opt->Verbosity, 3);
  EXPECT_STREQ(p.opt->OutNam, "a.o");
  EXPECT_EQ(p.marks(), std::vector<int>(6, 1));

  char **names = nullptr;
  int n = GetFileNameList(p.mem, &names, p.opt);
  ASSERT_EQ(n, 3);
  EXPECT_STREQ(names[0], "a.mesh");
  EXPECT_STREQ(names[1], "b.mesh");
  EXPECT_STREQ(names[2], "c.mesh");
  FreeFileNameList(p.mem, names, n);
}

TEST(CommonOptions, OutputNameCutAtFirstMesh) {
  Parsed b({"-in", "dir/in.meshb"});
  EXPECT_STREQ(b.opt->OutNam, "dir/in.o");
  Parsed s({"-in", "wing.su2"});
  EXPECT_STREQ(s.opt->OutNam, "wing.su2.o");
  Parsed o({"-in", "a.mesh", "-out", "res.meshb"});
  EXPECT_STREQ(o.opt->OutNam, "res.meshb");
}

TEST(CommonOptions, MissingFileNamesWarn) {
  Parsed p({"-in", "-v", "2"});
  EXPECT_EQ(p.opt->InpNam, nullptr);
  EXPECT_EQ(p.opt->Verbosity, 2);
  EXPECT_NE(p.out.find("  ## WARNING: PARSER: NO FILE NAME GIVEN "), std::string::npos) << p.out;

  Parsed last({"-in"});
  EXPECT_NE(last.out.find("  ## WARNING : PARSER: NO FILE NAME GIVEN "), std::string::npos);

  Parsed out({"-out"});
  EXPECT_NE(out.out.find("NO OUTPUT FILE NAME GIVEN"), std::string::npos);
  Parsed met({"-met"});
  EXPECT_NE(met.out.find("NO SOLUTION FILE NAME GIVEN"), std::string::npos);
  Parsed back({"-back"});
  EXPECT_NE(back.out.find("NO BACKGROUND MESH FILE NAME GIVEN"), std::string::npos);
}

// argument words, expected values of the fields, expected consumption marks
struct NumericCase {
  std::vector<std::string> args;
  int nproc, verbosity, optLevel;
  std::vector<int> marks;
  const char *warning;
};

TEST(CommonOptions, NumericWords) {
  const NumericCase cases[] = {
      {{"-nproc", "4"}, 4, 1, 0, {1, 1}, nullptr},
      {{"-nproc", "0"}, 1, 1, 0, {1, 0}, "INVALID ARGUMENT FOR -nproc 0"},
      {{"-nproc", "-v", "5"}, 1, 5, 0, {1, 1, 1}, "INVALID ARGUMENT FOR -nproc 0"},
      {{"-O2"}, 1, 1, 2, {1}, nullptr},
      {{"-O", "2"}, 1, 1, 2, {1, 1}, nullptr},
      {{"-O"}, 1, 1, 0, {1}, "  ## WARNING: "},
      {{"-Ofast"}, 1, 1, 0, {0}, nullptr},
      {{"-v"}, 1, 1, 0, {1}, nullptr},
      {{"-unknown", "-v", "4"}, 1, 4, 0, {0, 1, 1}, nullptr},
  };
  for (const NumericCase &c : cases) {
    Parsed p(c.args);
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    EXPECT_EQ(p.opt->NbrProc, c.nproc);
    EXPECT_EQ(p.opt->Verbosity, c.verbosity);
    EXPECT_EQ(p.opt->OptLevel, c.optLevel);
    EXPECT_EQ(p.marks(), c.marks);
    if (c.warning)
      EXPECT_NE(p.out.find(c.warning), std::string::npos) << p.out;
    else
      EXPECT_EQ(p.out, "");
  }
}

TEST(CommonOptions, SwitchesAndRepeatedNames) {
  Parsed p({"-profile", "-debug", "-nosort", "-out", "x", "-out", "y", "-sol", "-s.sol", "-cad", "c.egads"});
  EXPECT_EQ(p.opt->Profile, 1);
  EXPECT_EQ(p.opt->Debug, 1);
  EXPECT_EQ(p.opt->Sort, 0);
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
  EXPECT_EQ(ParseCommonOptions(2, nullptr, mem, opt), nullptr);
  EXPECT_EQ(ParseCommonOptions(1, argv, mem, nullptr), nullptr);
  char **names = reinterpret_cast<char **>(&opt);
  EXPECT_EQ(GetFileNameList(mem, &names, opt), 0);
  EXPECT_EQ(names, nullptr);
  EXPECT_EQ(GetFileNameList(mem, &names, nullptr), 0);
  FreeCommonOptions(mem, opt);
  FreeMemory(mem);
}

TEST(FunctionInterface, DefaultsAndNameCut) {
  Function_Interface fi;
  std::memset(&fi, 0x5a, sizeof(fi));
  Memory_List *mem = NewMemory(2);
  DefaultFunInterface(&fi, mem, nullptr, "A_NAME_THAT_IS_LONGER_THAN_THIRTY_ONE_CHARS");
  EXPECT_EQ(fi.ErrCod, 0);
  EXPECT_EQ(fi.Verbose, 1);
  EXPECT_EQ(fi.OptBits, 0u);
  EXPECT_EQ(fi.Status, 0u);
  EXPECT_EQ(fi.Mem, mem);
  EXPECT_EQ(fi.Par, nullptr);
  EXPECT_EQ(std::string(fi.FunNam), std::string("A_NAME_THAT_IS_LONGER_THAN_THIRTY_ONE_CHARS").substr(0, 31));
  FreeMemory(mem);
}
