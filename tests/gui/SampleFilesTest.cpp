// The sample generator's files against a shared folder and a small machine: its scratch folder
// is reached through its descriptor whatever is put at its name, and a box the machine has not
// the memory for is refused with what it needs before any of it is taken.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/base/ShownName.h"
#include "common/base/UserFile.h"
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
// read into the targets nor removed, the targets get the sample, and a line says where the
// scratch folder was moved to.
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
    int written = -1;
    const std::string err =
        CaptureText([&] { written = zelWriteSampleFiles(&fi, mesh.c_str(), sol.c_str(), box, &why); }).Err;
    zelSampleBetweenSteps = nullptr;
    ASSERT_TRUE(swapping.done) << "the folder was not swapped";
    EXPECT_EQ(written, 1) << why;
    EXPECT_EQ(bytesOf(d.path("private/sample.meshb")), "private mesh");
    EXPECT_EQ(bytesOf(d.path("private/sample.solb")), "private solution");
    EXPECT_TRUE(bytesOf(mesh) == bytesOf(reference + "/s.meshb")) << "not the sample's mesh";
    EXPECT_TRUE(bytesOf(sol) == bytesOf(reference + "/s.solb")) << "not the sample's field";
    // The moved folder was emptied through its descriptor, and is left where it went with one
    // line; the link at its name stays.
    EXPECT_TRUE(std::filesystem::is_empty(swapping.scratch + ".moved"));
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_CONTAINS(err, "WAS MOVED BY ANOTHER PROGRAM TO " +
                             ShownName(std::filesystem::canonical(swapping.scratch + ".moved").string()) +
                             " AND IS LEFT THERE, EMPTY");
    struct stat st;
    EXPECT_TRUE(lstat(swapping.scratch.c_str(), &st) == 0 && S_ISLNK(st.st_mode));
  }
  FreeCommonMesh(mem, box);
  FreeMemory(mem);
}

// A box the machine has not the memory for, or more than the process's own limit (ulimit -v)
// allows, ends with one line saying how much it needs and, as what is available, the smaller,
// before anything is allocated (no allocation failure of the library), and writes nothing. The
// address sanitizer's shadow memory takes more address space than any limit leaves.
TEST(SampleFiles, ABoxTheMachineCannotHoldEndsWithTheMemoryItNeeds) {
  struct Row {
    const char *what;
    int cells;
    long limitKb;  // 0: none
  } const rows[] = {{"the machine", ZelSampleMaxCells, 0}, {"ulimit -v", 100, 200000}};
  const int64_t available = zelAvailableMemory();
  bool sanitized = false;
#if defined(__SANITIZE_ADDRESS__)
  sanitized = true;
#endif
  int tried = 0;
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    if (r.limitKb ? sanitized || available < r.limitKb * 2048 : available < 0 || available >= zelSampleMemory(r.cells))
      continue;  // the machine holds the box, does not say what it has, or the limit cannot bind
    tried++;
    ScratchFolder d("sample-too-large");
    QProcess p;
    p.setWorkingDirectory(QString::fromStdString(d.Path));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ASAN_OPTIONS", "detect_leaks=0:allocator_may_return_null=1");
    p.setProcessEnvironment(env);
    p.start("/bin/sh", {"-c", "ulimit -v \"$1\" && exec \"$0\" -n \"$2\"", buildProgram("zelvane-sample"),
                        r.limitKb ? QString::number(r.limitKb) : "unlimited", QString::number(r.cells)});
    ASSERT_TRUE(p.waitForFinished(60000));
    const std::string err = p.readAllStandardError().toStdString();
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << err;
    EXPECT_EQ(p.exitCode(), 1) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    const size_t at = err.find("A BOX OF " + std::to_string(r.cells) + " CELLS NEEDS");
    const size_t comma = err.find(" GB OF MEMORY, "), end = err.find(" GB ARE AVAILABLE");
    ASSERT_TRUE(at != std::string::npos && comma != std::string::npos && end != std::string::npos) << err;
    const std::string shown = err.substr(comma + 15, end - comma - 15);
    if (r.limitKb) {
      EXPECT_NEAR(std::stod(shown), r.limitKb * 1024 / 1e9, 0.05) << "the limit is not what is available: " << err;
    }
    EXPECT_EQ(d.names(), std::vector<std::string>{});
  }
  if (!tried) GTEST_SKIP() << "the machine holds the largest box or does not say what it has, and no limit binds "
                               "under the address sanitizer";
}

