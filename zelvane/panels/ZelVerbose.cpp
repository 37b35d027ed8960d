// The verbosity panel: its switches, its field lists and their bits of the verbose mask.
#include "zelvane/panels/ZelVerbose.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QSettings>
#include <algorithm>
#include <cstdio>

#include "common/model/Mesh.h"
#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/panels/ZelPreferences.h"
#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelGroupBox.h"
#include "zelvane/record/QZelListWidget.h"
#include "zelvane/scene/ZelReport.h"
#include "zelvane/scene/ZelScene.h"

namespace {

const char *const ListStyle =
    "QListWidget{ font-size: 12px;font-weight: normal;background-color: transparent;min-width: 60px;"
    "min-height: 20px;max-height:60px}";
const char *const DistanceHelp = "Distance between each Vertex in Element";
// Fields that have a bit of their own in the mask.
const int FieldBits = 16;

// The element group's switches, in ZelVerbose::EleSwitch order.
struct EleRow {
  const char *name;
  const char *label;
  int row, column;
  bool top;      // aligned to the top of its cell
  uint32_t bit;  // live bit its slot drives; 0 for none
};
const EleRow EleRows[] = {
    {"verBox%1", "Vertices", 0, 0, true, ZelVrbVertices},
    {"adjBox%1", "Neighbors", 1, 0, false, ZelVrbNeighbours},
    {"angles%1", "Angles", 2, 0, false, ZelVrbAngles},
    {"diangl%1", "Dihedral Angles", 0, 1, true, ZelVrbDihedral},
    {"vrb:distBox%1", "Distance", 1, 1, false, ZelVerboseLengths},
    {"areaBox%1", "Area", 2, 1, false, 0},
};

QZelListWidget *fieldList(const QString &name, ZelSequenceServer *server, const Geometric_Solution *sol) {
  auto *list = new QZelListWidget(name, server);
  list->setStyleSheet(ListStyle);
  if (!sol) return list;
  for (int f = 0; f < sol->NbrFld; f++) {
    const char *type = zelFieldTypeName(sol->SizFld[f]);
    list->insertItem(f, type ? QObject::tr(type) : QString());
  }
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  return list;
}

}  // namespace

ZelVerbose::ZelVerbose(ZelSequenceServer *server, ZelScene *scene, int id) : QZelBase(scene, server, id) {
  verSol_ = scene && scene->Msh ? scene->Msh->SolAtVer : nullptr;
  eleSol_ = scene ? zelElementSolution(scene->Msh) : nullptr;
  buildVertexGroup();
  buildElementGroup();
  layout_ = zelPanelRow(this);
  layout_->addWidget(verGroup_, 0, Qt::AlignTop);
  layout_->addWidget(eleGroup_, 0, Qt::AlignTop);
  setMinimumSize(310, 20);
  initializeButton();
  if (!scene) {
    fprintf(stderr, " ##### WARNING IN CONSTRUCTEUR ZelVerbose :  NO SCENE %p \n", static_cast<void *>(scene));
    return;
  }
  connectButton();
}

void ZelVerbose::buildVertexGroup() {
  verGroup_ = new QZelGroupBox(QString("VerVerb%1").arg(id), server, tr("Vertices"));
  crdBox_ = new QZelCheckBox(QString("CrdVer%1").arg(id), server, tr("Coordinates"));
  solVer_ = fieldList(QString("SolVer%1").arg(id), server, verSol_);
  verLayout_ = new QGridLayout;
  verLayout_->addWidget(crdBox_, 0, 0, Qt::AlignTop);
  if (verSol_) verLayout_->addWidget(solVer_, 0, 1, -1, 1, Qt::AlignTop);
  if (verSol_)
    zelFinishGroup(verGroup_, verLayout_, 170, 30 * verSol_->NbrFld + 20);
  else
    zelFinishGroup(verGroup_, verLayout_, 100, 45);
}

void ZelVerbose::buildElementGroup() {
  eleGroup_ = new QZelGroupBox(QString("EleVerb%1").arg(id), server, tr("Elements"));
  eleLayout_ = new QGridLayout;
  for (int i = 0; i < EleCount; i++) {
    const EleRow &r = EleRows[i];
    eleBox_[i] = new QZelCheckBox(QString(r.name).arg(id), server, tr(r.label));
    if (r.top)
      eleLayout_->addWidget(eleBox_[i], r.row, r.column, Qt::AlignTop);
    else
      eleLayout_->addWidget(eleBox_[i], r.row, r.column);
  }
  solEle_ = fieldList(QString("solEle%1").arg(id), server, eleSol_);
  if (eleSol_) eleLayout_->addWidget(solEle_, 0, 2, -1, 1, Qt::AlignTop);
  if (eleSol_)
    zelFinishGroup(eleGroup_, eleLayout_, 255, std::max(30 * eleSol_->NbrFld, 105));
  else
    zelFinishGroup(eleGroup_, eleLayout_, 190, 75);
}

