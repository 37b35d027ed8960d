// A process stopped while it writes a user's file leaves nothing of the write in the folder.
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>

#include <filesystem>

#include "common/base/StopCleanup.h"
#include "common/base/UserFile.h"
#include "tests/common/CommonTest.h"
#include "tests/support/HostileFiles.h"

namespace {

// Hides /proc from this process in a mount namespace of its own (root only): the road of a
// system where a file cannot be made without a name.
bool hideProc() {
  return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         mount("none", "/proc", "tmpfs", 0, nullptr) == 0;
}

}  // namespace

// A write is stopped by a signal in a child that took the stop signals: while it writes (its
// file nameless, or under its temporary name where /proc is hidden) or once its file has its
// temporary name, right before the rename. SIGTERM, SIGINT and SIGHUP remove the temporary file
// and end the process by that signal; SIGKILL cannot be handled, and the nameless file leaves
// nothing all the same; a SIGHUP ignored at the start (nohup) stays ignored and the write ends
// well. Another program's file renamed over the temporary name is not removed. The old file is
// whole whatever happens.
TEST(StopCleanup, AStopDuringAWriteLeavesNothingOfItInTheFolder) {
  enum When { Writing, Named };
  struct Row {
    const char *what;
    int sig;
    When when;
    bool withoutProc, nohup, swapped;
    int endsBy;  // 0: the write ends, written
  } const rows[] = {
      {"SIGTERM once the file has its name", SIGTERM, Named, false, false, false, SIGTERM},
      {"SIGINT once the file has its name", SIGINT, Named, false, false, false, SIGINT},
      {"SIGHUP once the file has its name", SIGHUP, Named, false, false, false, SIGHUP},
      {"SIGKILL while the nameless file is written", SIGKILL, Writing, false, false, false, SIGKILL},
      {"SIGTERM while the file is written under its name, without /proc", SIGTERM, Writing, true, false, false,
       SIGTERM},
      {"SIGINT once the file has its name, without /proc", SIGINT, Named, true, false, false, SIGINT},
      {"SIGHUP ignored from the start (nohup)", SIGHUP, Named, false, true, false, 0},
      {"SIGTERM after another program's file took the temporary name", SIGTERM, Named, false, false, true, SIGTERM},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    ScratchFolder dir("stop-cleanup");
    const std::string target = dir.path("f.mesh"), intruder = dir.path("intruder");
    ASSERT_TRUE(SaveText(target, "old") && SaveText(intruder, "theirs"));
    if (r.sig == SIGKILL && !NamelessFilesIn(dir.Path)) {
      printf("  (%s: the file system of %s makes no file without a name; not tried)\n", r.what, dir.Path.c_str());
      continue;
    }
    int endedBy = -1;
    const int status = RunInChild(
        [&] {
          if (r.withoutProc && !hideProc()) return 250;
          for (int sig : {SIGTERM, SIGINT, SIGHUP}) signal(sig, r.nohup && sig == SIGHUP ? SIG_IGN : SIG_DFL);
          TakeStopSignals();
          UserFileWrite w;
          if (!BeginUserFileWrite(&w, target.c_str()) || fputs("new", w.F) < 0 || fflush(w.F) != 0) return 251;
          if (r.when == Writing) raise(r.sig);
          AtStep = {"rename", [&] {
                      if (r.swapped) rename(intruder.c_str(), w.Temp);
                      raise(r.sig);
                    }, 0};
          UserFileBetweenSteps = OnStep;
          return CommitUserFileWrite(&w) ? 0 : 1;
        },
        60, &endedBy);
    if (status == 250) {
      printf("  (%s: no mount namespace of the test's own to hide /proc in; not tried as uid %u)\n", r.what,
             unsigned(geteuid()));
      continue;
    }
    EXPECT_EQ(endedBy, r.endsBy) << "status " << status;
    if (!r.endsBy) {
      EXPECT_EQ(status, 0);
    }
    EXPECT_EQ(ReadAll(target), r.endsBy ? "old" : "new");
    std::vector<std::string> left = dir.names();
    left.erase(std::remove(left.begin(), left.end(), "f.mesh"), left.end());
    if (!r.swapped) {
      EXPECT_EQ(left, std::vector<std::string>{"intruder"});
      continue;
    }
    // Their file, at the temporary name it took.
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].rfind(".f.mesh.", 0), 0u) << left[0];
    EXPECT_EQ(ReadAll(dir.path(left[0])), "theirs");
  }
}

// Before a stop removes the files of the writes in progress, every descriptor the process holds
// on them becomes one of /dev/null (on FUSE and NFS a file removed while open stays as a hidden
// file, and its folder with it): the number stays taken, a read on it fails, and a descriptor
// of any other file is left as it was. A handler of the process's own, there first, lets it go
// on after the stop, so that its descriptors can be looked at.
TEST(StopCleanup, AStopLetsGoOfTheFilesItRemovesBeforeItRemovesThem) {
  ScratchFolder dir("stop-release");
  const std::string temp = dir.path(".f.mesh.tmp"), other = dir.path("other");
  ASSERT_TRUE(SaveText(temp, "temp") && SaveText(other, "other"));
  ASSERT_TRUE(mkdir(dir.path("scratch").c_str(), 0700) == 0 && SaveText(dir.path("scratch/sample.meshb"), "sample"));
  const int status = RunInChild([&] {
    signal(SIGTERM, [](int) {});
    TakeStopSignals();
    const int parent = open(dir.Path.c_str(), O_RDONLY | O_DIRECTORY);
    const int folder = openat(parent, "scratch", O_RDONLY | O_DIRECTORY);
    const int fds[3] = {open(temp.c_str(), O_RDONLY), openat(folder, "sample.meshb", O_RDONLY),
                        open(other.c_str(), O_RDONLY)};
    struct stat st, null;
    if (fstat(fds[0], &st) != 0 || !StopCleanupFile(temp.c_str(), int64_t(st.st_dev), int64_t(st.st_ino))) return 250;
    const int slot = StopCleanupFolder(parent, "scratch", folder);
    if (!slot || !StopCleanupFolderFile(slot, "sample.meshb") || stat("/dev/null", &null) != 0) return 251;
    raise(SIGTERM);
    int seen = 0;
    for (int k = 0; k < 3; k++) {
      char c;
      if (fstat(fds[k], &st) == 0 && st.st_dev == null.st_dev && st.st_ino == null.st_ino) seen |= 1 << k;
      if (read(fds[k], &c, 1) < 0) seen |= 8 << k;
    }
    return seen;
  });
  EXPECT_EQ(status, 1 | 2 | 8 | 16) << "1, 2, 4: the temporary file's, the folder file's, the other file's descriptor "
                                       "is /dev/null; 8, 16, 32: a read on it fails";
  EXPECT_EQ(dir.names(), std::vector<std::string>{"other"});
}

