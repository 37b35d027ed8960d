// The display group of one surface family (triangles, P2 triangles, quadrilaterals, Q2
// quadrilaterals) in the Surfaces panel: every option of ZelDisplayGroup.h, and the normal
// arrows' scale, step and direction.
//
// Widgets (%1 the group title, %2 the panel's id), grid (row, column):
//   (0,0) "srf:refBox:%1:%2" reference selector   (0,1) "srf:zelBox:%1:%2" Hide
//   (0,2) "srf:traBox:%1:%2" Transparent          (0,3) "srf:facBox:%1:%2" face colour
//   (0,4) "srf:linBox:%1:%2" edge colour          (0,5) "lin:widthBox:%1:%2" width
//   (1,0) "srf:shrBox:%1:%2" Shrink               (1,1) "srf:cliBox:%1:%2" Clip
//   (1,2) "srf:norBox:%1:%2" Normals              (1,3) "srf:dblBox:%1:%2" normal scale
//   (1,4) "x", "srf:preciD:%1:%2" step field ("10"), "%"
//   (2,3) "srf:invBox:%1:%2" Inverse
// The normal scale is the scene's (shared with the Normals panel), stored negated while
// Inverse is checked; a change re-applies Normals when it is checked, which rebuilds the arrows.
// The step field, on Return, makes the spin box step by its number in percent.
//
// Built with its widgets and refreshed (zelUpdate) when the entity is set; connected later by
// the panel (connectButton). A null entity gives an empty group. GUI thread only.
#pragma once

#include "zelvane/panels/ZelDisplayGroup.h"

class SrfGroup : public ZelDisplayGroup {
  Q_OBJECT

 public:
  SrfGroup(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity);

  // The twelve connections; nothing for an empty group.
  void connectButton() override;

 public slots:
  void setNormalScale(double value);
  void setInvNormals(int state);
  void setPrecision();
};
