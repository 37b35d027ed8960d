// The group of the given normals in the Normals panel: drawing of normals on and off, Hide and
// the line colour per reference (ZelDisplayGroup.h), and their length and direction through
// the scene's normal scale (shared with the Surfaces panel).
//
// Widgets (%1 the group title, %2 the panel's id), grid (row, column), margins 5:
//   (0,0) "nor:actBox:%1:%2" Activate     (1,0) "nor:refBox:%1:%2" reference selector
//   (0,1) "nor:zelBox:%1:%2" Hide         (0,3) "nor:colBox:%1:%2" line colour
//   (1,2) "nor:invBox:%1:%2" Inverse      (1,3) "nor:dblBox:%1:%2" scale (step 1)
//   (1,4) "x", "nor:preciD:%1:%2" step field ("100"), "%"
// Activate sets or clears the scene's normals bit (display word 4); setting it rebuilds the
// normals lists (kind 20, mask 1). Each record keeps its own render word, so colours chosen per
// reference survive an activation. The scale is stored negated while Inverse is checked; a
// change re-activates when Activate is checked. The step field, when edited, makes the spin
// box step by its number in percent.
//
// Built with its selector filled; Activate, Hide and the colour show the scene only from the
// first refresh. Connected later by the panel; a null entity gives an empty group. GUI thread
// only.
#pragma once

#include "zelvane/panels/ZelDisplayGroup.h"

class NorGroup : public ZelDisplayGroup {
  Q_OBJECT

 public:
  NorGroup(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity);

  // The seven connections; nothing for an empty group.
  void connectButton() override;
  // The shared refresh, then Activate from the scene's normals bit.
  void zelUpdate() override;

 public slots:
  void setActivate(int state);
  void setColor(int row) { setEdgeCol(row); }
  void setScale(double value);
  void setInverse(int state);
  void setPrecision();

 private:
  QZelCheckBox *activate_ = nullptr;
};
