// Encoding of buttons, modifiers, keys and positions for the scene's event records.
#include "zelvane/gui/ZelViewInput.h"

#include <cmath>

#include "zelvane/scene/ZelEvent.h"

namespace {

struct ButtonRow {
  Qt::MouseButton button;
  int code;
};
const ButtonRow Buttons[] = {{Qt::LeftButton, ZelButtonLeft}, {Qt::RightButton, ZelButtonRight},
                             {Qt::MiddleButton, ZelButtonMiddle}};

struct ModifierRow {
  Qt::KeyboardModifier modifier;
  uint32_t bits;
};
const ModifierRow Modifiers[] = {{Qt::ShiftModifier, ZelKeyShift},
                                 {Qt::ControlModifier, ZelKeyControl},
                                 {Qt::AltModifier, ZelKeyAlt},
                                 {Qt::MetaModifier, ZelKeyMeta}};

struct KeyRow {
  int key;
  uint32_t bits;
};
const KeyRow Keys[] = {{Qt::Key_Control, ZelKeyControl}, {Qt::Key_Meta, ZelKeyMeta},   {Qt::Key_F1, ZelKeyF1},
                       {Qt::Key_F2, ZelKeyF2},           {Qt::Key_F3, ZelKeyF3},       {Qt::Key_F4, ZelKeyF4},
                       {Qt::Key_F5, ZelKeyF5},           {Qt::Key_F6, ZelKeyF6},       {Qt::Key_F7, ZelKeyF7},
                       {Qt::Key_F8, ZelKeyF8},           {Qt::Key_F9, ZelKeyF9},       {Qt::Key_F10, ZelKeyF10},
                       {Qt::Key_F11, ZelKeyF11},         {Qt::Key_F12, ZelKeyF12},     {Qt::Key_Alt, ZelKeyAlt},
                       {Qt::Key_Shift, ZelKeyShift},     {Qt::Key_Right, ZelKeyRight}, {Qt::Key_Left, ZelKeyLeft},
                       {Qt::Key_Up, ZelKeyUp},           {Qt::Key_Down, ZelKeyDown},   {Qt::Key_Space, ZelKeySpace}};

}  // namespace

int zelButtonCode(Qt::MouseButtons buttons) {
  for (const ButtonRow &row : Buttons)
    if (buttons & row.button) return row.code;
  return 0;
}

uint32_t zelPressModifierBits(Qt::KeyboardModifiers modifiers) {
  uint32_t bits = 0;
  for (const ModifierRow &row : Modifiers)
    if (modifiers & row.modifier) bits |= row.bits;
  return bits;
}

uint32_t zelMoveModifierBits(Qt::KeyboardModifiers modifiers) {
  for (const ModifierRow &row : Modifiers)
    if ((modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == row.modifier)
      return row.bits;
  return 0;
}

uint32_t zelKeyBits(int key) {
  for (const KeyRow &row : Keys)
    if (row.key == key) return row.bits;
  return 0;
}

QPoint zelDevicePosition(QPointF local, double ratio) {
  const double x = std::floor(local.x() + 0.5), y = std::floor(local.y() + 0.5);
  return QPoint(int(x * ratio), int(y * ratio));
}
