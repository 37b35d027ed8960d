// The rows of the tools library in the shell's page-maker table. No tool exists yet: the
// modification window stays an empty container and "New Ref" does nothing.
#include "zelvane/tools/ZelInstallTools.h"

#include "zelvane/gui/ZelShellHooks.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/panels/ZelInstallPanels.h"

void zelInstallToolHooks() {}

void zelInstallAllHooks() {
  zelInstallShellHooks();
  zelInstallListHooks();
  zelInstallPanelHooks();
  zelInstallToolHooks();
}
