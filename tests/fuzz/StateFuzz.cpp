// Fuzz target of the saved-state reader: the input is a state file, read into a scene's list.
// Every state read must hold counts that agree with its blocks, limits the scene can use and a
// window a screen can hold; written back and read again, it must write the same text (nothing
// read is lost or changed by a round trip); freeing the scenes must leave no block behind.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "common/base/Memory.h"
#include "common/base/ScreenRange.h"
#include "tests/fuzz/FuzzFiles.h"
#include "zelvane/scene/ZelSavedState.h"
#include "zelvane/scene/ZelScene.h"

namespace {

std::string slurp(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void fail(const char *what) {
  std::fprintf(stderr, "state_fuzz: %s\n", what);
  std::abort();
}

// A scene with a display mesh and no camera; state 0 taken, so that writing the list writes
// every state read after it.
ZelScene *newScene(Memory_List *mem) {
  ZelScene *scene = zelNewScene(mem, nullptr, ZelDisplayLists, nullptr, zelNewZelMesh(mem));
  scene->State->NbrState = 1;
  return scene;
}

void checkStates(const ZelStateList *list, int first, int count) {
  for (int i = first; i < first + count; i++) {
    const ZelStateBucket *b = list->Head[i];
    if (!b) fail("a counted state has no bucket");
    if (b->NbrEnt < 0 || b->NbrEnt > 14 || b->NbrRec < 0) fail("counts out of range");
    if (b->ClipCur < -1 || b->ClipCur > 31) fail("current plane out of range");
    if (b->ViewW != ClampScreenSize(b->ViewW) || b->ViewH != ClampScreenSize(b->ViewH) ||
        b->WinX != ClampScreenPos(b->WinX) || b->WinY != ClampScreenPos(b->WinY))
      fail("window off a screen");
    int64_t records = 0;
    for (int k = 0; k < b->NbrEnt; k++) {
      const int32_t *blk = b->EntState[k];
      if (blk[0] < 0 || blk[0] > 13 || blk[1] < 0) fail("group out of range");
      if (k + 1 < b->NbrEnt && b->EntState[k + 1] != blk + 2 + 5 * static_cast<int64_t>(blk[1]))
        fail("groups not laid out back to back");
      records += blk[1];
    }
    if (records != b->NbrRec) fail("record count disagrees with the groups");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  const std::string base = FuzzTempBase("statefuzz");
  const std::string in = base + ".state", once = base + "-1.state", twice = base + "-2.state";
  if (!FuzzSave(in, data, size)) return 0;

  Memory_List *mem = NewMemory(2000);
  ZelScene *a = newScene(mem), *b = newScene(mem);
  const int n = zelLoadStateFromFile(a, in.c_str());
  if (n < 0 || n > 99) fail("impossible number of states");
  checkStates(a->State, 1, n);
  a->State->NbrState += n;
  if (zelSaveStateInFile(a, once.c_str()) != 1) fail("states read cannot be written");
  if (zelLoadStateFromFile(b, once.c_str()) != n) fail("states written do not read back");
  checkStates(b->State, 1, n);
  b->State->NbrState += n;
  if (zelSaveStateInFile(b, twice.c_str()) != 1) fail("states read back cannot be written");
  if (slurp(once) != slurp(twice)) fail("a round trip changed the states");

  zelFreeScene(mem, a);
  zelFreeScene(mem, b);
  if (mem->NbrActive != 0) fail("blocks left allocated");
  FreeMemory(mem);
  std::remove(in.c_str());
  std::remove(once.c_str());
  std::remove(twice.c_str());
  return 0;
}
