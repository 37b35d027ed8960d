// The Change References group: its widgets, the three analyses, the update and the overlay.
#include "zelvane/tools/ChgRefGroup.h"

#include <GL/gl.h>

#include <QGridLayout>
#include <QLabel>
#include <cstdio>

#include "common/model/ElementKind.h"
#include "common/model/Geometry.h"
#include "common/model/Mesh.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/lists/ZelListFrame.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelGroupBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/record/QZelPushButton.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/DelBox.h"
#include "zelvane/tools/ZelEdit.h"
#include "zelvane/tools/ZelToolKit.h"

namespace {

// Kinds with display records; of these the tool changes 5, 6 and 7 only.
bool knownKind(int kind) {
  switch (kind) {
    case KmfVertices: case KmfEdges: case KmfTriangles: case KmfQuadrilaterals: case KmfTetrahedra:
    case KmfPrisms: case KmfHexahedra: case KmfNormalAtVertices: case KmfTrianglesP2: case KmfEdgesP2:
    case KmfQuadrilateralsQ2: case KmfTetrahedraP2: case KmfHexahedraQ2: case KmfPyramids:
      return true;
    default:
      return false;
  }
}

bool changedKind(int kind) { return kind == KmfEdges || kind == KmfTriangles || kind == KmfQuadrilaterals; }

QString typeName(int kind) { return QString::fromLatin1(zelGetTypeName(kind)); }

// The record of reference ref among records 1..NbrLst of an entity, 0 when none.
int recordOfRef(const ZelEntity *ent, int ref) {
  for (int r = 1; ent && ent->DspLst && r <= ent->NbrLst; r++)
    if (ent->DspLst[r].Ref == ref) return r;
  return 0;
}

const float *crd(const ZelScene *scene, int v) { return scene->ZelMsh->Crd[v]; }

}  // namespace

ChgRefGroup::ChgRefGroup(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view,
                         const QList<ZelTool *> &tools)
    : QZelBase(scene, server, id, view, nullptr), tools_(tools) {
  grid_ = zelToolFrame(this, QString("ref:group%1").arg(id), server, 360, 85, &frame_);
  oldLabel_ = new QLabel(tr("Old Ref :"));
  newLabel_ = new QLabel(tr("New Ref :"));
  oldEdi_ = new QZelLineEdit(QString("ref:oldEdi%1").arg(id), server);
  refEdi_ = new QZelLineEdit(QString("ref:refEdi%1").arg(id), server);
  metBox_ = new QZelComboBox(QString("ref:metBox:%1").arg(id), server);
  metBox_->addItem(tr("One Element"), 0);
  metBox_->addItem(tr("Delimited Area"), 1);
  metBox_->addItem(tr("Replace Reference"), 2);
  resBox_ = new QZelPushButton(QString("ref:resBox:%1").arg(id), server, tr("Reset"));
  anaBox_ = new QZelPushButton(QString("ref:anaBox:%1").arg(id), server, tr("Start Analyse"));
  updBox_ = new QZelPushButton(QString("ref:updBox:%1").arg(id), server, tr("Update Mesh"));
  for (QWidget *w : {static_cast<QWidget *>(oldEdi_), static_cast<QWidget *>(refEdi_)}) w->setFixedSize(50, 20);
  metBox_->setFixedSize(80, 20);
  for (QZelPushButton *b : {resBox_, anaBox_, updBox_}) b->setFixedSize(90, 20);
  anaBox_->setEnabled(false);
  updBox_->setEnabled(false);
  grid_->addWidget(oldLabel_, 0, 0, Qt::AlignRight);
  grid_->addWidget(oldEdi_, 0, 1);
  grid_->addWidget(newLabel_, 1, 0, Qt::AlignRight);
  grid_->addWidget(refEdi_, 1, 1);
  grid_->addWidget(metBox_, 1, 2, Qt::AlignLeft);
  grid_->addWidget(resBox_, 2, 0, Qt::AlignRight);
  grid_->addWidget(anaBox_, 2, 2, Qt::AlignRight);
  grid_->addWidget(updBox_, 2, 3, Qt::AlignRight);
}

void ChgRefGroup::connectButton() {
  connect(oldEdi_, &QLineEdit::editingFinished, this, &ChgRefGroup::setOldRef);
  connect(refEdi_, &QLineEdit::editingFinished, this, &ChgRefGroup::setNewRef);
  connect(anaBox_, &QPushButton::clicked, this, &ChgRefGroup::startAnalyse);
  connect(updBox_, &QPushButton::clicked, this, &ChgRefGroup::updateMesh);
  connect(metBox_, QOverload<int>::of(&QComboBox::activated), this, &ChgRefGroup::setMethode);
  connect(resBox_, &QPushButton::clicked, this, &ChgRefGroup::resetWidget);
}

