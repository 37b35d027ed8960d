// A user's file: read only when regular (bounded by its size at opening when asked), written
// through a temporary file renamed over it once complete.
#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <memory>

#include "common/base/UserFile.h"
#include "tests/common/CommonTest.h"
#include "tests/support/HostileFiles.h"

namespace {

std::string contents(FILE *f) {
  std::string s;
  for (int c; (c = fgetc(f)) != EOF;) s += static_cast<char>(c);
  return s;
}

size_t lines(const std::string &text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

}  // namespace

TEST(UserFile, ANameThatIsNotARegularFileIsRefusedAtOnceWithOneLine) {
  ScratchFolder dir("user-file-refusals");
  for (int how : {0, int(UserFileBounded)})
    for (Endless kind : AllEndless) {
      const std::string path = dir.path(std::string("in") + std::to_string(how) + std::to_string(int(kind)));
      ASSERT_TRUE(MakeEndless(path, kind));
      std::string err;
      int opened = -1;
      err = CaptureText([&] {
              opened = RunInChild([&] {
                FILE *f = OpenUserFile(path.c_str(), how, nullptr);
                return f ? 1 : 0;
              });
            }).Err;
      EXPECT_EQ(opened, 0) << EndlessName(kind) << (opened == -1 ? ": still opening at the deadline" : "");
      EXPECT_EQ(lines(err), 1u) << err;
      EXPECT_CONTAINS(err, path + " IS A");
      // Quiet probes say nothing.
      err = CaptureText([&] { EXPECT_EQ(OpenUserFile(path.c_str(), how | UserFileQuiet, nullptr), nullptr); }).Err;
      EXPECT_EQ(err, "");
    }
  // A missing file is the caller's to word: no line, errno from the system.
  std::string err = CaptureText([&] { EXPECT_EQ(OpenUserFile(dir.path("none").c_str(), 0, nullptr), nullptr); }).Err;
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(err, "");
}

TEST(UserFile, ALinkToARegularFileIsReadThroughIt) {
  ScratchFolder dir("user-file-link");
  ASSERT_TRUE(SaveText(dir.path("real"), "abc"));
  ASSERT_EQ(symlink(dir.path("real").c_str(), dir.path("link").c_str()), 0);
  int64_t size = -1;
  FILE *f = OpenUserFile(dir.path("link").c_str(), 0, &size);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(size, 3);
  EXPECT_GE(fileno(f), 0);  // a plain stream: pread works on it
  EXPECT_EQ(contents(f), "abc");
  fclose(f);
}

TEST(UserFile, ABoundedReadStopsAtTheSizeAtOpeningAndCanStartAgain) {
  ScratchFolder dir("user-file-bounded");
  const std::string path = dir.path("growing");
  ASSERT_TRUE(SaveText(path, "first\n"));
  FILE *f = OpenUserFile(path.c_str(), UserFileBounded, nullptr);
  ASSERT_NE(f, nullptr);
  FILE *more = fopen(path.c_str(), "a");
  ASSERT_NE(more, nullptr);
  fputs("second\n", more);
  fclose(more);
  EXPECT_EQ(contents(f), "first\n");
  rewind(f);
  EXPECT_EQ(contents(f), "first\n");
  ASSERT_EQ(fseek(f, -3, SEEK_END), 0);
  EXPECT_EQ(contents(f), "st\n");
  fclose(f);
}

// Rows: what is there before, what is written, what must be there after.
TEST(UserFile, AWriteReplacesTheFileWholeAndKeepsItsModeAndLinks) {
  ScratchFolder dir("user-file-writes");
  // A new file.
  ASSERT_EQ(WriteUserFile(dir.path("new").c_str(), "fresh", 5), 1);
  EXPECT_EQ(ReadAll(dir.path("new")), "fresh");
  // An existing file with its own mode.
  ASSERT_TRUE(SaveText(dir.path("old"), "old contents"));
  ASSERT_EQ(chmod(dir.path("old").c_str(), 0640), 0);
  ASSERT_EQ(WriteUserFile(dir.path("old").c_str(), "new", 3), 1);
  EXPECT_EQ(ReadAll(dir.path("old")), "new");
  struct stat st;
  ASSERT_EQ(stat(dir.path("old").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  // Through a link: the link stays, the file it names changes.
  ASSERT_EQ(symlink("old", dir.path("link").c_str()), 0);
  ASSERT_EQ(WriteUserFile(dir.path("link").c_str(), "via link", 8), 1);
  ASSERT_EQ(lstat(dir.path("link").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  EXPECT_EQ(ReadAll(dir.path("old")), "via link");
  // Until the commit the old contents stand; an abandoned write leaves nothing behind.
  UserFileWrite w;
  FILE *f = BeginUserFileWrite(&w, dir.path("old").c_str());
  ASSERT_NE(f, nullptr);
  fputs("half", f);
  fflush(f);
  EXPECT_EQ(ReadAll(dir.path("old")), "via link");
  AbandonUserFileWrite(&w);
  EXPECT_EQ(ReadAll(dir.path("old")), "via link");
  AbandonUserFileWrite(&w);  // twice is harmless
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"link", "new", "old"}));
}

TEST(UserFile, AWriteThatFailsMidwayLeavesTheOldFileWholeAndNoPartialFile) {
  ScratchFolder dir("user-file-full");
  const std::string old(20000, 'o'), big(200000, 'n');
  ASSERT_TRUE(SaveText(dir.path("kept"), old));
  {
    FileSizeLimit full(8192);
    ASSERT_TRUE(full.active());
    EXPECT_EQ(WriteUserFile(dir.path("kept").c_str(), big.data(), big.size()), 0);
    EXPECT_EQ(WriteUserFile(dir.path("absent").c_str(), big.data(), big.size()), 0);
    // A write that fits still works under the limit.
    EXPECT_EQ(WriteUserFile(dir.path("small").c_str(), "s", 1), 1);
  }
  EXPECT_EQ(ReadAll(dir.path("kept")), old);
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"kept", "small"}));
}

