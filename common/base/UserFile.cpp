// Opening a user's file for reading (regular files only, optionally bounded by the size at
// opening) and writing one through a temporary file renamed over it once complete, or copied
// over it in place where a rename would change its owner or the folder takes no new name.
#include "common/base/UserFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

const char *kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "A FOLDER";
  if (S_ISFIFO(mode)) return "A FIFO";
  if (S_ISCHR(mode)) return "A CHARACTER DEVICE";
  if (S_ISBLK(mode)) return "A BLOCK DEVICE";
  if (S_ISSOCK(mode)) return "A SOCKET";
  return "NOT A REGULAR FILE";
}

// Says why a file that is not a regular one is refused; errno tells the caller the same.
void refuse(const char *fn, const char *path, mode_t mode, const char *what, bool quiet) {
  if (!quiet) fprintf(stderr, "  ## ERROR: %s: %s IS %s, %s \n", fn, path, kindOf(mode), what);
  errno = S_ISDIR(mode) ? EISDIR : ENODEV;
}

int closeKeepingErrno(int fd) {
  int e = errno;
  close(fd);
  errno = e;
  return -1;
}

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

// ---- writes

std::atomic<unsigned> tempCounter{0};

// The outcome of the last write begun on this thread: the reason it failed, for the caller
// that shows it (a failed write is often seen far above the call that failed).
struct LastWrite {
  bool Failed;
  int Err;
  const char *What;  // a refusal's own words, else null
};
thread_local LastWrite lastWrite = {false, 0, nullptr};

void published(int err, const char *what) { lastWrite = {true, err, what}; }

// errno as the failure of w unless an earlier one is recorded; errno 0 counts as EIO.
void noteFailure(UserFileWrite *w, int err) {
  if (!w->Err) w->Err = err ? err : EIO;
}

const char *const WriteProtected = "the file is write-protected";
const char *const LinkRefused = "it is a symbolic link, and a name read from a sequence is never written through one";

// Whether a plain write of the existing file would be refused to this process: its mode or
// its owner forbid it, and no capability overrides that. The effective identity decides, as
// it does for an open.
bool writeRefused(const char *target) {
  return faccessat(AT_FDCWD, target, W_OK, AT_EACCESS) != 0 && (errno == EACCES || errno == EPERM);
}

// The file a write of path changes: a symbolic link's target when it resolves.
const char *writeTarget(const char *path, char *resolved) {
  struct stat st;
  if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode) && realpath(path, resolved)) return resolved;
  return path;
}

// A new file in the folder dir (dirLen bytes of it, "" for the current one) named after base,
// created with `mode` (the umask applied); -1 with errno when none can be made.
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
    if (fd >= 0) return fd;
    if (errno != EEXIST) break;
  }
  w->Temp[0] = '\0';
  return -1;
}

// Gives the new file fd the owner and group of the file it replaces; false when the system
// does not let this process (another user's file, or a group it is not a member of).
bool takeOwnerOf(int fd, const struct stat &old) {
  struct stat now;
  if (fstat(fd, &now) != 0) return false;
  const uid_t uid = now.st_uid == old.st_uid ? static_cast<uid_t>(-1) : old.st_uid;
  const gid_t gid = now.st_gid == old.st_gid ? static_cast<gid_t>(-1) : old.st_gid;
  return (uid == static_cast<uid_t>(-1) && gid == static_cast<gid_t>(-1)) || fchown(fd, uid, gid) == 0;
}

void removeTemp(UserFileWrite *w) {
  if (w->Temp[0]) {
    int e = errno;
    unlink(w->Temp);
    errno = e;
  }
  w->Temp[0] = '\0';
}

// The reason of a write in place that stopped midway: it names the copy that holds the whole
// new contents, which is kept.
thread_local char midwayReason[UserPathMax + 160];

