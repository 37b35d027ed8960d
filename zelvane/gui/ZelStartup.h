// The process entry of the viewer and what it launches.
//
// zelvaneMain, in order: the memory list (10000 blocks), the worker pools (one thread per
// core, 2, 1), the common and viewer options from the command line; the toolkit application
// (high-DPI scaling on); the start-up box for a malformed command line ("Close" ends with 0;
// with -seq-exit its text goes to standard error and the program ends with ZelExitUnattended);
// the GL utility toolkit; with -server, a second instance started in the background on the
// installed sample with -server-root; the banner when verbose; the window icon and the "C"
// locale; the application object and the event loop; then everything freed in reverse order.
// A normal run ends with 1, a fatal error (myexit) with 100, an unattended run (-seq-exit) that
// cannot start or has nothing to replay with ZelExitUnattended (2, Zelvane.h).
//
// The caller installs the hook tables of every library before calling it.
#pragma once

#include <string>

int zelvaneMain(int argc, char **argv);

// Initialises the GL utility toolkit once, with a hidden window of its own (its bitmap fonts
// and spheres need it); later calls do nothing. Needs a display.
void zelInitGlut();

// Ends the GL utility toolkit (its window and its display connection) while the toolkit
// application still exists; nothing when it was never initialised. The toolkit's own ending at
// process exit would otherwise touch a GL driver the application has already let go of.
void zelExitGlut();

// A word for the shell: single-quoted, an inner quote written '\''.
std::string zelShellQuote(const std::string &word);
// The command that starts another instance in the background:
//   'exe' -in 'mesh' -server-root -port N &
std::string zelServerRootCommand(const std::string &exe, const std::string &mesh, int port);
// Runs that command through the system's shell, prints "  SYSTEM RETURNED %d \n" with the
// result and returns it.
int zelLaunchServerRoot(const std::string &exe, const std::string &mesh, int port);