TEST(UserFile, ATargetThatIsNotARegularFileIsRefusedUntouched) {
  ScratchFolder dir("user-file-odd-targets");
  for (Endless kind : AllEndless) {
    const std::string path = dir.path("odd" + std::to_string(int(kind)));
    ASSERT_TRUE(MakeEndless(path, kind));
    std::string err = CaptureText([&] { EXPECT_EQ(WriteUserFile(path.c_str(), "x", 1), 0) << EndlessName(kind); }).Err;
    EXPECT_EQ(lines(err), 1u) << err;
    EXPECT_CONTAINS(err, path + " IS A");
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    EXPECT_EQ(kind == Endless::Fifo, S_ISFIFO(st.st_mode) != 0);
    EXPECT_EQ(kind == Endless::ZeroLink, S_ISLNK(st.st_mode) != 0);
    EXPECT_EQ(kind == Endless::Folder, S_ISDIR(st.st_mode) != 0);
  }
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"odd0", "odd1", "odd2"}));
  // A folder that cannot be written in: nothing is made, no line (the caller says it).
  std::string err = CaptureText([&] { EXPECT_EQ(WriteUserFile(dir.path("no/such/x").c_str(), "x", 1), 0); }).Err;
  EXPECT_EQ(err, "");
}

// Why a write failed stays for the window that shows it: the system's reason for a full disk
// or a missing folder, the write's own words for a name it refuses; nothing after a success.
TEST(UserFile, AFailedWriteKeepsItsReasonUntilTheNextWrite) {
  ScratchFolder dir("user-file-reasons");
  ASSERT_EQ(mkdir(dir.path("folder").c_str(), 0755), 0);
  const std::string big(200000, 'b');
  struct Row {
    const char *what;
    std::string path;
    rlim_t limit;  // RLIM_INFINITY: no limit
    std::string reason;
  } const rows[] = {
      {"a full disk", dir.path("full"), 8192, strerror(EFBIG)},
      {"a missing folder", dir.path("none/x"), RLIM_INFINITY, strerror(ENOENT)},
      {"a folder in the way", dir.path("folder"), RLIM_INFINITY, "it is a folder"},
  };
  for (const Row &r : rows) {
    CaptureText([&] {
      std::unique_ptr<FileSizeLimit> full(r.limit == RLIM_INFINITY ? nullptr : new FileSizeLimit(r.limit));
      EXPECT_EQ(WriteUserFile(r.path.c_str(), big.data(), big.size(), 0), 0) << r.what;
    });
    ASSERT_NE(UserFileWriteReason(), nullptr) << r.what;
    EXPECT_EQ(std::string(UserFileWriteReason()), r.reason) << r.what;
  }
  ASSERT_EQ(WriteUserFile(dir.path("fine").c_str(), "ok", 2), 1);
  EXPECT_EQ(UserFileWriteReason(), nullptr);
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"fine", "folder"}));
}

// A file the user may not write (read-only, or another user's, or made read-only by its owner
// while the save runs) is refused with one line and left as it was, mode included, where the
// rename would have replaced it; a file the user owns and may write is replaced. Root runs the
// writes in a child that gave up the override capability, as any user.
TEST(UserFile, AFileTheUserMayNotWriteIsRefusedUntouchedWithOneLine) {
  ScratchFolder dir("user-file-protected");
  const bool root = geteuid() == 0;
  struct Row {
    const char *name;
    mode_t mode;
    bool theirs;   // owned by another user (only root can make one)
    bool refused;
    bool late;     // given its mode by its owner once the save began
  } const rows[] = {
      {"read-only", 0444, false, true, false},
      {"read-only-for-the-owner", 0464, false, true, false},
      {"someone-elses", 0666 & ~0002, true, true, false},
      {"mine", 0644, false, false, false},
      {"made-read-only-during-the-save", 0444, false, true, true},
  };
  std::vector<const Row *> made;
  for (const Row &r : rows) {
    if (r.theirs && !root) {
      printf("  (%s: only root can make a file of another user; not tried as uid %u)\n", r.name, unsigned(geteuid()));
      continue;
    }
    const std::string path = dir.path(r.name);
    ASSERT_TRUE(SaveText(path, "old contents"));
    if (r.theirs) {
      ASSERT_EQ(chown(path.c_str(), NobodyUid, NobodyUid), 0);
    }
    ASSERT_EQ(chmod(path.c_str(), r.late ? 0644 : r.mode), 0);
    made.push_back(&r);
  }
  std::vector<std::string> before = dir.names();
  const Captured c = CaptureText([&] {
    const int failed = RunInChild([&] {
      if (!DropFileOverride()) return 255;
      int bad = 0;
      for (size_t i = 0; i < made.size(); i++) {
        const std::string path = dir.path(made[i]->name);
        UserFileWrite w;
        const bool begun = BeginUserFileWrite(&w, path.c_str()) && fputs("new", w.F) >= 0;
        if (begun && made[i]->late) chmod(path.c_str(), made[i]->mode);  // by its owner, during the save
        const int written = begun ? CommitUserFileWrite(&w) : 0;
        AbandonUserFileWrite(&w);
        const char *why = UserFileWriteReason();
        const bool ok = made[i]->refused ? written == 0 && why && std::string(why) == "the file is write-protected"
                                         : written == 1 && !why;
        if (!ok) bad |= 1 << i;
      }
      return bad;
    });
    EXPECT_EQ(failed, 0) << "rows failing in the child (bits), 255: capabilities not dropped";
  });
  size_t refusals = 0;
  for (const Row *r : made) {
    SCOPED_TRACE(r->name);
    struct stat st;
    ASSERT_EQ(stat(dir.path(r->name).c_str(), &st), 0);
    EXPECT_EQ(ReadAll(dir.path(r->name)), r->refused ? "old contents" : "new");
    EXPECT_EQ(st.st_mode & 07777, r->mode);
    if (r->refused) {
      refusals++;
      EXPECT_CONTAINS(c.Err, dir.path(r->name) + " IS WRITE-PROTECTED");
    }
  }
  EXPECT_EQ(lines(c.Err), refusals) << c.Err;
  EXPECT_EQ(dir.names(), before);  // no temporary file left
}

