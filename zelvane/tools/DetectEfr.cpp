// The Edges Detection tool: its widgets, start rule, chain editing, overlay and update.
#include "zelvane/tools/DetectEfr.h"

#include <GL/gl.h>

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <cstdio>

#include "common/model/ElementKind.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/panels/GeoBox.h"
#include "zelvane/panels/ZelDisplayBoxes.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelGroupBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/record/QZelPushButton.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/DelBox.h"
#include "zelvane/tools/ZelToolKit.h"

DetectEfr::DetectEfr(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view,
                     const QList<ZelTool *> &tools, QWidget *parent)
    : QZelBase(scene, server, id, view, parent), tools_(tools) {
  grid_ = zelToolFrame(this, QString("det:group%1").arg(id), server, 360, 85, &frame_);
  auto button = [&](const char *name, const char *text, int w) {
    auto *b = new QZelPushButton(QString(name).arg(id), server, text);
    b->setFixedSize(w, 20);
    return b;
  };
  anaBox_ = button("det:anaBox:%1", "Start Analyse", 90);
  updBox_ = button("det:updBox:%1", "Update Mesh", 90);
  resBox_ = button("det:resBox:%1", "Reset", 90);
  morBox_ = button("det:morBox:%1", "+", 20);
  lesBox_ = button("det:lesBox:%1", "-", 20);
  anaBox_->setEnabled(false);
  updBox_->setEnabled(false);
  refLabel_ = new QLabel(tr("New Ref :"));
  tolLabel_ = new QLabel(tr("Tolerance:"));
  refEdi_ = new QZelLineEdit(QString("det:refEdi%1").arg(id), server);
  tolEdi_ = new QZelLineEdit(QString("det:tolEdi%1").arg(id), server);
  refEdi_->setFixedSize(50, 20);
  tolEdi_->setFixedSize(50, 20);
  zelToolText(tolEdi_, "150");
  typBox_ = new QZelComboBox(QString("det:typBox:%1").arg(id), server);
  typBox_->setFixedSize(80, 20);
  typBox_->addItem(tr("No Type"), 0);
  typBox_->addItem(tr("Ridge"), 1);
  typBox_->addItem(tr("Required"), 2);
  dirBox_ = new QZelComboBox(QString("det:dirBox:%1").arg(id), server);
  dirBox_->setFixedSize(90, 20);
  dirBox_->addItem(tr("Both Dir"), 0);
  dirBox_->addItem(tr("Left Dir"), 1);
  dirBox_->addItem(tr("Right Dir"), 2);
  cursors_ = new QHBoxLayout;
  cursors_->addWidget(lesBox_, 1);
  cursors_->addWidget(morBox_, 1);

  grid_->addWidget(refLabel_, 0, 0, Qt::AlignRight);
  grid_->addWidget(refEdi_, 0, 1);
  grid_->addWidget(typBox_, 0, 2, Qt::AlignLeft);
  grid_->addWidget(tolLabel_, 1, 0, Qt::AlignRight);
  grid_->addWidget(tolEdi_, 1, 1);
  grid_->addWidget(dirBox_, 1, 2, Qt::AlignLeft);
  grid_->addLayout(cursors_, 1, 3);
  grid_->addWidget(resBox_, 2, 0, Qt::AlignRight);
  grid_->addWidget(anaBox_, 2, 2, Qt::AlignRight);
  grid_->addWidget(updBox_, 2, 3, Qt::AlignRight);
  zelConnectTool(this);
}

void DetectEfr::connectButton() {
  connect(refEdi_, &QLineEdit::editingFinished, this, &DetectEfr::setNewRef);
  connect(anaBox_, &QPushButton::clicked, this, &DetectEfr::startAnalyse);
  connect(updBox_, &QPushButton::clicked, this, &DetectEfr::updateMesh);
  connect(typBox_, QOverload<int>::of(&QComboBox::activated), this, &DetectEfr::setType);
  connect(resBox_, &QPushButton::clicked, this, &DetectEfr::resetWidget);
  connect(morBox_, &QPushButton::clicked, this, &DetectEfr::more);
  connect(lesBox_, &QPushButton::clicked, this, &DetectEfr::less);
}


bool DetectEfr::isEnabledStartAnalyse() {
  const GeoStackItem *top = zelPickTop(scene), *below = zelPickBelow(scene);
  const int a = top ? top->Typ : 0, b = below ? below->Typ : 0;
  const bool edge = a == b && (a == KmfFaceEdges || a == KmfFaceP2Edges);
  const bool ready = (parsed_ || typBox_->currentIndex() != 0) && edge;
  anaBox_->setEnabled(ready);
  return ready;
}

