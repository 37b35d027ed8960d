// Installs the shell's bodies of the scene engine's window bridges (ZelHooks.h): the
// terminal output of pterm, making a window's view current, repainting a scene's view, the
// refreshes after a scene change and the window words of saved states; and the file layer's
// hook of a save waiting for a lock (UserFileLockWaitHook, ZelSaveWait.h). Called once at
// start-up on the GUI thread, before the first window; calling it again changes nothing.
#pragma once

void zelInstallShellHooks();