ZelVerbose::~ZelVerbose() {
  delete crdBox_;
  delete solVer_;
  for (QZelCheckBox *&b : eleBox_) {
    delete b;
    b = nullptr;
  }
  delete solEle_;
  delete verGroup_;
  delete eleGroup_;
  delete layout_;
}

void ZelVerbose::initializeButton() {
  QSettings settings;
  const uint32_t stored = settings.value(ZelKeyVerbose, 0).toUInt();
  struct Stored {
    uint32_t bit;
    QZelCheckBox *box;
    uint32_t live;
  };
  const Stored rows[] = {
      {ZelVrbCoordinates, crdBox_, ZelVrbCoordinates},
      {ZelVrbVertices, eleBox_[EleVertices], ZelVrbVertices},
      {ZelVrbNeighbours, eleBox_[EleNeighbors], ZelVrbNeighbours},
      {ZelVrbAngles, eleBox_[EleAngles], ZelVrbAngles},
      {ZelVrbDihedral, eleBox_[EleDihedral], ZelVrbDihedral},
      // The stored distance is the verbosity panel's own "Distance": the edge lengths.
      {ZelVrbDistance, eleBox_[EleDistance], ZelVerboseLengths},
  };
  // The switches are not connected yet: the live bits are set here, not by their slots.
  for (const Stored &r : rows) {
    if (!(stored & r.bit)) continue;
    r.box->setChecked(true);
    if (int *m = mask()) zelSetBits(*m, r.live, true);
  }
  if (!(stored & ZelVerboseFields) || !scene || !scene->Msh) return;
  if (verSol_) {
    solVer_->selectAll();
    setSolAtVer();
  }
  if (eleSol_) {
    solEle_->selectAll();
    setSolAtEle();
  }
}

void ZelVerbose::connectButton() {
  if (verSol_) connect(solVer_, &QListWidget::itemSelectionChanged, this, &ZelVerbose::setSolAtVer);
  connect(crdBox_, &QCheckBox::stateChanged, this, &ZelVerbose::setCoord);
  if (eleSol_) connect(solEle_, &QListWidget::itemSelectionChanged, this, &ZelVerbose::setSolAtEle);
  void (ZelVerbose::*const handlers[])(int) = {&ZelVerbose::setVertices, &ZelVerbose::setNeighbors,
                                           &ZelVerbose::setAngles, &ZelVerbose::setDihAngles,
                                           &ZelVerbose::setDistance};
  for (int i = EleVertices; i <= EleDistance; i++) connect(eleBox_[i], &QCheckBox::stateChanged, this, handlers[i]);
}

void ZelVerbose::zelUpdate() {}

int *ZelVerbose::mask() const { return scene && scene->opt ? &scene->opt->verbose : nullptr; }

void ZelVerbose::setBit(uint32_t bit, int state) {
  if (int *m = mask()) zelSetBits(*m, bit, zelChecked(state));
}

void ZelVerbose::setFieldBits(const QZelListWidget *list) {
  int *m = mask();
  if (!m) return;
  const int n = std::min(list->count(), FieldBits);
  for (int i = 0; i < n; i++) zelSetBits(*m, 1u << i, list->item(i)->isSelected());
}

void ZelVerbose::setSolAtVer() { setFieldBits(solVer_); }
void ZelVerbose::setSolAtEle() { setFieldBits(solEle_); }
void ZelVerbose::setCoord(int state) { setBit(ZelVrbCoordinates, state); }
void ZelVerbose::setVertices(int state) { setBit(EleRows[EleVertices].bit, state); }
void ZelVerbose::setNeighbors(int state) { setBit(EleRows[EleNeighbors].bit, state); }
void ZelVerbose::setAngles(int state) { setBit(EleRows[EleAngles].bit, state); }
void ZelVerbose::setDihAngles(int state) { setBit(EleRows[EleDihedral].bit, state); }
void ZelVerbose::setDistance(int state) { setBit(EleRows[EleDistance].bit, state); }

QString ZelVerbose::disToolTip() const { return DistanceHelp; }

QString ZelVerbose::itemAt(const QPoint &pos) const {
  const EleRow &d = EleRows[EleDistance];
  if (eleLayout_->cellRect(d.row, d.column).translated(eleGroup_->pos()).contains(pos)) return disToolTip();
  return ZelNoToolTip;
}

bool ZelVerbose::event(QEvent *e) {
  if (zelHelpTipEvent(e, [this](const QPoint &p) { return itemAt(p); })) return true;
  return QWidget::event(e);
}

void ZelVerbose::clearWidget() {
  layout_ = nullptr;
  verGroup_ = eleGroup_ = nullptr;
  verLayout_ = eleLayout_ = nullptr;
  crdBox_ = nullptr;
  solVer_ = solEle_ = nullptr;
  for (QZelCheckBox *&b : eleBox_) b = nullptr;
}
