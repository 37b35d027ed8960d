// The temporary file of a write: made in the target's folder (or, for the copy of a write in
// place, in the temporary folder) for this write alone, nameless until the commit where the
// system allows (O_TMPFILE, linked through /proc/self/fd), registered with the stop cleanup
// while it has a name, and removed only while its name still holds it; or kept under a name of
// its own when another program took its last one.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "common/base/ShownName.h"
#include "common/base/StopCleanup.h"
#include "common/base/UserFileInternal.h"

namespace userfile {

namespace {

std::atomic<unsigned> tempCounter{0};

// The name of a temporary file in the folder dir (dirLen bytes of it) after base, into w->Temp;
// false (the name cleared, errno ENAMETOOLONG) when it does not fit.
bool tempName(UserFileWrite *w, const char *dir, int dirLen, const char *base) {
  const int n = snprintf(w->Temp, sizeof(w->Temp), "%.*s.%.180s.%ld-%u.tmp", dirLen, dir, base,
                         static_cast<long>(getpid()), tempCounter++);
  if (n >= 0 && n < static_cast<int>(sizeof(w->Temp))) return true;
  w->Temp[0] = '\0';
  errno = ENAMETOOLONG;
  return false;
}

// Another name of the same form in the same folder: the number after the last '-' renewed.
void renumber(UserFileWrite *w) {
  char *dash = std::strrchr(w->Temp, '-');
  if (dash) snprintf(dash, sizeof(w->Temp) - size_t(dash - w->Temp), "-%u.tmp", tempCounter++);
}

// A new file under a temporary name, made with O_EXCL; -1 with errno when none can be made.
int createTemp(UserFileWrite *w, const char *dir, int dirLen, const char *base, mode_t mode) {
  for (int attempt = 0; attempt < 100; attempt++) {
    if (!tempName(w, dir, dirLen, base)) return -1;
    int fd;
    do fd = open(w->Temp, O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    while (fd < 0 && errno == EINTR);
    struct stat st;
    if (fd >= 0 && fstat(fd, &st) == 0) {
      w->TempDev = int64_t(st.st_dev), w->TempIno = int64_t(st.st_ino);
      return fd;
    }
    if (fd >= 0) {
      const int e = errno;
      unlink(w->Temp);
      close(fd);
      errno = e;
    }
    if (errno != EEXIST) break;
  }
  w->Temp[0] = '\0';
  return -1;
}

// The name through which the system links an open file again: "/proc/self/fd/N".
void viaProc(int fd, char (&via)[40]) { snprintf(via, sizeof(via), "/proc/self/fd/%d", fd); }

void forgetStop(UserFileWrite *w) {
  StopCleanupForget(w->StopSlot);
  w->StopSlot = 0;
}

// Copies the bytes of the file open as `from` into the new file open as `to`, and syncs it;
// false with errno.
bool copyBytes(int from, int to) {
  const size_t chunk = size_t(1) << 20;
  std::unique_ptr<char, decltype(&std::free)> buf(static_cast<char *>(std::malloc(chunk)), &std::free);
  if (!buf) {
    errno = ENOMEM;
    return false;
  }
  for (off_t at = 0;;) {
    const ssize_t got = pread(from, buf.get(), chunk, at);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return fsync(to) == 0;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(to, buf.get() + done, size_t(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) {
        if (put == 0) errno = EIO;
        return false;
      }
      done += put;
    }
    at += got;
  }
}

}  // namespace

int openTemp(UserFileWrite *w, const char *dir, int dirLen, const char *base, mode_t mode) {
  if (!tempName(w, dir, dirLen, base)) return -1;
  char folder[PATH_MAX];
  if (dirLen >= int(sizeof(folder))) {
    w->Temp[0] = '\0';
    errno = ENAMETOOLONG;
    return -1;
  }
  std::memcpy(folder, dirLen ? dir : ".", size_t(dirLen ? dirLen : 1));
  folder[dirLen ? dirLen : 1] = '\0';
  int fd;
  do fd = open(folder, O_TMPFILE | O_RDWR | O_CLOEXEC, mode);
  while (fd < 0 && errno == EINTR);
  if (fd >= 0) {
    // It can get its name only through /proc: without it, the file is made under its name.
    char via[40];
    viaProc(fd, via);
    struct stat st, linked;
    if (fstat(fd, &st) == 0 && stat(via, &linked) == 0 && st.st_dev == linked.st_dev && st.st_ino == linked.st_ino) {
      w->TempDev = int64_t(st.st_dev), w->TempIno = int64_t(st.st_ino);
      w->Nameless = 1;
      return fd;
    }
    close(fd);
  } else if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
    // A refusal a named file would meet as well (a missing or read-only folder). The others
    // say that the file system, or the system (EISDIR, EINVAL), has no O_TMPFILE.
    w->Temp[0] = '\0';
    return -1;
  }
  StopHold hold;  // registered before a stop can see the file
  fd = createTemp(w, dir, dirLen, base, mode);
  if (fd >= 0) w->StopSlot = StopCleanupFile(w->Temp, w->TempDev, w->TempIno);
  return fd;
}

bool nameTemp(UserFileWrite *w) {
  if (!w->Nameless) return true;
  char via[40];
  viaProc(w->TempFd, via);
  StopHold hold;
  for (int attempt = 0; attempt < 100; attempt++) {
    // Registered first: a stop right after the link finds it.
    const int slot = StopCleanupFile(w->Temp, w->TempDev, w->TempIno);
    if (linkat(AT_FDCWD, via, AT_FDCWD, w->Temp, AT_SYMLINK_FOLLOW) == 0) {
      w->Nameless = 0;
      w->StopSlot = slot;
      return true;
    }
    const int e = errno;
    StopCleanupForget(slot);
    errno = e;
    if (e != EEXIST) return false;
    renumber(w);
  }
  return false;
}

int renameTemp(UserFileWrite *w, unsigned flags) {
  StopHold hold;
  const int r = flags ? renameat2(AT_FDCWD, w->Temp, AT_FDCWD, w->Target, flags) : std::rename(w->Temp, w->Target);
  if (r == 0) forgetStop(w);
  return r;
}

bool keepTemp(UserFileWrite *w) {
  {
    StopHold hold;  // no stop between the look and the forgetting
    const bool named = !w->Nameless && w->Temp[0] && holds(w->Temp, w->TempDev, w->TempIno);
    forgetStop(w);
    if (named) return true;
  }
  w->Nameless = 0;
  char via[40];
  viaProc(w->TempFd, via);
  for (int attempt = 0; attempt < 100; attempt++) {
    renumber(w);
    if (linkat(AT_FDCWD, via, AT_FDCWD, w->Temp, AT_SYMLINK_FOLLOW) == 0) return true;
    if (errno != EEXIST) break;
  }
  // A file whose last name someone took cannot be linked again: its bytes are.
  for (int attempt = 0; attempt < 100; attempt++) {
    renumber(w);
    const int to = open(w->Temp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (to < 0 && errno == EEXIST) continue;
    if (to < 0) return false;
    struct stat st;
    const bool made = fstat(to, &st) == 0, copied = made && copyBytes(w->TempFd, to);
    const int e = errno;
    close(to);
    if (copied) return true;
    if (made && holds(w->Temp, int64_t(st.st_dev), int64_t(st.st_ino))) unlink(w->Temp);
    errno = e;
    return false;
  }
  return false;
}

const char *keepSwapped(UserFileWrite *w, const char *why, const std::string &line) {
  noteFailure(w, ESTALE);
  if (keepTemp(w)) {
    const std::string kept = ShownName(w->Temp);
    sayCommit(w, line + "; ITS NEW CONTENTS ARE KEPT IN " + kept);
    snprintf(composedReason, sizeof(composedReason), "%s; the new contents are in %s", why, kept.c_str());
  } else {
    const char *error = std::strerror(errno);
    sayCommit(w, line + "; ITS NEW CONTENTS COULD NOT BE KEPT: " + error);
    snprintf(composedReason, sizeof(composedReason), "%s; the new contents could not be kept (%s)", why, error);
  }
  w->Temp[0] = '\0';  // kept, or lost: not to be removed
  return composedReason;
}

bool takeOwnerOf(int fd, const struct stat &old) {
  struct stat now;
  if (fstat(fd, &now) != 0) return false;
  const uid_t uid = now.st_uid == old.st_uid ? static_cast<uid_t>(-1) : old.st_uid;
  const gid_t gid = now.st_gid == old.st_gid ? static_cast<gid_t>(-1) : old.st_gid;
  return (uid == static_cast<uid_t>(-1) && gid == static_cast<gid_t>(-1)) || fchown(fd, uid, gid) == 0;
}

void removeTemp(UserFileWrite *w) {
  StopHold hold;  // the name and the slot go together
  if (w->Temp[0] && !w->Nameless && holds(w->Temp, w->TempDev, w->TempIno)) {
    int e = errno;
    unlink(w->Temp);
    errno = e;
  }
  forgetStop(w);
  w->Temp[0] = '\0';
  w->Nameless = 0;
}

}  // namespace userfile

std::string UserTempFolder() {
  const char *env = std::getenv("TMPDIR");
  std::string dir = env && *env ? env : "/tmp";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir == "/" ? dir : dir + "/";
}
