// zelvane: the viewer. Every library installs its hooks before the first window.
#include "zelvane/gui/ZelShellHooks.h"
#include "zelvane/gui/ZelStartup.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/panels/ZelInstallPanels.h"
#include "zelvane/tools/ZelInstallTools.h"

int main(int argc, char **argv) {
  zelInstallShellHooks();
  zelInstallListHooks();
  zelInstallPanelHooks();
  zelInstallToolHooks();
  return zelvaneMain(argc, argv);
}
