// Installs the list builders into the scene engine's hook table.
//
// The scene engine reaches every builder through the slots update[kind] and directDraw[kind]
// of ZelHooks; this fills the slots of every kind this library builds. The shell calls it once
// at start-up on the GUI thread, before any scene exists; tests call it in their set-up.
// Calling it again changes nothing.
#pragma once

void zelInstallListHooks();
