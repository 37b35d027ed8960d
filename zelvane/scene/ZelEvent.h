// The input event record: what the OpenGL view copies from each key press, mouse press and
// mouse move, and the trackball and pan state the camera applies at the next paint.
#pragma once

#include <cstdint>

struct Memory_List;

// Key-bits word: the view sets exactly one of these per key press (modifiers count as keys).
enum ZelEventKey : uint32_t {
  ZelKeyControl = 0x1,
  ZelKeyMeta = 0x2,
  ZelKeyF1 = 0x4,
  ZelKeyF2 = 0x8,
  ZelKeyF3 = 0x10,
  ZelKeyF4 = 0x20,
  ZelKeyF5 = 0x40,
  ZelKeyF6 = 0x80,
  // 0x100 is never set.
  ZelKeyF7 = 0x200,
  ZelKeyF8 = 0x400,
  ZelKeyF9 = 0x800,
  ZelKeyF10 = 0x1000,
  ZelKeyF11 = 0x2000,
  ZelKeyF12 = 0x4000,
  ZelKeyAlt = 0x8000,
  ZelKeyShift = 0x10000,
  ZelKeyRight = 0x20000,
  ZelKeyLeft = 0x40000,
  ZelKeyUp = 0x80000,
  ZelKeyDown = 0x100000,
  ZelKeySpace = 0x200000,
};

// Mouse buttons held.
enum : uint32_t { ZelButtonLeft = 1, ZelButtonRight = 2, ZelButtonMiddle = 4 };

typedef struct Zel_Event {
  uint32_t buttons;       // ZelButton* bits
  double axis[3];         // rotation axis of the last trackball step
  double lastVec[3];      // last trackball vector, unit length
  double angle;           // rotation of the last trackball step in degrees; 0 once applied
  double panX, panY;      // accumulated pan
  double appliedPanX, appliedPanY;  // pan already folded into the model matrix
  int32_t lastX, lastY;   // last mouse position in window pixels
  int8_t keyChar;         // character of the last key press, ' ' for none
  uint32_t keyBits;       // ZelEventKey bit of the last key press
  int32_t rotInc[3];      // last change of the view's rotation angles about x, y, z, in
                          // sixteenths of a degree (the view's rotation slots write them)
} ZelEvent;

// A new reset record; a failed allocation ends the process.
ZelEvent *zelNewEvent(Memory_List *mem);
void zelResetEvent(ZelEvent *evt);
// Copies the input part only (buttons, keyChar, keyBits): a linked view keeps its own
// trackball and pan state. 0 when either record is missing, else 1.
int zelCpyEvent(const ZelEvent *from, ZelEvent *to);
// Returns null for the caller to store.
ZelEvent *zelFreeEvent(Memory_List *mem, ZelEvent *evt);

// Toggle: clears the bits of bit when any of them is set in word, else sets bit.
constexpr uint32_t PermBit(uint32_t word, uint32_t bit) { return (word & bit) ? (word & ~bit) : (word | bit); }
