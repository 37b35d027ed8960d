#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelEvent.h"

namespace {

// Every field in declaration order; after the buttons (0), axis (1-3), lastVec (4-6), angle,
// pan and applied pan (7-11), last position (12-13), keyChar (14) and keyBits (15).
std::vector<double> fields(const ZelEvent *e) {
  return {double(e->buttons), e->axis[0], e->axis[1], e->axis[2], e->lastVec[0], e->lastVec[1],
          e->lastVec[2], e->angle, e->panX, e->panY, e->appliedPanX, e->appliedPanY,
          double(e->lastX), double(e->lastY), double(e->keyChar), double(e->keyBits)};
}

void fill(ZelEvent *e, int seed) {
  e->buttons = static_cast<uint32_t>(seed) & 7u;
  for (int i = 0; i < 3; i++) e->axis[i] = seed + i, e->lastVec[i] = -seed - i;
  e->angle = seed * 1.5, e->panX = seed + 0.25, e->panY = seed + 0.5;
  e->appliedPanX = seed + 0.75, e->appliedPanY = seed + 1.25, e->lastX = seed * 10, e->lastY = seed * 20;
  e->keyChar = static_cast<int8_t>('a' + seed), e->keyBits = ZelKeyShift << seed;
}

}  // namespace

TEST(ZelEvent, NewResetCopyFree) {
  std::vector<double> reset(16, 0.0);
  reset[14] = ' ';
  Memory_List *mem = NewMemory(10);
  ZelEvent *a = zelNewEvent(mem), *b = zelNewEvent(mem);
  EXPECT_EQ(fields(a), reset);
  fill(a, 3);
  zelResetEvent(a);
  EXPECT_EQ(fields(a), reset);
  // A linked view takes the input part only (buttons, keyChar, keyBits) and keeps its own
  // trackball and pan state.
  fill(a, 3), fill(b, 7);
  std::vector<double> want = fields(b), from = fields(a);
  for (int i : {0, 14, 15}) want[i] = from[i];
  EXPECT_EQ(zelCpyEvent(a, b), 1);
  EXPECT_EQ(fields(b), want);
  EXPECT_EQ(zelCpyEvent(nullptr, b), 0);
  EXPECT_EQ(zelFreeEvent(mem, a), nullptr);
  EXPECT_EQ(zelFreeEvent(mem, b), nullptr);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}
