// The "Change References" page of the modification window: an entity box (combo
// "entity:%1:chg", every family of the mesh) holding one ChgRefGroup.
//
// After every pick (ZelTool::update) it reads the latest pick: the combo shows the picked kind
// and the picked element becomes the group's seed, unless "Old Ref :" names a reference of that
// kind. Picks of an edge on a face (200) are skipped; picks of normals, clip planes and unknown
// kinds leave the tool as it is. GUI thread only.
#pragma once

#include <QList>

#include "zelvane/panels/EntBox.h"

class ChgRefGroup;
class GLWidget;
class ZelTool;

class ChgRefBox : public EntBox {
  Q_OBJECT

 public:
  ChgRefBox(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view, const QList<ZelTool *> &tools);

  void zelUpdate() override;
  void connectButton() override;
  // After a deletion elsewhere: combo row 0 shown (the group keeps its kind) and Old Ref emptied.
  void chgUpdate();
  // The kind code of the current combo row.
  int getEntity() const;
  void addZelTool(ZelTool *tool);
  ChgRefGroup *chgGroup() const { return chg_; }

 public slots:
  // The group takes the row's kind and checks its Old Ref again.
  void setEntity(int row) override;

 private:
  void takeEntity(int row, bool notify);

  ChgRefGroup *chg_ = nullptr;
};
