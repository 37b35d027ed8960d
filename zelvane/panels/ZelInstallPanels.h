// Installs the display panels and preference pages into the shell's page-maker table
// (ZelPageMakers.h) and the stored display preferences into the scene's hook table
// (zelApplyDisplayPreferences as displayPreferences). Called once at start-up on the GUI
// thread, before the first window.
#pragma once

void zelInstallPanelHooks();
