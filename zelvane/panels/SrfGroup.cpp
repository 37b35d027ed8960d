// Widgets and normal-scale slots of a surface family's group.
#include "zelvane/panels/SrfGroup.h"

#include <QGridLayout>
#include <QHBoxLayout>

#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelDoubleSpinBox.h"
#include "zelvane/record/QZelLineEdit.h"

SrfGroup::SrfGroup(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity)
    : ZelDisplayGroup(title, server, scene, id, entity) {
  hasNoRefState_ = true;
  if (!entity_) return;
  QGridLayout *grid = makeFamilyGrid("srf");
  grid->addWidget(makeCheck(CheckClip, "srf:cliBox:%1:%2", "Clip"), 1, 1);
  grid->addWidget(makeCheck(CheckNormals, "srf:norBox:%1:%2", "Normals"), 1, 2);
  QHBoxLayout *stepRow = makeScaleRow("srf:dblBox:%1:%2", "srf:preciD:%1:%2", "10");
  setPrecision();
  grid->addWidget(scale_, 1, 3, Qt::AlignRight);
  grid->addLayout(stepRow, 1, 4, Qt::AlignLeft);
  inverse_ = new QZelCheckBox(nameOf("srf:invBox:%1:%2"), server, tr("Inverse"));
  grid->addWidget(inverse_, 2, 3);
  setLayout(grid);
  zelUpdate();
}

void SrfGroup::connectButton() {
  if (!refBox_) return;
  connectShared();
  connect(scale_, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &SrfGroup::setNormalScale);
  connect(step_, &QLineEdit::returnPressed, this, &SrfGroup::setPrecision);
  connect(inverse_, &QCheckBox::stateChanged, this, &SrfGroup::setInvNormals);
}

void SrfGroup::setNormalScale(double value) {
  storeNormalScale(value, inverse_->checkState() == Qt::Checked);
  if (check_[CheckNormals]->checkState() == Qt::Checked) setNormals(Qt::Checked);
}

void SrfGroup::setInvNormals(int state) {
  storeNormalScale(scale_->value(), state == Qt::Checked);
  if (check_[CheckNormals]->checkState() == Qt::Checked) setNormals(Qt::Checked);
}

void SrfGroup::setPrecision() { applyStep(); }