void ChgRefGroup::zelUpdate() { anaBox_->setEnabled(newRefReady_); }

void ChgRefGroup::warn(const QString &text) {
  warned_ = true;
  zelToolWarning(text);
}


int ChgRefGroup::getOldRef() {
  const int ref = oldEdi_->text().toInt(&readOk_, 10);
  return readOk_ ? ref : -1;
}

void ChgRefGroup::clearOldRef() { zelToolText(oldEdi_, QString()); }

void ChgRefGroup::checkOldRef(bool notify) {
  if (!scene || !scene->ZelMsh) return;
  const int ref = oldEdi_->text().toInt(&readOk_, 10);
  if (!readOk_) return;
  if (!knownKind(kind_)) {
    fprintf(stderr, "###WARNING : CHANGEREF::SETOLDREF: TYPE %s NOT IMPLEMENTED\n", zelGetTypeName(kind_));
    return;
  }
  const ZelEntity *ent = zelGetEntity(scene->ZelMsh, kind_);
  if (const int rec = recordOfRef(ent, ref))
    seed_ = ent->DspLst[rec].Head;
  else if (notify)
    warn(QString("###WARNING : CHANGEREF::SETOLDREF: REF %1 DO NOT EXIST FOR THIS TYPE %2").arg(ref).arg(typeName(kind_)));
}

void ChgRefGroup::setNewRef() {
  typedRef_ = refEdi_->text().toInt(&readOk_, 10);
  newRefReady_ = readOk_;
  anaBox_->setEnabled(readOk_);
}

void ChgRefGroup::startAnalyse() {
  if (!newRefReady_) return;  // a replayed click on the disabled button
  selection_.clear();
  warned_ = false;
  switch (metBox_->currentIndex()) {
    case 0: analyseOneElement(); break;
    case 1:
      if (kind_ == KmfVertices || kind_ == KmfEdges || kind_ == KmfNormalAtVertices || kind_ == KmfEdgesP2) {
        warn(QString("####WARNING : METHODE IRRELEVANT FOR THIS TYPE %1\n").arg(typeName(kind_)));
        anaBox_->setEnabled(false);
        return;
      }
      analyseDelimArea();
      break;
    case 2: analyseReplaceOldRef(); break;
    default: warn("####WARNING : Change Ref Methode Not Implemennted Yet\n"); break;
  }
  if (selection_.empty()) {
    if (!warned_) warn("####WARNING : NOTHING SELECTED\n");
    return;
  }
  newRef_ = typedRef_;
  zelToolText(refEdi_, QString());
  newRefReady_ = false;
  anaBox_->setEnabled(false);
  updBox_->setEnabled(true);
  if (view_) view_->record(this);
  zelToolRepaint(this);
}

namespace {

QString unsupported(const char *step, int kind) {
  if (knownKind(kind))
    return QString("####WARNING : CHANGEREF::%1: CHANGE REF FOR THIS TYPE %2 NOT IMPLEMENNTED YET\n").arg(step, typeName(kind));
  return QString("####WARNING : CHANGEREF::%1: CHANGE REF FOR THIS TYPE NOT IMPLEMENNTED YET\n").arg(step);
}

}  // namespace

void ChgRefGroup::analyseOneElement() {
  if (!changedKind(kind_)) {
    warn(unsupported("ANALYSEONEELEMENT", kind_));
  } else if (scene && geoCheckBound(scene->Msh, seed_, kind_)) {
    selection_.push_back(seed_);
  }
}

void ChgRefGroup::analyseDelimArea() {
  if (kind_ == KmfTriangles) {
    delimAreaTri(seed_);
  } else if (kind_ == KmfQuadrilaterals) {
    if (scene && scene->Msh && geoCheckBound(scene->Msh, seed_, kind_))
      printf("   ******* ChgRefGroup::delimAreaQua deactivated \n");
  } else {
    warn(unsupported("ANALYSEDELIMAREA", kind_));
  }
}

void ChgRefGroup::delimAreaTri(int seed) {
  if (scene && scene->Msh) zelDelimAreaTri(scene->Msh, scene->Mem, seed, selection_);
}

void ChgRefGroup::analyseReplaceOldRef() {
  static const char *const words[] = {"EFR", "TRI", "QUA"};
  if (changedKind(kind_))
    replaceOldRef(words[kind_ - KmfEdges]);
  else
    warn(unsupported("ANALYSEREPLACEOLDREF", kind_));
}

