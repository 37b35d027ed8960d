// How the view encodes toolkit input for the scene engine (ZelEvent.h): buttons, modifier and
// key bits, and device positions. Pure functions, without widgets.
#pragma once

#include <QPoint>
#include <QPointF>
#include <Qt>
#include <cstdint>

// Button code of the buttons held, first match: left 1, right 2, middle 4; 0 for none of them.
int zelButtonCode(Qt::MouseButtons buttons);
// Key bits of a mouse press: the OR of every modifier held (Shift 0x10000, Control 1, Alt
// 0x8000, Meta 2); 0 when none is held.
uint32_t zelPressModifierBits(Qt::KeyboardModifiers modifiers);
// Key bits of a mouse move or release: the bit of the one modifier held, 0 for none or for a
// combination.
uint32_t zelMoveModifierBits(Qt::KeyboardModifiers modifiers);
// Key bits of a key press, by the key code alone: the modifiers, F1..F12, the arrows and Space
// have one bit each (no key gives 0x100); any other key 0.
uint32_t zelKeyBits(int key);
// Device position of a local mouse position: each coordinate rounded to the nearest integer
// (halves up), then times the device pixel ratio, truncated.
QPoint zelDevicePosition(QPointF local, double ratio);
