// Files named by a user (meshes, solutions, states, views, sequences, paths, options, images):
// the one place that decides how the program opens them.
//
// Reading: only a regular file is opened (a symbolic link to one is followed). A FIFO, a
// device such as /dev/zero, a socket or a folder is refused with one line on standard error
// naming the file, so that no reader waits for ever on an input that never ends or never
// comes. Opening never blocks: the name is first looked at, then opened without waiting and
// looked at again. A text reader can also ask for a stream that stops at the size the file
// had when it was opened, so that a file some other program keeps appending to is read as it
// stood.
//
// Writing: the bytes go to a new file in the target's own folder, which is renamed over the
// target only once everything was written, flushed and synced. Where the file system and /proc
// allow it, the new file has no name until the commit (O_TMPFILE): it gets its temporary name
// (linked through /proc/self/fd) right before the rename, so that a process killed outright
// (SIGKILL, a crash) leaves nothing in the folder but at that instant; elsewhere it is made
// under its temporary name at once. A process that took the stop signals (StopCleanup.h)
// removes the temporary files of its writes in progress, while their names hold them, when it
// is stopped by SIGTERM, SIGINT or SIGHUP. A write that fails at any point removes the
// temporary file and leaves the target as it was (absent, or whole with its old contents); a
// target that exists and is not a regular file is refused
// with one line, untouched, and so is one the user may not write (write-protected, or owned by
// someone else and not writable by the user): the rename would replace it where a plain write
// is refused. A symbolic link is written through (the file it names gets the new contents and
// the link stays) unless the write refuses links: a name that came from someone else's file,
// such as a replayed sequence, must not lead the write out of its folder. An existing target's
// permission bits, owner and group are kept: the new file gets them before the rename.
//
// Where the new file cannot get them (another user's file the user may write, as in a group
// folder, or a group the user is not a member of) or where the folder takes no new name (a
// read-only folder holding a file the user may write), the target is written in place
// instead, and so keeps its owner, group, mode and hard links: the complete new contents are
// first written to a copy (the temporary file in the folder, or in the temporary folder,
// $TMPDIR else /tmp, when the folder takes no new name; readable by this user only), then over
// the target at the commit, and the copy is removed. The copy has its name before the first
// byte goes over the target, so that a process killed midway (SIGKILL, a crash) leaves the
// whole new contents under it beside the damaged target. A write in place writes only into the
// very file examined when it began (same device and inode, never through a link): when the
// name holds another file at the commit (replaced, renamed away, turned into a link, or a
// folder on its path swapped), nothing is written anywhere, the commit fails with one line and
// the copy is removed; when it no longer holds it once the write is over, the new contents went
// into a file that left the name meanwhile, and the commit fails with one line naming the copy,
// which is kept. Before the first byte goes over the target, the room its new contents
// need is reserved on its file system (fallocate), so that a full disk or a file-size limit
// refuses the write with the target as it was; a file system that cannot reserve room
// (EOPNOTSUPP) lets the write go on unreserved, and a copy-on-write one may still run out of
// room while the old bytes are rewritten. A write in place that fails midway has damaged the
// target, and then the copy is kept and the reason names it; a stop signal that comes while
// the copy goes over the target waits until it is over. The
// system clears the set-user/group-id bits of a file written by another user than its owner.
// A user's own file in a folder that takes new names is replaced as above (its other hard
// links keep the old contents). Why the last write of a thread failed is kept for its caller
// to show.
//
// A rename puts in place only the very file this write made (its device and inode recorded
// when it was created, a descriptor of it kept until the commit ends): when the temporary
// name holds another file at the commit (someone renamed theirs over it), nothing is renamed,
// the target keeps its old contents and the commit fails with one line; when the target does
// not hold the file written right after the rename, the commit fails with one line saying the
// target holds a file this write did not make. Either way the new contents, whose last name
// the other file took, are kept under a new hidden name in the folder (the file linked again
// where the system allows, else its bytes copied into a new file of this user's alone), which
// the line and the reason name; no stop removes it. The temporary file is removed by its name
// only while that name still holds it.
//
// Commits of one target never interleave: each takes an advisory lock (flock) on the target
// from its preparation to its end, on the file found at the name once locked (a rename
// replaced by another write's file meanwhile locks the new one; a write in place then fails
// as replaced), and a rename locks its own new file before it becomes the target, so that a
// later write waits for the whole commit. A new file goes in only while the name holds none
// (RENAME_NOREPLACE where the file system has it): a file put there meanwhile is locked first.
// A lock held by another program (anyone who can open the file can take it) is waited for
// UserFileLockWaitMs at the most, then the write is refused with one line, the target
// untouched. The wait is said once it lasts a second, in one line on standard error (UserFileQuiet
// does not silence it: it is no refusal) and through UserFileLockWaitHook. A target this user
// cannot open, or a file system without locks, is written unlocked rather than refused.
//
// Plain POSIX and C streams: no allocation through the memory list, no process exit. Any
// thread may call these; a UserFileWrite belongs to one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Bits of OpenUserFile's and of the writes' `how`.
enum : int {
  UserFileBounded = 1,   // reads stop at the size at opening; the stream has no descriptor
  UserFileQuiet = 2,     // refuse without the line (probes, callers that report themselves)
  UserFileNoFollow = 4,  // writes: a symbolic link at the name is refused, not written through
  UserFileHoldLock = 8,  // writes: a commit keeps the lock of the file it put in place until
                         // AbandonUserFileWrite, so that several files are held until all are in
};

