// The Add Vertex Type tool: its widgets, the readiness rule and the vertex marks.
#include "zelvane/tools/AddVerTyp.h"

#include <QGridLayout>
#include <QLabel>
#include <cstdio>

#include "common/model/ElementKind.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/panels/GeoBox.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelGroupBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/record/QZelPushButton.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/ZelEdit.h"
#include "zelvane/tools/ZelToolKit.h"

AddVerTyp::AddVerTyp(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view,
                     const QList<ZelTool *> &tools, QWidget *parent)
    : QZelBase(scene, server, id, view, parent), tools_(tools) {
  grid_ = zelToolFrame(this, QString("ver:group%1").arg(id), server, 360, 65, &frame_);
  label_ = new QLabel(tr("Vertex :"));
  numEdi_ = new QZelLineEdit(QString("ver:numEdi%1").arg(id), server);
  typBox_ = new QZelComboBox(QString("ver:typBox:%1").arg(id), server);
  typBox_->addItem(tr("No Type"), 0);
  typBox_->addItem(tr("Corner"), 1);
  typBox_->addItem(tr("Required"), 2);
  updBox_ = new QZelPushButton(QString("ver:updBox:%1").arg(id), server, tr("Update Mesh"));
  resBox_ = new QZelPushButton(QString("ver:resBox:%1").arg(id), server, tr("Reset"));
  numEdi_->setFixedSize(50, 20);
  typBox_->setFixedSize(80, 20);
  updBox_->setFixedSize(90, 20);
  resBox_->setFixedSize(90, 20);
  updBox_->setEnabled(false);
  grid_->addWidget(label_, 0, 0, Qt::AlignRight);
  grid_->addWidget(numEdi_, 0, 1);
  grid_->addWidget(typBox_, 0, 2, Qt::AlignLeft);
  grid_->addWidget(resBox_, 1, 0, Qt::AlignRight);
  grid_->addWidget(updBox_, 1, 3, Qt::AlignRight);
  zelConnectTool(this);
}

void AddVerTyp::connectButton() {
  connect(numEdi_, &QLineEdit::editingFinished, this, &AddVerTyp::setNumVer);
  connect(updBox_, &QPushButton::clicked, this, &AddVerTyp::updateMesh);
  connect(typBox_, QOverload<int>::of(&QComboBox::activated), this, &AddVerTyp::setType);
  connect(resBox_, &QPushButton::clicked, this, &AddVerTyp::resetWidget);
}

bool AddVerTyp::isEnabledStartUpdate() {
  const bool ready = parsed_ && typBox_->currentIndex() != 0;
  updBox_->setEnabled(ready);
  const GeoStackItem *top = zelPickTop(scene);
  if (ready && taken_ && top && top->Typ == KmfVertices && top->Idx == taken_) {
    geoPopHybridStack(scene->Pck, nullptr, nullptr);
    taken_ = 0;
  }
  return ready;
}

void AddVerTyp::setNumVer() {
  vertex_ = numEdi_->text().toInt(&parsed_, 10);
  if (!parsed_ || vertex_ != taken_) taken_ = 0;  // typed by the user: no pick to take off
  isEnabledStartUpdate();
}

void AddVerTyp::zelUpdate() {
  const GeoStackItem *top = zelPickTop(scene);
  if (top && top->Typ == KmfVertices) {
    taken_ = top->Idx;
    zelToolText(numEdi_, QString::number(top->Idx));
    setNumVer();
  }
  isEnabledStartUpdate();
}

void AddVerTyp::updateMesh() {
  // An empty field is an empty selection (a replayed click after an update): nothing to do.
  if (!scene || !scene->Msh || !parsed_ || numEdi_->text().isEmpty()) return;
  const int row = typBox_->currentIndex();
  if (zelSetVertexType(scene, vertex_, row) != ZelEditDone) {
    zelToolWarning(QString("####WARNING : VERTEX %1 DOES NOT EXIST\n").arg(vertex_));
    return;
  }
  if (view_) view_->update();
  updateToolWidget();
  zelToolText(numEdi_, QString());
  typBox_->setCurrentIndex(0);
  updBox_->setEnabled(false);
}

void AddVerTyp::updateToolWidget() {
  if (typBox_->currentIndex() == 0) return;
  zelForToolWindows(tools_, "visualisation", [&](ZelTool *tool) {
    zelRefreshPage(tool, "Geometry", [&] { return new GeoBox(server, scene, id); }, 0);
  });
}

void AddVerTyp::resetWidget() {
  zelToolText(numEdi_, QString());
  typBox_->setCurrentIndex(0);
  updBox_->setEnabled(false);
}
