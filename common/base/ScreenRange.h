// What a screen can hold: the bounds of window positions and sizes that come from outside the
// program (sequence files, saved states, sizes typed by the user). They are clamped where they
// are read, so that the sums and differences the windows and the view make of them (a height
// plus the bottom bar, a mouse move, the toolkit's rectangles) always fit in an int.
// Header only: the recorder, the scene engine and the shell share it without linking.
#pragma once

#include <algorithm>

enum : int {
  ScreenPosMax = 100000,  // a position, in pixels, lies in [-ScreenPosMax, ScreenPosMax]
  ScreenSizeMax = 16384,  // a width or height lies in [1, ScreenSizeMax]: the software GL's largest view
};

inline int ClampScreenPos(int v) { return std::clamp(v, -int(ScreenPosMax), int(ScreenPosMax)); }
inline int ClampScreenSize(int v) { return std::clamp(v, 1, int(ScreenSizeMax)); }
