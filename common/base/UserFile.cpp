// Writing a user's file: a write begun on a temporary file, renamed over the target once
// complete, or copied over it in place (into the very file examined, its room reserved first)
// where a rename would change its owner or the folder takes no new name. This file chooses the
// road and runs the steps; UserFileInternal.h maps the files that do each one.
#include "common/base/UserFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/base/ShownName.h"
#include "common/base/StopCleanup.h"
#include "common/base/UserFileInternal.h"

using namespace userfile;

namespace {

// The file a write of path changes: a symbolic link's target when it resolves.
const char *writeTarget(const char *path, char *resolved) {
  struct stat st;
  if (lstat(path, &st) == 0 && S_ISLNK(st.st_mode) && realpath(path, resolved)) return resolved;
  return path;
}

const char *const LeftItsName =
    "the file was replaced during the write (what was written went into the file that had its name)";

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
  w->Nameless = 0;
  w->StopSlot = 0;
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
  int fd = openTemp(w, target, dirLen, target + dirLen, exists ? 0600 : 0666);
  if (fd < 0) {
    // A folder that takes no new name can still hold a file the user may write: the copy
    // waits in the temporary folder.
    if (!exists || (errno != EACCES && errno != EPERM)) return notStarted(errno, nullptr);
    const std::string dir = UserTempFolder();
    fd = openTemp(w, dir.c_str(), static_cast<int>(dir.size()), target + dirLen, 0600);
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
  // Once the first byte goes over the target, the copy holds the only whole new contents: it
  // has a name before that, so that whatever ends the process midway (SIGKILL, a crash, a power
  // cut) leaves them under one.
  if (!nameTemp(w)) {
    noteFailure(w, errno);
    closePlace(w, true);
    snprintf(composedReason, sizeof(composedReason),
             "the copy of the new contents could not be given a name (%s); the file is as it was",
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
    {
      // A stop waits for the write in place: one midway would leave the target damaged and the
      // copy, which then holds the only whole new contents, removed.
      StopHold stops;
      ok = writeInPlace(w, &touched);
      if (ok) {
        // The file written may have left its name while it was written (moved away, the name
        // given to another file or a link): the save then did not reach the name the user asked
        // for, and the copy keeps the new contents.
        if (UserFileBetweenSteps) UserFileBetweenSteps(w->Target, "check the target");
        if (!holds(w->Target, w->Place.Dev, w->Place.Ino)) {
          ok = false;
          what = keepSwapped(w, LeftItsName,
                             "WAS REPLACED DURING THE WRITE (WHAT WAS WRITTEN WENT INTO THE FILE THAT HAD ITS NAME)");
        }
      } else if (touched) {
        // The target is damaged: the copy holding the whole new contents stays, named.
        if (keepTemp(w))
          snprintf(composedReason, sizeof(composedReason),
                   "%s; the file was written only in part, its complete new contents are in %s", std::strerror(w->Err),
                   ShownName(w->Temp).c_str());
        else
          snprintf(composedReason, sizeof(composedReason),
                   "%s; the file was written only in part, and its complete new contents could not be kept (%s)",
                   std::strerror(w->Err), std::strerror(errno));
        what = composedReason;
        w->Temp[0] = '\0';
      }
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
