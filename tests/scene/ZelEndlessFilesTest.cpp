// The scene engine's files against hostile names and full disks: state, view, path and scene
// options readers refuse a FIFO, a link to /dev/zero or a folder at once with one line naming
// it (each read runs in a child process with a deadline, so that a reader that waits for ever
// fails instead of hanging the suite); a state or view file whose write fails midway leaves
// the old file whole and no partial one.
#include "tests/scene/SceneTest.h"
#include "tests/support/HostileFiles.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelPath.h"
#include "zelvane/scene/ZelSavedState.h"
#include "zelvane/scene/ZelSceneOptions.h"

using namespace fixtures;

namespace {

Geometric_Mesh *box(Memory_List *mem) { return MakeStructuredMesh(mem, 2, 1, 1, GEN_TET | GEN_TRI); }

// The child's verdict: 0 as expected, 1 a wrong result, 2 no line naming the refused file.
int verdict(bool expected, const std::string &err, const std::string &path) {
  if (!expected) return 1;
  return err.find(path + " IS A") == std::string::npos ? 2 : 0;
}

}  // namespace

TEST(EndlessFiles, EverySceneReaderRefusesANameThatIsNotARegularFileAtOnce) {
  DisplayScene s(box, false);
  ScratchFolder dir("scene-endless");
  struct Row {
    const char *what;
    const char *name;  // the file the reader opens
    std::function<bool(const std::string &path)> refused;  // reads, true when nothing came of it
  };
  const Row rows[] = {
      {"state file", "e.state", [&](const std::string &p) { return zelLoadStateFromFile(s.get(), p.c_str()) == 0; }},
      {"view file", "e.view", [&](const std::string &p) { return zelLoadView(s.get(), p.c_str()) == 0; }},
      {"path file", "e.path", [&](const std::string &p) { return zelAddPath(p.c_str()) == nullptr; }},
      {"scene options file", "mesh.zelvane",
       [&](const std::string &p) {
         ZelSceneOptions opt = {};
         opt.verbose = -7;
         // The base name is the options file's name without ".zelvane".
         zelReadZelSceneOptions(p.substr(0, p.size() - 8).c_str(), &opt);
         return opt.verbose == -7 && opt.palCount == 0;
       }},
  };
  int k = 0;
  for (const Row &r : rows)
    for (Endless kind : AllEndless) {
      const std::string path = dir.path(std::to_string(k++) + r.name);
      ASSERT_TRUE(MakeEndless(path, kind));
      const int v = RunInChild([&] {
        bool refused = false;
        const Captured c = CaptureText([&] { refused = r.refused(path); });
        return verdict(refused, c.Err, path);
      });
      RemoveEndless(path);
      EXPECT_EQ(v, 0) << r.what << " as " << EndlessName(kind)
                      << (v == -1 ? ": still reading at the deadline" : v == 2 ? ": no line names it" : "");
    }
}

// A state or view file whose disk fills up while it is written is left as it was.
TEST(EndlessFiles, AStateOrViewWriteThatFailsMidwayLeavesTheOldFileWhole) {
  DisplayScene s(box, false);
  for (int i = 0; i < 12; i++) {
    ASSERT_GT(zelSaveState(s.get()), 0);
    ASSERT_GT(zelSaveView(s.get()), 0);
  }
  ScratchFolder dir("scene-full");
  struct Row {
    const char *name;
    std::function<int(const char *)> write;
  };
  const Row rows[] = {{"all.state", [&](const char *p) { return zelSaveStateInFile(s.get(), p); }},
                      {"last.state", [&](const char *p) { return zelSaveLastStateInFile(s.get(), p); }},
                      {"all.view", [&](const char *p) { return zelSaveViewInFile(s.get(), p); }}};
  for (const Row &r : rows) {
    const std::string path = dir.path(r.name), old = "the older file";
    CaptureStdout();
    ASSERT_EQ(r.write(path.c_str()), 1) << r.name;
    const size_t whole = readFile(path).size();
    ASSERT_TRUE(SaveText(path, old));
    int written = -1;
    {
      FileSizeLimit full(whole / 2);
      ASSERT_TRUE(full.active());
      written = r.write(path.c_str());
    }
    GetCapturedStdout();
    EXPECT_EQ(written, 0) << r.name;
    EXPECT_EQ(readFile(path), old) << r.name;
  }
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"all.state", "all.view", "last.state"}));
}
