// The solution displays of one family for one field: one table of displays, one operation
// over it, the iso-line and vector settings and the read-backs.
#include "zelvane/panels/SolGroup.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "common/model/Mesh.h"
#include "zelvane/lists/ZelListFrame.h"
#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelDoubleSpinBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/record/QZelSpinBox.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"

namespace {

struct DisplayRule {
  uint32_t sceneBit;
  uint32_t recordBit;
  uint32_t mask;       // option mask and rebuild mask alike
  bool optionsFirst;   // at "All Ref", checked: options before the rebuild
  bool clearsEveryKind;  // at "All Ref", unchecked: every edge, surface and volume record
};

// Rows in the order of SolGroup::Display.
const DisplayRule Rules[SolGroup::NbrDisplays] = {
    {ZelSceneColorMap, ZelSolShading, ZelOptShading, false, false},
    {ZelSceneIsoLines, ZelSolIsoLines, ZelOptIsoLines, true, false},
    {ZelSceneIsoSurfaces, ZelSolIsoSurfaces, ZelOptIsoSurfaces, false, true},
    {ZelSceneVectors, ZelSolVectors, ZelOptVectors, false, true},
    {ZelSceneMetric, ZelSolMetric, ZelOptMetric, false, true},
};

ZelRecordBit bitOf(SolGroup::Display which) { return {ZelRecordBit::Solution, Rules[which].recordBit}; }

bool checked(const QCheckBox *box) { return box && box->checkState() == Qt::Checked; }

}  // namespace

uint32_t zelShownSolutionLists(uint32_t solutionWord) {
  uint32_t mask = 0;
  for (const DisplayRule &rule : Rules)
    if (solutionWord & rule.recordBit) mask |= rule.mask;
  return mask;
}

SolGroup::SolGroup(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity,
                   int field)
    : ZelRefGroup(server, scene, id, nullptr), title_(title), field_(field) {
  const Geometric_Solution *sol = scene ? zelPanelSolution(scene->Msh) : nullptr;
  if (!sol || !entity) return;
  entity_ = entity;
  if (scene->VieSol && field >= 0 && field < scene->VieSol->NbrFld) palette_ = &scene->VieSol->ZelPal[field];
  type_ = field >= 0 && field < sol->NbrFld ? sol->SizFld[field] : 0;

  auto *grid = new QGridLayout;
  grid->addWidget(makeRefBox(nameOf("sol:refBox:%1:%2:%3")), 0, 0, Qt::AlignLeft);
  grid->addWidget(makeDisplay(Map, "sol:mapBox:%1:%2:%3", "Map"), 1, 0, Qt::AlignLeft);
  grid->addWidget(makeDisplay(IsoLine, "sol:isoLBox:%1:%2:%3", "IsoLine"), 2, 0, Qt::AlignLeft);
  grid->addWidget(makeDisplay(IsoSurf, "sol:isoSBox:%1:%2:%3", "IsoSurf"), 3, 0, Qt::AlignLeft);
  check_[IsoLine]->setFixedHeight(25);
  // Iso-lines and iso-surfaces follow values at vertices.
  const bool atVertices = scene->Msh->SolAtVer != nullptr;
  check_[IsoLine]->setEnabled(atVertices);
  check_[IsoSurf]->setEnabled(atVertices);
  makeIsoSettings(grid);
  if (type_ == SOL_VECTOR) {
    grid->addWidget(makeDisplay(Vector, "sol:vecBox:%1:%2:%3", "Vector"), 4, 0, Qt::AlignLeft);
    bool first = true;
    for (int f = 0; f < field && f < sol->NbrFld; f++) first = first && sol->SizFld[f] != SOL_VECTOR;
    makeVectorScale(grid, first);
  } else if (type_ == SOL_SYMMAT) {
    grid->addWidget(makeDisplay(Metrix, "sol:metBox:%1:%2:%3", "Metrix"), 4, 0, Qt::AlignLeft);
  }
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setAlignment(Qt::AlignLeft);
  setLayout(grid);
}

QString SolGroup::nameOf(const char *pattern, bool withField) const {
  QString name = QString(pattern).arg(title_).arg(id);
  return withField ? name.arg(field_) : name;
}

QZelCheckBox *SolGroup::makeDisplay(Display which, const char *pattern, const char *text) {
  check_[which] = new QZelCheckBox(nameOf(pattern), server, tr(text));
  return check_[which];
}