// A write that refuses links (a name read from a sequence) never changes the file a link
// names, dangling or not: one line, the link stays. Names that are no link are written. A link
// planted under the name once the write has begun is replaced by the new file, not followed.
TEST(UserFile, AWriteThatRefusesLinksNeverWritesThroughOne) {
  ScratchFolder dir("user-file-no-follow");
  ASSERT_TRUE(SaveText(dir.path("outside"), "victim"));
  ASSERT_TRUE(SaveText(dir.path("plain"), "plain"));
  ASSERT_EQ(symlink("outside", dir.path("to-file").c_str()), 0);
  ASSERT_EQ(symlink("missing", dir.path("dangling").c_str()), 0);
  struct Row {
    const char *name;
    bool refused;
  } const rows[] = {{"to-file", true}, {"dangling", true}, {"plain", false}, {"new", false}};
  for (const Row &r : rows) {
    SCOPED_TRACE(r.name);
    const std::string path = dir.path(r.name);
    int written = -1;
    const std::string err = CaptureText([&] { written = WriteUserFile(path.c_str(), "replayed", 8, UserFileNoFollow); }).Err;
    struct stat st;
    ASSERT_EQ(lstat(path.c_str(), &st), 0);
    if (r.refused) {
      EXPECT_EQ(written, 0);
      EXPECT_EQ(lines(err), 1u) << err;
      EXPECT_CONTAINS(err, path + " IS A SYMBOLIC LINK");
      ASSERT_NE(UserFileWriteReason(), nullptr);
      EXPECT_CONTAINS(std::string(UserFileWriteReason()), "symbolic link");
      EXPECT_TRUE(S_ISLNK(st.st_mode));
      // Quiet: the caller says it.
      EXPECT_EQ(CaptureText([&] { WriteUserFile(path.c_str(), "x", 1, UserFileNoFollow | UserFileQuiet); }).Err, "");
    } else {
      EXPECT_EQ(written, 1);
      EXPECT_EQ(err, "");
      EXPECT_TRUE(S_ISREG(st.st_mode));
      EXPECT_EQ(ReadAll(path), "replayed");
    }
  }
  UserFileWrite w;
  FILE *f = BeginUserFileWrite(&w, dir.path("late").c_str(), UserFileNoFollow);
  ASSERT_NE(f, nullptr);
  ASSERT_EQ(symlink("outside", dir.path("late").c_str()), 0);
  fputs("replayed", f);
  ASSERT_EQ(CommitUserFileWrite(&w), 1);
  struct stat st;
  ASSERT_EQ(lstat(dir.path("late").c_str(), &st), 0);
  EXPECT_TRUE(S_ISREG(st.st_mode));
  EXPECT_EQ(ReadAll(dir.path("late")), "replayed");
  EXPECT_EQ(ReadAll(dir.path("outside")), "victim");
  EXPECT_FALSE(std::filesystem::exists(dir.path("missing")));
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"dangling", "late", "new", "outside", "plain", "to-file"}));
}

