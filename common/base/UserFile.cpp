// Opening a user's file for reading (regular files only, optionally bounded by the size at
// opening) and writing one through a temporary file renamed over it once complete, or copied
// over it in place (into the very file examined, its room reserved first) where a rename
// would change its owner or the folder takes no new name.
#include "common/base/UserFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "common/base/ShownName.h"

namespace {

const char *kindOf(mode_t mode) {
  if (S_ISDIR(mode)) return "A FOLDER";
  if (S_ISFIFO(mode)) return "A FIFO";
  if (S_ISCHR(mode)) return "A CHARACTER DEVICE";
  if (S_ISBLK(mode)) return "A BLOCK DEVICE";
  if (S_ISSOCK(mode)) return "A SOCKET";
  if (S_ISLNK(mode)) return "A SYMBOLIC LINK";
  return "NOT A REGULAR FILE";
}

// Says why a file that is not a regular one is refused; errno tells the caller the same.
void refuse(const char *fn, const char *path, mode_t mode, const char *what, bool quiet) {
  if (!quiet) fprintf(stderr, "  ## ERROR: %s: %s IS %s, %s \n", fn, ShownName(path).c_str(), kindOf(mode), what);
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
const char *const Replaced = "the file was replaced during the write; nothing was written";
const char *const TempReplaced =
    "its temporary file was replaced by another program's during the write; nothing was renamed, the file is as it "
    "was";
const char *const NotOurs = "the file now holds a file this write did not make: another program put it there";

// A reason put together for one write (a copy kept, a folder named): the last one published
// on this thread points at it.
thread_local char composedReason[UserPathMax + 200];

// One line about the commit of w's target, unless the write is quiet.
void sayCommit(const UserFileWrite *w, const std::string &what) {
  if (!(w->How & UserFileQuiet))
    fprintf(stderr, "  ## ERROR: COMMITUSERFILEWRITE: %s %s \n", ShownName(w->Target).c_str(), what.c_str());
}

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

// Whether the name holds the file of that device and inode (a link at it is not that file).
bool holds(const char *name, int64_t dev, int64_t ino) {
  const int e = errno;
  struct stat st;
  const bool same = lstat(name, &st) == 0 && int64_t(st.st_dev) == dev && int64_t(st.st_ino) == ino;
  errno = e;
  return same;
}

// Whether the name holds the file open as fd.
bool holdsOpen(const char *name, int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && holds(name, int64_t(st.st_dev), int64_t(st.st_ino));
}

// A new file in the folder dir (dirLen bytes of it, "" for the current one) named after base,
// created with `mode` (the umask applied) and recorded as the write's own; -1 with errno when
// none can be made.
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

// Gives the new file fd the owner and group of the file it replaces; false when the system
// does not let this process (another user's file, or a group it is not a member of).
bool takeOwnerOf(int fd, const struct stat &old) {
  struct stat now;
  if (fstat(fd, &now) != 0) return false;
  const uid_t uid = now.st_uid == old.st_uid ? static_cast<uid_t>(-1) : old.st_uid;
  const gid_t gid = now.st_gid == old.st_gid ? static_cast<gid_t>(-1) : old.st_gid;
  return (uid == static_cast<uid_t>(-1) && gid == static_cast<gid_t>(-1)) || fchown(fd, uid, gid) == 0;
}

// Removes the temporary file (or copy) by its name, only while the name still holds the file
// this write made: someone may have put another file there.
void removeTemp(UserFileWrite *w) {
  if (w->Temp[0] && holds(w->Temp, w->TempDev, w->TempIno)) {
    int e = errno;
    unlink(w->Temp);
    errno = e;
  }
  w->Temp[0] = '\0';
}

void closeFd(int *fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

// The commit's failure when the name no longer holds the file the write is for (replaced,
// renamed away, turned into a link or a FIFO): one line naming what holds it, the reason.
const char *replaced(UserFileWrite *w) {
  noteFailure(w, ESTALE);
  struct stat st;
  if (lstat(w->Target, &st) != 0 || S_ISREG(st.st_mode)) {
    sayCommit(w, "WAS REPLACED DURING THE WRITE, NOT WRITTEN");
    return Replaced;
  }
  const std::string kind = kindOf(st.st_mode);
  sayCommit(w, "WAS REPLACED DURING THE WRITE (BY " + kind + "), NOT WRITTEN");
  std::string words = kind;  // as a sentence says them
  std::transform(words.begin(), words.end(), words.begin(), [](char c) { return char(std::tolower(c)); });
  if (S_ISFIFO(st.st_mode)) words = "a FIFO";
  snprintf(composedReason, sizeof(composedReason),
           "the file was replaced during the write (by %s); nothing was written", words.c_str());
  return composedReason;
}

// Refuses a target the user may not write at the commit: as replaced when the name no longer
// holds the file examined at the beginning (another user's file or FIFO put there), else as
// made read-only while it was written. One line, the reason.
const char *protectedTarget(UserFileWrite *w) {
  noteFailure(w, EACCES);
  if (!holds(w->Target, w->Place.Dev, w->Place.Ino)) return replaced(w);
  sayCommit(w, "IS WRITE-PROTECTED, NOT WRITTEN");
  return WriteProtected;
}

// The commit's failure when another program holds the lock past the wait: one line, the reason.
const char *lockedOut(UserFileWrite *w) {
  noteFailure(w, EWOULDBLOCK);
  sayCommit(w, "IS LOCKED BY ANOTHER PROGRAM, NOT WRITTEN");
  snprintf(composedReason, sizeof(composedReason),
           "another program held the file's lock for more than %g s (a save of it?); nothing was written, the file is "
           "as it was",
           UserFileLockWaitMs / 1000.0);
  return composedReason;
}

// Takes the exclusive lock of fd for the commit of target, waiting while someone else holds
// it, UserFileLockWaitMs at the most. False (errno EWOULDBLOCK) when it is held still; a file
// system that has no locks lets the write go on unlocked.
bool lockWithin(int fd, const char *target) {
  using Clock = std::chrono::steady_clock;
  bool waiting = false;
  Clock::time_point deadline;
  for (long pauseMs = 1;; pauseMs = std::min(2 * pauseMs, 50L)) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return true;
    if (!waiting) {
      waiting = true;
      deadline = Clock::now() + std::chrono::milliseconds(UserFileLockWaitMs);
      if (UserFileBetweenSteps) UserFileBetweenSteps(target, "wait for the lock");
      continue;
    }
    if (Clock::now() >= deadline) {
      errno = EWOULDBLOCK;
      return false;
    }
    const struct timespec pause = {0, pauseMs * 1000000L};
    nanosleep(&pause, nullptr);
  }
}

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

// The rename's lock: the file at the target's name, locked into w->LockFd, and locked again
// whenever the name holds another one once the lock is had (the write that held it renamed
// its own over it). LockFd stays -1 where there is nothing to lock: no file, a symbolic link
// (the rename replaces it, never writes through it), or a file this user cannot open (a
// write the user may make is not refused for its lock). False, *what the reason, when the
// name holds what the rename must not replace or the lock stays held.
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

// Opens and locks the target of a write in place for the commit, as long as it is still the
// file examined at the beginning: never through a link at its name, the descriptor's device
// and inode those seen then, and the name holding it still once the lock is had (another
// commit of it ends first). False, with the failure noted and *what the reason (null: the
// system's), when it is not, cannot be opened or stays locked.
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
// Reserves on the open target the room of `size` bytes from its start, its size unchanged.
// A file system that cannot reserve room lets the write go on as it is.
bool reserveRoom(UserFileWrite *w, off_t size) {
  if (size <= 0) return true;
  int r;
  do r = fallocate(w->Place.Fd, FALLOC_FL_KEEP_SIZE, 0, size);
  while (r != 0 && errno == EINTR);
  if (r == 0 || errno == EOPNOTSUPP || errno == ENOSYS) return true;
  noteFailure(w, errno);
  return false;
}

// The set-user/group-id bits a write or a reservation cleared; their owner may set them
// again, no one else.
void keepMode(UserFileWrite *w) {
  struct stat now;
  if (fstat(w->Place.Fd, &now) == 0 && int(now.st_mode & 07777) != w->Place.Mode)
    fchmod(w->Place.Fd, mode_t(w->Place.Mode));
}

// Gives back the room a reservation took past the target's end, with the modification time
// and mode where this user may set them (the owner), when the write in place does not go on;
// closes the target. False when closing the target failed (errno says why).
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

// Writes the copy over the prepared target in place: the bytes from the start, then the
// length. True when the target holds them all, on disk. *touched tells whether the target
// may have changed (then a failure has damaged it).
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

int UserFileLockWaitMs = 30000;
void (*UserFileBetweenSteps)(const char *target, const char *next) = nullptr;

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
  if (!quiet) fprintf(stderr, "  ## ERROR: BEGINUSERFILEWRITE: %s %s, NOT WRITTEN \n", ShownName(path).c_str(), kind);
  return notStarted(err, what);
}

}  // namespace