// Opens path for reading ("rb"). Returns null when the name is null, when the file cannot be
// opened (errno as open set it; no message, callers word that case themselves) or when it is
// not a regular file (errno EISDIR for a folder, else ENODEV; one line unless UserFileQuiet).
// *size, when size is not null, receives the file's size at opening. The caller closes the
// stream with fclose. Without UserFileBounded the stream is a plain descriptor-backed one
// (fileno and pread work on it).
FILE *OpenUserFile(const char *path, int how, int64_t *size);

// Longest target or temporary name a write keeps.
enum : int { UserPathMax = 4096 };

// A write in place: the target as examined when the write began, then, once the commit is
// prepared, open with the room for the new contents reserved.
struct UserFilePlace {
  int64_t Dev, Ino;  // the file examined at the beginning
  int Fd;            // prepared: the target, locked
  int64_t Blocks;    // prepared: the target's allocated blocks before the reservation
  int64_t MTime[2];  // prepared: its modification time before it (seconds, nanoseconds)
  int Mode;          // prepared: its permission bits before it (a reservation, as a write,
                     // may clear the set-user/group-id bits)
};

// One write in progress. Plain data: may live inside structures that are cleared with memset.
struct UserFileWrite {
  FILE *F;                     // the stream on the temporary file, null when none is open
  char Target[UserPathMax];    // the file that gets the contents (a link's target resolved)
  char Temp[UserPathMax];      // the temporary file (the copy of a write in place), "" when none
  int How;                     // the bits the write was started with
  int InPlace;                 // 1: the commit writes Temp over the target, else renames it
  int Err;                     // errno of the first failure of this write, 0 while none
  int Prepared;                // 1: PrepareUserFileCommit succeeded, the commit's last step waits
  UserFilePlace Place;         // InPlace only
  int64_t TempDev, TempIno;    // the temporary file (or copy) as created
  int TempFd;                  // prepared or holding: a descriptor of it (locked on the rename road;
                               // holding in place: of the target)
  int LockFd;                  // prepared, rename road: the file at the target's name, locked; -1 none
  int Holding;                 // 1: committed with UserFileHoldLock, TempFd holds the lock
  int Nameless;                // 1: the temporary file has no name yet (O_TMPFILE); Temp is the
                               // name it gets at the commit
  int StopSlot;                // 1 + the slot of the stop cleanup that removes Temp, 0 none
};

