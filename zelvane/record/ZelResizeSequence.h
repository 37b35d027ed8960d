// A resize of a main window (type 3), replayed through zelResize with the recorded size.
#pragma once

#include "zelvane/record/ZelSequence.h"

class QResizeEvent;

class ZelResizeSequence : public ZelSequence {
 public:
  // The event's new size.
  ZelResizeSequence(const QString &name, const QResizeEvent *event);
  // Reads "width height".
  explicit ZelResizeSequence(std::istream &is);

  void save(std::ostream &os) override;
  void exec(QZelObject *target) override;

  int width;
  int height;
};
