// The main windows another X display shows, read through Xlib for the tests that run the built
// program on a screen of their own. Xlib stays inside XTopWindows.cpp: its macros (KeyPress,
// None, Bool) and its Window type would clash with the toolkit's and the shell's names.
#pragma once

#include <string>
#include <vector>

struct XTopWindow {
  std::string name;
  int x, y, width, height;  // the window's rectangle on the screen
};

class XScreenReader {
 public:
  // Connects to the display (":N"); connected() tells whether it worked.
  explicit XScreenReader(const std::string &display);
  ~XScreenReader();
  XScreenReader(const XScreenReader &) = delete;
  XScreenReader &operator=(const XScreenReader &) = delete;
  bool connected() const { return display_ != nullptr; }
  // The mapped top-level windows whose names begin with "[" (the main windows), by name.
  std::vector<XTopWindow> mainWindows() const;

 private:
  void *display_ = nullptr;
};