void ChgRefGroup::replaceOldRef(const char *word) {
  if (!scene || !scene->ZelMsh) return;
  const int ref = getOldRef();
  if (ref == -1) {
    warn(QString("#### WARNING: CHGREFGROUP:REPLACEOLDREF%1: BOX OLDREF NOT FILL\n").arg(word));
    return;
  }
  const ZelEntity *ent = zelGetEntity(scene->ZelMsh, kind_);
  const int rec = recordOfRef(ent, ref);
  if (!rec) {
    warn(QString("###WARNING : CHGREFGROUP:REPLACEOLDREF%3: REF %1 DO NOT EXIST FOR THIS TYPE %2")
             .arg(ref)
             .arg(typeName(kind_))
             .arg(word));
    return;
  }
  if (!ent->Lnk) return;
  for (int e = ent->DspLst[rec].Head; e; e = ent->Lnk[e].Nxt) selection_.push_back(e);
}

void ChgRefGroup::updateMesh() {
  if (selection_.empty()) return;  // a replayed click with nothing pending
  if (changedKind(kind_)) {
    const char *fatal = kind_ == KmfEdges ? " CHGREFGROUP: HASHTAB FULL CANNOT ADD" : " ZEL_CHGREFBOX: HASHTAB FULL CANNOT ADD";
    if (zelEditChangeRef(scene, kind_, selection_.data(), int(selection_.size()), newRef_, fatal) == ZelEditNoRoom) {
      zelToolWarning(QString("####WARNING : NO ROOM FOR NEW REF %1 FOR THIS TYPE %2\n").arg(newRef_).arg(typeName(kind_)));
      return;
    }
  } else {
    zelToolWarning(QString("####WARNING : CHGREFGROUP::UPDATEMESH: UPDATEMESH FOR THIS TYPE %1 NOT IMPLEMENTED YET\n")
                       .arg(typeName(kind_)));
  }
  selection_.clear();
  updBox_->setEnabled(false);
  zelToolRepaint(this);
  updateToolWidget();
  resetWidget();
}

void ChgRefGroup::updateToolWidget() {
  const bool lines = kind_ == KmfEdges || kind_ == KmfNormalAtVertices || kind_ == KmfEdgesP2;
  const bool faces = kind_ == KmfTriangles || kind_ == KmfQuadrilaterals || kind_ == KmfTrianglesP2 ||
                     kind_ == KmfQuadrilateralsQ2;
  zelForToolWindows(tools_, "visualisation", [&](ZelTool *tool) {
    if (lines) zelRefreshPage(tool, "Lines");
    if (faces) zelRefreshPage(tool, "Surfaces");
  });
  if (!zelPickTop(scene)) return;
  zelForToolWindows(tools_, "modification", [&](ZelTool *tool) {
    if (auto *del = dynamic_cast<DelBox *>(tool->getZelBase("Delete"))) del->updateRef(newRef_);
  });
}

void ChgRefGroup::resetWidget() {
  selection_.clear();
  typedRef_ = 0;
  zelToolText(refEdi_, QString());
  newRefReady_ = false;
  anaBox_->setEnabled(false);
  updBox_->setEnabled(false);
  if (scene && scene->Pck) scene->Pck->Top = -1;
  if (view_) view_->unrecord(this);
  zelToolRepaint(this);
}

void ChgRefGroup::draw() {
  printf("appel chgrefgroup::draw() \n");
  if (!scene || !scene->ZelMsh || !scene->ZelMsh->Crd || !scene->Msh) return;
  const Geometric_Mesh *msh = scene->Msh;
  if (scene->Dim == 3) glEnable(GL_DEPTH_TEST);
  glColor4f(1, 0, 0, 1);
  if (kind_ == KmfEdges) {
    glLineWidth(10);
    glBegin(GL_LINES);
    for (int e : selection_)
      for (int v : msh->Efr[e].Ver) glVertex3fv(crd(scene, v));
    glEnd();
    glLineWidth(1);
  } else if (kind_ == KmfTriangles) {
    glBegin(GL_TRIANGLES);
    for (int t : selection_) {
      const int *v = msh->Tri[t].Ver;
      float n[3];
      if (zelUnitNormal(crd(scene, v[0]), crd(scene, v[1]), crd(scene, v[2]), n)) glNormal3fv(n);
      for (int k = 0; k < 3; k++) glVertex3fv(crd(scene, v[k]));
    }
    glEnd();
  } else if (kind_ == KmfQuadrilaterals) {
    glBegin(GL_QUADS);
    for (int q : selection_)
      for (int v : msh->Qua[q].Ver) glVertex3fv(crd(scene, v));
    glEnd();
  }
}
