// The display group of one edge family (edges, P2 edges) in the Lines panel: the line colour
// mode and the line width of ZelDisplayGroup.h, with the "No Ref" state.
//
// Widgets (%1 the group title, %2 the panel's id), in one row: "lin:refBox:%1:%2" reference
// selector (stretch 1, left), "lin:colBox:%1:%2" line colour and "lin:widthBox:%1:%2" width
// (right). Built with its selector filled but not refreshed: until the first refresh the
// combos show "off" and "Size 1.0". Connected later by the panel; a null entity gives an empty
// group. GUI thread only.
#pragma once

#include "zelvane/panels/ZelDisplayGroup.h"

class LinGroup : public ZelDisplayGroup {
  Q_OBJECT

 public:
  LinGroup(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity);

  // The three connections; nothing for an empty group.
  void connectButton() override;

 public slots:
  // The line colour (the edge colour mode of the records).
  void setCol(int row) { setEdgeCol(row); }
};
