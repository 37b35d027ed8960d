// The stop signals' handler and the table of what it removes: a fixed table of slots, a count
// of the threads inside a hold, and the signal a handler is at work for.
#include "common/base/StopCleanup.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace {

const int StopSignals[] = {SIGTERM, SIGINT, SIGHUP};
constexpr int StopCount = int(sizeof(StopSignals) / sizeof(StopSignals[0]));

enum : int { Free = 0, Armed = 1, Filling = 2 };
enum : int { FileSlot = 1, FolderSlot = 2 };

// A slot changes only inside a hold; the handler reads it only while no thread is inside one.
struct Slot {
  std::atomic<int> State;
  int Kind;
  pid_t Owner;                   // the process that registered it (a forked child has a copy)
  char Path[StopCleanupPathMax];  // a file's path, or a folder's name in Parent
  int64_t Dev, Ino;              // a file's
  int Parent, Fd;                // a folder's
  int NbrFiles;
  char Files[StopCleanupFolderFiles][64];
};
static_assert(std::atomic<int>::is_always_lock_free, "the stop handler reads the slots' states");

Slot Table[StopCleanupSlots];
std::atomic<int> Holding{0};   // threads inside a hold
std::atomic<int> Stopping{0};  // the signal a handler is at work for, 0 when none
std::atomic<int> DescriptorTop{1024};  // the descriptors the handler looks at: 0 to this, less 1

// The dispositions found at the start; Taken[i] when the handler was put over one.
struct sigaction Before[StopCount];
bool Taken[StopCount];
struct sigaction Ours;
std::atomic<bool> Installed{false};

thread_local int holdDepth = 0;
thread_local sigset_t maskBeforeHold;

void stopSet(sigset_t *set) {
  sigemptyset(set);
  for (int sig : StopSignals) sigaddset(set, sig);
}

void pauseBriefly() {
  const timespec step{0, 1000 * 1000};
  nanosleep(&step, nullptr);
}

// ---- the handler (async-signal-safe from here to onStop)

bool sameFile(const struct stat &st, int64_t dev, int64_t ino) {
  return int64_t(st.st_dev) == dev && int64_t(st.st_ino) == ino;
}

// The files the handler removes, as device and inode: each file slot's while its name holds
// it, and the files of each folder slot.
struct Doomed {
  int64_t File[StopCleanupSlots * StopCleanupFolderFiles][2];
  int Count = 0;
  void add(const struct stat &st) {
    if (Count == int(sizeof(File) / sizeof(File[0]))) return;
    File[Count][0] = int64_t(st.st_dev);
    File[Count++][1] = int64_t(st.st_ino);
  }
  bool holds(const struct stat &st) const {
    for (int k = 0; k < Count; k++)
      if (sameFile(st, File[k][0], File[k][1])) return true;
    return false;
  }
};

// On FUSE and NFS a file removed while a descriptor holds it open is only renamed
// (".fuse_hidden...", ".nfs...") until that descriptor closes, and a folder holding it stays.
// Every descriptor of this process on a doomed file is made one of /dev/null first
// (write-only: a read then fails rather than ending early); never closed, so that no file a
// thread opens meanwhile takes its number and gets what was meant for the old one.
void releaseDescriptors(const Doomed &doomed) {
  const int null = doomed.Count ? open("/dev/null", O_WRONLY | O_CLOEXEC) : -1;
  if (null < 0) return;
  const int top = DescriptorTop.load();
  for (int fd = 0; fd < top; fd++) {
    struct stat st;
    if (fd != null && fstat(fd, &st) == 0 && doomed.holds(st)) dup2(null, fd);
  }
  close(null);
}

// Removes the folder of slot s by its name in its parent while the name holds it. A FUSE
// daemon that handles requests in parallel may hear of a file's close after its removal, hide
// it all the same, and remove it only then: a folder not yet empty is tried again, for up to
// about 200 ms.
void removeFolder(const Slot &s) {
  struct stat mine, there;
  if (fstat(s.Fd, &mine) != 0) return;
  for (int tries = 0; tries < 200; tries++) {
    if (fstatat(s.Parent, s.Path, &there, AT_SYMLINK_NOFOLLOW) != 0 ||
        !sameFile(there, int64_t(mine.st_dev), int64_t(mine.st_ino)))
      return;
    if (unlinkat(s.Parent, s.Path, AT_REMOVEDIR) == 0 || errno != ENOTEMPTY) return;
    if (StopCleanupFolderBusy) StopCleanupFolderBusy(tries + 1);
    pauseBriefly();
  }
}

// Whether the file of a file slot is still at its name.
bool atItsName(const Slot &s, struct stat *st) { return lstat(s.Path, st) == 0 && sameFile(*st, s.Dev, s.Ino); }