void SolGroup::makeIsoSettings(QGridLayout *grid) {
  const auto spin = [this](QLabel **label, const char *text, QZelSpinBox **box, const char *pattern, int max) {
    *label = new QLabel(tr(text));
    *box = new QZelSpinBox(nameOf(pattern), server);
    (*box)->setSingleStep(1);
    (*box)->setRange(0, max);
    for (QWidget *w : {static_cast<QWidget *>(*label), static_cast<QWidget *>(*box)}) {
      w->setEnabled(false);
      w->setFixedHeight(20);
    }
  };
  spin(&thickLabel_, "thickness", &thickness_, "sol:thickness:%1:%2:%3", 5);
  spin(&numberLabel_, "Number", &number_, "sol:number:%1:%2:%3", 100);
  if (palette_) {
    // The first values are no user's action: the wrappers would record them.
    const QSignalBlocker quietThickness(thickness_), quietNumber(number_);
    thickness_->setValue(static_cast<int>(palette_->IsoWidth));
    number_->setValue(palette_->Subdiv);
  }
  black_ = new QZelCheckBox(nameOf("sol:blackIsoBox:%1:%2:%3"), server, tr("Black"));
  black_->setFixedHeight(25);
  grid->addWidget(thickLabel_, 2, 1);
  grid->addWidget(thickness_, 2, 2);
  grid->addWidget(numberLabel_, 2, 3);
  grid->addWidget(number_, 2, 4);
  grid->addWidget(black_, 2, 5, Qt::AlignRight);
}

void SolGroup::makeVectorScale(QGridLayout *grid, bool firstVectorField) {
  // Later vector fields name theirs apart: a name must find one widget at replay.
  const QString own = firstVectorField ? QString() : QString(":%1").arg(field_);
  scale_ = new QZelDoubleSpinBox(nameOf("sol:dblBox:%1:%2", false) + own, server);
  step_ = new QZelLineEdit(nameOf("sol:preciD:%1:%2", false) + own, server);
  {
    const QSignalBlocker quietScale(scale_), quietStep(step_);
    scale_->setDecimals(3);
    scale_->setRange(0.0, 100.0);
    scale_->setValue(scene->Rnd.VectorScale);
    step_->setText("10");
  }
  scale_->setFixedSize(60, 20);
  step_->setFixedSize(30, 20);
  setPrecision();
  auto *row = new QHBoxLayout;
  row->addWidget(new QLabel("x"));
  row->addWidget(step_, 0, Qt::AlignTop);
  row->addWidget(new QLabel("%"));
  grid->addWidget(scale_, 4, 1, Qt::AlignRight);
  grid->addLayout(row, 4, 2, Qt::AlignLeft);
}

void SolGroup::connectButton() {
  if (!built()) return;
  connect(refBox_, QOverload<int>::of(&QComboBox::activated), this, &SolGroup::setRef);
  connect(check_[Map], &QCheckBox::stateChanged, this, &SolGroup::setSolMap);
  connect(check_[IsoLine], &QCheckBox::stateChanged, this, &SolGroup::setIsoLin);
  connect(check_[IsoSurf], &QCheckBox::stateChanged, this, &SolGroup::setIsoSrf);
  connect(thickness_, QOverload<int>::of(&QSpinBox::valueChanged), this, &SolGroup::setThickNess);
  connect(black_, &QCheckBox::stateChanged, this, &SolGroup::switchIsoColor);
  connect(number_, QOverload<int>::of(&QSpinBox::valueChanged), this, &SolGroup::setNumber);
  if (check_[Vector]) {
    connect(check_[Vector], &QCheckBox::stateChanged, this, &SolGroup::setVector);
    connect(scale_, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this, &SolGroup::setVectorScale);
    connect(step_, &QLineEdit::returnPressed, this, &SolGroup::setPrecision);
  }
  if (check_[Metrix]) connect(check_[Metrix], &QCheckBox::stateChanged, this, &SolGroup::setMetrix);
}

// ---- displays

void SolGroup::applyDisplay(Display which, int state) {
  if (!built() || scene->ActFld != field_) return;
  const DisplayRule &rule = Rules[which];
  const bool on = zelChecked(state);
  const bool wasShown = scene->SolFlags & rule.sceneBit;
  zelSetBits(scene->SolFlags, rule.sceneBit, on);
  if (which == IsoLine) enableIsoSettings(on);
  ZelEntDisplayList *record = selectedRecord();
  const bool allRef = !record && refBox_->currentIndex() <= 0;
  const int type = familyType();
  if (on) {
    if (record) {
      zelUpdateDisplayList(rule.mask, scene, record);
      zelUpdateDisplayListOptions(rule.mask, 0, rule.recordBit, scene, record);
    } else if (allRef) {
      if (rule.optionsFirst) zelUpdateAllTypeDisplayListsOptions(type, rule.mask, 0, rule.recordBit, scene);
      zelUpdateAllTypeDisplayLists(type, rule.mask, scene);
      if (!rule.optionsFirst) zelUpdateAllTypeDisplayListsOptions(type, rule.mask, 0, rule.recordBit, scene);
    }
  } else {
    if (record) {
      zelUpdateDisplayListOptions(rule.mask, 0, ~rule.recordBit, scene, record);
    } else if (allRef && mayClearAll(bitOf(which))) {
      if (rule.clearsEveryKind)
        zelUpdateAllDisplayListsOptions(rule.mask, 0, ~rule.recordBit, scene);
      else
        zelUpdateAllTypeDisplayListsOptions(type, rule.mask, 0, ~rule.recordBit, scene);
    }
    // The full-volume display goes with the iso-surfaces it was drawn for: not when an
    // unchecked box is only applied again (a field made active, a refresh), nor on a mesh
    // whose volumes have no surface elements to show instead.
    if (which == IsoSurf && wasShown && !checked(check_[Map]) && (scene->Rnd.Kinds & ZelKindsFaces))
      scene->Flags &= ~ZelFlgVolumes;
  }
  updateGlScene(scene);
}