FILE *BeginUserFileWrite(UserFileWrite *w, const char *path, int how) {
  w->F = nullptr;
  w->Target[0] = w->Temp[0] = '\0';
  w->How = how;
  w->InPlace = 0;
  w->Err = 0;
  w->Prepared = 0;
  w->Place = {0, 0, -1, 0, {0, 0}, 0};
  w->TempDev = w->TempIno = 0;
  w->TempFd = w->LockFd = -1;
  w->Holding = 0;
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
  // The file a write in place may go into, and no other.
  if (exists) w->Place.Dev = int64_t(old.st_dev), w->Place.Ino = int64_t(old.st_ino);
  const char *slash = std::strrchr(target, '/');
  const int dirLen = slash ? static_cast<int>(slash - target + 1) : 0;
  // Made for this user alone until it has the old file's owner and mode; a new file as a
  // plain create makes it.
  int fd = createTemp(w, target, dirLen, target + dirLen, exists ? 0600 : 0666);
  if (fd < 0) {
    // A folder that takes no new name can still hold a file the user may write: the copy
    // waits in the temporary folder.
    if (!exists || (errno != EACCES && errno != EPERM)) return notStarted(errno, nullptr);
    const std::string dir = UserTempFolder();
    fd = createTemp(w, dir.c_str(), static_cast<int>(dir.size()), target + dirLen, 0600);
    if (fd < 0) {
      const int e = errno;
      snprintf(composedReason, sizeof(composedReason),
               "the folder takes no new name, and the temporary folder %s takes no copy: %s", ShownName(dir).c_str(),
               std::strerror(e));
      return notStarted(e, composedReason);
    }
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

namespace {

// Ends a commit that failed before its target was touched: the descriptors and locks go, and
// the copy or temporary file (while its name holds it); the reason stays.
int failBeforeTarget(UserFileWrite *w, const char *what) {
  closeFd(&w->LockFd);
  closeFd(&w->TempFd);
  removeTemp(w);
  published(w->Err, what);
  return 0;
}

// After the rename: the target must hold the very file written, else someone put theirs
// there (over the temporary name just before, or over the target just after).
bool placedOurs(UserFileWrite *w, const char **what) {
  w->Temp[0] = '\0';  // whatever its name holds now is not ours to remove
  if (UserFileBetweenSteps) UserFileBetweenSteps(w->Target, "check the target");
  if (holdsOpen(w->Target, w->TempFd)) return true;
  noteFailure(w, ESTALE);
  sayCommit(w, "HOLDS A FILE THIS WRITE DID NOT MAKE: ANOTHER PROGRAM PUT IT THERE");
  *what = NotOurs;
  return false;
}

// Whether the temporary name still holds the file this write made: someone may have renamed
// theirs over it. Else one line, *what the reason.
bool tempIsOurs(UserFileWrite *w, const char **what) {
  if (holdsOpen(w->Temp, w->TempFd)) return true;
  noteFailure(w, ESTALE);
  sayCommit(w, "NOT WRITTEN: ITS TEMPORARY FILE " + ShownName(w->Temp) + " WAS REPLACED BY ANOTHER PROGRAM'S");
  *what = TempReplaced;
  return false;
}

// Renames the temporary file over the target, as long as its name still holds the file this
// write made. A target that had no file when it was locked gets the new one only while it
// still has none; one put there meanwhile is locked first, as at the preparation.
bool renameOurs(UserFileWrite *w, const char **what) {
  if (!tempIsOurs(w, what)) return false;
  if (w->LockFd < 0) {
    if (renameat2(AT_FDCWD, w->Temp, AT_FDCWD, w->Target, RENAME_NOREPLACE) == 0) return placedOurs(w, what);
    if (errno == EEXIST) {
      if (!lockTarget(w, what)) return false;
      if (writeRefused(w->Target)) {
        *what = protectedTarget(w);
        return false;
      }
      if (!tempIsOurs(w, what)) return false;  // looked at again after the wait
    } else if (errno != EINVAL && errno != ENOSYS) {  // else a file system without it: renamed
      noteFailure(w, errno);
      return false;
    }
  }
  if (std::rename(w->Temp, w->Target) != 0) {
    noteFailure(w, errno);
    return false;
  }
  return placedOurs(w, what);
}

}  // namespace

int PrepareUserFileCommit(UserFileWrite *w) {
  if (w->Prepared) return 1;
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
  // The file written is kept through its own descriptor until the commit ends: its name could
  // be taken by someone else meanwhile, the descriptor not.
  if (ok && (w->TempFd = dup(fileno(w->F))) < 0) {
    ok = false;
    noteFailure(w, errno);
  }
  if (std::fclose(w->F) != 0 && ok) {
    ok = false;
    noteFailure(w, errno);
  }
  w->F = nullptr;
  if (!ok) return failBeforeTarget(w, nullptr);
  const char *what = nullptr;
  if (!w->InPlace) {
    // Locked before it becomes the target, so that a later write of the target waits for this
    // whole commit; then the file at the name now.
    if (!lockWithin(w->TempFd, w->Target)) return failBeforeTarget(w, lockedOut(w));
    if (!lockTarget(w, &what)) return failBeforeTarget(w, what);
    // The file may have been made read-only while it was written: the rename would still
    // replace it.
    if (writeRefused(w->Target)) return failBeforeTarget(w, protectedTarget(w));
    w->Prepared = 1;
    return 1;
  }
  // Written in place: the file itself is looked at first, then whether it may be written.
  if (!openPlace(w, &what)) return failBeforeTarget(w, what);
  struct stat from;
  const bool sized = fstat(w->TempFd, &from) == 0;
  if (!sized) noteFailure(w, errno);
  if (!sized || !reserveRoom(w, from.st_size)) {
    closePlace(w, true);
    snprintf(composedReason, sizeof(composedReason), "no room for the new contents (%s); the file is as it was",
             std::strerror(w->Err));
    return failBeforeTarget(w, composedReason);
  }
  w->Prepared = 1;
  return 1;
}

int CommitUserFileWrite(UserFileWrite *w) {
  if (!PrepareUserFileCommit(w)) return 0;
  w->Prepared = 0;
  bool ok = true;
  const char *what = nullptr;
  const bool hold = w->How & UserFileHoldLock;
  if (w->InPlace) {
    bool touched = false;
    ok = writeInPlace(w, &touched);
    if (!ok && touched) {
      // The target is damaged: the copy holding the whole new contents stays, named.
      snprintf(composedReason, sizeof(composedReason),
               "%s; the file was written only in part, its complete new contents are in %s", std::strerror(w->Err),
               ShownName(w->Temp).c_str());
      what = composedReason;
      w->Temp[0] = '\0';
    }
    // The lock of a pair's file stays with a descriptor of the target; the copy's goes.
    if (ok && hold) {
      closeFd(&w->TempFd);
      w->TempFd = dup(w->Place.Fd);
    }
    // Nothing went over the target after a failure: the room it reserved goes back.
    if (!closePlace(w, !ok && !touched) && ok) {
      ok = false;
      noteFailure(w, errno);
    }
  } else {
    ok = renameOurs(w, &what);
  }
  // The new file now at the target keeps the lock for a pair's other commits.
  w->Holding = ok && hold && w->TempFd >= 0;
  if (!w->Holding) closeFd(&w->TempFd);
  closeFd(&w->LockFd);
  removeTemp(w);
  if (ok)
    lastWrite = {false, 0, nullptr};
  else
    published(w->Err, what);
  return ok ? 1 : 0;
}

void AbandonUserFileWrite(UserFileWrite *w) {
  const bool active = w->F || w->Temp[0] || w->Prepared;
  if (w->F) std::fclose(w->F);
  w->F = nullptr;
  if (w->Prepared && w->InPlace) closePlace(w, true);
  if (w->Prepared || w->Holding) {
    closeFd(&w->TempFd);
    closeFd(&w->LockFd);
  }
  w->Prepared = w->Holding = 0;
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
  const int written = CommitUserFileWrite(&w);
  AbandonUserFileWrite(&w);  // releases a lock the caller's bits asked to hold
  return written;
}

const char *UserFileWriteReason() {
  if (!lastWrite.Failed) return nullptr;
  if (lastWrite.What) return lastWrite.What;
  return lastWrite.Err ? std::strerror(lastWrite.Err) : "the write was not completed";
}

void ClearUserFileWriteReason() { lastWrite = {false, 0, nullptr}; }