// Files first: a temporary file may lie in a registered folder.
void removeRegistered() {
  const pid_t self = getpid();
  Doomed doomed;
  for (Slot &s : Table) {
    if (s.State.load() != Armed || s.Owner != self) continue;
    struct stat st;
    if (s.Kind == FileSlot && atItsName(s, &st)) doomed.add(st);
    for (int i = 0; s.Kind == FolderSlot && i < s.NbrFiles; i++)
      if (fstatat(s.Fd, s.Files[i], &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode)) doomed.add(st);
  }
  releaseDescriptors(doomed);
  for (Slot &s : Table) {
    struct stat st;
    if (s.State.load() == Armed && s.Owner == self && s.Kind == FileSlot && atItsName(s, &st)) unlink(s.Path);
  }
  for (Slot &s : Table) {
    if (s.State.load() != Armed || s.Owner != self || s.Kind != FolderSlot) continue;
    for (int i = 0; i < s.NbrFiles; i++) unlinkat(s.Fd, s.Files[i], 0);
    removeFolder(s);
  }
}

void onStop(int sig) {
  const int savedErrno = errno;
  // One handler at a time: one on another thread ends the process, or gives the signal back.
  for (int none = 0; !Stopping.compare_exchange_strong(none, sig); none = 0) pauseBriefly();
  while (Holding.load() > 0) pauseBriefly();
  removeRegistered();
  // As the process would have ended without this handler.
  int at = 0;
  while (at < StopCount && StopSignals[at] != sig) at++;
  if (at < StopCount) sigaction(sig, &Before[at], nullptr);
  sigset_t one;
  sigemptyset(&one);
  sigaddset(&one, sig);
  pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
  raise(sig);
  // The disposition found at the start let the process go on: the signal is taken again.
  if (at < StopCount) sigaction(sig, &Ours, nullptr);
  Stopping.store(0);
  errno = savedErrno;
}

// ---- registration (normal code)

// A free slot taken for filling; null when the table is full. Inside a hold. The handler's
// bound on descriptors follows the process's limit (at most 65536) as it is at each
// registration, where it may be asked.
Slot *claim(int kind) {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0)
    DescriptorTop.store(limit.rlim_cur < 65536 ? int(limit.rlim_cur) : 65536);
  for (Slot &s : Table) {
    int free = Free;
    if (!s.State.compare_exchange_strong(free, Filling)) continue;
    s.Kind = kind;
    s.Owner = getpid();
    s.NbrFiles = 0;
    return &s;
  }
  return nullptr;
}

int armed(Slot *s) {
  s->State.store(Armed);
  return int(s - Table) + 1;
}

Slot *slotOf(int slot) { return slot >= 1 && slot <= StopCleanupSlots ? &Table[slot - 1] : nullptr; }

}  // namespace

void (*StopCleanupFolderBusy)(int tries) = nullptr;

void TakeStopSignals() {
  if (Installed.exchange(true)) return;
  Ours = {};
  Ours.sa_handler = onStop;
  Ours.sa_flags = SA_RESTART;
  stopSet(&Ours.sa_mask);
  for (int i = 0; i < StopCount; i++) {
    Taken[i] = sigaction(StopSignals[i], nullptr, &Before[i]) == 0 && Before[i].sa_handler != SIG_IGN;
    if (Taken[i]) sigaction(StopSignals[i], &Ours, nullptr);
  }
}

StopHold::StopHold() {
  if (holdDepth++ > 0) return;
  const int savedErrno = errno;
  sigset_t stops;
  stopSet(&stops);
  pthread_sigmask(SIG_BLOCK, &stops, &maskBeforeHold);
  // A handler at work: the process ends before this hold may begin.
  for (;;) {
    Holding.fetch_add(1);
    if (!Stopping.load()) break;
    Holding.fetch_sub(1);
    pauseBriefly();
  }
  errno = savedErrno;
}

StopHold::~StopHold() {
  if (--holdDepth > 0) return;
  const int savedErrno = errno;
  Holding.fetch_sub(1);
  pthread_sigmask(SIG_SETMASK, &maskBeforeHold, nullptr);
  errno = savedErrno;
}

int StopCleanupFile(const char *path, int64_t dev, int64_t ino) {
  if (!path || std::strlen(path) >= size_t(StopCleanupPathMax)) return 0;
  StopHold hold;
  Slot *s = claim(FileSlot);
  if (!s) return 0;
  std::strcpy(s->Path, path);
  s->Dev = dev;
  s->Ino = ino;
  return armed(s);
}

int StopCleanupFolder(int parent, const char *name, int fd) {
  if (!name || std::strlen(name) >= size_t(StopCleanupPathMax)) return 0;
  StopHold hold;
  Slot *s = claim(FolderSlot);
  if (!s) return 0;
  std::strcpy(s->Path, name);
  s->Parent = parent;
  s->Fd = fd;
  return armed(s);
}

int StopCleanupFolderFile(int slot, const char *file) {
  StopHold hold;
  Slot *s = slotOf(slot);
  if (!s || !file || s->State.load() != Armed || s->Kind != FolderSlot || s->NbrFiles >= StopCleanupFolderFiles ||
      std::strlen(file) >= sizeof(s->Files[0]))
    return 0;
  std::strcpy(s->Files[s->NbrFiles++], file);
  return 1;
}

void StopCleanupForget(int slot) {
  Slot *s = slotOf(slot);
  if (!s) return;
  StopHold hold;
  s->State.store(Free);
}
