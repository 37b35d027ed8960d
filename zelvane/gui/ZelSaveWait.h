// A save that waits for another program's lock, as the window shows it.
//
// A save of a user's file may wait up to UserFileLockWaitMs for a lock another program holds
// (UserFile.h); without a word the window would seem to hang. The file layer says the wait on
// standard error and calls UserFileLockWaitHook, whose body here (installed by
// zelInstallShellHooks) shows the same line in the terminal of the window whose command is
// saving and the wait cursor over every window until the wait ends, however it ends. The
// window is the one a ZelSavingFor scope names: the save commands set one around their write.
// With no window named, the line is on standard error only. GUI thread only; a write on
// another thread shows nothing but the line on standard error.
#pragma once

// The window (a Window*, the scene engine's opaque window; null: none) whose command saves
// while the scope lives. Scopes nest: the innermost names the window.
class ZelSavingFor {
 public:
  explicit ZelSavingFor(void *window);
  ~ZelSavingFor();
  ZelSavingFor(const ZelSavingFor &) = delete;
  ZelSavingFor &operator=(const ZelSavingFor &) = delete;

 private:
  void *previous_;
};

// The window the innermost ZelSavingFor names; null outside any.
void *zelSavingWindow();

// The body of UserFileLockWaitHook: when a wait is said (it has lasted about a second), the
// wait cursor (setOverrideCursor) and the line in the saving window's terminal, both painted
// and sent to the display before the wait goes on; when it ends, the cursor as it was.
// Nothing on a thread other than the application's.
void zelLockWaitBody(const char *target, int boundMs, int waiting, const char *line);
