// The stop signals' handler and the table of what it removes: a fixed table of slots, a count
// of the threads inside a hold, and the signal a handler is at work for.
#include "common/base/StopCleanup.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
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

// Files first: a temporary file may lie in a registered folder.
void removeRegistered() {
  const pid_t self = getpid();
  for (Slot &s : Table) {
    struct stat st;
    if (s.State.load() == Armed && s.Owner == self && s.Kind == FileSlot && lstat(s.Path, &st) == 0 &&
        sameFile(st, s.Dev, s.Ino))
      unlink(s.Path);
  }
  for (Slot &s : Table) {
    if (s.State.load() != Armed || s.Owner != self || s.Kind != FolderSlot) continue;
    for (int i = 0; i < s.NbrFiles; i++) unlinkat(s.Fd, s.Files[i], 0);
    struct stat mine, there;
    if (fstat(s.Fd, &mine) == 0 && fstatat(s.Parent, s.Path, &there, AT_SYMLINK_NOFOLLOW) == 0 &&
        sameFile(there, int64_t(mine.st_dev), int64_t(mine.st_ino)))
      unlinkat(s.Parent, s.Path, AT_REMOVEDIR);
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

// A free slot taken for filling; null when the table is full. Inside a hold.
Slot *claim(int kind) {
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
