// The Mesh preference page: the colour modes new scenes start with.
//
//   Lines      [line colour of edges]                        -> "Lines Pref"
//   Surfaces   [face colour]  [line colour] of surfaces      -> "Surf Pref"
//   Volumes                   [face colour] of volumes       -> "Vol Pref"
//   Solution   [x] first field as a colour map               -> "Show Sol" 64
//   [Reset]    lines "off", surfaces "grey" / "back", volumes "grey", no solution
//
// Each combo lists "off", "back", "ref", "grey"; a choice stores the render word of its key at
// once (face mode in bits 1-3, line mode in bits 4-6). The stored values take effect when a
// mesh's display lists are next set up. Plain widgets, not recorded. GUI thread only.
#pragma once

#include <QSettings>

#include "zelvane/gui/QZelBase.h"

class QCheckBox;
class QComboBox;
class QPushButton;

class ZelMshPref : public QZelBase {
  Q_OBJECT

 public:
  ZelMshPref();

  void connectButton() override;

  QComboBox *linesCombo() const { return lineCol_; }
  QComboBox *surfFaceCombo() const { return srfFace_; }
  QComboBox *surfLineCombo() const { return srfLine_; }
  QComboBox *volFaceCombo() const { return volFace_; }
  QCheckBox *solutionCheck() const { return showSol_; }
  QPushButton *resetButton() const { return reset_; }

 public slots:
  void updateLineCol(int state);
  void updateSrfCol();
  void updateVolCol(int state);
  void updateShowSol(int state);
  void resetWidget();

 private:
  QSettings settings_;
  QComboBox *lineCol_ = nullptr;
  QComboBox *srfFace_ = nullptr;
  QComboBox *srfLine_ = nullptr;
  QComboBox *volFace_ = nullptr;
  QCheckBox *showSol_ = nullptr;
  QPushButton *reset_ = nullptr;
};
