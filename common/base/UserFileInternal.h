// Helpers shared by the files of the user-file rules (UserFile.h); not for callers.
//
// The family: UserFileRead.cpp opens files for reading (regular files only, bounded reads);
// UserFileReasons.cpp words the failures (the lines on standard error, the reason kept for the
// caller); UserFileTemp.cpp makes and removes the temporary file of a write; UserFileLock.cpp
// takes the locks of a commit; UserFileRename.cpp puts the temporary file in place by rename;
// UserFilePlace.cpp writes a copy over the target in place; UserFile.cpp begins, prepares,
// commits and abandons a write, choosing the road. Each file calls only those listed before it
// (and the small checks defined here).
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <string>

#include "common/base/UserFile.h"

namespace userfile {

// ---- small checks (defined here)

// Closes fd keeping errno; -1.
inline int closeKeepingErrno(int fd) {
  int e = errno;
  close(fd);
  errno = e;
  return -1;
}

inline void closeFd(int *fd) {
  if (*fd >= 0) close(*fd);
  *fd = -1;
}

// Whether a plain write of the existing file would be refused to this process: its mode or
// its owner forbid it, and no capability overrides that. The effective identity decides, as
// it does for an open.
inline bool writeRefused(const char *target) {
  return faccessat(AT_FDCWD, target, W_OK, AT_EACCESS) != 0 && (errno == EACCES || errno == EPERM);
}

// Whether the name holds the file of that device and inode (a link at it is not that file).
inline bool holds(const char *name, int64_t dev, int64_t ino) {
  const int e = errno;
  struct stat st;
  const bool same = lstat(name, &st) == 0 && int64_t(st.st_dev) == dev && int64_t(st.st_ino) == ino;
  errno = e;
  return same;
}

// Whether the name holds the file open as fd.
inline bool holdsOpen(const char *name, int fd) {
  struct stat st;
  return fstat(fd, &st) == 0 && holds(name, int64_t(st.st_dev), int64_t(st.st_ino));
}

// ---- reasons and lines (UserFileReasons.cpp)

// The outcome of the last write begun on this thread: the reason it failed, for the caller
// that shows it (a failed write is often seen far above the call that failed).
struct LastWrite {
  bool Failed;
  int Err;
  const char *What;  // a refusal's own words, else null
};
extern thread_local LastWrite lastWrite;
// A reason put together for one write (a copy kept, a folder named): the last one published
// on this thread points at it.
extern thread_local char composedReason[UserPathMax + 200];

extern const char *const WriteProtected;
extern const char *const LinkRefused;
extern const char *const Replaced;

const char *kindOf(mode_t mode);
// Says why a file that is not a regular one is refused; errno tells the caller the same.
void refuse(const char *fn, const char *path, mode_t mode, const char *what, bool quiet);
void published(int err, const char *what);
// errno as the failure of w unless an earlier one is recorded; errno 0 counts as EIO.
void noteFailure(UserFileWrite *w, int err);
// One line about the commit of w's target, unless the write is quiet.
void sayCommit(const UserFileWrite *w, const std::string &what);
// The commit's failure when the name no longer holds the file the write is for (replaced,
// renamed away, turned into a link or a FIFO): one line naming what holds it, the reason.
const char *replaced(UserFileWrite *w);
// Refuses a target the user may not write at the commit: as replaced when the name no longer
// holds the file examined at the beginning (another user's file or FIFO put there), else as
// made read-only while it was written. One line, the reason.
const char *protectedTarget(UserFileWrite *w);
// The commit's failure when another program holds the lock past the wait: one line, the reason.
const char *lockedOut(UserFileWrite *w);

// ---- temporary files (UserFileTemp.cpp)

// A new file in the folder dir (dirLen bytes of it, "" for the current one) for the write,
// created with `mode` (the umask applied) and recorded as its own: without a name where the
// file system and /proc allow it (w->Nameless, w->Temp the name it is to get), else under its
// temporary name (w->Temp, named after base), which a stop then removes. -1 with errno when
// none can be made.
int openTemp(UserFileWrite *w, const char *dir, int dirLen, const char *base, mode_t mode);
// Gives the nameless file open as w->TempFd its temporary name, w->Temp (another one when that
// one is taken), which a stop then removes; true at once for a named one. False with errno.
bool nameTemp(UserFileWrite *w);
// Renames the temporary file over the target (renameat2 with `flags`, plain rename when 0),
// taking it out of the stop cleanup once renamed; renameat2's result and errno.
int renameTemp(UserFileWrite *w, unsigned flags);
// Keeps the file open as w->TempFd, as it stands, under a name in the folder of w->Temp: the
// name it has while that still holds it, else a new one (the file linked again through
// /proc/self/fd where the system allows, else its bytes copied into a new file readable by this
// user alone); no stop removes it. True with the name in w->Temp; false with errno.
bool keepTemp(UserFileWrite *w);
// A swap caught by a check: another program's file took the name of the new contents (the
// temporary name, or the target's once they were written into it), which are kept as keepTemp
// keeps them. One line (`line` after the target's name, the kept file added), the reason (`why`,
// the kept file added); the failure noted as ESTALE.
const char *keepSwapped(UserFileWrite *w, const char *why, const std::string &line);
// Gives the new file fd the owner and group of the file it replaces; false when the system
// does not let this process (another user's file, or a group it is not a member of).
bool takeOwnerOf(int fd, const struct stat &old);
// Removes the temporary file (or copy) by its name, only while the name still holds the file
// this write made (someone may have put another file there), and takes it out of the stop
// cleanup; a nameless one goes when its last descriptor closes.
void removeTemp(UserFileWrite *w);

// ---- locks (UserFileLock.cpp)

// Takes the exclusive lock of fd for the commit of target, waiting while someone else holds
// it, UserFileLockWaitMs at the most. False (errno EWOULDBLOCK) when it is held still; a file
// system that has no locks lets the write go on unlocked.
bool lockWithin(int fd, const char *target);
// The rename's lock: the file at the target's name, locked into w->LockFd, and locked again
// whenever the name holds another one once the lock is had (the write that held it renamed
// its own over it). LockFd stays -1 where there is nothing to lock: no file, a symbolic link
// (the rename replaces it, never writes through it), or a file this user cannot open (a
// write the user may make is not refused for its lock). False, *what the reason, when the
// name holds what the rename must not replace or the lock stays held.
bool lockTarget(UserFileWrite *w, const char **what);

// ---- the rename road (UserFileRename.cpp)

// Renames the temporary file over the target, as long as its name still holds the file this
// write made. A target that had no file when it was locked gets the new one only while it
// still has none; one put there meanwhile is locked first, as at the preparation.
bool renameOurs(UserFileWrite *w, const char **what);

// ---- the road in place (UserFilePlace.cpp)

// Opens and locks the target of a write in place for the commit, as long as it is still the
// file examined at the beginning: never through a link at its name, the descriptor's device
// and inode those seen then, and the name holding it still once the lock is had (another
// commit of it ends first). False, with the failure noted and *what the reason (null: the
// system's), when it is not, cannot be opened or stays locked.
bool openPlace(UserFileWrite *w, const char **what);
// Reserves on the open target the room of `size` bytes from its start, its size unchanged.
// A file system that cannot reserve room lets the write go on as it is.
bool reserveRoom(UserFileWrite *w, off_t size);
// Gives back the room a reservation took past the target's end, with the modification time
// and mode where this user may set them (the owner), when the write in place does not go on;
// closes the target. False when closing the target failed (errno says why).
bool closePlace(UserFileWrite *w, bool giveBack);
// Writes the copy over the prepared target in place: the bytes from the start, then the
// length. True when the target holds them all, on disk. *touched tells whether the target
// may have changed (then a failure has damaged it).
bool writeInPlace(UserFileWrite *w, bool *touched);

}  // namespace userfile
