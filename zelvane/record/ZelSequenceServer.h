// The one recorder and replayer of user actions.
//
// The application builds one server and hands it to every window, panel and tool. It keeps:
//   - the registry: object name (UTF-8 bytes, ordered byte-wise, so the empty name is first)
//     to recordable object; the server does not own the objects;
//   - the recorded list: every relayed signal and reported window event while the record mode
//     is 1, each with its delay since the previous record (the first one since construction);
//   - the loaded list: what the sequence files read so far hold, replayed by execSequences.
// The server owns the records of both lists.
//
// Replay looks each record's name up when it plays it and never keeps the object: a replayed
// action runs the event loop, which may rebuild panels. Records whose name is not registered
// are skipped silently. Recording goes on during a replay, so replayed actions are recorded
// like the user's own.
//
// Replay modes (the numbers zelSeqReplayMode derives from the command line):
//   1 fast: recorded waits capped at 100 ms;  2 real time;  3 fast, records whose name is not
//   registered passed without their wait, then the exit seam is called with status 1;  any
//   other value: every record at once, no timer, no events.
//
// Seams for the shell and for tests: the end-of-replay hook, the clock, the arming of the
// single-shot timer and the exit of mode 3 can be replaced; replayFinished() tells the end of
// a timed replay.
//
// Main thread only. The server records inside the process; it opens no socket.
#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <map>
#include <string>

#include "zelvane/record/ZelSequenceFile.h"

class QKeyEvent;
class QMouseEvent;
class QMoveEvent;
class QResizeEvent;
class QSize;
class QZelObject;

class ZelSequenceServer : public QObject {
  Q_OBJECT

 public:
  // mode: 0 recording off (wrappers take no name and do not register), 1 recording on, any
  // other value: wrappers register, nothing is recorded. Starts the clock of all delays.
  explicit ZelSequenceServer(int mode);
  ~ZelSequenceServer() override;

  int recordMode() const { return recordMode_; }
  // Mode of the last replay started; 0 before any.
  int replayMode() const { return replayMode_; }
  // 1 once a timed replay has played its last record; 0 again when the next one starts.
  int finished() const { return finished_; }
  // True from the start of a replay to its end (for a timed replay: while its timer runs).
  bool replaying() const { return replaying_; }
  // True while a replay that ends the program (mode 3) runs: nobody is there to answer a box.
  bool unattended() const { return replaying_ && replayMode_ == 3; }
  // The object the current record of a timed replay acts on (the record playing, or the next
  // one while the replay waits), looked up by its name now: null once it has gone or outside
  // a timed replay.
  QZelObject *replayTarget() const;
  // Records of the last replay started that found their object and were played.
  size_t played() const { return played_; }
  const ZelSequenceList &recorded() const { return recorded_; }
  // The application replays only when this is not empty. Records appended here are replayed
  // like those read from files.
  ZelSequenceList &loaded() { return loaded_; }

  // Registers the object under the name unless the name is taken: a name keeps its first
  // object.
  void addZelObject(const QString &name, QZelObject *object);
  // The object registered under the name, or null.
  QZelObject *findZelObject(const QString &name) const;

  // Window and view events (recorded in record mode 1 only). A move or resize that changes
  // nothing is not recorded.
  void addKeyPressEvent(const QString &name, QKeyEvent *event);
  void addMoveEvent(const QString &name, QMoveEvent *event);
  void addResizeEvent(const QString &name, QResizeEvent *event);
  void addMousePressEvent(const QString &name, QMouseEvent *event);
  void addMouseMoveEvent(const QString &name, QMouseEvent *event);
  void addMouseReleaseEvent(const QString &name, QMouseEvent *event);
  // file: the saved file's extension as the view reports it; flag: image quality.
  void addSaveImage(const QString &name, QString &file, QSize size, int flag);

  // Writes the recorded list; it stays, so a later save writes it again with what came since.
  // 1 written; 0 when the file cannot be written, which is then left as it was unless a write
  // in place failed midway (WriteUserFile; UserFileWriteReason says why and names the copy).
  int saveSequences(const char *path);
  // Appends the records of the file to the loaded list (the list is not emptied first). At a
  // record it cannot read, reading stops with one line on standard error naming the file and
  // the line.
  void loadSequences(const char *path);
  // Starts a replay of the loaded list in the given mode (see above). Does nothing while a
  // replay runs: a replayed record that starts a replay must not restart the one it is in.
  void execSequences(int mode);

  // Called at the end of a timed replay with the object registered under the empty name (the
  // first main window), when there is one; the shell refreshes that window's tool windows.
  void setReplayEndHook(std::function<void(QZelObject *)> hook);
  // Milliseconds since construction by default.
  void setClock(std::function<qint64()> clock);
  // Arms the single-shot timer that calls run() after the given milliseconds by default.
  void setTimerArm(std::function<void(int ms)> arm);
  // Leaves the event loop with the status by default (QCoreApplication::exit).
  void setReplayExit(std::function<void(int status)> exit);

  // The wait before replaying a record of the given delay (seconds) in a timed mode: the
  // delay clamped to 0..86400 s (NaN as 0), in milliseconds truncated, capped at 100 ms in
  // modes 1 and 3.
  static int replayInterval(float delay, int mode);

 public slots:
  void remZelObject(const QString &name, QZelObject *object);
  void remAllZelObject();

  void addTriggered(const QString &name, bool state = false);
  void addActivated(const QString &name, int index = 0);
  void addReturnPressed(const QString &name, const QString &text);
  void addEditingFinished(const QString &name, const QString &text);
  void addValueChanged(const QString &name, int value);
  void addValueChanged(const QString &name, double value);
  void addClicked(const QString &name, bool state = false);
  void addStateChanged(const QString &name, int state = 0);
  void addItemSelectionChanged(const QString &name, bool state = false);
  void addTextChanged(const QString &name, const QString &text);

  // One tick of a timed replay: plays the next record, lets the toolkit deliver what it
  // posted, then arms the timer for the following record or ends the replay.
  void run();

 signals:
  // Once per timed replay, after its last record.
  void replayFinished();

 private:
  // Appends a record made while recording and stamps its delay.
  void record(ZelSequence *rec);
  QZelObject *find(const std::string &name) const;
  void arm(size_t index);
  // In mode 3, moves the next index past the records whose name is not registered.
  void skipAbsent();
  void endReplay();

  int recordMode_;
  int replayMode_ = 0;
  int finished_ = 0;
  bool replaying_ = false;
  size_t next_ = 0;
  size_t played_ = 0;
  float previousTime_ = 0.0f;
  std::map<std::string, QZelObject *> registry_;
  ZelSequenceList recorded_;
  ZelSequenceList loaded_;
  QElapsedTimer clockStart_;
  QTimer timer_;
  std::function<void(QZelObject *)> endHook_;
  std::function<qint64()> clock_;
  std::function<void(int)> arm_;
  std::function<void(int)> exit_;
};
