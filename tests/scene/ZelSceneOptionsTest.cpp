#include <unistd.h>
#include <filesystem>

#include "tests/scene/SceneTest.h"
#include "tests/support/CommaLocale.h"
#include "zelvane/scene/ZelSceneOptions.h"

namespace fs = std::filesystem;

namespace {

class ZelSceneOptionsFile : public testing::Test {
 protected:
  // A fresh empty working folder for each test: the fallback file is looked up there.
  void SetUp() override {
    std::string tmpl = (fs::temp_directory_path() / "zelopt.XXXXXX").string();
    ASSERT_NE(mkdtemp(&tmpl[0]), nullptr);
    fs::current_path(dir_ = tmpl);
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
    printed_ = CaptureText([&] { zelReadZelSceneOptions(base, opt_); });
  }

  fs::path old_ = fs::current_path(), dir_;
  Memory_List *mem_ = NewMemory(10);
  ZelSceneOptions *opt_ = zelNewSceneOpt(mem_);
  Captured printed_;
  const std::string &out_ = printed_.Out, &err_ = printed_.Err;
};

}  // namespace

TEST_F(ZelSceneOptionsFile, MissingFilesWarnAndChangeNothingTheBaseNameComesFirst) {
  EXPECT_EQ(opt_->palCount + opt_->hasBox + opt_->verbose, 0);  // a new record is zeroed
  opt_->verbose = 5;
  for (const char *base : {"mesh", static_cast<const char *>(nullptr)}) {
    read(base);
    EXPECT_EQ(out_, "  %% WARNING: NO PARAMETER FILE FOUND. USE DEFAULT VALUES\n");
    EXPECT_EQ(opt_->verbose, 5);
  }
  zelReadZelSceneOptions("mesh", nullptr);
  write("DEFAULT.zelvane", "verbose 2\n");
  read();
  EXPECT_EQ(opt_->verbose, 2);
  write("mesh.zelvane", "VERBOSE 0x3\nVerbose 65536");
  read();
  EXPECT_EQ(opt_->verbose, 65536);  // case-blind keyword; the bad value was reported and skipped
}

// What a file sets: a bad value is reported and skipped; a box is kept only with six good
// values, a palette only with five non-decreasing ones (otherwise a number left over is read
// as a keyword); comments run to the end of their line.
TEST_F(ZelSceneOptionsFile, KeywordsAndTheirRefusals) {
  const struct {
    const char *Text;
    int Verbose, HasBox, PalCount;
    bool Error;
  } cases[] = {
      {"verbose 3.5 verbose 99999999999 verbose +12 verbose", 12, 0, 0, true},
      {"boundingbox -1 -2 -3.5 1 2e1 3.25\n", 0, 1, 0, false},
      {"BoundingBox 0 0 0 1 1 oops\n", 0, 0, 0, true},
      {"boundingbox 0 0 nan 1 1 1 boundingbox 0 0 0 1 1", 0, 0, 0, true},
      {"palette 0 0.25 0.5 0.5 1e3\n", 0, 0, 5, false},
      {"palette 1 2 3 2 5 verbose 4\n", 4, 0, 0, true},
      {"palette 1 2 x 4 5 verbose 6\n", 6, 0, 0, true},
      {"palette 1 2 3", 0, 0, 0, true},
      {"# verbose 5\n#verbose 6 palette 1 2 3 4 5\nverbose 7 # verbose 8\n#\n"
       "boundingbox -1 -2 -3.5 1 2e1 3.25 #end\npalette 0 0.25 0.5 0.5 1e3",
       7, 1, 5, false},
  };
  const double box[6] = {-1, -2, -3.5, 1, 20, 3.25}, pal[5] = {0, 0.25, 0.5, 0.5, 1000};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Text);
    opt_->verbose = opt_->hasBox = opt_->palCount = 0;
    write("mesh.zelvane", c.Text);
    read();
    EXPECT_EQ(opt_->verbose, c.Verbose);
    EXPECT_EQ(opt_->hasBox, c.HasBox);
    EXPECT_EQ(opt_->palCount, c.PalCount);
    EXPECT_EQ(err_ != "", c.Error) << err_;
    for (int i = 0; c.HasBox && i < 6; i++) EXPECT_EQ(opt_->box[i], box[i]);
    for (int i = 0; i < c.PalCount; i++) EXPECT_EQ(opt_->pal[i], pal[i]);
  }
}

TEST_F(ZelSceneOptionsFile, LongWordsAreBoundedAndTheFileIsClosed) {
  std::string longWord(100000, 'x'), longNumber(5000, '1');
  write("mesh.zelvane", longWord + " verbose " + longNumber + "\nverbose 9\n");
  read();
  EXPECT_EQ(opt_->verbose, 9);
  const std::string kept255 = longNumber.substr(0, 255);
  EXPECT_EQ(err_, "  ## ERROR: ZELVANE: verbose: ERROR WHILE READING INTEGER VALUE(" + kept255 + ")\n");
  auto files = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
  auto before = files();
  for (int i = 0; i < 50; i++) read();
  EXPECT_EQ(files(), before);
}

TEST_F(ZelSceneOptionsFile, NumbersIgnoreTheProcessLocale) {
  CommaLocale comma(dir_.string());
  if (!comma.Active) GTEST_SKIP() << "no comma-decimal locale on this system";
  write("mesh.zelvane", "palette 0.1 0.2 0.3 0.4 0.5 boundingbox -0.5 0 0 1.5 2 2.25 verbose 3");
  read();
  EXPECT_EQ(std::vector<double>({opt_->pal[0], opt_->pal[4], opt_->box[0], opt_->box[5]}),
            (std::vector<double>{0.1, 0.5, -0.5, 2.25}));
  EXPECT_EQ(opt_->palCount + opt_->hasBox + opt_->verbose, 5 + 1 + 3);
  EXPECT_EQ(err_, "");
}
