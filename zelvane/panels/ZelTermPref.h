// The Terminal preference page: what a pick prints, as the Verbosity panel of every new
// Information window starts.
//
//   Vertices    coordinates [x]                       0x8000
//   Elements    vertices [x]      neighbors [x]        0x10000, 0x80000
//               angles [x]        dihedral [x]         0x20000, 0x40000
//   Solutions   solutions [x]                          0x1 (every field)
//   [Reset]     everything off
//
// Each switch stores the page's whole mask as "verbose" at once; the page keeps its own copy,
// read once. Plain widgets, not recorded. GUI thread only.
#pragma once

#include <QSettings>

#include "zelvane/gui/QZelBase.h"

class QCheckBox;
class QPushButton;

class ZelTermPref : public QZelBase {
  Q_OBJECT

 public:
  enum Switch { Coord, Vertices, Neighbors, Angles, DihAngles, Solution, SwitchCount };

  ZelTermPref();

  void connectButton() override;

  QCheckBox *check(Switch which) const { return check_[which]; }
  QPushButton *resetButton() const { return reset_; }

 public slots:
  void setCoord(int state);
  void setVertices(int state);
  void setNeighbors(int state);
  void setAngles(int state);
  void setDihAngles(int state);
  void setSolution(int state);
  void resetWidget();

 private:
  void setBit(Switch which, int state);

  QSettings settings_;
  int mask_ = 0;
  QCheckBox *check_[SwitchCount] = {};
  QPushButton *reset_ = nullptr;
};
