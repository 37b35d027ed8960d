// zelvane: the viewer. Every library installs its hooks before the first window.
#include "zelvane/gui/ZelStartup.h"
#include "zelvane/tools/ZelInstallTools.h"

int main(int argc, char **argv) {
  zelInstallAllHooks();
  return zelvaneMain(argc, argv);
}
