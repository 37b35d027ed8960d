// The display group of one volume family (tetrahedra, P2 tetrahedra, hexahedra, Q2
// hexahedra, pyramids, prisms) in the Volumes panel: Hide, Transparent, the colour modes, the
// width and Shrink of ZelDisplayGroup.h. Unchecking Shrink at "All Ref" unshrinks the listed
// records of this family only (when every one is shrunk); there is no "No Ref" state.
//
// Widgets (%1 the group title, %2 the panel's id), grid (row, column):
//   (0,0) "vol:refBox:%1:%2" reference selector   (0,1) "vol:zelBox:%1:%2" Hide
//   (0,2) "vol:traBox:%1:%2" Transparent          (0,3) "vol:facBox:%1:%2" face colour
//   (0,4) "vol:linBox:%1:%2" edge colour          (0,5) "lin:widthBox:%1:%2" width
//   (1,0) "vol:shrBox:%1:%2" Shrink
//
// Built with its widgets and refreshed when the entity is set; connected later by the panel.
// A null entity gives an empty group. GUI thread only.
#pragma once

#include "zelvane/panels/ZelDisplayGroup.h"

class VolGroup : public ZelDisplayGroup {
  Q_OBJECT

 public:
  VolGroup(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity);

  // The seven connections; nothing for an empty group.
  void connectButton() override;
};
