#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "common/base/Memory.h"

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
  EXPECT_EQ(mem->CurMem, 1000);
  EXPECT_EQ(mem->PeakMem, 1000);
  EXPECT_EQ(mem->UsedChunks->Siz, 1000u);

  q = MEM_REALLOC(mem, q, 400);  // shrinking releases the difference
  EXPECT_EQ(mem->CurMem, 400);
  EXPECT_EQ(mem->RelMem, 600);

  EXPECT_EQ(MEM_FREE(mem, q), nullptr);
  EXPECT_EQ(mem->CurMem, 0);
  EXPECT_EQ(mem->TotMem, 1000);
  EXPECT_EQ(mem->RelMem, 1000);
  EXPECT_EQ(mem->PeakMem, 1000);
  EXPECT_EQ(mem->NbrActive, 0);
  EXPECT_EQ(mem->NbrAllocated, 1);
  EXPECT_EQ(mem->NbrReleased, 1);
}

TEST_F(MemoryList, LabelsNameVariableSizeAndPlace) {
  int MaxNbrVer = 9;
  void *v = MEM_ALLOC(mem, msh->Ver, sizeof(double) * (MaxNbrVer + 1));
  std::string label = mem->UsedChunks->Label;
  EXPECT_EQ(label.rfind("A msh->Ver = sizeof(double) * (MaxNbrVer + 1) IN FUNCTION ", 0), 0u) << label;
  EXPECT_NE(label.find("LINE"), std::string::npos);

  // An over-long label is cut to the record and stays terminated.
  void *w = Alloc(mem, nullptr, 16, "A %s", std::string(3000, 'x').c_str());
  EXPECT_EQ(std::strlen(mem->UsedChunks->Label), sizeof(MemoryChunk::Label) - 1);
  MEM_FREE(mem, w);
  MEM_FREE(mem, v);
}

TEST_F(MemoryList, DoubleAndForeignBlocksAreReportedAndLeftAlone) {
  void *keep = MEM_ALLOC(mem, keep, 32);
  void *p = MEM_ALLOC(mem, p, 32);
  void *stale = p;
  EXPECT_EQ(MEM_FREE(mem, p), nullptr);
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  EXPECT_EQ(MEM_FREE(mem, stale), stale);
  std::string out = testing::internal::GetCapturedStdout();
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("CANNOT FIND OBJECT"), std::string::npos);
  EXPECT_NE(out.find("CONTAINS"), std::string::npos);  // the one live block is listed

  // ReAlloc of a block the list does not hold, or of null, changes nothing.
  int foreign = 0;
  testing::internal::CaptureStderr();
  EXPECT_EQ(MEM_REALLOC(mem, &foreign, 64), nullptr);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("CANNOT FIND OBJECT"), std::string::npos);
  void *none = nullptr;
  EXPECT_EQ(MEM_REALLOC(mem, none, 64), nullptr);
  EXPECT_EQ(mem->NbrActive, 1);
  EXPECT_EQ(mem->NbrAllocated, 2);
  EXPECT_EQ(mem->CurMem, 32);
  MEM_FREE(mem, keep);

  // Freeing into an empty list.
  testing::internal::CaptureStderr();
  EXPECT_EQ(MEM_FREE(mem, stale), stale);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("MEMORY IS EMPTY"), std::string::npos);
}

TEST_F(MemoryList, FailedAllocationsReturnNullAndKeepState) {
  void *p = MEM_ALLOC(mem, p, 64);
  void *empty = MEM_ALLOC(mem, empty, 0);  // size 0 is not a failure
  EXPECT_NE(empty, nullptr);
  EXPECT_EQ(mem->NbrActive, 2);
  EXPECT_EQ(MEM_FREE(mem, empty), nullptr);
  testing::internal::CaptureStderr();
  void *huge = MEM_ALLOC(mem, huge, static_cast<size_t>(1) << 62);
  void *grown = MEM_REALLOC(mem, p, static_cast<size_t>(1) << 62);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(huge, nullptr);
  EXPECT_EQ(grown, nullptr);
  EXPECT_NE(err.find("CALL TO MALLOC FAILED FOR SIZE 4398046511104 MB"), std::string::npos) << err;
  // The old block is still recorded and usable, the statistics unchanged.
  EXPECT_EQ(mem->NbrActive, 1);
  EXPECT_EQ(mem->CurMem, 64);
  EXPECT_EQ(mem->UsedChunks->Adr, p);
  std::memset(p, 1, 64);
  MEM_FREE(mem, p);
}

TEST_F(MemoryList, PrintMemorySwitchesUnitsAtOneMillionBytes) {
  void *p = MEM_ALLOC(mem, p, 999999);
  testing::internal::CaptureStdout();
  EXPECT_EQ(PrintMemory(mem), 1);
  std::string kb = testing::internal::GetCapturedStdout();
  EXPECT_NE(kb.find("KiloBytes :  976 active"), std::string::npos) << kb;
  EXPECT_NE(kb.find("Peak memory alloc   : 976 kilobytes"), std::string::npos);
  MEM_FREE(mem, p);

  p = MEM_ALLOC(mem, p, 1000000);
  testing::internal::CaptureStdout();
  PrintMemory(mem);
  std::string mb = testing::internal::GetCapturedStdout();
  EXPECT_NE(mb.find("MegaBytes :"), std::string::npos) << mb;
  EXPECT_NE(mb.find("Peak memory alloc   : 0 megabytes"), std::string::npos);
  EXPECT_NE(mb.find("Chunk     :  1 active \t2 allocated \t1 released"), std::string::npos);
  MEM_FREE(mem, p);
  EXPECT_EQ(PrintMemory(nullptr), 0);
}

TEST_F(MemoryList, VerifMemoryListsOnlyLiveBlocks) {
  void *p = MEM_ALLOC(mem, first, 8);
  void *q = MEM_ALLOC(mem, second, 8);
  testing::internal::CaptureStderr();
  VerifMemory(mem);
  std::string err = testing::internal::GetCapturedStderr();
  // Most recent first.
  size_t a = err.find("A second"), b = err.find("A first");
  ASSERT_NE(a, std::string::npos);
  ASSERT_NE(b, std::string::npos);
  EXPECT_LT(a, b);
  EXPECT_NE(err.find("HASN'T BEEN FREE"), std::string::npos);
  MEM_FREE(mem, p);
  MEM_FREE(mem, q);
  testing::internal::CaptureStderr();
  VerifMemory(mem);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_DOUBLE_EQ(GetCurrentMemory(mem), 0.0);
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