// A write over a file keeps its owner, group and mode: renamed where the new file can be given
// them, else written in place (its inode and so its hard links kept) from a copy in the folder,
// or in the temporary folder when the folder takes no new name. The copy goes, unless a write
// in place fails midway: then it is kept whole, for the writer alone, and the reason names it.
// It has its name before the first byte goes over the file, so that a writer killed outright
// after the first block leaves it all the same.
// Rows of two users (A 65534 owns, B 65533 writes, both in group 65532) need root; the folders
// live in /tmp, where B reaches them wherever the checkout is.
TEST(UserFile, AWriteOverAFileKeepsItsOwnerGroupAndModeWhoeverWrites) {
  enum Writer { Root, B, Self };  // Self: the runner as any user (root without override)
  struct Row {
    const char *what;
    Writer writer;
    uid_t owner;
    gid_t group;
    mode_t mode, folderMode;
    bool inPlace, midway, killed;
  } const rows[] = {
      {"another user's group-writable file, written by root", Root, 65534, 65532, 06775, 02775, false, false, false},
      {"another user's group-writable file, written by a member of its group", B, 65534, 65532, 0664, 02775, true,
       false, false},
      {"the writer's own file in a group it belongs to", B, 65533, 65532, 0640, 0775, false, false, false},
      {"the writer's own file in a group it is not in", B, 65533, 65531, 0640, 0775, true, false, false},
      {"a member of its group, failing midway", B, 65534, 65532, 0660, 02775, true, true, false},
      {"a member of its group, killed after the first block", B, 65534, 65532, 0660, 02775, true, true, true},
      {"a writable file in a read-only folder", Self, 0, 0, 04740, 0555, true, false, false},
      {"a writable file in a read-only folder, failing midway", Self, 0, 0, 0640, 0555, true, true, false},
      {"a writable file in a read-only folder, killed after the first block", Self, 0, 0, 0640, 0555, true, true, true},
  };
  const bool root = geteuid() == 0;
  char base[] = "/tmp/zelvane-owners-XXXXXX";
  ASSERT_TRUE(mkdtemp(base) && chmod(base, 0755) == 0);
  // Shorter: a write in place cuts the rest. Over a block: a kill can come between two.
  const std::string old(3 << 20, 'o'), fresh(5 << 19, 'n');
  auto owned = [](const std::string &p, ino_t *ino = nullptr) {
    struct stat st = {};
    stat(p.c_str(), &st);
    if (ino) *ino = st.st_ino;
    char text[64];
    snprintf(text, sizeof(text), "%u:%u %o", unsigned(st.st_uid), unsigned(st.st_gid), unsigned(st.st_mode & 07777));
    return std::string(text);
  };
  auto write = [&](const Row &r, const std::string &path, const std::string &tmp) {  // in a child, as the writer
    const gid_t groups[] = {65532};
    if (r.writer == B ? setgroups(1, groups) || setresgid(65533, 65533, 65533) || setresuid(65533, 65533, 65533)
                      : r.writer == Self && root && !DropFileOverride())
      return 255;
    setenv("TMPDIR", tmp.c_str(), 1);
    UserFileWrite w;
    FILE *f = BeginUserFileWrite(&w, path.c_str());
    if (!f) return 1;
    fwrite(fresh.data(), 1, fresh.size(), f);
    fflush(f);
    // The room is reserved first: the limit then stops the write midway on any file system.
    if (r.midway && !PrepareUserFileCommit(&w)) return 3;
    std::unique_ptr<FileSizeLimit> full(r.midway && !r.killed ? new FileSizeLimit(8192) : nullptr);
    AtStep = {"next block", [] { kill(getpid(), SIGKILL); }, 0};
    if (r.killed) UserFileBetweenSteps = OnStep;
    const int written = CommitUserFileWrite(&w);
    if (!written) printf("%s\n", UserFileWriteReason());
    return written ? 0 : 2;
  };
  auto tryRow = [&](const Row &r, const std::string &dir) {  // an ASSERT ends the row only
    const std::string tmp = dir + "-tmp", path = dir + "/f.mesh";
    ASSERT_TRUE(mkdir(dir.c_str(), 0755) == 0 && mkdir(tmp.c_str(), 0) == 0 && chmod(tmp.c_str(), 01777) == 0);
    ASSERT_TRUE(SaveText(path, old));
    ASSERT_TRUE(r.writer == Self || (chown(path.c_str(), r.owner, r.group) == 0 && chown(dir.c_str(), 0, 65532) == 0));
    ASSERT_TRUE(chmod(path.c_str(), r.mode) == 0 && chmod(dir.c_str(), r.folderMode) == 0);
    ino_t inoBefore = 0, inoAfter = 0;
    const std::string before = owned(path, &inoBefore);
    int result = -1, endedBy = 0;
    const std::string out =
        CaptureText([&] { result = RunInChild([&] { return write(r, path, tmp); }, 120, &endedBy); }).Out;
    EXPECT_EQ(result, r.killed ? -2 : r.midway ? 2 : 0) << out << "(255: the writer's identity was not taken)";
    EXPECT_EQ(endedBy, r.killed ? SIGKILL : 0);
    EXPECT_EQ(owned(path, &inoAfter), before);
    EXPECT_TRUE(!r.inPlace || inoAfter == inoBefore) << "not written in place";
    ASSERT_EQ(chmod(dir.c_str(), 0755), 0);
    std::vector<std::string> made;  // beside the file or in the temporary folder
    for (const std::string &d : {dir, tmp})
      for (const auto &e : std::filesystem::directory_iterator(d))
        if (e.path() != path) made.push_back(e.path().string());
    const std::string now = ReadAll(path);
    if (!r.midway) {
      EXPECT_TRUE(now == fresh && made.empty()) << now.size() << " bytes, " << made.size() << " files left";
      return;
    }
    EXPECT_TRUE(now != old && now != fresh) << "not damaged";
    ASSERT_EQ(made.size(), 1u);
    if (!r.killed) {
      EXPECT_CONTAINS(out, made[0]);
    }
    EXPECT_TRUE(ReadAll(made[0]) == fresh);
    EXPECT_CONTAINS(owned(made[0]), " 600");  // the writer's alone
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    if (r.writer != Self && !root) {
      printf("  (%s: two users need root; not tried as uid %u)\n", r.what, unsigned(geteuid()));
      continue;
    }
    const std::string dir = std::string(base) + "/row" + std::to_string(&r - rows);
    tryRow(r, dir);
    chmod(dir.c_str(), 0755);  // removable again
  }
  std::filesystem::remove_all(base);
}

namespace {

// A read-only folder holding files of the runner's, written in place by any user (root
// without its override) in a child with its own temporary folder: `body` returns the child's
// status. Not read-only on demand: the same writes by rename.
struct InPlaceRun {
  std::string Dir, Temp;
  explicit InPlaceRun(const std::string &base) : Dir(base + "/ro"), Temp(base + "/tmp") {
    mkdir(Dir.c_str(), 0755);
    mkdir(Temp.c_str(), 0700);
  }
  int run(const std::function<int()> &body, bool readOnly = true) {
    chmod(Dir.c_str(), readOnly ? 0555 : 0755);
    const int status = RunInChild([&] {
      if (!DropFileOverride() || setenv("TMPDIR", Temp.c_str(), 1) != 0) return 255;
      return body();
    });
    chmod(Dir.c_str(), 0755);
    return status;
  }
};

// What a user sees of a file: its bytes, size, blocks, modification time, inode and mode.
std::string seen(const std::string &path) {
  struct stat st = {};
  stat(path.c_str(), &st);
  char text[160];
  snprintf(text, sizeof(text), " %lld %lld %lld.%09ld %llu %o", (long long)st.st_size, (long long)st.st_blocks,
           (long long)st.st_mtim.tv_sec, st.st_mtim.tv_nsec, (unsigned long long)st.st_ino, unsigned(st.st_mode));
  return ReadAll(path) + text;
}

}  // namespace

