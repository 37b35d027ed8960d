// zelvane: the viewer. Every library installs its hooks before the first window.
#include <csignal>

#include "zelvane/gui/ZelStartup.h"
#include "zelvane/tools/ZelInstallTools.h"

int main(int argc, char **argv) {
  // A write past a file-size limit fails with EFBIG and is reported like a full disk,
  // instead of ending the session with its unsaved edits.
  signal(SIGXFSZ, SIG_IGN);
  zelInstallAllHooks();
  return zelvaneMain(argc, argv);
}
