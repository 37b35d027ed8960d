// The rows of the tools library in the shell's page-maker table. No tool exists yet: the
// modification window stays an empty container and "New Ref" does nothing.
#include "zelvane/tools/ZelInstallTools.h"

void zelInstallToolHooks() {}
