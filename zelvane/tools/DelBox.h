// The "Delete" page of the modification window: an entity box (combo "entity:%1:del", every
// family of the mesh) holding one DelGroup.
//
// After every pick it shows the picked kind in the combo and, when the element has a display
// record, puts that record's reference into the group's number field (the pick stays in the
// history). Picks of normals, clip planes and unknown kinds leave the tool as it is. The
// Change References tool hands it the reference it just applied (updateRef); Edges Detection
// asks for the "Edge" row once the mesh has boundary edges (delUpdate). GUI thread only.
#pragma once

#include <QList>

#include "zelvane/panels/EntBox.h"

class DelGroup;
class GLWidget;
class ZelTool;

class DelBox : public EntBox {
  Q_OBJECT

 public:
  DelBox(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view, const QList<ZelTool *> &tools);

  void zelUpdate() override;
  void connectButton() override;
  // The group's number field takes ref, then the group refreshes.
  void updateRef(int ref);
  // Inserts the row "Edge" (data 5) after "Vertex" and "Given Normals" once the mesh has
  // boundary edges and the combo has no such row.
  void delUpdate();
  int getEntity() const;
  void addZelTool(ZelTool *tool);
  DelGroup *delGroup() const { return del_; }

 public slots:
  // The group's kind becomes the row's data (0 for a row that does not exist).
  void setEntity(int row) override;

 private:
  DelGroup *del_ = nullptr;
};
