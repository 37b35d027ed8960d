#include "tests/support/FakeHooks.h"

#include <utility>

#include "zelvane/scene/ZelMesh.h"

namespace {

FakeHooks *gCurrent = nullptr;

void record(const char *name, const void *target, int plane = -1) {
  if (gCurrent) gCurrent->Calls.push_back({name, target, plane});
}

// The replaced slot when the fakes pass calls on, else null.
template <class Slot>
Slot passed(Slot ZelHooks::*slot) {
  return gCurrent && gCurrent->passOn() ? gCurrent->replaced().*slot : nullptr;
}

// While a call is passed on, the instance that was current before this one records: a
// replaced slot that is itself a fake then belongs to its own instance.
class AsOuter {
 public:
  AsOuter() : saved_(gCurrent) { gCurrent = gCurrent ? gCurrent->outer() : nullptr; }
  ~AsOuter() { gCurrent = saved_; }

 private:
  FakeHooks *saved_;
};

// The rich and the plain terminal texts alike.
template <void (*ZelHooks::*Slot)(void *, const char *)>
void fakeTerm(void *window, const char *text) {
  if (gCurrent) {
    gCurrent->Texts.emplace_back(text ? text : "");
    gCurrent->TextWindows.push_back(window);
  }
  if (auto f = passed(Slot)) {
    AsOuter o;
    f(window, text);
  }
}

// One fake per window bridge, named after its slot.
#define FAKE_WINDOW_HOOK(slot)              \
  void fake_##slot(void *window) {          \
    record(#slot, window);                  \
    if (auto f = passed(&ZelHooks::slot)) { \
      AsOuter o;                            \
      f(window);                            \
    }                                       \
  }
FAKE_WINDOW_HOOK(makeCurrent)
FAKE_WINDOW_HOOK(updateWidgetState)
FAKE_WINDOW_HOOK(updateQWidgetState)
FAKE_WINDOW_HOOK(updateClipBox)
#undef FAKE_WINDOW_HOOK

void fakeUpdateGlScene(ZelScene *scene) {
  record("updateGlScene", scene);
  if (auto f = passed(&ZelHooks::updateGlScene)) {
    AsOuter o;
    f(scene);
  }
}
void fakeSaveWindowState(void *window, ZelStateBucket *bucket) {
  record("saveWindowState", window);
  if (auto f = passed(&ZelHooks::saveWindowState)) {
    AsOuter o;
    f(window, bucket);
  }
}
void fakeLoadWindowState(void *window, ZelStateBucket *bucket) {
  record("loadWindowState", window);
  if (auto f = passed(&ZelHooks::loadWindowState)) {
    AsOuter o;
    f(window, bucket);
  }
}

int fakeSetPlaneClip(Function_Interface *fi, ZelScene *scene, int plane) {
  record("setPlaneClip", scene, plane);
  if (auto f = passed(&ZelHooks::setPlaneClip)) {
    AsOuter o;
    return f(fi, scene, plane);
  }
  return gCurrent ? gCurrent->ListResult : 0;
}
void fakeSetFrameClip(ZelScene *scene, int plane) {
  record("setFrameClip", scene, plane);
  if (auto f = passed(&ZelHooks::setFrameClip)) {
    AsOuter o;
    f(scene, plane);
  }
}
void fakeSetFrameBox(ZelScene *scene, int plane) {
  record("setFrameBox", scene, plane);
  if (auto f = passed(&ZelHooks::setFrameBox)) {
    AsOuter o;
    f(scene, plane);
  }
}
int fakeSetCapClip(ZelScene *scene) {
  record("setCapClip", scene);
  if (auto f = passed(&ZelHooks::setCapClip)) {
    AsOuter o;
    return f(scene);
  }
  return gCurrent ? gCurrent->ListResult : 0;
}
void fakeDisplayPreferences(ZelScene *scene) {
  record("displayPreferences", scene);
  if (auto f = passed(&ZelHooks::displayPreferences)) {
    AsOuter o;
    f(scene);
  }
}

template <bool Update, int Kind>
int fakeList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *rec) {
  if (gCurrent) gCurrent->ListCalls.push_back({Update, Kind, rec ? rec->Ref : 0, mask, rec});
  if (gCurrent && gCurrent->passOn()) {
    const ZelListHook *slots = Update ? gCurrent->replaced().update : gCurrent->replaced().directDraw;
    if (slots[Kind]) {
      AsOuter o;
      return slots[Kind](mask, scene, rec);
    }
  }
  return gCurrent ? gCurrent->ListResult : 0;
}

template <bool Update, int... Kinds>
void fillListSlots(ZelListHook *slots, std::integer_sequence<int, Kinds...>) {
  ((slots[Kinds] = &fakeList<Update, Kinds>), ...);
}

}  // namespace

FakeHooks::FakeHooks(bool passOn) : saved_(zelHooks()), outer_(gCurrent), passOn_(passOn) {
  gCurrent = this;
  ZelHooks &h = zelHooks();
  h.term = fakeTerm<&ZelHooks::term>;
  h.termText = fakeTerm<&ZelHooks::termText>;
  h.makeCurrent = fake_makeCurrent;
  h.updateWidgetState = fake_updateWidgetState;
  h.updateQWidgetState = fake_updateQWidgetState;
  h.updateClipBox = fake_updateClipBox;
  h.updateGlScene = fakeUpdateGlScene;
  h.saveWindowState = fakeSaveWindowState;
  h.loadWindowState = fakeLoadWindowState;
  fillListSlots<true>(h.update, std::make_integer_sequence<int, ZelHookKinds>{});
  fillListSlots<false>(h.directDraw, std::make_integer_sequence<int, ZelHookKinds>{});
  h.setPlaneClip = fakeSetPlaneClip;
  h.setFrameClip = fakeSetFrameClip;
  h.setFrameBox = fakeSetFrameBox;
  h.setCapClip = fakeSetCapClip;
  h.displayPreferences = fakeDisplayPreferences;
}

FakeHooks::~FakeHooks() {
  zelHooks() = saved_;
  gCurrent = outer_;
}

FakeHooks *FakeHooks::current() { return gCurrent; }

std::vector<std::string> FakeHooks::callNames() const {
  std::vector<std::string> names;
  for (const FakeCall &c : Calls) names.push_back(c.Name);
  return names;
}

std::string FakeHooks::terminal() const {
  std::string all;
  for (const std::string &t : Texts) all += t;
  return all;
}
