// The Change References page: the entity combo and the pick handling.
#include "zelvane/tools/ChgRefBox.h"

#include <QVBoxLayout>

#include "common/model/ElementKind.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/ChgRefGroup.h"
#include "zelvane/tools/ZelToolKit.h"

ChgRefBox::ChgRefBox(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view,
                     const QList<ZelTool *> &tools)
    : EntBox(server, scene, id, "chg") {
  createEntityBox("All Entities");
  chg_ = new ChgRefGroup(server, scene, id, view, tools);
  layout_->addWidget(chg_);
  connectButton();
  setEntity(0);
}

void ChgRefBox::connectButton() {
  EntBox::connectButton();
  if (chg_) chg_->connectButton();
}

void ChgRefBox::setEntity(int row) { takeEntity(row, true); }

void ChgRefBox::takeEntity(int row, bool notify) {
  if (!chg_) return;
  chg_->setKind(entBox_->itemData(row).toInt());
  chg_->checkOldRef(notify);
}

int ChgRefBox::getEntity() const { return entBox_->currentData().toInt(); }

void ChgRefBox::addZelTool(ZelTool *tool) {
  if (chg_) chg_->addZelTool(tool);
}

void ChgRefBox::chgUpdate() {
  entBox_->setCurrentIndex(0);
  if (chg_) chg_->clearOldRef();
}

void ChgRefBox::zelUpdate() {
  if (!scene || !scene->ZelMsh) return;
  const GeoStackItem *top = zelPickTop(scene);
  if (!top || top->Typ == KmfFaceEdges || !zelToolPickKind(top->Typ)) return;
  const int element = top->Idx, kind = top->Typ;
  const ZelEntDisplayList *rec = zelGetDisList(scene->ZelMsh, element, kind);
  const int row = entBox_->findData(kind);
  entBox_->setCurrentIndex(row);
  takeEntity(row, false);  // a refresh opens no box
  if (!rec || !chg_) return;
  chg_->setSeed(element);
  chg_->checkOldRef(false);
  chg_->zelUpdate();
}