// A write in place goes only into the file it examined when it began. Whatever is at the name
// at the commit instead (a link to another file, another file, the file seen through its folder
// turned into a link to another folder, a FIFO) gets nothing, nor does the file it leads to: one
// line, the reason naming the replacement (not a write-protected file), and the copy goes.
TEST(UserFile, AWriteInPlaceGoesOnlyIntoTheFileItExamined) {
  enum Swap { LinkOverIt, FileOverIt, FolderToLink, FifoOverIt };
  struct Row {
    const char *what;
    Swap swap;
  } const rows[] = {
      {"a link to another file renamed over it", LinkOverIt},
      {"another file renamed over it", FileOverIt},
      {"its folder moved and a link to another folder put in its place", FolderToLink},
      {"a FIFO the user may not write renamed over it", FifoOverIt},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    ScratchFolder top("user-file-swapped");
    InPlaceRun place(top.Path);
    const std::string target = place.Dir + "/f.mesh", other = top.path("other"), swap = place.Dir + "/.swap";
    ASSERT_EQ(mkdir(other.c_str(), 0755), 0);
    ASSERT_TRUE(SaveText(target, "old") && SaveText(other + "/f.mesh", "victim") &&
                SaveText(other + "/private", "private"));
    int status = -1;
    const Captured c = CaptureText([&] {
      status = place.run([&] {
        UserFileWrite w;
        if (!BeginUserFileWrite(&w, target.c_str()) || !w.InPlace) return 254;
        fputs("new contents", w.F);
        // The folder's owner swaps the name between the beginning and the commit.
        bool swapped = chmod(place.Dir.c_str(), 0755) == 0;
        if (r.swap == LinkOverIt) swapped = swapped && symlink((other + "/private").c_str(), swap.c_str()) == 0;
        if (r.swap == FileOverIt) swapped = swapped && SaveText(swap, "intruder");
        if (r.swap == FifoOverIt) swapped = swapped && mkfifo(swap.c_str(), 0444) == 0;
        if (r.swap == FolderToLink)
          swapped = swapped && rename(place.Dir.c_str(), (place.Dir + ".moved").c_str()) == 0 &&
                    symlink(other.c_str(), place.Dir.c_str()) == 0;
        else
          swapped = swapped && rename(swap.c_str(), target.c_str()) == 0;
        if (!swapped) return 253;
        const int written = CommitUserFileWrite(&w);
        printf("%s\n", UserFileWriteReason() ? UserFileWriteReason() : "(no reason)");
        return written;
      });
    });
    if (r.swap == FolderToLink) {
      ASSERT_EQ(unlink(place.Dir.c_str()), 0);
      ASSERT_EQ(rename((place.Dir + ".moved").c_str(), place.Dir.c_str()), 0);
    }
    EXPECT_EQ(status, 0) << c.Out << "(1: written; 253, 254, 255: the run was not set up)";
    EXPECT_CONTAINS(c.Out, r.swap == FifoOverIt ? "replaced during the write (by a FIFO)" : "replaced during the");
    EXPECT_EQ(lines(c.Err), 1u) << c.Err;
    EXPECT_EQ(ReadAll(other + "/private"), "private");
    EXPECT_EQ(ReadAll(other + "/f.mesh"), "victim");
    if (r.swap != FifoOverIt) {
      EXPECT_EQ(ReadAll(target), r.swap == FileOverIt ? "intruder" : r.swap == FolderToLink ? "old" : "private");
    }
    EXPECT_EQ(std::filesystem::is_empty(place.Temp), true) << "the copy is left";
  }
}

