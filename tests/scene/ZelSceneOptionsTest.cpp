#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/CaptureText.h"
#include "tests/support/CommaLocale.h"
#include "common/base/Memory.h"
#include "zelvane/scene/ZelSceneOptions.h"

namespace fs = std::filesystem;

namespace {

// Every test runs in a fresh empty directory, since the fallback file is looked up in the
// working directory.
class ZelSceneOptionsFile : public testing::Test {
 protected:
  void SetUp() override {
    old_ = fs::current_path();
    std::string tmpl = (fs::temp_directory_path() / "zelopt.XXXXXX").string();
    ASSERT_NE(mkdtemp(&tmpl[0]), nullptr);
    dir_ = tmpl;
    fs::current_path(dir_);
    mem_ = NewMemory(10);
    opt_ = zelNewSceneOpt(mem_);
  }
  void TearDown() override {
    EXPECT_EQ(zelFreeSceneOpt(mem_, opt_), nullptr);
    EXPECT_EQ(mem_->NbrActive, 0);
    FreeMemory(mem_);
    fs::current_path(old_);
    fs::remove_all(dir_);
  }
  static void write(const std::string &name, const std::string &text) {
    std::ofstream(name, std::ios::binary) << text;
  }
  // Reads with base name "mesh" (or base) and keeps what was printed.
  void read(const char *base = "mesh") {
    Captured c = CaptureText([&] { zelReadZelSceneOptions(base, opt_); });
    out_ = c.Out;
    err_ = c.Err;
  }

  fs::path old_, dir_;
  Memory_List *mem_ = nullptr;
  ZelSceneOptions *opt_ = nullptr;
  std::string out_, err_;
};

}  // namespace

TEST_F(ZelSceneOptionsFile, MissingFilesWarnAndChangeNothing) {
  EXPECT_EQ(opt_->palCount + opt_->hasBox + opt_->verbose, 0);  // a new record is zeroed
  opt_->verbose = 5;
  for (const char *base : {"mesh", static_cast<const char *>(nullptr)}) {
    read(base);
    EXPECT_EQ(out_, "  %% WARNING: NO PARAMETER FILE FOUND. USE DEFAULT VALUES\n");
    EXPECT_EQ(opt_->verbose, 5);
  }
  zelReadZelSceneOptions("mesh", nullptr);
}

TEST_F(ZelSceneOptionsFile, BaseNameFirstThenDefault) {
  write("DEFAULT.zelvane", "verbose 2\n");
  read();
  EXPECT_EQ(opt_->verbose, 2);
  write("mesh.zelvane", "VERBOSE 0x3\nVerbose 65536");
  read();
  EXPECT_EQ(opt_->verbose, 65536);  // case-blind keyword; the bad value was reported and skipped
}

TEST_F(ZelSceneOptionsFile, VerboseErrors) {
  write("mesh.zelvane", "verbose 3.5 verbose 99999999999 verbose +12 verbose");
  read();
  EXPECT_EQ(opt_->verbose, 12);
  EXPECT_CONTAINS(err_, "  ## ERROR: ZELVANE: verbose: ERROR WHILE READING INTEGER VALUE(3.5)\n");
}

TEST_F(ZelSceneOptionsFile, BoundingBoxIsKeptOnlyWithSixGoodValues) {
  write("mesh.zelvane", "boundingbox -1 -2 -3.5 1 2e1 3.25\n");
  read();
  EXPECT_EQ(opt_->hasBox, 1);
  const double want[6] = {-1, -2, -3.5, 1, 20, 3.25};
  for (int i = 0; i < 6; i++) EXPECT_EQ(opt_->box[i], want[i]);
  for (const char *text : {"BoundingBox 0 0 0 1 1 oops\n", "boundingbox 0 0 nan 1 1 1 boundingbox 0 0 0 1 1"}) {
    opt_->hasBox = 0;
    write("mesh.zelvane", text);
    read();
    EXPECT_EQ(opt_->hasBox, 0) << text;
    EXPECT_NE(err_, "") << text;
  }
}

// A palette is used only with five increasing values; otherwise a number left over is read as
// a keyword.
TEST_F(ZelSceneOptionsFile, Palette) {
  struct Case {
    const char *text;
    int count, verbose;
  };
  for (const Case &c : {Case{"palette 0 0.25 0.5 0.5 1e3\n", 5, 0}, Case{"palette 1 2 3 2 5 verbose 4\n", 0, 4},
                        Case{"palette 1 2 x 4 5 verbose 6\n", 0, 6}, Case{"palette 1 2 3", 0, 0}}) {
    SCOPED_TRACE(c.text);
    opt_->verbose = 0;
    write("mesh.zelvane", c.text);
    read();
    EXPECT_EQ(opt_->palCount, c.count);
    EXPECT_EQ(opt_->verbose, c.verbose);
    EXPECT_EQ(err_ == "", c.count == 5);
    const double want[5] = {0, 0.25, 0.5, 0.5, 1000};
    for (int i = 0; i < c.count; i++) EXPECT_EQ(opt_->pal[i], want[i]);
  }
}

TEST_F(ZelSceneOptionsFile, CommentsRunToTheEndOfTheirLine) {
  write("mesh.zelvane", "# verbose 5\n#verbose 6 palette 1 2 3 4 5\nverbose 7 # verbose 8\n#\nboundingbox 0 0 0 1 1 1 #end\npalette 1 2 3 4 5");
  read();
  EXPECT_EQ(opt_->verbose, 7);
  EXPECT_EQ(opt_->hasBox, 1);
  EXPECT_EQ(opt_->palCount, 5);  // a comment word at the end of a line leaves the next line alone
  EXPECT_EQ(err_, "");
}

TEST_F(ZelSceneOptionsFile, LongWordsAreBoundedAndTheFileIsClosed) {
  std::string longWord(100000, 'x'), longNumber(5000, '1');
  write("mesh.zelvane", longWord + " verbose " + longNumber + "\nverbose 9\n");
  read();
  EXPECT_EQ(opt_->verbose, 9);
  EXPECT_EQ(err_, "  ## ERROR: ZELVANE: verbose: ERROR WHILE READING INTEGER VALUE(" + std::string(255, '1') + ")\n");
  auto files = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), fs::directory_iterator()); };
  auto before = files();
  for (int i = 0; i < 50; i++) read();
  EXPECT_EQ(files(), before);
}

TEST_F(ZelSceneOptionsFile, NumbersIgnoreTheProcessLocale) {
  CommaLocale comma(dir_.string());
  if (!comma.Active) GTEST_SKIP() << "no comma-decimal locale on this system";
  write("mesh.zelvane", "palette 0.1 0.2 0.3 0.4 0.5 boundingbox -0.5 0 0 1.5 2 2.25 verbose 3");
  read();
  EXPECT_EQ(opt_->palCount, 5);
  EXPECT_EQ(opt_->pal[0], 0.1);
  EXPECT_EQ(opt_->pal[4], 0.5);
  EXPECT_EQ(opt_->hasBox, 1);
  EXPECT_EQ(opt_->box[0], -0.5);
  EXPECT_EQ(opt_->box[5], 2.25);
  EXPECT_EQ(opt_->verbose, 3);
  EXPECT_EQ(err_, "");
}
