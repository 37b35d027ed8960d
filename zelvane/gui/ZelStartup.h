// The process entry of the viewer and what it launches.
//
// zelvaneMain, in order: the memory list (10000 blocks), the worker pools (one thread per
// core, 2, 1), the common and viewer options from the command line; the toolkit application
// (high-DPI scaling on), which takes its own options out of the command line; one line
// "unknown option <word>, ignored" on standard error per word left that no parser took; the
// start-up box for a malformed command line ("Close" ends with 0; with -seq-exit its text goes
// to standard error and the program ends with ZelExitUnattended); the GL utility toolkit; with
// -server, one line on standard error naming the -in mesh this window then does not open, the
// -sol solution named for it, which is dropped with it, and the installed sample the instance
// opens, and whether it is missing ("## WARNING: ZELVANE: -server: THIS WINDOW DOES NOT OPEN
// <mesh>, NOR ITS SOLUTION <solution>, THE -server-root INSTANCE OPENS ITS OWN MESH
// <sample>[, WHICH IS MISSING]"), and a second instance started in the background on that
// sample (-server-root); the banner if verbose; the window icon and the "C" locale; the application
// object and the event loop; then everything freed in reverse order. An unattended run
// (-seq-exit) starts the server-root instance as its own child and ends it when it ends, when
// it is stopped by SIGTERM, SIGHUP or SIGINT, and (by itself) when the run is killed.
// A normal run ends with 1, a fatal error (myexit) with 100; an unattended run that cannot
// start (a command line refused, a mesh it cannot read, nothing to replay) with
// ZelExitUnattended (2), one whose replay did not do what it was asked with ZelExitIncomplete
// (3, Zelvane.h).
//
// The caller installs the hook tables of every library before calling it.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <string>
#include <vector>

int zelvaneMain(int argc, char **argv);

// Initialises the GL utility toolkit once, with a hidden window of its own (its bitmap fonts
// and spheres need it), and leaves none of its contexts current; later calls do nothing.
// Needs a display.
void zelInitGlut();

// Ends the GL utility toolkit (its window and its display connection) while the toolkit
// application still exists; nothing when it was never initialised. The toolkit's own ending at
// process exit would otherwise touch a GL driver the application has already let go of.
void zelExitGlut();

// A word for the shell: single-quoted, an inner quote written '\''.
std::string zelShellQuote(const std::string &word);
// The words another instance is started with, exe first: exe -in mesh -server-root, then
// -port N only when the user gave a port (port > 0).
std::vector<std::string> zelServerRootWords(const std::string &exe, const std::string &mesh, int port);
// The command that starts another instance in the background through the system's shell: the
// words above, each one single-quoted unless made of lower-case letters, digits and dashes
// only (the option words, the port), then " &":
//   'exe' -in 'mesh' -server-root [-port N] &
std::string zelServerRootCommand(const std::string &exe, const std::string &mesh, int port);
// Starts another instance on mesh with the words of zelServerRootWords, prints
// "  SYSTEM RETURNED %d \n" with the result and returns it.
// Without child (a run someone attends) the command above goes to the system's shell, and the
// instance is left to itself. With child (a run that is to end it) the instance becomes a child
// of this process, started without a shell on the same words (standard input from /dev/null,
// the other streams and the environment shared), and *child receives its process id; the
// result is then 0, or -1 with *child 0 and one line on standard error when it could not be
// started. Either way the instance (and the shell) gets SIGPIPE and SIGXFSZ at their default
// actions, which the viewer ignores for itself. Its number is known from the start itself,
// from no file; and the child is left for the caller to reap (zelEndServerRoot), so that no
// other process can take its number before.
// For that, a SIGCHLD disposition that reaps children by itself is put back to the default.
// Until zelEndServerRoot, SIGTERM, SIGHUP and SIGINT (those not ignored when called, so that
// nohup's SIGHUP stays ignored) end the instance as zelEndServerRoot does and then end this
// process by that signal, whichever thread receives it. The instance ends by itself (SIGKILL)
// when the thread that started it ends, so that a run killed or crashed leaves nothing
// behind: call it from the main thread.
int zelLaunchServerRoot(const std::string &exe, const std::string &mesh, int port, pid_t *child = nullptr);
// Ends an instance zelLaunchServerRoot started as a child: SIGTERM through send, then SIGKILL
// when it has not gone within three seconds, and it is reaped. An instance that has already
// ended is reaped and not signalled. A number that is not a child of this process waiting to
// be reaped is never signalled: one line on standard error says the instance could not be
// ended, as it does when a signal cannot be sent. Nothing for a child <= 0. send is kill but
// for tests, which see what would be signalled. The stop signals then act as before; one
// received while it was at work ends this process once the instance is reaped, and when one
// took the instance first, its handler ends it and this process, and this never returns.
void zelEndServerRoot(pid_t child, int (*send)(pid_t, int) = kill);

// The words of the command line as given (given[0] the program) that neither parser took
// (taken[i] 0) and that the toolkit left in argv[1..argc-1]: its own options, which it took
// out, are not unknown.
std::vector<std::string> zelUnknownWords(const std::vector<char *> &given, const int *taken, int argc, char **argv);