void SolGroup::setSolMap(int state) { applyDisplay(Map, state); }
void SolGroup::setIsoLin(int state) { applyDisplay(IsoLine, state); }
void SolGroup::setIsoSrf(int state) { applyDisplay(IsoSurf, state); }
void SolGroup::setVector(int state) { applyDisplay(Vector, state); }
void SolGroup::setMetrix(int state) { applyDisplay(Metrix, state); }

void SolGroup::enableIsoSettings(bool on) {
  for (QWidget *w : {static_cast<QWidget *>(thickLabel_), static_cast<QWidget *>(thickness_),
                     static_cast<QWidget *>(numberLabel_), static_cast<QWidget *>(number_)})
    w->setEnabled(on);
}

// ---- iso-line and vector settings

void SolGroup::rebuildIsoLines() {
  if (ZelEntDisplayList *record = selectedRecord())
    zelUpdateDisplayList(ZelMskIsoLines, scene, record);
  else if (refBox_->currentIndex() <= 0)
    zelUpdateAllTypeDisplayLists(familyType(), ZelMskIsoLines, scene);
  updateGlScene(scene);
}

void SolGroup::setThickNess(int value) {
  if (!built() || !palette_) return;
  palette_->IsoWidth = static_cast<float>(value);
  rebuildIsoLines();
}

void SolGroup::switchIsoColor(int state) {
  if (!built() || !palette_) return;
  palette_->BlackIso = state;
  rebuildIsoLines();
}

void SolGroup::setNumber(int value) {
  if (!built() || !palette_) return;
  zelUpdateIsoLineDraw(palette_, value);
  rebuildIsoLines();
}

void SolGroup::setVectorScale(double value) {
  if (!built() || type_ != SOL_VECTOR) return;
  scene->Rnd.VectorScale = value;
  if (checked(check_[Vector])) setVector(Qt::Checked);
}

void SolGroup::setPrecision() {
  if (scale_ && step_) scale_->setSingleStep(step_->text().toDouble() / 100.0);
}

// ---- read-backs

void SolGroup::showRecord(const ZelEntDisplayList &r) {
  for (int d = 0; d < NbrDisplays; d++) showChecked(check_[d], bitOf(Display(d)).in(r));
}

void SolGroup::setRef(int row) {
  if (!built()) return;
  if (row == 0)
    setAllRef();
  else if (const ZelEntDisplayList *record = recordOfRow(row))
    showRecord(*record);
}

void SolGroup::setAllRef() {
  if (!built() || !hasDisplay() || refBox_->count() == 0) return;
  for (int d = 0; d < NbrDisplays; d++) showChecked(check_[d], everyListed(bitOf(Display(d)), true));
}

void SolGroup::zelUpdate() {
  if (!built() || !scene) return;
  if (scene->ActFld != field_) {
    for (QZelCheckBox *box : check_) showChecked(box, false);
    showChecked(black_, false);
    return;
  }
  if (const ZelEntDisplayList *record = selectedRecord()) {
    showRecord(*record);
    return;
  }
  for (Display d : {Map, IsoLine, IsoSurf}) showChecked(check_[d], everyListed(bitOf(d), true));
  // The arrows or glyphs box counts the records showing either.
  QZelCheckBox *glyphs = check_[Vector] ? check_[Vector] : check_[Metrix];
  if (glyphs)
    showChecked(glyphs, countListed(bitOf(Vector)) + countListed(bitOf(Metrix)) == listedCount());
}

void SolGroup::updateSignal() {
  if (!built()) return;
  setSolMap(check_[Map]->checkState());
  setIsoLin(check_[IsoLine]->checkState());
  setIsoSrf(check_[IsoSurf]->checkState());
  if (check_[Vector]) setVector(check_[Vector]->checkState());
  if (check_[Metrix]) setMetrix(check_[Metrix]->checkState());
}