// Another writer in the way of the sample's two commits. Another program's file renamed over
// the temporary name of a new file (which has one only at its commit) fails the sample, whose
// line says what each file holds, the new file's contents kept beside them; a
// solution made read-only by its owner before the commit leaves both files as they were. A
// second run started between the two commits (refused at once here, instead of waiting for the
// locks) leaves the first run's pair whole, never a mesh of one beside the solution of the
// other: over a pair, where there is none yet, and over a pair written in place. A mesh written
// in place whose name is turned into a link meanwhile fails the sample too, its new contents
// kept in the copy the line names, the link and the file it leads to left alone. Any user.
TEST(SampleFiles, AnotherWriterInTheWayNeverLeavesAPairThatIsNotOneRunsWhole) {
  struct Row {
    const char *what, *step, *act;  // ".name": theirs renamed over it, "run": a second run, "0444": sol's mode,
                                    // "link": a link to theirs put at the mesh's name
    bool exists;
    mode_t folder;
    int status;  // 1: written; 2: the second run refused
    bool meshNew, solNew;
    const char *says;
  } const rows[] = {
      {"over the mesh's temporary name", "rename", ".s.meshb.", true, 0755, 0, false, false, "s.solb is as it was"},
      {"over the solution's", "rename", ".s.solb.", true, 0755, 0, true, false, "s.meshb holds the new"},
      {"a second run", "commit the solution", "run", true, 0755, 3, true, true, "lock"},
      {"a second run, no pair yet", "commit the solution", "run", false, 0755, 3, true, true, "lock"},
      {"a second run, in place", "commit the solution", "run", true, 0555, 3, true, true, "lock"},
      {"the solution made read-only by its owner", "read back", "0444", true, 0755, 0, false, false, "write-protected"},
      {"the mesh's name made a link while written in place", "check the target", "link", true, 0555, 0, false, false,
       "s.solb is as it was"},
  };
  Memory_List *mem = NewMemory(100);
  Geometric_Mesh *first = zelMakeSampleBox(mem, 2), *second = zelMakeSampleBox(mem, 3);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "TEST");
  ScratchFolder ref("sample-reference");
  ASSERT_EQ(zelWriteSample(&fi, ref.path("s.meshb").c_str(), ref.path("s.solb").c_str(), first), 1);
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    ScratchFolder d("sample-in-the-way"), tmp("sample-in-the-way-tmp");
    const std::string mesh = d.path("s.meshb"), sol = d.path("s.solb"), theirs = tmp.path("theirs");
    ASSERT_TRUE(SaveText(theirs, "theirs") && (!r.exists || (SaveText(mesh, "old mesh") && SaveText(sol, "old sol"))));
    ASSERT_EQ(chmod(d.Path.c_str(), r.folder), 0);
    int status = -1;
    const Captured c = CaptureText([&] {
      status = RunInChild([&] {
        if (!DropFileOverride() || setenv("TMPDIR", tmp.Path.c_str(), 1) != 0) return 255;
        int refused = 0;
        AtStep = {r.step, [&] {
                    zelSampleBetweenSteps = nullptr;
                    for (const std::string &name : d.names())
                      if (name.rfind(r.act, 0) == 0) rename(theirs.c_str(), d.path(name).c_str());
                    if (!std::strcmp(r.act, "0444")) chmod(sol.c_str(), 0444);
                    // Once the new mesh went over the old one (the sample's own first copies are
                    // checked at this step too).
                    if (!std::strcmp(r.act, "link") && bytesOf(mesh) != "old mesh" &&
                        chmod(d.Path.c_str(), 0755) == 0 && symlink(theirs.c_str(), d.path("link").c_str()) == 0)
                      rename(d.path("link").c_str(), mesh.c_str());
                    std::string why;
                    UserFileLockWaitMs = 0;
                    const bool run = !std::strcmp(r.act, "run");
                    refused = run && zelWriteSampleFiles(&fi, mesh.c_str(), sol.c_str(), second, &why) == 0;
                    printf("%s\n", why.c_str());
                  }, 0};
        zelSampleBetweenSteps = OnStep;
        UserFileBetweenSteps = OnStep;
        std::string why;
        const int written = zelWriteSampleFiles(&fi, mesh.c_str(), sol.c_str(), first, &why);
        printf("%s\n", why.c_str());
        return written | refused << 1;
      });
    });
    chmod(d.Path.c_str(), 0755);
    EXPECT_EQ(status, r.status) << c.Out;
    EXPECT_CONTAINS(c.Out, r.says);
    const bool link = !std::strcmp(r.act, "link");
    EXPECT_TRUE(bytesOf(mesh) == (link ? "theirs" : r.meshNew ? bytesOf(ref.path("s.meshb")) : "old mesh")) << "mesh";
    if (link) {
      const std::vector<std::string> kept = tmp.names();  // theirs, and the copy named by the line
      ASSERT_EQ(kept.size(), 2u);
      EXPECT_EQ(bytesOf(tmp.path(kept[0])), bytesOf(ref.path("s.meshb")));
      EXPECT_CONTAINS(c.Out, "the new contents are in " + tmp.path(kept[0]));
    }
    EXPECT_TRUE(bytesOf(sol) == (r.solNew ? bytesOf(ref.path("s.solb")) : "old sol")) << "solution";
    // The pair; and theirs where it was put, with the new file kept beside it.
    std::vector<std::string> others = d.names();
    others.erase(std::remove_if(others.begin(), others.end(),
                                [](const std::string &n) { return n == "s.meshb" || n == "s.solb"; }),
                 others.end());
    ASSERT_EQ(others.size(), r.act[0] == '.' ? 2u : 0u);
    if (others.empty()) continue;
    std::vector<std::string> held = {bytesOf(d.path(others[0])), bytesOf(d.path(others[1]))},
                             expected = {bytesOf(ref.path(r.meshNew ? "s.solb" : "s.meshb")), "theirs"};
    std::sort(held.begin(), held.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(held == expected) << "not theirs and the new file kept";
    EXPECT_CONTAINS(c.Out, "the new contents are in " + d.Path + "/.s." + (r.meshNew ? "solb." : "meshb."));
  }
  FreeCommonMesh(mem, second);
  FreeCommonMesh(mem, first);
  FreeMemory(mem);
}

