// zelvane: the viewer. Every library installs its hooks before the first window.
#include <csignal>
#include <cstdio>

#include "common/base/StopCleanup.h"
#include "zelvane/gui/ZelStartup.h"
#include "zelvane/tools/ZelInstallTools.h"

int main(int argc, char **argv) {
  // Before any output: standard output reaches a log file or a pipe line by line, as it
  // reaches a terminal, so that a script watching it follows the run instead of getting the
  // lines at exit (standard error is written unbuffered already).
  setvbuf(stdout, nullptr, _IOLBF, BUFSIZ);
  // A write past a file-size limit fails with EFBIG and is reported like a full disk,
  // instead of ending the session with its unsaved edits. A write into a pipe nobody reads any
  // more (`zelvane ... | head -1`) fails with EPIPE the same way: the run goes on to its
  // pictures and its status, as it does when standard output is a full disk. The programs the
  // viewer starts get both back at their defaults (ZelStartup.cpp).
  signal(SIGXFSZ, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
  // A run stopped by SIGTERM, SIGINT or SIGHUP removes the temporary files of its saves in
  // progress before it ends by the signal. Taken first: the handler that ends the -server-root
  // instance of an unattended run goes over it and hands the signal on to it.
  TakeStopSignals();
  zelInstallAllHooks();
  return zelvaneMain(argc, argv);
}