// Writes the copy on descriptor `copy` over the target in place: the bytes from the start,
// then the length. True when the target holds them all, on disk. *touched tells whether the
// target may have changed (then a failure has damaged it).
bool writeInPlace(UserFileWrite *w, int copy, bool *touched) {
  *touched = false;
  const int flags = O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC | ((w->How & UserFileNoFollow) ? O_NOFOLLOW : 0);
  int fd;
  do fd = open(w->Target, flags);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    noteFailure(w, errno);
    return false;
  }
  struct stat old, from;
  if (fstat(fd, &old) != 0 || fstat(copy, &from) != 0) {
    noteFailure(w, errno);
    close(fd);
    return false;
  }
  if (!S_ISREG(old.st_mode)) {
    noteFailure(w, ENODEV);
    close(fd);
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
  // A write clears the set-user/group-id bits; their owner may set them again, no one else.
  struct stat now;
  if (ok && fstat(fd, &now) == 0 && (now.st_mode & 07777) != (old.st_mode & 07777)) fchmod(fd, old.st_mode & 07777);
  if (close(fd) != 0 && ok) {
    ok = false;
    noteFailure(w, errno);
  }
  return ok;
}

}  // namespace

std::string UserTempFolder() {
  const char *env = std::getenv("TMPDIR");
  std::string dir = env && *env ? env : "/tmp";
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  return dir == "/" ? dir : dir + "/";
}

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

namespace {

// A write that cannot start: errno and the reason kept for the caller; null.
FILE *notStarted(int err, const char *what) {
  published(err, what);
  errno = err;
  return nullptr;
}

// Refuses the existing name path, which the write must leave as it is, with one line unless
// quiet.
FILE *refuseTarget(const char *path, const char *kind, int err, const char *what, bool quiet) {
  if (!quiet) fprintf(stderr, "  ## ERROR: BEGINUSERFILEWRITE: %s %s, NOT WRITTEN \n", path, kind);
  return notStarted(err, what);
}

}  // namespace

FILE *BeginUserFileWrite(UserFileWrite *w, const char *path, int how) {
  w->F = nullptr;
  w->Target[0] = w->Temp[0] = '\0';
  w->How = how;
  w->InPlace = 0;
  w->Err = 0;
  lastWrite = {false, 0, nullptr};
  if (!path || !*path) return notStarted(EINVAL, nullptr);
  const bool quiet = how & UserFileQuiet;
  char resolved[PATH_MAX];
  const char *target = path;
  if (how & UserFileNoFollow) {
    // Only the name itself is looked at: a link planted there later is replaced by the
    // rename, never written through, so no check-then-use window opens here.
    struct stat st;
    if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode))
      return refuseTarget(path, "IS A SYMBOLIC LINK", ELOOP, LinkRefused, quiet);
  } else {
    target = writeTarget(path, resolved);
  }
  if (std::strlen(target) >= sizeof(w->Target)) return notStarted(ENAMETOOLONG, nullptr);
  struct stat old;
  const bool exists = stat(target, &old) == 0;
  if (exists && !S_ISREG(old.st_mode)) {
    refuse("BEGINUSERFILEWRITE", path, old.st_mode, "NOT WRITTEN", quiet);
    return notStarted(errno, S_ISDIR(old.st_mode) ? "it is a folder" : "it is not a regular file");
  }
  if (exists && writeRefused(target)) return refuseTarget(path, "IS WRITE-PROTECTED", EACCES, WriteProtected, quiet);
  std::strcpy(w->Target, target);
  const char *slash = std::strrchr(target, '/');
  const int dirLen = slash ? static_cast<int>(slash - target + 1) : 0;
  // Made for this user alone until it has the old file's owner and mode; a new file as a
  // plain create makes it.
  int fd = createTemp(w, target, dirLen, target + dirLen, exists ? 0600 : 0666);
  if (fd < 0) {
    // A folder that takes no new name can still hold a file the user may write: the copy
    // waits in the temporary folder.
    if (!exists || (errno != EACCES && errno != EPERM)) return notStarted(errno, nullptr);
    const int folderErr = errno;
    const std::string dir = UserTempFolder();
    fd = createTemp(w, dir.c_str(), static_cast<int>(dir.size()), target + dirLen, 0600);
    if (fd < 0) return notStarted(folderErr, nullptr);
    w->InPlace = 1;
  } else if (exists) {
    // Another user's file stays theirs, in its group; where the system does not allow that,
    // the file is written in place and keeps them.
    w->InPlace = takeOwnerOf(fd, old) ? 0 : 1;
    if (!w->InPlace) fchmod(fd, old.st_mode & 07777);
  }
  w->F = fdopen(fd, "wb");
  if (!w->F) {
    const int e = errno;
    closeKeepingErrno(fd);
    removeTemp(w);
    return notStarted(e, nullptr);
  }
  return w->F;
}

