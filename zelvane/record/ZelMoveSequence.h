// A move of a main window (type 2), replayed through zelMove with the recorded offset.
#pragma once

#include "zelvane/record/ZelSequence.h"

class QMoveEvent;

class ZelMoveSequence : public ZelSequence {
 public:
  // dx, dy: the event's new position minus its old one.
  ZelMoveSequence(const QString &name, const QMoveEvent *event);
  // Reads "dx dy".
  explicit ZelMoveSequence(std::istream &is);

  void save(std::ostream &os) override;
  void exec(QZelObject *target) override;

  int dx;
  int dy;
};
