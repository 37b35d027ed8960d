// The Delete group: its widgets, the analysis of a reference, the deletion and the overlay.
#include "zelvane/tools/DelGroup.h"

#include <GL/gl.h>

#include <QGridLayout>
#include <cstdio>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/lists/ZelListFrame.h"
#include "zelvane/panels/ZelDisplayBoxes.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/record/QZelPushButton.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/ChgRefBox.h"
#include "zelvane/tools/ZelEdit.h"
#include "zelvane/tools/ZelToolKit.h"

DelGroup::DelGroup(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view, const QList<ZelTool *> &tools)
    : QZelBase(scene, server, id, view, nullptr), tools_(tools) {
  metBox_ = new QZelComboBox(QString("del:metBox:%1").arg(id), server);
  metBox_->addItem(" ", 0);
  metBox_->addItem(tr("One Element"), 1);
  metBox_->addItem(tr("Reference"), 2);
  numEdi_ = new QZelLineEdit(QString("del:numEdi%1").arg(id), server);
  anaBox_ = new QZelPushButton(QString("del:anaBox:%1").arg(id), server, tr("Start Analyse"));
  updBox_ = new QZelPushButton(QString("del:updBox:%1").arg(id), server, tr("Update Mesh"));
  resBox_ = new QZelPushButton(QString("del:resBox:%1").arg(id), server, tr("Reset"));
  metBox_->setFixedSize(80, 20);
  numEdi_->setFixedSize(50, 20);
  for (QZelPushButton *b : {anaBox_, updBox_, resBox_}) b->setFixedSize(90, 20);
  anaBox_->setEnabled(false);
  updBox_->setEnabled(false);
  grid_ = new QGridLayout(this);
  grid_->setContentsMargins(0, 0, 0, 0);
  grid_->setSpacing(2);
  grid_->addWidget(numEdi_, 0, 1);
  grid_->addWidget(metBox_, 0, 2, Qt::AlignRight);
  grid_->addWidget(resBox_, 1, 0, Qt::AlignRight);
  grid_->addWidget(anaBox_, 1, 2, Qt::AlignRight);
  grid_->addWidget(updBox_, 1, 3, Qt::AlignRight);
  setFixedSize(360, 65);
}

void DelGroup::connectButton() {
  connect(numEdi_, &QLineEdit::editingFinished, this, &DelGroup::setNum);
  connect(anaBox_, &QPushButton::clicked, this, &DelGroup::startAnalyse);
  connect(updBox_, &QPushButton::clicked, this, &DelGroup::updateMesh);
  connect(metBox_, QOverload<int>::of(&QComboBox::activated), this, &DelGroup::setMethode);
  connect(resBox_, &QPushButton::clicked, this, &DelGroup::resetWidget);
}

void DelGroup::setNumber(int ref) { zelToolText(numEdi_, QString::number(ref)); }

bool DelGroup::isEnabledStartAnalyse() const { return parsed_ && metBox_->currentIndex() != 0 && kind_ != -1; }

void DelGroup::applyStartRule() { anaBox_->setEnabled(isEnabledStartAnalyse()); }

void DelGroup::setNum() {
  number_ = numEdi_->text().toInt(&parsed_, 10);
  applyStartRule();
}


void DelGroup::startAnalyse() {
  switch (metBox_->currentIndex()) {
    case 2: break;
    case 0: fprintf(stderr, " #### WARNING DELGROUP: STARTANALYSE: BUTTON START ANALYSE MUST BE DISABLED\n"); return;
    case 1: fprintf(stderr, " #### WARNING DELGROUP: STARTANALYSE: METHOD ONE ELEMENT NOT IMPLEMENTED YET\n"); return;
    default: fprintf(stderr, " #### WARNING DELGROUP: STARTANALYSE: NO RECOGNIZED METHOD\n"); return;
  }
  if (kind_ == KmfTriangles) {
    if (!delTrianglesRef()) return;
  } else {
    deleteReference();
    zelToolWarning("####WARNING : DEL REF FOR THIS TYPE NOT IMPLEMENNTED YET\n");  // once, not at each paint
  }
  anaBox_->setEnabled(false);
  updBox_->setEnabled(true);
  if (view_) view_->record(this);
  zelToolRepaint(this);
}

void DelGroup::deleteReference() {
  if (kind_ == KmfTriangles)
    delTrianglesRef();
  else
    fprintf(stderr, " #### WARNING DELGROUP: DELETEREFERENCE: ELEMENT TYPE %s NOT IMPLEMENTED yet\n",
            zelGetTypeName(kind_));
}

bool DelGroup::delTrianglesRef() {
  if (!scene || !scene->ZelMsh || !scene->Msh || kind_ != KmfTriangles) return false;
  ZelEntity *ent = zelGetEntity(scene->ZelMsh, KmfTriangles);
  record_ = nullptr;
  for (int r = 1; ent && ent->DspLst && r <= ent->NbrLst && !record_; r++)
    if (ent->DspLst[r].Ref == number_) record_ = &ent->DspLst[r];
  if (!record_) {
    const QString line = QString::asprintf(" ### WARNING: DELGROUP::DELTRIANGLESREF(): REF %d DO NOT EXIST", number_);
    fprintf(stderr, "%s", line.toLatin1().constData());
    zelToolWarning(line);
    return false;
  }
  if (ent->Lnk)
    for (int e = record_->Head; e; e = ent->Lnk[e].Nxt) selection_.push_back(e);
  return true;
}

void DelGroup::updateMesh() {
  if (!scene || !scene->Msh || !record_ || selection_.empty()) return;
  zelDeleteTriangles(scene, record_, selection_.data(), int(selection_.size()));
  updateToolWidget();
  resetWidget();
}

void DelGroup::updateToolWidget() {
  zelForToolWindows(tools_, "visualisation", [&](ZelTool *tool) {
    const int index = zelCountPages(tool, {"Geometry", "Normals", "Lines"});
    zelRefreshPage(tool, "Surfaces", [&] { return new SrfBox(server, scene, id); }, index);
  });
  if (!zelPickTop(scene)) return;
  zelForToolWindows(tools_, "modification", [](ZelTool *tool) {
    if (auto *chg = dynamic_cast<ChgRefBox *>(tool->getZelBase("Change References"))) chg->chgUpdate();
  });
}

void DelGroup::resetWidget() {
  zelToolText(numEdi_, QString());
  metBox_->setCurrentIndex(0);
  anaBox_->setEnabled(false);
  updBox_->setEnabled(false);
  selection_.clear();
  record_ = nullptr;
  if (view_) view_->unrecord(this);
  zelToolRepaint(this);
}

void DelGroup::draw() {
  if (!scene || !scene->Msh || !scene->ZelMsh || !scene->ZelMsh->Crd) return;
  if (scene->Dim == 3) glEnable(GL_DEPTH_TEST);
  if (kind_ != KmfTriangles) return;
  const float3 *crd = scene->ZelMsh->Crd;
  glEnable(GL_DEPTH_TEST);
  glColor4f(1, 0, 0, 1);
  glBegin(GL_TRIANGLES);
  for (int t : selection_) {
    const int *v = scene->Msh->Tri[t].Ver;
    float n[3];
    if (zelUnitNormal(crd[v[0]], crd[v[1]], crd[v[2]], n)) glNormal3fv(n);  // else the previous one
    for (int k = 0; k < 3; k++) glVertex3fv(crd[v[k]]);
  }
  glEnd();
}
