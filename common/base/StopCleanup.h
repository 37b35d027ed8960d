// What a run stopped from outside removes before it ends: the temporary files of the writes in
// progress and the scratch folders the program made. Batch schedulers and `timeout` stop jobs
// by SIGTERM (SIGINT from a terminal, SIGHUP when it closes); without this the hidden files of
// every stopped run would pile up in the users' folders.
//
// A program takes the stop signals once at its start (TakeStopSignals). The user-file writes
// (UserFile.h) and the sample generator's scratch folder register here what they have on disk
// while they have it, in a small fixed table that the handler walks. The handler removes a file
// only while its name still holds the very file registered (device and inode, never through a
// link), empties a folder through its own descriptor and removes it by its name only while the
// name holds it, then ends the process by the signal as it would have ended without the handler
// (the disposition found at the start, re-raised), so that the exit status says the signal.
// Before it removes anything, each descriptor the process holds on a file it removes becomes
// one of /dev/null, open for writing only (a read on it fails): on FUSE and NFS a file removed
// while open stays as a hidden file until it is closed, and the folder holding it with it. A
// folder found not empty (FUSE may hear of the close late) is tried again for up to 200 ms.
//
// Any thread may receive a stop signal. The table, the files on disk it names and the handler
// never disagree: every change of both happens inside a StopHold, which holds the stop signals
// back on its thread while another thread's handler waits for it to end; a hold begun while a
// handler is at work waits for the process to end (a tear-down that loses the race to the
// handler leaves the files to it). Everything the handler does is async-signal-safe: no
// allocation, no stdio, no locks.
//
// Another handler may be put over this one later (the -server-root instance of an unattended
// run, ZelStartup.h): it restores this one, unblocks the signal and raises it again when it is
// done, and then this one removes the files and ends the process.
#pragma once

#include <cstdint>

// Puts the handler on SIGTERM, SIGINT and SIGHUP, each unless it is ignored now (as nohup
// leaves SIGHUP, which then stays ignored). Called once by a program's main thread before
// anything is written; later calls do nothing. Without it, the table is kept all the same and
// nothing is removed on a stop.
void TakeStopSignals();

// While one lives, the stop signals wait on this thread, and a handler running on another
// thread waits for it to end. Holds nest. Keep them short: a stop waits for them.
class StopHold {
 public:
  StopHold();
  ~StopHold();
  StopHold(const StopHold &) = delete;
  StopHold &operator=(const StopHold &) = delete;
};

// Slots of the table: a registration returns 1 + its slot, 0 when the table is full (what it
// names is then left on a stop, as before). Each call takes a hold of its own; a caller whose
// change on disk must go with it holds one around both.
enum : int { StopCleanupSlots = 32, StopCleanupPathMax = 4096, StopCleanupFolderFiles = 4 };

// The file at path, of that device and inode: removed on a stop while path holds it. path is
// copied (at most StopCleanupPathMax - 1 bytes, else 0 is returned).
int StopCleanupFile(const char *path, int64_t dev, int64_t ino);
// A folder this process made in the folder open as parent, under name, and open as fd (both
// descriptors stay open while it is registered): on a stop, the files named by
// StopCleanupFolderFile are removed through fd, then the folder by its name in parent while
// that name holds it.
int StopCleanupFolder(int parent, const char *name, int fd);
// A file (a name of at most 63 bytes, no folder) the folder of `slot` will hold: 1 kept, 0 when
// the slot is not a folder's or holds StopCleanupFolderFiles names already.
int StopCleanupFolderFile(int slot, const char *file);
// Forgets what the slot names (0: nothing); the files stay for the caller. Waits for the end of
// the process when a handler is at work.
void StopCleanupForget(int slot);

// Null but in tests: called by the handler each time it finds a registered folder not empty,
// before it waits to try again, with the count of such tries so far. It runs inside the signal
// handler and must be async-signal-safe.
extern void (*StopCleanupFolderBusy)(int tries);
