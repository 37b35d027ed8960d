// Top-level windows of an X display through Xlib.
#include "tests/gui/XTopWindows.h"

#include <X11/Xlib.h>

#include <algorithm>

XScreenReader::XScreenReader(const std::string &display) : display_(XOpenDisplay(display.c_str())) {}

XScreenReader::~XScreenReader() {
  if (display_) XCloseDisplay(static_cast<Display *>(display_));
}

std::vector<XTopWindow> XScreenReader::mainWindows() const {
  std::vector<XTopWindow> out;
  if (!display_) return out;
  Display *d = static_cast<Display *>(display_);
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &n)) return out;
  for (unsigned i = 0; i < n; i++) {
    XWindowAttributes a;
    char *name = nullptr;
    if (!XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
    if (XFetchName(d, children[i], &name) && name) {
      if (name[0] == '[') out.push_back({name, a.x, a.y, a.width, a.height});
      XFree(name);
    }
  }
  if (children) XFree(children);
  std::sort(out.begin(), out.end(), [](const XTopWindow &a, const XTopWindow &b) { return a.name < b.name; });
  return out;
}
