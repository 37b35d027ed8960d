// The temporary file of a write: made in the target's folder (or, for the copy of a write in
// place, in the temporary folder) for this write alone, and removed only while its name still
// holds it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/base/UserFileInternal.h"

namespace userfile {

namespace {
std::atomic<unsigned> tempCounter{0};
}  // namespace

int createTemp(UserFileWrite *w, const char *dir, int dirLen, const char *base, mode_t mode) {
  for (int attempt = 0; attempt < 100; attempt++) {
    int n = snprintf(w->Temp, sizeof(w->Temp), "%.*s.%.180s.%ld-%u.tmp", dirLen, dir, base,
                     static_cast<long>(getpid()), tempCounter++);
    if (n < 0 || n >= static_cast<int>(sizeof(w->Temp))) {
      w->Temp[0] = '\0';
      errno = ENAMETOOLONG;
      return -1;
    }
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

bool takeOwnerOf(int fd, const struct stat &old) {
  struct stat now;
  if (fstat(fd, &now) != 0) return false;
  const uid_t uid = now.st_uid == old.st_uid ? static_cast<uid_t>(-1) : old.st_uid;
  const gid_t gid = now.st_gid == old.st_gid ? static_cast<gid_t>(-1) : old.st_gid;
  return (uid == static_cast<uid_t>(-1) && gid == static_cast<gid_t>(-1)) || fchown(fd, uid, gid) == 0;
}

void removeTemp(UserFileWrite *w) {
  if (w->Temp[0] && holds(w->Temp, w->TempDev, w->TempIno)) {
    int e = errno;
    unlink(w->Temp);
    errno = e;
  }
  w->Temp[0] = '\0';
}

}  // namespace userfile

std::string UserTempFolder() {
  const char *env = std::getenv("TMPDIR");
  std::string dir = env && *env ? env : "/tmp";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir == "/" ? dir : dir + "/";
}
