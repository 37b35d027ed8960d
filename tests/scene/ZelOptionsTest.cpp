#include "common/base/CommonOptions.h"
#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelOptions.h"

namespace {

struct ViewerParse {
  Memory_List *mem = NewMemory(100);
  CommonOptions *com = NewCommonOptions(mem, 56, 1, 1);
  ZelvaneOptions *opt = zelNewOptions(mem, com);
  std::string out, err;
  std::vector<int> taken;  // per word after the program's name
  explicit ViewerParse(std::vector<std::string> words) {
    words.insert(words.begin(), "zelvane");
    std::vector<char *> argv;
    for (auto &s : words) argv.push_back(&s[0]);
    argv.push_back(nullptr);
    taken.assign(words.size(), 7);
    const Captured c = CaptureText([&] { EXPECT_EQ(zelParse(int(words.size()), argv.data(), mem, opt, taken.data()), 1); });
    out = c.Out;
    err = c.Err;
    taken.erase(taken.begin());
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
  // Port number given, port kept, warned: ports outside 1..65535 cannot be listened on, and a
  // word that is not a whole number is no port at all (not its leading digits).
  const struct {
    const char *word;
    int port;
    bool warned;
  } cases[] = {{"0", 0, true},      {"8080", 8080, false}, {"65535", 65535, false}, {"65536", 0, true},
               {"1e3", 0, true},    {"80.5", 0, true},     {"443x", 0, true},       {"", 0, true},
               {"99999999999999999999", 0, true}};
  for (const auto &c : cases) {
    ViewerParse p({"-port", c.word});
    EXPECT_EQ(p.opt->Port, c.port) << c.word;
    EXPECT_EQ(p.err.find("-port") != std::string::npos, c.warned) << c.word;
    EXPECT_EQ(p.out, "") << c.word;
  }
  ViewerParse last({"-server", "-port"});
  EXPECT_EQ(last.opt->ServerMode, 2);
  EXPECT_CONTAINS(last.err, "-port WITHOUT ITS PORT NUMBER");
  EXPECT_EQ(last.out, "");
}

// A missing port number and one that cannot be listened on are each named once, on standard
// error, for what they are and ignored (nothing said of them on standard output); the number
// goes with "-port" (no unknown option left), an option word after "-port" is that option.
TEST(ZelOptions, ABadOrMissingPortIsNamedOnceOnStandardErrorAndNoWordIsLeft) {
  const std::string missing = "  ## WARNING: PARSER: -port WITHOUT ITS PORT NUMBER, IGNORED \n";
  const struct {
    std::vector<std::string> words;
    std::string err;
    std::vector<int> taken;
  } rows[] = {
      {{"-in", "a.mesh", "-port"}, missing, {1, 1, 1}},
      {{"-port", "99999"}, "  ## WARNING: PARSER: -port 99999: A PORT OUT OF 1-65535, IGNORED \n", {1, 1}},
      {{"-port", "-3"}, "  ## WARNING: PARSER: -port -3: A PORT OUT OF 1-65535, IGNORED \n", {1, 1}},
      {{"-port", "http"}, "  ## WARNING: PARSER: -port http: NOT A PORT NUMBER (1-65535), IGNORED \n", {1, 1}},
      {{"-port", "-seq-exit"}, missing, {1, 1}},
      {{"-port", "-in", "a.mesh"}, missing, {1, 1, 1}},
      {{"-port", "-soll"}, missing, {1, 0}},
      {{"-port", "8080"}, "", {1, 1}},
  };
  for (const auto &r : rows) {
    ViewerParse p(r.words);
    SCOPED_TRACE(r.words.back());
    EXPECT_EQ(p.err, r.err);
    EXPECT_EQ(p.out, "");
    EXPECT_EQ(p.taken, r.taken);
    EXPECT_EQ(p.opt->Port, r.err.empty() ? 8080 : 0);
  }
  EXPECT_EQ(ViewerParse({"-port", "-seq-exit"}).opt->SeqExit, 1);
}

// The first file name of each kind wins; switches set their modes; the common words reach the
// common options.
TEST(ZelOptions, FilesSwitchesAndCommonWords) {
  ViewerParse p({"-view", "a.view", "-view", "b.view", "-state", "s.state", "-seq", "r.seq", "-seq-realtime",
                 "-seq-exit", "-ced", "-server-root", "-in", "wing.meshb", "-sol", "wing.solb", "-nproc",
                 "3"});
  EXPECT_EQ(std::string(p.opt->ViewNam) + p.opt->StateNam + p.opt->SeqNam, "a.views.stater.seq");
  const ZelvaneOptions *o = p.opt;
  EXPECT_EQ(std::vector<int>({o->Fast, o->SeqExit, o->Ced, o->ServerMode, zelSeqReplayMode(o)}),
            (std::vector<int>{0, 1, 1, 1, 3}));
  EXPECT_EQ(std::string(p.com->InpNam) + " " + p.com->SolNam, "wing.meshb wing.solb");
  EXPECT_EQ(p.com->NbrProc, 3);
  EXPECT_EQ(zelSeqReplayMode(ViewerParse({"-seq-realtime"}).opt), 2);
  EXPECT_EQ(zelSeqReplayMode(ViewerParse({}).opt), 1);
  ViewerParse last({"-seq"});
  EXPECT_EQ(last.opt->SeqNam, nullptr);
  EXPECT_CONTAINS(last.out, "  ## WARNING: PARSER: NO SEQUENCE FILE NAME GIVEN ");
}

// Every word is marked taken by one parser or left: the left ones are what the program names
// as unknown. A repeated file option is left like any word not in the tables; a bad port goes
// with "-port", which names it.
TEST(ZelOptions, EachWordIsMarkedTakenOrLeft) {
  ViewerParse p({"-in", "a.mesh", "b.mesh", "--seq-exit", "-seq", "s.seq", "-seq", "t.seq", "-soll", "x.sol", "-port",
                 "0", "-v", "3", "-seq-exit", "-server", "-ced", "-O2", "-platform", "offscreen"});
  EXPECT_EQ(p.taken, std::vector<int>({1, 1, 1, 0, 1, 1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0}));
  EXPECT_EQ(ViewerParse({}).taken, std::vector<int>());
  // Every option the program takes, each with a valid value where it takes one, is taken.
  const ViewerParse all({"-in", "a.mesh", "-out", "o.mesh", "-sol", "a.sol", "-met", "m.sol", "-cad", "c.egads",
                         "-back", "b.mesh", "-nproc", "2", "-v", "1", "-profile", "-debug", "-nosort", "-O", "2",
                         "-server", "-server-root", "-port", "2000", "-seq", "s.seq", "-seq-exit", "-seq-realtime",
                         "-view", "v.view", "-state", "s.state", "-ced"});
  EXPECT_EQ(all.taken, std::vector<int>(all.taken.size(), 1));
}
