// A user's file: read only when regular (bounded by its size at opening when asked), written
// through a temporary file renamed over it once complete.
#include <sys/stat.h>

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
