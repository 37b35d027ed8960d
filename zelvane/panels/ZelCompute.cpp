// The computation panel: distance and quality switches and their help texts.
#include "zelvane/panels/ZelCompute.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <cstdio>

#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/panels/ZelPreferences.h"
#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelGroupBox.h"
#include "zelvane/scene/ZelReport.h"
#include "zelvane/scene/ZelScene.h"

ZelCompute::ZelCompute(ZelSequenceServer *server, ZelScene *scene, int id) : QZelBase(scene, server, id) {
  group_ = new QZelGroupBox(QString("CompGroup%1").arg(id), server, QString());
  distBox_ = new QZelCheckBox(QString("cmp:distBox%1").arg(id), server, tr("Distance"));
  qualBox_ = new QZelCheckBox(QString("qualBox%1").arg(id), server, tr("Quality"));
  grid_ = new QGridLayout;
  grid_->addWidget(distBox_, 0, 0, Qt::AlignTop);
  grid_->addWidget(qualBox_, 1, 0);
  zelFinishGroup(group_, grid_, 120, 45);
  layout_ = zelPanelRow(this);
  layout_->addWidget(group_, 0, Qt::AlignTop);
  setMinimumSize(310, 20);
  if (!scene) {
    fprintf(stderr, " ##### WARNING IN CONSTRUCTEUR ZELCOMPUTE :  NO SCENE %p \n", static_cast<void *>(scene));
    return;
  }
  connectButton();
}

ZelCompute::~ZelCompute() {
  delete distBox_;
  delete qualBox_;
  delete group_;
  delete layout_;
}

void ZelCompute::connectButton() {
  connect(distBox_, &QCheckBox::stateChanged, this, &ZelCompute::setDistance);
  connect(qualBox_, &QCheckBox::stateChanged, this, &ZelCompute::setQuality);
}

void ZelCompute::zelUpdate() {}

void ZelCompute::setBit(uint32_t bit, int state) {
  if (scene && scene->opt) zelSetBits(scene->opt->verbose, bit, zelChecked(state));
}

void ZelCompute::setDistance(int state) { setBit(ZelVrbDistance, state); }
void ZelCompute::setQuality(int state) { setBit(ZelVerboseQuality, state); }

QString ZelCompute::message(int row, int column) {
  if (row == 0 && column == 0)
    return "Compute Distance between 1 Vertex and 1 Element\nToDo : Pick 1 Element and 1 Vertex\n"
           "Result is stored in Terminal";
  if (row == 1 && column == 0) return "Compute Quality of Picked Element\nResult is stored in Terminal";
  return "As Soon As Possible...";
}

QString ZelCompute::distToolTip() { return message(0, 0); }
QString ZelCompute::qualToolTip() { return message(1, 0); }

QString ZelCompute::itemAt(const QPoint &pos) const {
  for (int row = 0; row < grid_->rowCount(); row++)
    for (int column = 0; column < grid_->columnCount(); column++)
      if (grid_->cellRect(row, column).translated(group_->pos()).contains(pos)) return message(row, column);
  return ZelNoToolTip;
}

bool ZelCompute::event(QEvent *e) {
  if (zelHelpTipEvent(e, [this](const QPoint &p) { return itemAt(p); })) return true;
  return QWidget::event(e);
}

void ZelCompute::clearWidget() {
  layout_ = nullptr;
  group_ = nullptr;
  grid_ = nullptr;
  distBox_ = qualBox_ = nullptr;
}
