// The process entry of the viewer and what it launches.
//
// zelvaneMain, in order: the memory list (10000 blocks), the worker pools (one thread per
// core, 2, 1), the common and viewer options from the command line; the toolkit application
// (high-DPI scaling on), which takes its own options out of the command line; one line
// "unknown option <word>, ignored" on standard error per word left that no parser took; the
// start-up box for a malformed command line ("Close" ends with 0; with -seq-exit its text goes
// to standard error and the program ends with ZelExitUnattended); the GL utility toolkit; with
// -server, a second instance started in the background on the installed sample with
// -server-root; the banner when verbose; the window icon and the "C" locale; the application
// object and the event loop; then everything freed in reverse order. An unattended run
// (-seq-exit) ends the server-root instance it started when it ends.
// A normal run ends with 1, a fatal error (myexit) with 100; an unattended run that cannot
// start (a command line refused, a mesh it cannot read, nothing to replay) with
// ZelExitUnattended (2), one whose replay did not do what it was asked with ZelExitIncomplete
// (3, Zelvane.h).
//
// The caller installs the hook tables of every library before calling it.
#pragma once

#include <string>
#include <vector>

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
// followed, when pidFile is not empty, by " echo $! >'pidFile'" (the instance's process id).
std::string zelServerRootCommand(const std::string &exe, const std::string &mesh, int port,
                                 const std::string &pidFile = std::string());
// Runs that command through the system's shell, prints "  SYSTEM RETURNED %d \n" with the
// result and returns it. pid, when not null, receives the instance's process id (0 when it
// could not be learnt), read from a temporary file that is removed afterwards.
int zelLaunchServerRoot(const std::string &exe, const std::string &mesh, int port, long *pid = nullptr);
// Ends the process (a server-root instance): SIGTERM, then SIGKILL when it has not gone within
// three seconds. Nothing for a pid <= 0.
void zelEndServerRoot(long pid);

// The words of the command line as given (given[0] the program) that neither parser took
// (taken[i] 0) and that the toolkit left in argv[1..argc-1]: its own options, which it took
// out, are not unknown.
std::vector<std::string> zelUnknownWords(const std::vector<char *> &given, const int *taken, int argc, char **argv);
