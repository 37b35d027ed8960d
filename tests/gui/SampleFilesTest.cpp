// The sample generator's files against a shared folder and a small machine: its scratch folder
// is reached through its descriptor whatever is put at its name, and a box the machine has not
// the memory for is refused with what it needs before any of it is taken.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/MeshFixtures.h"
#include "zelvane/sample/ZelSample.h"

using namespace fixtures;

namespace {

std::string bytesOf(const std::string &path) {
  QFile f(QString::fromStdString(path));
  return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
}

// What the step hook does: at `step`, the scratch folder is moved away and a link to `other`
// put at its name, as another member of a group folder may.
struct Swap {
  const char *step;
  std::string other, scratch;
  bool done;
} swapping;

void swapScratch(const char *scratch, const char *next) {
  if (std::strcmp(next, swapping.step) != 0) return;
  swapping.scratch = scratch;
  swapping.done =
      rename(scratch, (swapping.scratch + ".moved").c_str()) == 0 && symlink(swapping.other.c_str(), scratch) == 0;
}

}  // namespace

// The scratch folder swapped for a link to another folder, before the first copies are
// written or before they are read back: that folder's files of the same names are neither
// read into the targets nor removed, and the targets get the sample.
TEST(SampleFiles, TheScratchFolderSwappedForALinkLeavesTheOtherFolderUntouched) {
  Memory_List *mem = NewMemory(100);
  Geometric_Mesh *box = zelMakeSampleBox(mem, 2);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "TEST");
  for (const char *step : {"write", "read back"}) {
    SCOPED_TRACE(step);
    ScratchFolder d("sample-scratch-swap");
    const std::string shared = d.path("shared"), reference = d.path("reference");
    ASSERT_TRUE(mkdir(shared.c_str(), 0775) == 0 && mkdir(reference.c_str(), 0755) == 0);
    ASSERT_TRUE(mkdir(d.path("private").c_str(), 0700) == 0);
    ASSERT_TRUE(SaveText(d.path("private/sample.meshb"), "private mesh") &&
                SaveText(d.path("private/sample.solb"), "private solution"));
    ASSERT_EQ(zelWriteSample(&fi, (reference + "/s.meshb").c_str(), (reference + "/s.solb").c_str(), box), 1);
    swapping = {step, d.path("private"), "", false};
    zelSampleBetweenSteps = swapScratch;
    std::string why;
    const std::string mesh = shared + "/s.meshb", sol = shared + "/s.solb";
    const int written = zelWriteSampleFiles(&fi, mesh.c_str(), sol.c_str(), box, &why);
    zelSampleBetweenSteps = nullptr;
    ASSERT_TRUE(swapping.done) << "the folder was not swapped";
    EXPECT_EQ(written, 1) << why;
    EXPECT_EQ(bytesOf(d.path("private/sample.meshb")), "private mesh");
    EXPECT_EQ(bytesOf(d.path("private/sample.solb")), "private solution");
    EXPECT_TRUE(bytesOf(mesh) == bytesOf(reference + "/s.meshb")) << "not the sample's mesh";
    EXPECT_TRUE(bytesOf(sol) == bytesOf(reference + "/s.solb")) << "not the sample's field";
    // The moved folder was emptied through its descriptor; the link at its name stays.
    EXPECT_TRUE(std::filesystem::is_empty(swapping.scratch + ".moved"));
    struct stat st;
    EXPECT_TRUE(lstat(swapping.scratch.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
  }
  FreeCommonMesh(mem, box);
  FreeMemory(mem);
}

// A box the machine has not the memory for ends with one line saying how much it needs,
// before anything is allocated (no allocation failure of the library), and writes nothing.
TEST(SampleFiles, ABoxTheMachineCannotHoldEndsWithTheMemoryItNeeds) {
  const int64_t available = zelAvailableMemory();
  if (available < 0 || available >= zelSampleMemory(ZelSampleMaxCells)) {
    GTEST_SKIP() << "this machine holds the largest box, or does not say what it has";
  }
  ScratchFolder d("sample-too-large");
  QProcess p;
  p.setWorkingDirectory(QString::fromStdString(d.Path));
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("ASAN_OPTIONS", "detect_leaks=0:allocator_may_return_null=1");
  p.setProcessEnvironment(env);
  p.start(buildProgram("zelvane-sample"), {"-n", QString::number(ZelSampleMaxCells)});
  ASSERT_TRUE(p.waitForFinished(60000));
  const std::string err = p.readAllStandardError().toStdString();
  EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << err;
  EXPECT_EQ(p.exitCode(), 1) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_NE(err.find("A BOX OF 700 CELLS NEEDS"), std::string::npos) << err;
  EXPECT_EQ(d.names(), std::vector<std::string>{});
}
