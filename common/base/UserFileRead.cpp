// Opening a user's file for reading: regular files only, optionally bounded by the size at
// opening.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "common/base/UserFileInternal.h"

using namespace userfile;

namespace {

// ---- reads that stop at the size at opening

struct Bounded {
  int Fd;
  int64_t Size, Pos;
};

ssize_t boundedRead(void *cookie, char *buf, size_t n) {
  auto *b = static_cast<Bounded *>(cookie);
  if (b->Pos >= b->Size) return 0;
  if (static_cast<int64_t>(n) > b->Size - b->Pos) n = static_cast<size_t>(b->Size - b->Pos);
  ssize_t got;
  do got = read(b->Fd, buf, n);
  while (got < 0 && errno == EINTR);
  if (got > 0) b->Pos += got;
  return got;
}

int boundedSeek(void *cookie, off64_t *offset, int whence) {
  auto *b = static_cast<Bounded *>(cookie);
  int64_t to = whence == SEEK_SET ? *offset : whence == SEEK_CUR ? b->Pos + *offset : b->Size + *offset;
  if ((whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) || to < 0) {
    errno = EINVAL;
    return -1;
  }
  if (lseek(b->Fd, static_cast<off_t>(to), SEEK_SET) < 0) return -1;
  b->Pos = to;
  *offset = to;
  return 0;
}

int boundedClose(void *cookie) {
  auto *b = static_cast<Bounded *>(cookie);
  int r = close(b->Fd);
  std::free(b);
  return r;
}

FILE *boundedStream(int fd, int64_t size) {
  auto *b = static_cast<Bounded *>(std::malloc(sizeof(Bounded)));
  if (!b) {
    closeKeepingErrno(fd);
    errno = ENOMEM;
    return nullptr;
  }
  *b = {fd, size, 0};
  cookie_io_functions_t io = {boundedRead, nullptr, boundedSeek, boundedClose};
  FILE *f = fopencookie(b, "rb", io);
  if (!f) boundedClose(b);
  return f;
}

}  // namespace

FILE *OpenUserFile(const char *path, int how, int64_t *size) {
  if (!path) {
    errno = EINVAL;
    return nullptr;
  }
  const bool quiet = how & UserFileQuiet;
  struct stat st;
  // Looked at before opening, so that a device is not even opened; looked at again through
  // the descriptor, since the name may have changed in between.
  if (stat(path, &st) == 0 && !S_ISREG(st.st_mode)) {
    refuse("OPENUSERFILE", path, st.st_mode, "NOT READ", quiet);
    return nullptr;
  }
  int fd;
  do fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return nullptr;
  if (fstat(fd, &st) != 0) {
    closeKeepingErrno(fd);
    return nullptr;
  }
  if (!S_ISREG(st.st_mode)) {
    close(fd);
    refuse("OPENUSERFILE", path, st.st_mode, "NOT READ", quiet);
    return nullptr;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  if (size) *size = st.st_size;
  if (how & UserFileBounded) return boundedStream(fd, st.st_size);
  FILE *f = fdopen(fd, "rb");
  if (!f) closeKeepingErrno(fd);
  return f;
}
