// A window-state change of a main window (type 18), replayed through zelSetWindowState.
#pragma once

#include "zelvane/record/ZelSequence.h"

class ZelWindowStateSequence : public ZelSequence {
 public:
  // state: toolkit window-state bits.
  ZelWindowStateSequence(const QString &name, int state);
  // Reads "state".
  explicit ZelWindowStateSequence(std::istream &is);

  void save(std::ostream &os) override;
  void exec(QZelObject *target) override;

  int state;
};