// A write in place whose file leaves its name while the copy goes over it (moved away and
// another file or a link put at the name, or removed) has not saved under that name: the commit
// fails with one line, the reason names the copy, which keeps the new contents, and whatever
// holds the name now is left as it is. When another file took the copy's name too, the new
// contents are copied into a file of their own, this user's alone.
TEST(UserFile, AWriteInPlaceWhoseFileLeftItsNameMeanwhileFailsAndKeepsTheNewContents) {
  enum Swap { MovedAndFileOverIt, MovedAndLinkOverIt, Removed, MovedAndFileOverTheCopy };
  struct Row {
    const char *what;
    Swap swap;
  } const rows[] = {
      {"moved away, another file put at its name", MovedAndFileOverIt},
      {"moved away, a link to another file put at its name", MovedAndLinkOverIt},
      {"removed", Removed},
      {"moved away, another file renamed over the copy", MovedAndFileOverTheCopy},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    ScratchFolder top("user-file-left");
    InPlaceRun place(top.Path);
    const std::string target = place.Dir + "/f.mesh", moved = place.Dir + "/moved", other = top.path("other");
    const std::string intruder = top.path("intruder");
    ASSERT_TRUE(SaveText(target, "old contents") && SaveText(other, "theirs") && SaveText(intruder, "intruder"));
    int status = -1;
    const Captured c = CaptureText([&] {
      status = place.run([&] {
        umask(0);  // the mode asked for, as it is
        UserFileWrite w;
        if (!BeginUserFileWrite(&w, target.c_str()) || !w.InPlace) return 254;
        fputs("new contents", w.F);
        bool swapped = false;
        AtStep = {"check the target", [&] {
                    swapped = chmod(place.Dir.c_str(), 0755) == 0 &&
                              (r.swap == Removed ? unlink(target.c_str()) == 0
                                                 : rename(target.c_str(), moved.c_str()) == 0);
                    if (r.swap == MovedAndFileOverIt) swapped = swapped && SaveText(target, "intruder");
                    if (r.swap == MovedAndLinkOverIt) swapped = swapped && symlink(other.c_str(), target.c_str()) == 0;
                    if (r.swap == MovedAndFileOverTheCopy) swapped = swapped && rename(intruder.c_str(), w.Temp) == 0;
                  }, 0};
        UserFileBetweenSteps = OnStep;
        const int written = CommitUserFileWrite(&w);
        UserFileBetweenSteps = nullptr;
        printf("%s\n", UserFileWriteReason() ? UserFileWriteReason() : "(no reason)");
        return !swapped ? 253 : written;
      });
    });
    EXPECT_EQ(status, 0) << c.Out << "(1: written; 253, 254, 255: the run was not set up)";
    EXPECT_EQ(lines(c.Err), 1u) << c.Err;
    EXPECT_CONTAINS(c.Out, "replaced during the write");
    // The copy, in the temporary folder as the folder took no new name, named by the reason;
    // beside the intruder that took its name, a copy of it, for this user alone.
    std::vector<std::string> kept;
    for (const auto &e : std::filesystem::directory_iterator(place.Temp))
      if (ReadAll(e.path().string()) != "intruder") kept.push_back(e.path().string());
    ASSERT_EQ(kept.size(), 1u) << c.Out;
    EXPECT_EQ(ReadAll(kept[0]), "new contents");
    struct stat st;
    ASSERT_EQ(stat(kept[0].c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(std::filesystem::exists(intruder), r.swap != MovedAndFileOverTheCopy);
    EXPECT_CONTAINS(c.Out, "the new contents are in " + kept[0]);
    EXPECT_CONTAINS(c.Err, kept[0]);
    EXPECT_EQ(ReadAll(other), "theirs");
    if (r.swap == MovedAndFileOverIt) {
      EXPECT_EQ(ReadAll(target), "intruder");
    }
    if (r.swap != Removed) {
      EXPECT_EQ(ReadAll(moved), "new contents");
    }
  }
}

// The room a write in place needs is reserved before its first byte, so that a file system
// without it refuses the write with the file as it was, to its blocks and modification time,
// and no copy left. A caller replacing two files prepares both before committing either: the
// second one's refusal leaves the first whole too, its reservation given back. The room runs
// out through a file-size limit, which a reservation on tmpfs meets as a full one.
TEST(UserFile, AWriteInPlaceWithoutRoomLeavesEveryTargetAsItWas) {
  struct statfs fs;
  if (statfs("/dev/shm", &fs) != 0 || fs.f_type != TMPFS_MAGIC) {
    GTEST_SKIP() << "no tmpfs at /dev/shm to run out of room on";
  }
  struct Row {
    const char *what;
    std::vector<size_t> sizes;  // of the new contents; the limit is 65536 bytes
  } const rows[] = {
      {"one file too large for the room", {200000}},
      {"two files, the second too large", {30000, 200000}},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    char base[] = "/dev/shm/zelvane-room-XXXXXX";
    ASSERT_NE(mkdtemp(base), nullptr);
    InPlaceRun place(base);
    std::vector<std::string> paths, before;
    for (size_t i = 0; i < r.sizes.size(); i++) {
      paths.push_back(place.Dir + "/f" + std::to_string(i));
      // A reservation by someone without the capability to keep them clears set-id bits.
      ASSERT_TRUE(SaveText(paths[i], std::string(20000, 'o')) && chmod(paths[i].c_str(), 04644) == 0);
      before.push_back(seen(paths[i]));
    }
    int status = -1;
    const Captured c = CaptureText([&] {
      status = place.run([&] {
        std::vector<UserFileWrite> w(r.sizes.size());
        for (size_t i = 0; i < w.size(); i++) {
          if (!BeginUserFileWrite(&w[i], paths[i].c_str()) || !w[i].InPlace) return 254;
          fwrite(std::string(r.sizes[i], 'n').data(), 1, r.sizes[i], w[i].F);
          if (fflush(w[i].F) != 0) return 253;
        }
        FileSizeLimit full(65536);
        bool prepared = true;
        for (UserFileWrite &x : w) prepared = prepared && PrepareUserFileCommit(&x);
        printf("%s\n", UserFileWriteReason() ? UserFileWriteReason() : "(no reason)");
        for (UserFileWrite &x : w) AbandonUserFileWrite(&x);
        return prepared ? 1 : 0;
      });
    });
    EXPECT_EQ(status, 0) << c.Out << "(1: room reserved past the limit; 253-255: the run was not set up)";
    EXPECT_CONTAINS(c.Out, std::string("no room for the new contents (") + strerror(EFBIG));
    for (size_t i = 0; i < paths.size(); i++) EXPECT_TRUE(seen(paths[i]) == before[i]) << paths[i] << " changed";
    EXPECT_EQ(std::filesystem::is_empty(place.Temp), true) << "a copy is left";
    std::filesystem::remove_all(base);
  }
}

// A folder that takes no new name sends the copy of a write in place to the temporary folder;
// when that one takes none either, the reason names it and says why, the file untouched.
TEST(UserFile, ATemporaryFolderThatTakesNoCopyIsNamedWithItsReason) {
  struct Row {
    const char *what;
    int err;
  } const rows[] = {{"missing", ENOENT}, {"read-only", EACCES}, {"a file", ENOTDIR}};
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    ScratchFolder top("user-file-no-temp");
    InPlaceRun place(top.Path);
    const std::string target = place.Dir + "/f.mesh";
    ASSERT_TRUE(SaveText(target, "old"));
    ASSERT_EQ(rmdir(place.Temp.c_str()), 0);
    if (r.err == EACCES) {
      ASSERT_EQ(mkdir(place.Temp.c_str(), 0555), 0);
    } else if (r.err == ENOTDIR) {
      ASSERT_TRUE(SaveText(place.Temp, "a file"));
    }
    int status = -1;
    const Captured c = CaptureText([&] {
      status = place.run([&] {
        UserFileWrite w;
        const bool begun = BeginUserFileWrite(&w, target.c_str()) != nullptr;
        printf("%s\n", UserFileWriteReason() ? UserFileWriteReason() : "(no reason)");
        AbandonUserFileWrite(&w);
        return begun ? 1 : 0;
      });
    });
    EXPECT_EQ(status, 0) << c.Out;
    EXPECT_CONTAINS(c.Out, "temporary folder " + place.Temp + "/ takes no copy: " + strerror(r.err));
    EXPECT_EQ(ReadAll(target), "old");
  }
}

// A rename puts in place only the very file the write made. Another file renamed over its
// temporary name once it has one, another file renamed over the target right after the rename,
// or a FIFO put at the target's name: the commit fails with one line and the reason, the
// intruder is neither removed nor replaced, and nothing of the write's stays behind, but for
// the new contents whose last name the intruder took: they are kept under the name the line and
// the reason give. A rename that fails once the temporary file has its name (a folder put at
// the target's name) leaves nothing either.
TEST(UserFile, ACommitByRenameFailsUnlessItPutsItsOwnFileInPlace) {
  enum Swap { OverTemp, OverTargetAfter, FifoAtTarget, FolderAtTarget };
  struct Row {
    const char *what;
    Swap swap;
    const char *reason;
    size_t lines;
  } const rows[] = {
      {"another file renamed over the temporary name", OverTemp, "its temporary file was replaced", 1},
      {"another file renamed over the target after the rename", OverTargetAfter, "a file this write did not make", 1},
      {"a FIFO put at the target's name", FifoAtTarget, "replaced during the write (by a FIFO)", 1},
      {"a folder put at the target's name once the temporary file is named", FolderAtTarget, strerror(EISDIR), 0},
  };
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    ScratchFolder dir("user-file-not-ours");
    const std::string target = dir.path("box.meshb"), intruder = dir.path("intruder");
    // Readable by all: the new contents take that mode, but not a copy of them kept aside.
    ASSERT_TRUE(SaveText(target, "old") && SaveText(intruder, "theirs") && chmod(target.c_str(), 0644) == 0);
    UserFileWrite w;
    ASSERT_NE(BeginUserFileWrite(&w, target.c_str()), nullptr);
    fputs("mine", w.F);
    ASSERT_TRUE(r.swap != FifoAtTarget || (unlink(target.c_str()) == 0 && MakeEndless(target, Endless::Fifo)));
    std::string temp;
    AtStep = {r.swap == OverTemp || r.swap == FolderAtTarget ? "rename" : "check the target", [&] {
                temp = w.Temp;
                if (r.swap == FolderAtTarget)
                  unlink(target.c_str()), mkdir(target.c_str(), 0755);
                else
                  rename(intruder.c_str(), r.swap == OverTemp ? temp.c_str() : target.c_str());
              }, 0};
    if (r.swap != FifoAtTarget) UserFileBetweenSteps = OnStep;
    int written = -1;
    const mode_t mask = umask(0);  // the mode asked for, as it is
    const std::string err = CaptureText([&] { written = CommitUserFileWrite(&w); }).Err;
    UserFileBetweenSteps = nullptr;
    umask(mask);
    EXPECT_EQ(written, 0);
    EXPECT_EQ(lines(err), r.lines) << err;
    const std::string why = UserFileWriteReason() ? UserFileWriteReason() : "";
    EXPECT_CONTAINS(why, r.reason);
    struct stat st;
    ASSERT_EQ(lstat(target.c_str(), &st), 0);
    EXPECT_EQ(S_ISFIFO(st.st_mode) != 0, r.swap == FifoAtTarget);
    EXPECT_EQ(S_ISDIR(st.st_mode) != 0, r.swap == FolderAtTarget);
    EXPECT_TRUE(r.swap >= FifoAtTarget || ReadAll(target) == (r.swap == OverTemp ? "old" : "theirs"));
    EXPECT_TRUE(r.swap != OverTemp || ReadAll(temp) == "theirs") << "their file was removed";
    std::vector<std::string> left = dir.names();
    left.erase(std::remove_if(left.begin(), left.end(),
                              [&](const std::string &n) { return dir.path(n) == target || dir.path(n) == temp; }),
               left.end());
    if (r.swap >= FifoAtTarget) {
      EXPECT_EQ(left, std::vector<std::string>{"intruder"});
      EXPECT_TRUE(r.swap != FolderAtTarget || (!temp.empty() && !std::filesystem::exists(temp))) << temp;
      continue;
    }
    // The new contents, kept: named by the line and the reason, this user's alone when copied.
    ASSERT_EQ(left.size(), 1u);
    const std::string kept = dir.path(left[0]);
    EXPECT_EQ(ReadAll(kept), "mine");
    ASSERT_EQ(lstat(kept.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_CONTAINS(why, "; the new contents are in " + kept);
    EXPECT_CONTAINS(err, "ITS NEW CONTENTS ARE KEPT IN " + kept);
  }
}

// Commits of one file never run into each other: a commit that finds the file locked by
// another one (a save by rename or in place prepared, or a save that put a new file where
// there was none and holds it) waits for it to end, then writes its own contents whole. A lock
// someone holds for ever is waited for as long as the bound (here none), then the write is
// refused with one line, the file as it was. Run as any user, in a child.
TEST(UserFile, ACommitWaitsForAnotherCommitOfItsFileAndNeverMixesWithIt) {
  enum Other { Prepared, PutNewAndHolds, LockedForEver };
  struct Row {
    const char *what;
    bool exists, inPlace;
    Other other;
  } const rows[] = {
      {"a save by rename while another is prepared", true, false, Prepared},
      {"a save in place while another is prepared", true, true, Prepared},
      {"a new file while another save put one there and holds it", false, false, PutNewAndHolds},
      {"a file someone keeps locked", true, false, LockedForEver},
  };
  const std::string a(30000, 'a'), b(20000, 'b');  // of other lengths: a mix of the two shows
  for (const Row &r : rows) {
    SCOPED_TRACE(r.what);
    ScratchFolder top("user-file-locks");
    InPlaceRun place(top.Path);
    const std::string target = place.Dir + "/f.mesh";
    ASSERT_TRUE(!r.exists || SaveText(target, "old"));
    int status = -1;
    const Captured c = CaptureText([&] {
      status = place.run([&] {
        UserFileWrite wa, wb;
        if (!BeginUserFileWrite(&wa, target.c_str(), r.other == PutNewAndHolds ? UserFileHoldLock : 0) ||
            !BeginUserFileWrite(&wb, target.c_str()) || wb.InPlace != r.inPlace)
          return 255;
        fputs(a.c_str(), wa.F);
        fputs(b.c_str(), wb.F);
        const int held = r.other == LockedForEver ? open(target.c_str(), O_RDONLY) : -1;
        const bool set = r.other == Prepared       ? PrepareUserFileCommit(&wa)
                         : r.other == PutNewAndHolds ? PrepareUserFileCommit(&wb) && CommitUserFileWrite(&wa)
                                                     : flock(held, LOCK_EX) == 0;
        if (!set) return 254;
        UserFileLockWaitMs = 0;  // a wait would change nothing but the time
        int aWritten = r.other == Prepared ? -1 : 1;
        AtStep = {"wait for the lock", [&] {
                        if (r.other == Prepared && aWritten < 0) aWritten = CommitUserFileWrite(&wa);
                        if (r.other == PutNewAndHolds) AbandonUserFileWrite(&wa);
                      }, 0};
        UserFileBetweenSteps = OnStep;
        const int bWritten = CommitUserFileWrite(&wb);
        AbandonUserFileWrite(&wa);
        return (AtStep.seen > 0) | (bWritten << 1) | ((aWritten == 1) << 2);
      }, r.inPlace);
    });
    const bool refused = r.other == LockedForEver;
    EXPECT_EQ(status, refused ? 5 : 7) << "1: waited, 2: written, 4: the other written; 254, 255: not set up";
    EXPECT_TRUE(ReadAll(target) == (refused ? "old" : b)) << ReadAll(target).size() << " bytes";
    EXPECT_EQ(lines(c.Err), refused ? 1u : 0u) << c.Err;
    EXPECT_EQ(c.Err.find("IS LOCKED BY ANOTHER PROGRAM") != std::string::npos, refused) << c.Err;
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(place.Dir), {}), 1) << "a temporary file is left";
    EXPECT_TRUE(std::filesystem::is_empty(place.Temp)) << "a copy is left";
  }
}

