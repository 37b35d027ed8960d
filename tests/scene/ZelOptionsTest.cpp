#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/base/CommonOptions.h"
#include "common/base/Memory.h"
#include "tests/support/CaptureText.h"
#include "zelvane/scene/ZelOptions.h"

namespace {

struct ViewerParse {
  Memory_List *mem = NewMemory(100);
  CommonOptions *com = NewCommonOptions(mem, 56, 1, 1);
  ZelvaneOptions *opt = zelNewOptions(mem, com);
  std::string out;
  explicit ViewerParse(std::vector<std::string> words) {
    words.insert(words.begin(), "zelvane");
    std::vector<char *> argv;
    for (auto &s : words) argv.push_back(&s[0]);
    argv.push_back(nullptr);
    out = CaptureText([&] { EXPECT_EQ(zelParse(static_cast<int>(words.size()), argv.data(), mem, opt), 1); }).Out;
  }
  ~ViewerParse() {
    EXPECT_EQ(zelFreeOptions(mem, opt), 0);
    FreeCommonOptions(mem, com);
    EXPECT_EQ(mem->NbrActive, 0);  // the parse marks were released
    FreeMemory(mem);
  }
};

}  // namespace

TEST(ZelOptions, Port) {
  // Port number given, port kept, warned.
  const struct {
    const char *word;
    int port;
    bool warned;
  } cases[] = {{"0", 0, true}, {"8080", 8080, false}, {"65535", 65535, false}, {"65536", 0, true}, {"70000", 0, true}};
  for (const auto &c : cases) {
    ViewerParse p({"-port", c.word});
    EXPECT_EQ(p.opt->Port, c.port) << c.word;
    EXPECT_EQ(p.out.find("INVALID ARGUMENT FOR -port") != std::string::npos, c.warned) << c.word;
  }
  ViewerParse last({"-server", "-port"});
  EXPECT_EQ(last.opt->ServerMode, 2);
  EXPECT_NE(last.out.find("  ## WARNING : PARSER: NO NUM PORT GIVEN "), std::string::npos);
}

TEST(ZelOptions, FilesFirstOneWins) {
  ViewerParse p({"-view", "a.view", "-view", "b.view", "-state", "s.state", "-seq", "r.seq"});
  EXPECT_STREQ(p.opt->ViewNam, "a.view");
  EXPECT_STREQ(p.opt->StateNam, "s.state");
  EXPECT_STREQ(p.opt->SeqNam, "r.seq");

  ViewerParse last({"-seq"});
  EXPECT_EQ(last.opt->SeqNam, nullptr);
  EXPECT_NE(last.out.find("  ## WARNING: PARSER: NO SEQUENCE FILE NAME GIVEN "), std::string::npos);
}

TEST(ZelOptions, ReplayModesAndSwitches) {
  ViewerParse p({"-seq-realtime", "-seq-exit", "-ced", "-server-root"});
  EXPECT_EQ(p.opt->Fast, 0);
  EXPECT_EQ(p.opt->SeqExit, 1);
  EXPECT_EQ(p.opt->Ced, 1);
  EXPECT_EQ(p.opt->ServerMode, 1);
  EXPECT_EQ(zelSeqReplayMode(p.opt), 3);
  EXPECT_EQ(zelSeqReplayMode(ViewerParse({"-seq-realtime"}).opt), 2);
  EXPECT_EQ(zelSeqReplayMode(ViewerParse({}).opt), 1);
}

TEST(ZelOptions, CommonWordsReachTheCommonOptions) {
  ViewerParse p({"-in", "wing.meshb", "-sol", "wing.solb", "-view", "v", "-nproc", "3"});
  EXPECT_STREQ(p.com->InpNam, "wing.meshb");
  EXPECT_STREQ(p.com->SolNam, "wing.solb");
  EXPECT_EQ(p.com->NbrProc, 3);
  EXPECT_STREQ(p.opt->ViewNam, "v");
}

TEST(ZelOptions, NullCommonOptionsIsFatal) {
  EXPECT_EXIT(zelNewOptions(nullptr, nullptr), ::testing::ExitedWithCode(100),
              "ZELNEWOPTIONS: COMMON OPTIONS IS NULL.*INTERNAL ERROR");
  EXPECT_EQ(zelParse(0, nullptr, nullptr, nullptr), 0);
}
