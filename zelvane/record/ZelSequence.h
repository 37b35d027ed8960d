// One recorded user action: the base of the seven record classes.
//
// A record carries its type number, the object name of its target and its delay. Records are
// made in two ways: from a toolkit event or signal while recording (the delay starts at 0 and
// the server sets it at once), or from an input stream while a sequence file is read (the
// base part "delay name" is read here, the fields by the derived class; a failed stream means
// the record is not usable). The server owns every record and deletes it through this class.
//
// Type numbers:
//   0 key press                          ZelKeyPressSequence
//   2 move, 3 resize                     ZelMoveSequence, ZelResizeSequence
//   5..8 mouse (None, press, move, release)  ZelMouseSequence
//   9..17, 19, 21..23 widget signals     ZelSignalSequence
//   18 window state                      ZelWindowStateSequence
//   20 image save                        ZelSaveImageSequence
// 1, 4 and every other number are not records: the reader skips such lines.
#pragma once

#include <iosfwd>
#include <string>

class QObject;
class QString;
class QZelObject;

class ZelSequence {
 public:
  // While recording: the name is converted to UTF-8, the delay is 0.
  ZelSequence(int type, const QString &name);
  // While reading: reads the delay and the name (one word, unescaped) and prints
  // " Seq: read <type> obj: <name> time: <delay>" when both were read.
  ZelSequence(int type, std::istream &is);
  virtual ~ZelSequence();

  // Writes the record as one line of the sequence file (the base part alone for this class).
  virtual void save(std::ostream &os);
  // Replays the record on the target; a null target is left alone. The base does nothing.
  virtual void exec(QZelObject *target);

  int type;
  std::string name;  // target's object name, UTF-8
  float delay;       // seconds since the previous record

 protected:
  // "type delay name " with the name escaped.
  void saveBase(std::ostream &os) const;
  // Prints " exec sequence <what> on <address>" before a replay.
  static void announce(const char *what, const QZelObject *target);
};
