// A mouse event in the OpenGL view (types 5 to 8), replayed as one mouse event posted to the
// target: 6 button press, 7 move, 8 button release, any other type an event of type None.
#pragma once

#include "zelvane/record/ZelSequence.h"

class QMouseEvent;

class ZelMouseSequence : public ZelSequence {
 public:
  // Button, buttons and modifiers of the event; x, y its position in the widget, each taken
  // to the nearest integer (a half goes up).
  ZelMouseSequence(int type, const QString &name, const QMouseEvent *event);
  // Reads "button buttons modifiers x y".
  ZelMouseSequence(int type, std::istream &is);

  void save(std::ostream &os) override;
  void exec(QZelObject *target) override;

  int button;
  int buttons;
  int modifiers;
  int x;
  int y;
};
