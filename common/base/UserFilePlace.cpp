// The road in place of a write: the complete copy written over the very file examined when
// the write began, its room reserved first, its mode and times kept.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "common/base/UserFileInternal.h"

namespace userfile {

namespace {

// The set-user/group-id bits a write or a reservation cleared; their owner may set them
// again, no one else.
void keepMode(UserFileWrite *w) {
  struct stat now;
  if (fstat(w->Place.Fd, &now) == 0 && int(now.st_mode & 07777) != w->Place.Mode)
    fchmod(w->Place.Fd, mode_t(w->Place.Mode));
}

}  // namespace

bool openPlace(UserFileWrite *w, const char **what) {
  int fd;
  do fd = open(w->Target, O_WRONLY | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    // What holds the name tells why: another file (a link, a FIFO, another user's file), or
    // the very file examined, which the user may no longer write.
    const int e = errno;
    noteFailure(w, e);
    if (!holds(w->Target, w->Place.Dev, w->Place.Ino))
      *what = replaced(w);
    else if (e == EACCES || e == EPERM)
      *what = protectedTarget(w);
    return false;
  }
  struct stat st;
  if (fstat(fd, &st) != 0) {
    noteFailure(w, errno);
    close(fd);
    return false;
  }
  if (!S_ISREG(st.st_mode) || int64_t(st.st_dev) != w->Place.Dev || int64_t(st.st_ino) != w->Place.Ino) {
    close(fd);
    *what = replaced(w);
    return false;
  }
  if (!lockWithin(fd, w->Target)) {
    close(fd);
    *what = lockedOut(w);
    return false;
  }
  // Looked at again once locked: the commit that held the lock may have renamed another file
  // over it, and has changed its blocks, time and mode.
  if (!holds(w->Target, w->Place.Dev, w->Place.Ino) || fstat(fd, &st) != 0) {
    close(fd);
    *what = replaced(w);
    return false;
  }
  w->Place.Fd = fd;
  w->Place.Blocks = st.st_blocks;
  w->Place.MTime[0] = st.st_mtim.tv_sec;
  w->Place.MTime[1] = st.st_mtim.tv_nsec;
  w->Place.Mode = int(st.st_mode & 07777);
  return true;
}

bool reserveRoom(UserFileWrite *w, off_t size) {
  if (size <= 0) return true;
  int r;
  do r = fallocate(w->Place.Fd, FALLOC_FL_KEEP_SIZE, 0, size);
  while (r != 0 && errno == EINTR);
  if (r == 0 || errno == EOPNOTSUPP || errno == ENOSYS) return true;
  noteFailure(w, errno);
  return false;
}


bool closePlace(UserFileWrite *w, bool giveBack) {
  struct stat st;
  if (giveBack && fstat(w->Place.Fd, &st) == 0 && st.st_blocks > w->Place.Blocks &&
      ftruncate(w->Place.Fd, st.st_size) == 0) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {time_t(w->Place.MTime[0]), long(w->Place.MTime[1])}};
    futimens(w->Place.Fd, times);
  }
  if (giveBack) keepMode(w);
  const bool closed = close(w->Place.Fd) == 0;
  w->Place.Fd = -1;
  return closed;
}

bool writeInPlace(UserFileWrite *w, bool *touched) {
  *touched = false;
  const int fd = w->Place.Fd, copy = w->TempFd;
  struct stat old, from;
  if (fstat(fd, &old) != 0 || fstat(copy, &from) != 0) {
    noteFailure(w, errno);
    return false;
  }
  const size_t chunk = size_t(1) << 20;
  std::unique_ptr<char, decltype(&std::free)> buf(static_cast<char *>(std::malloc(chunk)), &std::free);
  bool ok = buf != nullptr;
  if (!ok) noteFailure(w, ENOMEM);
  for (off_t at = 0; ok && at < from.st_size;) {
    const ssize_t got = pread(copy, buf.get(), chunk, at);
    if (got <= 0) {
      if (got < 0 && errno == EINTR) continue;
      noteFailure(w, got < 0 ? errno : EIO);
      ok = false;
      break;
    }
    for (ssize_t done = 0; ok && done < got;) {
      const ssize_t put = pwrite(fd, buf.get() + done, static_cast<size_t>(got - done), at + done);
      if (put > 0) {
        *touched = true;
        done += put;
      } else if (!(put < 0 && errno == EINTR)) {
        noteFailure(w, put < 0 ? errno : EIO);
        ok = false;
      }
    }
    at += got;
    if (ok && at == got && at < from.st_size && UserFileBetweenSteps) UserFileBetweenSteps(w->Target, "next block");
  }
  if (ok && old.st_size != from.st_size) {
    *touched = true;
    ok = ftruncate(fd, from.st_size) == 0;
    if (!ok) noteFailure(w, errno);
  }
  if (ok && fsync(fd) != 0) {
    ok = false;
    noteFailure(w, errno);
  }
  if (ok) keepMode(w);
  return ok;
}

}  // namespace userfile
