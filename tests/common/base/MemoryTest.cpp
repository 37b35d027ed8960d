#include "tests/common/CommonTest.h"

namespace {

// Held in a global so that a death test's child, which exits from inside the statement,
// keeps the list reachable for the leak checker.
Memory_List *gDeathList = nullptr;

class MemoryList : public ::testing::Test {
 protected:
  void SetUp() override { mem = NewMemory(4); }
  void TearDown() override { EXPECT_EQ(FreeMemory(mem), 0); }
  Memory_List *mem = nullptr;
};

}  // namespace

TEST(MemoryListDeathTest, RecordExhaustionAndMyexitEndTheProcess) {
  EXPECT_EXIT(
      {
        gDeathList = NewMemory(2);
        MEM_ALLOC(gDeathList, a, 8);
        MEM_ALLOC(gDeathList, b, 8);
        MEM_ALLOC(gDeathList, c, 8);
      },
      ::testing::ExitedWithCode(100),
      "CANNOT ALLOCATE A c = 8 IN FUNCTION .* LINE [0-9]+ .*"
      "MAXIMUM NUMBER OF CONSECUTIVE ALLOCATIONS 2 REACHED.*"
      "## EXITING WITH CODE 100: MESSAGE: FATAL ERROR: MEMORY FAILURE");
  EXPECT_EXIT(myexit(nullptr, 3), ::testing::ExitedWithCode(3), "  ## EXITING WITH CODE 3 \n");
}

TEST_F(MemoryList, CountersFollowAllocReallocAndFree) {
  EXPECT_EQ(NewMemory(0), nullptr);
  void *p = MEM_ALLOC(mem, p, 100);
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(mem->CurMem, 100);
  std::memset(p, 7, 100);

  void *q = MEM_REALLOC(mem, p, 1000);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(static_cast<unsigned char *>(q)[99], 7);  // contents kept
  EXPECT_EQ(mem->PeakMem, 1000);

  q = MEM_REALLOC(mem, q, 400);  // shrinking releases the difference
  EXPECT_EQ(std::vector<long long>({mem->CurMem, mem->RelMem}), (std::vector<long long>{400, 600}));
  EXPECT_EQ(MEM_FREE(mem, q), nullptr);
  EXPECT_EQ(std::vector<long long>({mem->CurMem, mem->RelMem, mem->NbrReleased}), (std::vector<long long>{0, 1000, 1}));
}

TEST_F(MemoryList, DoubleAndForeignBlocksAreReportedAndLeftAlone) {
  void *keep = MEM_ALLOC(mem, keep, 32);
  void *p = MEM_ALLOC(mem, p, 32);
  void *stale = p;
  EXPECT_EQ(MEM_FREE(mem, p), nullptr);
  Captured twice = CaptureText([&] { EXPECT_EQ(MEM_FREE(mem, stale), stale); });
  EXPECT_CONTAINS(twice.Err, "CANNOT FIND OBJECT");
  EXPECT_CONTAINS(twice.Out, "CONTAINS");  // the one live block is listed

  // ReAlloc of a block the list does not hold, or of null, changes nothing.
  int foreign = 0;
  void *none = nullptr;
  CaptureText([&] {
    EXPECT_EQ(MEM_REALLOC(mem, &foreign, 64), nullptr);
    EXPECT_EQ(MEM_REALLOC(mem, none, 64), nullptr);
  });
  EXPECT_EQ(mem->NbrActive, 1);
  EXPECT_EQ(mem->NbrAllocated, 2);
  EXPECT_EQ(mem->CurMem, 32);
  MEM_FREE(mem, keep);
  // Freeing into an empty list.
  CaptureText([&] { EXPECT_EQ(MEM_FREE(mem, stale), stale); });
}

TEST_F(MemoryList, FailedAllocationsReturnNullAndKeepState) {
  void *p = MEM_ALLOC(mem, p, 64);
  void *empty = MEM_ALLOC(mem, empty, 0);  // size 0 is not a failure
  EXPECT_NE(empty, nullptr);
  EXPECT_EQ(mem->NbrActive, 2);
  EXPECT_EQ(MEM_FREE(mem, empty), nullptr);
  CaptureText([&] {
    EXPECT_EQ(MEM_ALLOC(mem, huge, static_cast<size_t>(1) << 62), nullptr);
    EXPECT_EQ(MEM_REALLOC(mem, p, static_cast<size_t>(1) << 62), nullptr);
  });
  // The old block is still recorded and usable, the statistics unchanged.
  EXPECT_EQ(mem->NbrActive, 1);
  EXPECT_EQ(mem->CurMem, 64);
  EXPECT_EQ(mem->UsedChunks->Adr, p);
  std::memset(p, 1, 64);
  MEM_FREE(mem, p);
}

TEST_F(MemoryList, ReportsSwitchUnitsAndListLiveBlocks) {
  void *p = MEM_ALLOC(mem, first, 999999);
  EXPECT_CONTAINS(CaptureText([&] { EXPECT_EQ(PrintMemory(mem), 1); }).Out, "KiloBytes :  976 active");
  EXPECT_CONTAINS(CaptureText([&] { VerifMemory(mem); }).Err, "A first");
  void *q = MEM_ALLOC(mem, second, 1);
  EXPECT_CONTAINS(CaptureText([&] { PrintMemory(mem); }).Out, "MegaBytes :  0 active");
  MEM_FREE(mem, p);
  MEM_FREE(mem, q);
  EXPECT_EQ(CaptureText([&] { VerifMemory(mem); }).Err, "");
}

TEST_F(MemoryList, NullListFallsThroughAndFreeMemoryReleasesLiveBlocks) {
  void *p = Alloc(nullptr, nullptr, 32, "x");
  ASSERT_NE(p, nullptr);
  p = ReAlloc(nullptr, p, 64, "x");
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(Free(nullptr, p, "x"), nullptr);
  EXPECT_EQ(FreeMemory(nullptr), 0);
  // Leak checking is on for this program: the blocks left live are released by TearDown.
  for (int i = 0; i < 3; i++) MEM_ALLOC(mem, blk, 128);
}
