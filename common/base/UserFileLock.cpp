// The locks of a commit: an advisory lock (flock) on the target, waited for a bounded time
// when another program holds it, and taken again on the file found at the name once had.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>

#include "common/base/ShownName.h"
#include "common/base/UserFileInternal.h"

int UserFileLockWaitMs = 30000;
int UserFileLockSayAfterMs = 1000;
void (*UserFileBetweenSteps)(const char *target, const char *next) = nullptr;
void (*UserFileLockWaitHook)(const char *target, int boundMs, int waiting, const char *line) = nullptr;

namespace userfile {

namespace {

// A file to lock: opened for reading, else for writing (a write-only file), never through a
// link, never waiting; -1 with errno when it cannot be opened.
int openToLock(const char *path) {
  int fd = -1;
  for (int access : {O_RDONLY, O_WRONLY}) {
    do fd = open(path, access | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd >= 0 || (errno != EACCES && errno != EPERM)) break;
  }
  return fd;
}

// A wait for a lock, said once it has lasted UserFileLockSayAfterMs (a save that seems to hang
// for half a minute says why, while two programs saving one file at once, who wait for each
// other a few milliseconds, say nothing), and told to the hook when said and when it ends.
// Nothing when the bound is 0.
class SaidWait {
 public:
  explicit SaidWait(const char *target) : target_(target) {}
  ~SaidWait() {
    if (!said_ || !UserFileLockWaitHook) return;
    const int e = errno;
    UserFileLockWaitHook(target_, UserFileLockWaitMs, 0, nullptr);
    errno = e;
  }
  // Says the wait, the first time only.
  void say() {
    if (said_ || UserFileLockWaitMs <= 0) return;
    said_ = true;
    char line[UserPathMax + 200];
    snprintf(line, sizeof(line),
             "  ## WARNING: COMMITUSERFILEWRITE: %s IS LOCKED BY ANOTHER PROGRAM: WAITING UP TO %g s FOR IT",
             ShownName(target_).c_str(), UserFileLockWaitMs / 1000.0);
    fprintf(stderr, "%s \n", line);
    fflush(stderr);
    if (UserFileLockWaitHook) UserFileLockWaitHook(target_, UserFileLockWaitMs, 1, line);
  }

 private:
  const char *target_;
  bool said_ = false;
};

}  // namespace

bool lockWithin(int fd, const char *target) {
  using Clock = std::chrono::steady_clock;
  SaidWait wait(target);
  bool waiting = false;
  Clock::time_point begun, deadline;
  for (long pauseMs = 1;; pauseMs = std::min(2 * pauseMs, 50L)) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return true;
    const Clock::time_point now = Clock::now();
    const bool begins = !waiting;
    if (begins) {
      waiting = true;
      begun = now;
      deadline = now + std::chrono::milliseconds(UserFileLockWaitMs);
    } else if (now >= deadline) {
      errno = EWOULDBLOCK;
      return false;
    }
    if (now - begun >= std::chrono::milliseconds(UserFileLockSayAfterMs)) wait.say();
    if (begins) {
      if (UserFileBetweenSteps) UserFileBetweenSteps(target, "wait for the lock");
      continue;
    }
    const struct timespec pause = {0, pauseMs * 1000000L};
    nanosleep(&pause, nullptr);
  }
}

bool lockTarget(UserFileWrite *w, const char **what) {
  for (int tries = 0; tries < 100; tries++) {
    struct stat st, at;
    if (lstat(w->Target, &st) != 0) {
      if (errno == ENOENT) return true;
      noteFailure(w, errno);
      return false;
    }
    if (S_ISLNK(st.st_mode)) return true;
    if (!S_ISREG(st.st_mode)) {
      *what = replaced(w);
      return false;
    }
    const int fd = openToLock(w->Target);
    if (fd < 0 && (errno == EACCES || errno == EPERM)) return true;
    if (fd < 0 && errno != ENOENT && errno != ELOOP && errno != ENXIO) {
      noteFailure(w, errno);
      return false;
    }
    // The name changed since it was looked at: looked at again.
    if (fd < 0 || fstat(fd, &at) != 0 || at.st_dev != st.st_dev || at.st_ino != st.st_ino) {
      if (fd >= 0) close(fd);
      continue;
    }
    if (!lockWithin(fd, w->Target)) {
      close(fd);
      *what = lockedOut(w);
      return false;
    }
    if (holds(w->Target, int64_t(at.st_dev), int64_t(at.st_ino))) {
      w->LockFd = fd;
      return true;
    }
    close(fd);
  }
  *what = lockedOut(w);  // the name never stood still
  return false;
}

}  // namespace userfile
