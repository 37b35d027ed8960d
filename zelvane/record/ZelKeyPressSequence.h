// A key press in the OpenGL view (type 0), replayed as key-press events posted to the target.
#pragma once

#include "zelvane/record/ZelSequence.h"

class QKeyEvent;

class ZelKeyPressSequence : public ZelSequence {
 public:
  // The character is the first Latin-1 byte of the event's text, or '*' when the text is
  // empty or starts with a 0 byte; the count is 1.
  ZelKeyPressSequence(const QString &name, const QKeyEvent *event);
  // Reads "c key modifiers count" from the record's line: c is the byte after the blank that
  // follows the name, a blank or a line feed included (see readFields). A '*' reads as a
  // blank, except under the asterisk key code; the count is clamped to 0..1000.
  explicit ZelKeyPressSequence(std::istream &is);

  // Writes the character as itself, or '*' for a blank or a control byte (they cannot be read
  // back as a character).
  void save(std::ostream &os) override;
  // Posts count key-press events (key, modifiers, text of the one character) to the target's
  // getQObject, queued.
  void exec(QZelObject *target) override;

  char character;
  int key;
  int modifiers;
  int count;

 private:
  // The character and the three numbers; false (the stream failed) when they are not there.
  bool readFields(std::istream &is);
};
