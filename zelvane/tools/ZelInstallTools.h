// Installs the mesh editing tools into the shell's page-maker table (the modification pages
// and the bottom bar's triangle-reference change). Called once at start-up on the GUI thread,
// before the first window.
#pragma once

void zelInstallToolHooks();

// Every library's hooks, in the order the program installs them before its first window: the
// shell's bridges, the list builders, the panels, the tools.
void zelInstallAllHooks();