// Without /proc (hidden in a mount namespace of the test's own), the sample is refused with a
// line saying that it needs /proc, not that some file is missing.
TEST(SampleFiles, WithoutProcTheSampleSaysItNeedsProc) {
  Memory_List *mem = NewMemory(100);
  Geometric_Mesh *box = zelMakeSampleBox(mem, 2);
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, nullptr, "TEST");
  ScratchFolder d("sample-no-proc");
  std::string why;
  const int status = RunInChild([&] {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
        mount("none", "/proc", "tmpfs", 0, nullptr) != 0)
      return 2;
    const int written = zelWriteSampleFiles(&fi, d.path("s.meshb").c_str(), d.path("s.solb").c_str(), box, &why);
    return written || why.find("need /proc") == std::string::npos || why.find("/proc is missing") == std::string::npos
               ? 1
               : 0;
  });
  FreeCommonMesh(mem, box);
  FreeMemory(mem);
  if (status == 2) GTEST_SKIP() << "no mount namespace of the test's own to hide /proc in (root only)";
  EXPECT_EQ(status, 0) << "written, or the reason does not name /proc";
  EXPECT_EQ(d.names(), std::vector<std::string>{});
}

// A refusal for memory shows its two sizes with the digits that tell them apart, each true to
// its last digit.
TEST(SampleFiles, TheMemoryRefusalShowsTwoSizesThatDiffer) {
  for (const auto &pair : {std::make_pair(410e6, 360e6), {400000100., 400e6}, {2850e6, 2849.99e6}, {122.5e9, 64e9}})
    for (const auto &one : {pair, std::make_pair(pair.second, pair.first)}) {
      const std::string shown = zelGigabytes(int64_t(one.first), int64_t(one.second));
      EXPECT_NE(shown, zelGigabytes(int64_t(one.second), int64_t(one.first)));
      const double digits = double(shown.find(" GB") - shown.find('.') - 1);
      EXPECT_LE(std::fabs(std::stod(shown) - one.first / 1e9), 0.5 * std::pow(10.0, -digits) + 1e-12) << shown;
    }
}
