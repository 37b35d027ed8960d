// What the benchmarks that load files and measure memory share: a value of the process's
// status (its peak or current resident memory), a measure run in a child process of its own,
// so that the child's peak is the measure's alone whatever the benchmark built before, and a
// load timed without the loader's chatter.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "common/base/Clock.h"
#include "common/base/FunctionInterface.h"
#include "common/load/MeshLoad.h"

// The value of key in /proc/self/status, in bytes ("VmHWM:" peak resident memory, "VmRSS:"
// the current one); -1 when it cannot be read.
inline int64_t ProcStatusBytes(const char *key) {
  FILE *f = fopen("/proc/self/status", "r");
  if (!f) return -1;
  char line[256];
  int64_t kb = -1;
  const size_t len = strlen(key);
  while (fgets(line, sizeof(line), f))
    if (!strncmp(line, key, len)) kb = atoll(line + len);
  fclose(f);
  return kb * 1024;
}

// Runs measure() in a forked child and copies its result into *out: false when the child did
// not hand back a whole result.
template <class T, class Measure>
bool RunInChild(Measure measure, T *out) {
  static_assert(std::is_trivially_copyable<T>::value, "the result crosses a pipe");
  int fd[2];
  if (pipe(fd)) return false;
  fflush(stdout);
  pid_t pid = fork();
  if (pid == 0) {
    close(fd[0]);
    const T r = measure();
    ssize_t w = write(fd[1], &r, sizeof(r));
    _exit(w == sizeof(r) ? 0 : 1);
  }
  close(fd[1]);
  ssize_t got = read(fd[0], out, sizeof(*out));
  close(fd[0]);
  int st = 0;
  waitpid(pid, &st, 0);
  return got == sizeof(*out) && WIFEXITED(st) && WEXITSTATUS(st) == 0;
}

// Loads the one file path through geoLoadMeshAndSolution, reporting through an interface over
// mem and par, its standard output sent to /dev/null (the loader's lines would weigh on the
// timing of a terminal): the mesh or null, *seconds the time the load took and *status (when
// not null) the interface's status bits. With a log, the load says what the viewer's opening
// says (its verbosity) and its standard output goes to the end of that file, the time then
// taking in the writing of every line.
inline Geometric_Mesh *TimedLoad(Memory_List *mem, Common_MthParallel *par, const std::string &path, double *seconds,
                                 uint32_t *status = nullptr, const char *log = nullptr) {
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, par, "bench");
  fi.Verbose = log ? 6 : 0;
  std::string name = path;
  char *names[] = {&name[0]};
  fflush(stdout);
  int saved = dup(1), null = log ? open(log, O_WRONLY | O_APPEND | O_CREAT, 0600) : open("/dev/null", O_WRONLY);
  if (null >= 0) dup2(null, 1);
  double t0 = GetWallClock();
  Geometric_Mesh *m = geoLoadMeshAndSolution(&fi, 1, names, nullptr);
  if (log) fflush(stdout);
  *seconds = GetWallClock() - t0;
  fflush(stdout);
  if (saved >= 0) dup2(saved, 1);
  if (null >= 0) close(null);
  if (saved >= 0) close(saved);
  if (status) *status = fi.Status;
  return m;
}
