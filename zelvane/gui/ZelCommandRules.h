// The choices behind the main window's commands and the view's image saving, as plain
// functions over names, texts and files, without windows: what the commands do with them is in
// MainWindowCommands.cpp, MainWindowSolution.cpp and GLWidgetImage.cpp.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string>

class QImage;

// ---- images

// The extension a save records: the name from its last "." on; the whole name without ".".
QString zelImageExtension(const QString &name);
// The image name of a linked view: `name` without one trailing ".png" or ".jpg", then "_",
// the counter and ".png" ("/a/xpng/shot.jpg", 3 -> "/a/xpng/shot_3.png"; "shot.jpeg", 0 ->
// "shot.jpeg_0.png").
QString zelLinkedImageName(const QString &name, int counter);
// Images of linked views written so far by the process.
int zelLinkedImageCounter();
// Writes image as the file `name` (its bytes) in `format` (null: the one its extension names) at
// `quality`, through a temporary file renamed over `name` once complete (WriteUserFile with
// the `how` bits): a format the image writer cannot write touches nothing, a write that fails
// midway leaves the old file whole, unless it was written in place (UserFile.h: the reason
// then names the complete copy). True when written; otherwise *reason, when given, says why.
bool zelWriteImage(const QImage &image, const QByteArray &name, const char *format, int quality, int how = 0,
                   QString *reason = nullptr);
// Why a replayed save may not write the window's base name `base` followed by the recorded
// file part `file` (empty when it may): a name longer than NAME_MAX bytes, which no folder
// holds; a NUL or control byte (the name would be cut at it, or be no text); a folder
// separator or "..", since the part only ends the window's name. The reason quotes the part
// by its length, never by its bytes.
QString zelImageEndingRefusal(const QByteArray &base, const std::string &file);

// ---- layout

// "W x H" with any blanks around the x ("1024x768", "1024 x 768"), each number clamped to
// 1..ScreenSizeMax (common/base/ScreenRange.h); false for anything else, numbers beyond an int
// included.
bool zelParseWindowSize(const QString &text, int *width, int *height);

// ---- numbered series of meshes

// The neighbour of mesh `meshName` (its name without ending, e.g. "wing.12") in a numbered
// series among `files` (names in a folder, in listing order): the file holding ".mesh" or
// ".meshb" past its first character, with one dot-separated part more than the mesh's name,
// the same parts before its number, and a number (all digits) above the mesh's (next) or
// below it (previous), the nearest winning, the first met on a tie, never 1000000 or more
// away. Empty when there is none; *numbered is false when the mesh's own last part is not a
// number (digits only, possibly none) and nothing is chosen.
QString zelSeriesNeighbour(const QString &meshName, const QStringList &files, bool next, bool *numbered);

// ---- solution auto-update

// The solution file a control file's word names: the word as it stands when it contains
// ".solb" or ends in ".sol", else the word followed by ".solb".
QString zelSolutionFileName(const QString &word);

// The first word of the solution-update control file (at most 4095 characters, "" when it
// holds none). When the file cannot be read (absent, or not a regular file) the two warning
// lines are printed and the result is false.
bool zelControlWord(const char *control, char (&word)[4096]);

// One poll of the control file, whose first word names the latest solution.
enum class ZelPoll {
  NoControl,   // the control file cannot be opened: auto-update stops
  Unchanged,   // the solution is not newer than the last one loaded
  NotReady,    // the solution is not written to its end yet: tried again next time
  Loaded,      // loaded; the track's LastTime is its modification time
  Unreadable,  // the load failed: auto-update stops
};
// What the polls of one auto-update keep from one to the next; a fresh one starts it again.
struct ZelPollTrack {
  int64_t LastTime = 0;  // modification time (ns since the epoch) of the solution last loaded, as read
  std::string Waiting;   // the solution found not ready and said so, until it loads or the answer changes
};
// The load a poll makes: the scene's reload of the named file (0 refused, 2 not complete or
// changing while read, else loaded), which stores in *readTime the modification time of the
// file as it read it (0 when it cannot tell).
using ZelSolutionLoad = std::function<int(const char *file, int64_t *readTime)>;
// Reads the first word of the control file (at most 4095 bytes), compares the named
// solution's modification time with the track's LastTime (a solution whose time cannot be
// read is tried), loads it with `load` and reports the outcome. After a load (LastTime not 0)
// a solution file that is missing is not ready: a solver may remove it before writing the
// next one. A file not ready is said once, in one line, until it loads or the answer changes,
// however many polls find it so; the loader's complaints about it stay off standard error,
// and its own "not ready" notices are dropped: a file being written is not an error. That
// line goes to *say when given (the window shows it), else to standard output. A refusal
// writes on standard error the line that the updates stopped ("%% WARNING: auto update
// stopped, the solution file is refused:") and after it the loader's reasons, gives the same
// lines in *why when why is not null, and advises on standard output: a file there and
// readable is said to be refused for those reasons, any other not readable (with why: no such
// file, a folder...) and its name to be checked in the control file.
ZelPoll zelPollSolution(const char *control, ZelPollTrack *track, const ZelSolutionLoad &load,
                        std::string *say = nullptr, std::string *why = nullptr);

// Runs f with standard error going to a scratch file and returns what f wrote there, which
// the caller passes on or keeps back. Runs f unchanged (and returns "") when no scratch file
// can be made. GUI thread only: the process's standard error is redirected meanwhile.
std::string zelTapStderr(const std::function<void()> &f);
