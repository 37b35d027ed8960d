// Recording stand-ins for every slot of the scene engine's hook table, for tests of the scene
// engine and of the layers that call through it.
//
// Constructing a FakeHooks installs a fake in every slot and keeps the table it replaced;
// destroying it puts that table back (instances nest, the innermost records). With passOn set,
// every fake also calls the slot it replaced, when that slot was set, and answers with its
// result.
#pragma once

#include <string>
#include <vector>

#include "zelvane/scene/ZelHooks.h"

// One builder call: update or direct-draw entry, kind of the slot, reference of the record
// (0 without record), mask.
struct FakeListCall {
  bool Update;
  int Kind;
  int Ref;
  ZelListMask Mask;
  const ZelEntDisplayList *Record;
};

// One shell, clipping or panel call: the slot's name ("makeCurrent", "setPlaneClip",
// "displayPreferences", ...), its window or scene, and the plane of the clipping calls (-1
// otherwise).
struct FakeCall {
  std::string Name;
  const void *Target;
  int Plane;
};

class FakeHooks {
 public:
  explicit FakeHooks(bool passOn = false);
  ~FakeHooks();
  FakeHooks(const FakeHooks &) = delete;
  FakeHooks &operator=(const FakeHooks &) = delete;

  std::vector<std::string> Texts;  // every text handed to the terminal (rich or plain), one per call
  std::vector<const void *> TextWindows;
  std::vector<FakeListCall> ListCalls;
  std::vector<FakeCall> Calls;
  int ListResult = 1;  // answer of the builders, setPlaneClip and setCapClip when not passed on

  // Names of the calls recorded, in order.
  std::vector<std::string> callNames() const;
  // The terminal texts, concatenated.
  std::string terminal() const;

  // The innermost instance alive, null when none.
  static FakeHooks *current();
  // The table this instance replaced.
  const ZelHooks &replaced() const { return saved_; }
  bool passOn() const { return passOn_; }
  FakeHooks *outer() const { return outer_; }

 private:
  ZelHooks saved_;
  FakeHooks *outer_;
  bool passOn_;
};