void DetectEfr::setNewRef() {
  newRef_ = refEdi_->text().toInt(&parsed_, 10);
  isEnabledStartAnalyse();
}

void DetectEfr::startAnalyse() {
  if (scene && scene->Msh && scene->ZelMsh) printf(" ******** DetectEfr::startAnalyse deactivated \n");
}

void DetectEfr::setCandidates(const std::vector<ZelEdgeCandidate> &chain, int left, int right) {
  candidates_ = chain;
  left_ = left;
  right_ = right;
}

void DetectEfr::more() {
  if (shown_.size() >= candidates_.size()) return;
  const int n = int(candidates_.size()), row = dirBox_->currentIndex();
  if (row == 0 || row == 1) {
    if (left_ >= 0 && left_ < n) shown_.insert(shown_.begin(), candidates_[left_--]);
  }
  if (row == 0 || row == 2) {
    if (right_ >= 0 && right_ < n) shown_.push_back(candidates_[right_++]);
  }
  if (row < 0 || row > 2) zelToolWarning("####WARNING : Case Not Provided\n");
  zelToolRepaint(this);
}

void DetectEfr::less() {
  if (shown_.empty()) return;
  const int row = dirBox_->currentIndex();
  if (row == 0 || row == 1) {
    shown_.erase(shown_.begin());
    left_++;
  }
  if ((row == 0 || row == 2) && !shown_.empty()) {
    shown_.pop_back();
    right_--;
  }
  if (row < 0 || row > 2) zelToolWarning("####WARNING : Case Not Provided\n");
  zelToolRepaint(this);
}

void DetectEfr::draw() {
  if (!scene || !scene->ZelMsh || !scene->ZelMsh->Crd) return;
  if (scene->Dim == 3) glEnable(GL_DEPTH_TEST);
  glLineWidth(5);
  switch (typBox_->currentIndex()) {
    case 0: {
      const uint8_t *c = ZelRefColors[zelRefColorIndex(edgeRef_)];
      glColor3f(c[0] / 255.f, c[1] / 255.f, c[2] / 255.f);
      break;
    }
    case 1: glColor3f(1, 0, 0); break;
    case 2: glColor3f(1, 1, 0); break;
    default: glColor3f(1, 1, 1); break;
  }
  glBegin(GL_LINES);
  for (const ZelEdgeCandidate &e : shown_)
    for (int v : e.Ver) glVertex3fv(scene->ZelMsh->Crd[v]);
  glEnd();
  glLineWidth(1);
  glDisable(GL_DEPTH_TEST);
}

void DetectEfr::updateMesh() {
  if (!scene || !scene->Msh || !scene->ZelMsh || shown_.empty()) return;
  if (zelAddBdyEdges(scene, shown_.data(), int(shown_.size()), edgeRef_, typBox_->currentIndex()) == ZelEditNoRoom) {
    zelToolWarning(QString("####WARNING : NO ROOM FOR NEW REF %1 FOR THIS TYPE %2\n").arg(edgeRef_).arg(zelGetTypeName(KmfEdges)));
    return;
  }
  shown_.clear();
  updBox_->setEnabled(false);
  zelToolRepaint(this);
  updateToolWidget();
  resetWidget();
}

void DetectEfr::updateToolWidget() {
  zelForToolWindows(tools_, "visualisation", [&](ZelTool *tool) {
    if (typBox_->currentIndex() != 0)
      zelRefreshPage(tool, "Geometry", [&] { return new GeoBox(server, scene, id); }, 0);
    const int index = zelCountPages(tool, {"Geometry", "Normals"});
    zelRefreshPage(tool, "Lines", [&] { return new LinBox(server, scene, id); }, index);
  });
  zelForToolWindows(tools_, "modification", [](ZelTool *tool) {
    if (auto *del = dynamic_cast<DelBox *>(tool->getZelBase("Delete"))) del->delUpdate();
  });
}

void DetectEfr::resetWidget() {
  shown_.clear();
  newRef_ = 0;
  zelToolText(refEdi_, QString());
  zelToolText(tolEdi_, "150.");
  typBox_->setCurrentIndex(0);
  anaBox_->setEnabled(false);
  updBox_->setEnabled(false);
  if (view_) view_->unrecord(this);
  zelToolRepaint(this);
}