// Starts a write of path: returns the stream to write (also kept in w->F), or null when
// nothing could be started (target not a regular file, write-protected, or a link refused by
// UserFileNoFollow: one line unless UserFileQuiet; name too long or folder not writable:
// errno set, no message, the caller reports; a folder that takes no new name only when the
// target does not exist or no copy can be made in the temporary folder, whose reason then
// names that folder). Nothing exists on disk but the temporary file (nameless where the
// system allows) until the commit.
FILE *BeginUserFileWrite(UserFileWrite *w, const char *path, int how = 0);
// A caller whose own write on w->F failed calls this at once, while errno still says why:
// the first reason of a write is the one reported.
void NoteUserFileWriteError(UserFileWrite *w);
// The steps of the commit that can fail before the target is touched: flushes, syncs and
// closes the stream; takes the target's lock (waiting for another commit of it to end); for
// a write in place, also opens the target, checks that it is still the file examined at the
// beginning (else one line, unless UserFileQuiet), reserves the room its new contents
// need and gives the copy its name. A caller that replaces several files, all or none, prepares every write before
// committing any, always in the same order (then no two such callers wait for each other
// for ever), and starts them with UserFileHoldLock. 1 when prepared (the commit is then left
// its rename, or the copy over the target); 0 when it failed: the temporary file is removed,
// the target untouched, the reason kept, and w is idle. Calling it again on a prepared write
// returns 1.
int PrepareUserFileCommit(UserFileWrite *w);
// Prepares the write when that is not done yet, then renames the temporary file over the
// target (or writes it over the target in place, syncs and removes it). 1 when the target now
// holds what was written; 0 when anything failed or no write was started, the temporary file
// then removed and the target untouched, except after a write in place that failed midway
// (the target is then damaged and the copy kept, named by UserFileWriteReason), after a write
// in place whose file left the target's name meanwhile (the copy kept likewise), and after a
// rename that another program's file followed (the target then holds that file); where another
// program's file took the temporary name or the target, the new contents are kept under the
// name UserFileWriteReason gives. w is then idle, its lock released, unless the write was
// started with UserFileHoldLock and succeeded.
int CommitUserFileWrite(UserFileWrite *w);
// Closes the stream and removes the temporary file; the target is as it was (a prepared write
// in place gives back the room it reserved). After a commit with UserFileHoldLock, releases
// the lock and leaves the file in place. Safe on an idle or a cleared w.
void AbandonUserFileWrite(UserFileWrite *w);

// The whole contents at once: 1 written, 0 refused or failed (the target then untouched).
int WriteUserFile(const char *path, const void *data, size_t size, int how = 0);

// How long, in milliseconds, a commit waits for another program to release the lock of its
// target before it refuses the write (30000; tests set it). Set before writes start.
extern int UserFileLockWaitMs;
// How long, in milliseconds, a wait for a lock lasts before it is said (1000; tests set it, 0
// says every wait as it begins): the waits of a few milliseconds that programs saving one file
// at once meet are said neither on standard error nor through UserFileLockWaitHook. Set before
// writes start.
extern int UserFileLockSayAfterMs;
// For tests: when set, called by a commit with its target each time it finds a lock it needs
// held by someone else, as the wait begins (next "wait for the lock"; a wait said at once is
// said before), once the temporary file has its name, before it is looked at and renamed
// (next "rename"), right after its rename or its write in place, before it checks what the
// target holds (next "check the target"), and in place once the first block went over a
// target of more than one (next "next block"). Null in the programs.
extern void (*UserFileBetweenSteps)(const char *target, const char *next);
// For the windows of a program: when set, called on the writing thread when a commit's wait for
// a lock someone else holds has lasted UserFileLockSayAfterMs (waiting 1; line: the line just
// put on standard error, "  ## WARNING: COMMITUSERFILEWRITE: <target> IS LOCKED BY ANOTHER
// PROGRAM: WAITING UP TO <bound> s FOR IT", without its line feed) and, after that call only,
// when that wait ends, whichever way (waiting 0, line null). boundMs: UserFileLockWaitMs. Not
// called, nor the line said, for a wait that ends sooner, nor when the bound is 0. Set once at
// start-up, before writes start.
extern void (*UserFileLockWaitHook)(const char *target, int boundMs, int waiting, const char *line);

// The folder for temporary files, with a trailing "/": $TMPDIR when set and not empty, else
// /tmp.
std::string UserTempFolder();

// Why the last write begun on this thread failed, in words ("File too large", "the file is
// write-protected", "the file was replaced during the write; nothing was written", "No space
// left on device; the file was written only in part, its complete new contents are in
// /tmp/.a.mesh.812-0.tmp", "the file now holds a file this write did not make: another program
// put it there; the new contents are in .a.mesh.812-1.tmp"); null when it succeeded, is still
// going, or nothing failed since ClearUserFileWriteReason. Callers whose write may stop before
// it begins clear it first.
const char *UserFileWriteReason();
void ClearUserFileWriteReason();
