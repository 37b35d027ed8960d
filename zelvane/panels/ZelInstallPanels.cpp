// The rows of the panels library in the shell's page-maker table and the scene's hook table.
// No panel exists yet: the tool windows stay empty containers.
#include "zelvane/panels/ZelInstallPanels.h"

void zelInstallPanelHooks() {}
