// Installs the display panels and preference pages into the shell's page-maker table
// (ZelPageMakers.h). Called once at start-up on the GUI thread, before the first window.
#pragma once

void zelInstallPanelHooks();