void NoteUserFileWriteError(UserFileWrite *w) { noteFailure(w, errno); }

int CommitUserFileWrite(UserFileWrite *w) {
  if (!w->F) {
    removeTemp(w);
    return 0;
  }
  bool ok = std::fflush(w->F) == 0;
  if (!ok) noteFailure(w, errno);
  if (ok && std::ferror(w->F)) {
    ok = false;
    noteFailure(w, 0);
  }
  // The data reach the disk before the name points at them: a crash right after the rename
  // cannot leave an empty file in place of the old one.
  if (ok && fsync(fileno(w->F)) != 0) {
    ok = false;
    noteFailure(w, errno);
  }
  // A write in place reads the copy back through its own descriptor: the name of the copy
  // could be taken by someone else meanwhile, the descriptor not.
  int copy = -1;
  if (ok && w->InPlace && (copy = dup(fileno(w->F))) < 0) {
    ok = false;
    noteFailure(w, errno);
  }
  if (std::fclose(w->F) != 0 && ok) {
    ok = false;
    noteFailure(w, errno);
  }
  w->F = nullptr;
  // The file may have been made read-only while it was written: the rename would still
  // replace it.
  const char *what = nullptr;
  if (ok && writeRefused(w->Target)) {
    ok = false;
    noteFailure(w, EACCES);
    what = WriteProtected;
    if (!(w->How & UserFileQuiet))
      fprintf(stderr, "  ## ERROR: COMMITUSERFILEWRITE: %s IS WRITE-PROTECTED, NOT WRITTEN \n", w->Target);
  }
  if (ok && w->InPlace) {
    bool touched = false;
    ok = writeInPlace(w, copy, &touched);
    if (!ok && touched) {
      // The target is damaged: the copy holding the whole new contents stays, named.
      snprintf(midwayReason, sizeof(midwayReason), "%s; the file was written only in part, its complete new contents are in %s",
               std::strerror(w->Err), w->Temp);
      what = midwayReason;
      w->Temp[0] = '\0';
    }
  } else if (ok && std::rename(w->Temp, w->Target) != 0) {
    ok = false;
    noteFailure(w, errno);
  }
  if (copy >= 0) close(copy);
  if (ok) {
    if (w->InPlace) removeTemp(w);
    w->Temp[0] = '\0';
    lastWrite = {false, 0, nullptr};
  } else {
    removeTemp(w);
    published(w->Err, what);
  }
  return ok ? 1 : 0;
}

void AbandonUserFileWrite(UserFileWrite *w) {
  const bool active = w->F || w->Temp[0];
  if (w->F) std::fclose(w->F);
  w->F = nullptr;
  removeTemp(w);
  if (active) published(w->Err, nullptr);
}

int WriteUserFile(const char *path, const void *data, size_t size, int how) {
  UserFileWrite w;
  FILE *f = BeginUserFileWrite(&w, path, how);
  if (!f) return 0;
  if (size && std::fwrite(data, 1, size, f) != size) {
    NoteUserFileWriteError(&w);
    AbandonUserFileWrite(&w);
    return 0;
  }
  return CommitUserFileWrite(&w);
}

const char *UserFileWriteReason() {
  if (!lastWrite.Failed) return nullptr;
  if (lastWrite.What) return lastWrite.What;
  return lastWrite.Err ? std::strerror(lastWrite.Err) : "the write was not completed";
}

void ClearUserFileWriteReason() { lastWrite = {false, 0, nullptr}; }