namespace {

// The file of a registered folder that leaves it only once the stop is under way, as a FUSE
// daemon removes the hidden file of a descriptor closed late: it leaves when the handler finds
// the folder not empty for the LeaveAt-th time (never for 0).
int LeaveAt = 0, LateFolder = -1;
void leaveOnTry(int tries) {
  if (tries == LeaveAt) unlinkat(LateFolder, ".fuse_hidden0001", 0);
}

}  // namespace

// A registered folder that a file leaves a moment after the stop is removed all the same: the
// handler tries again while the folder is not empty. One that stays not empty is left, and the
// stop still ends the process by its signal. The file leaves at a try the test chooses, not
// after a time.
TEST(StopCleanup, AFolderThatAFileLeavesAMomentAfterTheStopIsRemovedAllTheSame) {
  struct Row {
    const char *what;
    int leaveAt;
  } const rows[] = {
      {"the file leaves after the first try", 1},
      {"the file leaves after fifty tries", 50},
      {"the file never leaves", 0},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    ScratchFolder dir("stop-late-file");
    ASSERT_EQ(mkdir(dir.path("scratch").c_str(), 0700), 0);
    ASSERT_TRUE(SaveText(dir.path("scratch/sample.meshb"), "sample") &&
                SaveText(dir.path("scratch/.fuse_hidden0001"), "closed late"));
    int endedBy = -1;
    const int status = RunInChild(
        [&] {
          signal(SIGTERM, SIG_DFL);
          TakeStopSignals();
          const int parent = open(dir.Path.c_str(), O_RDONLY | O_DIRECTORY);
          LateFolder = openat(parent, "scratch", O_RDONLY | O_DIRECTORY);
          const int slot = StopCleanupFolder(parent, "scratch", LateFolder);
          if (!slot || !StopCleanupFolderFile(slot, "sample.meshb")) return 250;
          LeaveAt = r.leaveAt;
          StopCleanupFolderBusy = leaveOnTry;
          raise(SIGTERM);
          return 251;
        },
        60, &endedBy);
    EXPECT_EQ(endedBy, SIGTERM) << "status " << status;
    if (r.leaveAt) {
      EXPECT_EQ(dir.names(), std::vector<std::string>{});
      continue;
    }
    ASSERT_EQ(dir.names(), std::vector<std::string>{"scratch"});
    EXPECT_EQ(ReadAll(dir.path("scratch/.fuse_hidden0001")), "closed late");
    EXPECT_FALSE(std::filesystem::exists(dir.path("scratch/sample.meshb")));
  }
}

// The descriptors the stop looks at reach as far as the process's limit allows, past the 1024
// of select(): one numbered at the top of the limit, on a file the stop removes, becomes one of
// /dev/null. The child raises its limit to the hard one first.
TEST(StopCleanup, AStopLetsGoOfADescriptorNumberedAbove1024) {
  ScratchFolder dir("stop-high-descriptor");
  const std::string temp = dir.path(".f.mesh.tmp");
  ASSERT_TRUE(SaveText(temp, "temp"));
  const int status = RunInChild([&] {
    struct rlimit limit;
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 250;
    limit.rlim_cur = limit.rlim_max;
    // The handler looks at 65536 descriptors at most.
    const rlim_t top = std::min<rlim_t>(limit.rlim_cur, 65536);
    if (top <= 1100 || setrlimit(RLIMIT_NOFILE, &limit) != 0) return 250;
    signal(SIGTERM, [](int) {});
    TakeStopSignals();
    const int low = open(temp.c_str(), O_RDONLY), high = int(top) - 1;
    struct stat st, null;
    if (low < 0 || dup2(low, high) != high || close(low) != 0 || fstat(high, &st) != 0 || stat("/dev/null", &null) != 0)
      return 251;
    if (!StopCleanupFile(temp.c_str(), int64_t(st.st_dev), int64_t(st.st_ino))) return 252;
    raise(SIGTERM);
    char c;
    const bool isNull = fstat(high, &st) == 0 && st.st_dev == null.st_dev && st.st_ino == null.st_ino;
    return (isNull ? 1 : 0) | (read(high, &c, 1) < 0 ? 2 : 0);
  });
  if (status == 250) {
    GTEST_SKIP() << "the hard limit on descriptors allows fewer than 1100";
  }
  EXPECT_EQ(status, 1 | 2) << "1: the descriptor is /dev/null; 2: a read on it fails";
  EXPECT_EQ(dir.names(), std::vector<std::string>{});
}
