#include <gtest/gtest.h>

#include <cstring>

#include "common/Memory.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelEvent.h"

namespace {

void expectReset(const ZelEvent *e) {
  EXPECT_EQ(e->buttons, 0u);
  for (int i = 0; i < 3; i++) {
    EXPECT_EQ(e->axis[i], 0);
    EXPECT_EQ(e->lastVec[i], 0);
  }
  EXPECT_EQ(e->angle, 0);
  EXPECT_EQ(e->panX, 0);
  EXPECT_EQ(e->panY, 0);
  EXPECT_EQ(e->appliedPanX, 0);
  EXPECT_EQ(e->appliedPanY, 0);
  EXPECT_EQ(e->lastX, 0);
  EXPECT_EQ(e->lastY, 0);
  EXPECT_EQ(e->keyChar, 32);
  EXPECT_EQ(e->keyBits, 0u);
}

void fill(ZelEvent *e, int seed) {
  e->buttons = ZelButtonLeft | ZelButtonMiddle;
  for (int i = 0; i < 3; i++) e->axis[i] = seed + i, e->lastVec[i] = -seed - i;
  e->angle = seed * 1.5;
  e->panX = seed + 0.25, e->panY = seed + 0.5;
  e->appliedPanX = seed + 0.75, e->appliedPanY = seed + 1.25;
  e->lastX = seed * 10, e->lastY = seed * 20;
  e->keyChar = 'a';
  e->keyBits = ZelKeyShift;
}

}  // namespace

TEST(ZelEvent, PermBit) {
  static_assert(PermBit(22, 1) == 23, "the scene's default render word");
  EXPECT_EQ(PermBit(23, 1), 22u);
  EXPECT_EQ(PermBit(0x20, 0x30), 0u);     // any bit of the mask set: all of them cleared
  EXPECT_EQ(PermBit(0x41, 0x30), 0x71u);  // none set: the whole mask is set
  EXPECT_EQ(PermBit(0xF0, 0x30), 0xC0u);
  EXPECT_EQ(PermBit(0, 0x40000000), 0x40000000u);
  EXPECT_EQ(PermBit(PermBit(0x1234, 0x8), 0x8), 0x1234u);
}

TEST(ZelEvent, NewResetCopyFree) {
  Memory_List *mem = NewMemory(10);
  ZelEvent *a = zelNewEvent(mem), *b = zelNewEvent(mem);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(mem->NbrActive, 2);
  EXPECT_NE(std::strstr(mem->UsedChunks->Label, "A evt = sizeof(ZelEvent) IN FUNCTION zelNewEvent"), nullptr)
      << mem->UsedChunks->Label;
  expectReset(a);

  fill(a, 3);
  zelResetEvent(a);
  expectReset(a);
  zelResetEvent(nullptr);

  // A linked view takes the input part only and keeps its own trackball and pan state.
  fill(a, 3);
  fill(b, 7);
  a->buttons = ZelButtonRight;
  a->keyChar = 'z';
  a->keyBits = ZelKeyF5;
  EXPECT_EQ(zelCpyEvent(a, b), 1);
  EXPECT_EQ(b->buttons, static_cast<uint32_t>(ZelButtonRight));
  EXPECT_EQ(b->keyChar, 'z');
  EXPECT_EQ(b->keyBits, static_cast<uint32_t>(ZelKeyF5));
  EXPECT_EQ(b->axis[2], 9);
  EXPECT_EQ(b->lastVec[0], -7);
  EXPECT_EQ(b->angle, 10.5);
  EXPECT_EQ(b->panX, 7.25);
  EXPECT_EQ(b->appliedPanY, 8.25);
  EXPECT_EQ(b->lastX, 70);
  EXPECT_EQ(b->lastY, 140);
  EXPECT_EQ(zelCpyEvent(nullptr, b), 0);
  EXPECT_EQ(zelCpyEvent(a, nullptr), 0);
  EXPECT_EQ(b->keyChar, 'z');

  EXPECT_EQ(zelFreeEvent(mem, a), nullptr);
  EXPECT_EQ(zelFreeEvent(mem, b), nullptr);
  EXPECT_EQ(zelFreeEvent(mem, nullptr), nullptr);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

TEST(ZelEventDeathTest, AllocationFailureEndsTheProcess) {
  EXPECT_EXIT(zelAllocFailure("zelNewEvent", "evt"), testing::ExitedWithCode(100),
              "  ## ERROR: zelNewEvent: ALLOCATION FAILED FOR ARRAY evt \n"
              "  ## EXITING WITH CODE 100: MESSAGE: ALLOCATION FAILURE");
  // A memory list with no record left stops the process as well.
  EXPECT_EXIT(
      {
        Memory_List *mem = NewMemory(1);
        zelNewEvent(mem);
        zelNewEvent(mem);
      },
      testing::ExitedWithCode(100), "FATAL ERROR: MEMORY FAILURE");
}