// A wait for a lock someone else holds is said (one line on standard error, the hook called
// with waiting 1, then 0 when it ends) only once it has lasted UserFileLockSayAfterMs, long
// before its bound: a lock given up as the wait begins says nothing; one held until the wait is
// said is said once. The save is made either way.
TEST(UserFile, AWaitForALockIsSaidOnlyOnceItHasLastedASecond) {
  ScratchFolder dir("user-file-lock-said");
  static int held;
  static std::vector<int> calls;  // the hook's `waiting`, in order
  for (const bool heldUntilSaid : {false, true}) {
    SCOPED_TRACE(heldUntilSaid ? "the lock held until the wait is said" : "the lock given up as the wait begins");
    const std::string target = dir.path("locked.mesh");
    ASSERT_TRUE(SaveText(target, "old"));
    held = open(target.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_TRUE(held >= 0 && flock(held, LOCK_EX) == 0);
    calls.clear();
    AtStep = {"wait for the lock", [&] { if (!heldUntilSaid) flock(held, LOCK_UN); }, 0};
    UserFileBetweenSteps = OnStep;
    UserFileLockWaitHook = [](const char *, int, int waiting, const char *) {
      calls.push_back(waiting);
      if (waiting) flock(held, LOCK_UN);
    };
    int written = 0;
    const std::string err = CaptureText([&] { written = WriteUserFile(target.c_str(), "new", 3); }).Err;
    UserFileBetweenSteps = nullptr;
    UserFileLockWaitHook = nullptr;
    close(held);
    EXPECT_EQ(written, 1);
    EXPECT_EQ(ReadAll(target), "new");
    EXPECT_EQ(AtStep.seen, 1);
    EXPECT_EQ(calls, heldUntilSaid ? std::vector<int>({1, 0}) : std::vector<int>());
    EXPECT_EQ(lines(err), heldUntilSaid ? 1u : 0u) << err;
    EXPECT_EQ(err.find(target + " IS LOCKED BY ANOTHER PROGRAM: WAITING UP TO") != std::string::npos, heldUntilSaid)
        << err;
  }
}
