#include <gtest/gtest.h>

#include <vector>

#include "common/base/Memory.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelEvent.h"

namespace {

// Every field, in declaration order: buttons, axis, lastVec, angle, panX, panY, appliedPanX,
// appliedPanY, lastX, lastY, keyChar, keyBits.
std::vector<double> fields(const ZelEvent *e) {
  return {double(e->buttons), e->axis[0], e->axis[1], e->axis[2], e->lastVec[0], e->lastVec[1],
          e->lastVec[2], e->angle, e->panX, e->panY, e->appliedPanX, e->appliedPanY,
          double(e->lastX), double(e->lastY), double(e->keyChar), double(e->keyBits)};
}
const std::vector<double> kReset = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 0};

void fill(ZelEvent *e, int seed) {
  e->buttons = static_cast<uint32_t>(seed) & 7u;  // ZelButton* bits
  for (int i = 0; i < 3; i++) e->axis[i] = seed + i, e->lastVec[i] = -seed - i;
  e->angle = seed * 1.5;
  e->panX = seed + 0.25, e->panY = seed + 0.5;
  e->appliedPanX = seed + 0.75, e->appliedPanY = seed + 1.25;
  e->lastX = seed * 10, e->lastY = seed * 20;
  e->keyChar = static_cast<int8_t>('a' + seed);
  e->keyBits = ZelKeyShift << seed;
}

}  // namespace

TEST(ZelEvent, PermBit) {
  static_assert(PermBit(22, 1) == 23, "the scene's default render word");
  EXPECT_EQ(PermBit(23, 1), 22u);
  EXPECT_EQ(PermBit(0x20, 0x30), 0u);     // any bit of the mask set: all of them cleared
  EXPECT_EQ(PermBit(0x41, 0x30), 0x71u);  // none set: the whole mask is set
  EXPECT_EQ(PermBit(0xF0, 0x30), 0xC0u);
  EXPECT_EQ(PermBit(PermBit(0x1234, 0x8), 0x8), 0x1234u);
}

TEST(ZelEvent, NewResetCopyFree) {
  Memory_List *mem = NewMemory(10);
  ZelEvent *a = zelNewEvent(mem), *b = zelNewEvent(mem);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(mem->NbrActive, 2);
  EXPECT_EQ(fields(a), kReset);
  fill(a, 3);
  zelResetEvent(a);
  EXPECT_EQ(fields(a), kReset);
  zelResetEvent(nullptr);

  // A linked view takes the input part only and keeps its own trackball and pan state.
  fill(a, 3);
  fill(b, 7);
  std::vector<double> want = fields(b), from = fields(a);
  for (int i : {0, 14, 15}) want[i] = from[i];  // buttons, keyChar, keyBits
  EXPECT_EQ(zelCpyEvent(a, b), 1);
  EXPECT_EQ(fields(b), want);
  EXPECT_EQ(zelCpyEvent(nullptr, b), 0);

  EXPECT_EQ(zelFreeEvent(mem, a), nullptr);
  EXPECT_EQ(zelFreeEvent(mem, b), nullptr);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

TEST(ZelEventDeathTest, AllocationFailureEndsTheProcess) {
  EXPECT_EXIT(zelAllocFailure("zelNewEvent", "evt"), testing::ExitedWithCode(100),
              "  ## ERROR: zelNewEvent: ALLOCATION FAILED FOR ARRAY evt \n"
              "  ## EXITING WITH CODE 100: MESSAGE: ALLOCATION FAILURE");
}
