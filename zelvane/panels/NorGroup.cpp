// Widgets and slots of the given normals' group.
#include "zelvane/panels/NorGroup.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include "common/model/ElementKind.h"
#include "zelvane/lists/ZelListFrame.h"
#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelDoubleSpinBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"

NorGroup::NorGroup(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity)
    : ZelDisplayGroup(title, server, scene, id, entity) {
  if (!entity_) return;
  auto *grid = new QGridLayout;
  activate_ = new QZelCheckBox(nameOf("nor:actBox:%1:%2"), server, tr("Activate"));
  grid->addWidget(activate_, 0, 0, Qt::AlignLeft);
  grid->addWidget(makeRefBox(nameOf("nor:refBox:%1:%2")), 1, 0, Qt::AlignLeft);
  grid->addWidget(makeCheck(CheckHide, "nor:zelBox:%1:%2", "Hide"), 0, 1);
  grid->addWidget(makeColour(&edge_, "nor:colBox:%1:%2"), 0, 3);
  inverse_ = new QZelCheckBox(nameOf("nor:invBox:%1:%2"), server, tr("Inverse"));
  grid->addWidget(inverse_, 1, 2);
  QHBoxLayout *stepRow = makeScaleRow("nor:dblBox:%1:%2", "nor:preciD:%1:%2", "100");
  scale_->setSingleStep(1.0);
  grid->addWidget(scale_, 1, 3, Qt::AlignRight);
  grid->addLayout(stepRow, 1, 4);
  grid->setContentsMargins(5, 5, 5, 5);
  setLayout(grid);
}

void NorGroup::connectButton() {
  if (!refBox_) return;
  connect(activate_, &QCheckBox::stateChanged, this, &NorGroup::setActivate);
  connectShared();
  connect(inverse_, &QCheckBox::stateChanged, this, &NorGroup::setInverse);
  connect(scale_, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &NorGroup::setScale);
  connect(step_, &QLineEdit::editingFinished, this, &NorGroup::setPrecision);
}

void NorGroup::zelUpdate() {
  if (!activate_) return;
  ZelDisplayGroup::zelUpdate();
  showChecked(activate_, scene && (scene->Flags & ZelFlgNormalsAtVer));
}

void NorGroup::setActivate(int state) {
  if (!hasDisplay() || !entity_) return;
  if (zelChecked(state)) {
    scene->Flags |= ZelFlgNormalsAtVer;
    zelUpdateAllTypeDisplayLists(KmfNormalAtVertices, ZelMskAll, scene);
  } else {
    scene->Flags &= ~ZelFlgNormalsAtVer;
  }
  updateGlScene(scene);
}

void NorGroup::setScale(double value) {
  storeNormalScale(value, inverse_->checkState() == Qt::Checked);
  if (activate_->checkState() == Qt::Checked) setActivate(Qt::Checked);
}

void NorGroup::setInverse(int state) {
  storeNormalScale(scale_->value(), state == Qt::Checked);
  if (activate_->checkState() == Qt::Checked) setActivate(Qt::Checked);
}

void NorGroup::setPrecision() { applyStep(); }
