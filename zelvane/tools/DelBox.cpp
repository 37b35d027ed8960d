// The Delete page: the entity combo, the pick handling and the "Edge" row.
#include "zelvane/tools/DelBox.h"

#include <QVBoxLayout>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/DelGroup.h"
#include "zelvane/tools/ZelToolKit.h"

DelBox::DelBox(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view, const QList<ZelTool *> &tools)
    : EntBox(server, scene, id, "del") {
  createEntityBox("All Entities");
  del_ = new DelGroup(server, scene, id, view, tools);
  layout_->addWidget(del_);
  connectButton();
  setEntity(0);
}

void DelBox::connectButton() {
  EntBox::connectButton();
  if (del_) del_->connectButton();
}

void DelBox::setEntity(int row) {
  if (del_) del_->setEntity(entBox_->itemData(row).toInt());
}

int DelBox::getEntity() const { return entBox_->currentData().toInt(); }

void DelBox::addZelTool(ZelTool *tool) {
  if (del_) del_->addZelTool(tool);
}

void DelBox::updateRef(int ref) {
  if (!del_) return;
  del_->setNumber(ref);
  del_->zelUpdate();
}

void DelBox::delUpdate() {
  if (entBox_->findText("Edge") >= 0 || !scene || !scene->Msh || !scene->Msh->NbrEfr) return;
  const int at = (entBox_->findText("Vertex") >= 0) + (entBox_->findText("Given Normals") >= 0);
  entBox_->insertItem(at, QIcon(), "Edge", KmfEdges);
}

void DelBox::zelUpdate() {
  if (!scene || !scene->ZelMsh) return;
  const GeoStackItem *top = zelPickTop(scene);
  if (!top || !zelToolPickKind(top->Typ)) return;
  const ZelEntDisplayList *rec = zelGetDisList(scene->ZelMsh, top->Idx, top->Typ);
  const int row = entBox_->findData(top->Typ);
  entBox_->setCurrentIndex(row);
  setEntity(row);
  if (!del_ || !rec) return;
  del_->setNumber(rec->Ref);
  del_->zelUpdate();
}
