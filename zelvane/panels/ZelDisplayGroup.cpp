// Display options of one family: the check options as rows of one table walked by one
// operation, the colour and width combos, and the read-backs.
#include "zelvane/panels/ZelDisplayGroup.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <vector>

#include "zelvane/lists/ZelListFrame.h"
#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelDoubleSpinBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// Which records an option change reaches at "All Ref".
enum class Scope : uint8_t {
  Listed,    // the listed records, written directly
  Family,    // every record of the family's kind, through the scene engine
  EveryKind  // every edge, surface and volume record, through the scene engine
};
// What is rebuilt after the change.
enum class Rebuild : uint8_t {
  None,
  Changed,  // mask 1 on each record holding elements whose bit changed
  Record,   // mask 1 on the record (reference rows)
  Arrows    // the family's normal-arrow lists
};

struct CheckRule {
  ZelRecordBit bit;
  ZelOptionMask mask;  // the scene engine's option bit for the Family and EveryKind scopes
  Scope set, clear;
  Rebuild atRecord, onSet, onClear;
  bool guarded;  // a disabled box unchecks itself and changes nothing
};

// Rows in the order of ZelDisplayGroup::Check. The volumes clear Shrink on their listed
// records only (shrinkClearsEveryKind_).
const CheckRule Rules[] = {
    {{ZelRecordBit::Flags, ZelLstHidden}, 0, Scope::Listed, Scope::Listed, Rebuild::None, Rebuild::None,
     Rebuild::None, false},
    {{ZelRecordBit::Render, ZelRndTransparent}, ZelOptTransparent, Scope::Family, Scope::Family, Rebuild::None,
     Rebuild::None, Rebuild::None, false},
    {{ZelRecordBit::Flags, ZelLstShrink}, ZelOptShrink, Scope::Family, Scope::EveryKind, Rebuild::Changed,
     Rebuild::Changed, Rebuild::Changed, true},
    {{ZelRecordBit::Flags, ZelLstClipped}, ZelOptClipped, Scope::Family, Scope::EveryKind, Rebuild::None,
     Rebuild::None, Rebuild::None, true},
    {{ZelRecordBit::Render, ZelRndArrows}, ZelOptArrows, Scope::Family, Scope::EveryKind, Rebuild::Record,
     Rebuild::Arrows, Rebuild::None, false},
};

// The kinds of zelUpdateAllDisplayListsOptions: edges, surfaces, volumes.
const int EveryKind[] = {KmfEdges,      KmfEdgesP2,      KmfTriangles, KmfTrianglesP2, KmfQuadrilaterals,
                         KmfQuadrilateralsQ2, KmfTetrahedra, KmfTetrahedraP2, KmfHexahedra, KmfHexahedraQ2,
                         KmfPyramids,   KmfPrisms};

template <class F>
void forEachRecord(ZelEntity *e, F &&f) {
  if (!e || !e->DspLst) return;
  for (int i = 1; i <= e->NbrLst; i++) f(e->DspLst[i]);
}

ZelColourField fieldOf(bool face) { return face ? ZelColourField::Face : ZelColourField::Line; }

}  // namespace

ZelDisplayGroup::ZelDisplayGroup(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id,
                                 ZelEntity *entity)
    : ZelRefGroup(server, scene, id, entity), title_(title) {}

QString ZelDisplayGroup::nameOf(const QString &pattern) const { return pattern.arg(title_).arg(id); }

QZelCheckBox *ZelDisplayGroup::makeCheck(Check which, const QString &pattern, const char *text) {
  check_[which] = new QZelCheckBox(nameOf(pattern), server, tr(text));
  return check_[which];
}

QZelComboBox *ZelDisplayGroup::makeColour(QZelComboBox **slot, const QString &pattern) {
  *slot = new QZelComboBox(nameOf(pattern), server);
  zelAddColourRows(*slot);
  (*slot)->setFixedSize(60, 20);
  return *slot;
}

QZelComboBox *ZelDisplayGroup::makeWidth(const QString &pattern) {
  width_ = new QZelComboBox(nameOf(pattern), server);
  zelAddWidthRows(width_);
  width_->setFixedSize(80, 20);
  return width_;
}

QGridLayout *ZelDisplayGroup::makeFamilyGrid(const char *prefix) {
  const auto pattern = [prefix](const char *role) { return QString("%1:%2").arg(prefix, role) + ":%1:%2"; };
  auto *grid = new QGridLayout;
  grid->addWidget(makeRefBox(nameOf(pattern("refBox"))), 0, 0, Qt::AlignLeft);
  grid->addWidget(makeCheck(CheckHide, pattern("zelBox"), "Hide"), 0, 1);
  grid->addWidget(makeCheck(CheckTransparent, pattern("traBox"), "Transparent"), 0, 2);
  grid->addWidget(makeColour(&face_, pattern("facBox")), 0, 3);
  grid->addWidget(makeColour(&edge_, pattern("linBox")), 0, 4, Qt::AlignRight);
  grid->addWidget(makeWidth("lin:widthBox:%1:%2"), 0, 5, Qt::AlignRight);
  grid->addWidget(makeCheck(CheckShrink, pattern("shrBox"), "Shrink"), 1, 0, Qt::AlignLeft);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setAlignment(Qt::AlignLeft);
  return grid;
}

QHBoxLayout *ZelDisplayGroup::makeScaleRow(const char *spinPattern, const char *stepPattern, const char *stepText) {
  scale_ = new QZelDoubleSpinBox(nameOf(spinPattern), server);
  step_ = new QZelLineEdit(nameOf(stepPattern), server);
  {
    // The first values are no user's action: the wrappers would record them.
    const QSignalBlocker quietScale(scale_), quietStep(step_);
    scale_->setDecimals(3);
    scale_->setRange(0.0, 100.0);
    scale_->setValue(scene ? scene->Rnd.NormalScale : 1.0);
    step_->setText(stepText);
  }
  scale_->setFixedSize(60, 20);
  step_->setFixedSize(30, 20);
  auto *row = new QHBoxLayout;
  row->addWidget(new QLabel("x"));
  row->addWidget(step_, 0, Qt::AlignTop);
  row->addWidget(new QLabel("%"));
  return row;
}

void ZelDisplayGroup::storeNormalScale(double value, bool inverse) {
  if (scene) scene->Rnd.NormalScale = inverse ? -value : value;
}

void ZelDisplayGroup::applyStep() {
  if (scale_ && step_) scale_->setSingleStep(step_->text().toDouble() / 100.0);
}

void ZelDisplayGroup::connectShared() {
  const auto activated = QOverload<int>::of(&QComboBox::activated);
  connect(refBox_, activated, this, &ZelDisplayGroup::setRef);
  void (ZelDisplayGroup::*const handlers[NbrChecks])(int) = {
      &ZelDisplayGroup::setHide, &ZelDisplayGroup::setTransparency, &ZelDisplayGroup::setShrink,
      &ZelDisplayGroup::setClip, &ZelDisplayGroup::setNormals};
  for (int c = 0; c < NbrChecks; c++)
    if (check_[c]) connect(check_[c], &QCheckBox::stateChanged, this, handlers[c]);
  if (face_) connect(face_, activated, this, &ZelDisplayGroup::setFaceCol);
  if (edge_) connect(edge_, activated, this, &ZelDisplayGroup::setEdgeCol);
  if (width_) connect(width_, activated, this, &ZelDisplayGroup::setWidth);
}

// ---- changes

void ZelDisplayGroup::applyCheck(Check which, int state) {
  const CheckRule &rule = Rules[which];
  QZelCheckBox *box = check_[which];
  // The box's own state: a closed tool box disables its page, and with it every widget.
  if (rule.guarded && box && !box->isEnabledTo(this)) {
    showChecked(box, false);
    return;
  }
  if (!hasDisplay() || !refBox_) return;
  const bool on = zelChecked(state);
  ZelEntDisplayList *record = selectedRecord();
  if (record) {
    const bool changed = rule.bit.in(*record) != on;
    rule.bit.set(*record, on);
    if (rule.atRecord == Rebuild::Record || (rule.atRecord == Rebuild::Changed && changed && record->Head))
      zelUpdateDisplayList(ZelMskAll, scene, record);
  } else if (refBox_->currentIndex() <= 0 && (on || mayClearAll(rule.bit))) {
    Scope scope = on ? rule.set : rule.clear;
    if (which == CheckShrink && !on && !shrinkClearsEveryKind_) scope = Scope::Listed;
    const Rebuild rebuild = on ? rule.onSet : rule.onClear;

    // The records to rebuild are those the change is about to alter.
    std::vector<ZelEntDisplayList *> changing;
    const auto take = [&](ZelEntDisplayList &r) {
      if (r.Head != 0 && rule.bit.in(r) != on) changing.push_back(&r);
    };
    if (rebuild == Rebuild::Changed) {
      if (scope == Scope::Listed) forEachListed(take);
      if (scope == Scope::Family) forEachRecord(entity_, take);
      if (scope == Scope::EveryKind)
        for (int kind : EveryKind) forEachRecord(zelGetEntity(scene->ZelMsh, kind), take);
    }

    const uint32_t value = on ? rule.bit.bits : ~rule.bit.bits;
    if (scope == Scope::Listed) forEachListed([&](ZelEntDisplayList &r) { rule.bit.set(r, on); });
    if (scope == Scope::Family) zelUpdateAllTypeDisplayListsOptions(familyType(), rule.mask, value, 0, scene);
    if (scope == Scope::EveryKind) zelUpdateAllDisplayListsOptions(rule.mask, value, 0, scene);

    for (ZelEntDisplayList *r : changing) zelUpdateDisplayList(ZelMskAll, scene, r);
    if (rebuild == Rebuild::Arrows) zelUpdateAllTypeDisplayLists(familyType(), ZelMskArrows, scene);
  }
  updateGlScene(scene);
}

void ZelDisplayGroup::setHide(int state) { applyCheck(CheckHide, state); }
void ZelDisplayGroup::setTransparency(int state) { applyCheck(CheckTransparent, state); }
void ZelDisplayGroup::setShrink(int state) { applyCheck(CheckShrink, state); }
void ZelDisplayGroup::setClip(int state) { applyCheck(CheckClip, state); }
void ZelDisplayGroup::setNormals(int state) { applyCheck(CheckNormals, state); }

void ZelDisplayGroup::applyColour(QZelComboBox *combo, bool face) {
  if (!hasDisplay() || !combo || !refBox_) return;
  uint32_t value;
  if (!zelColourValue(combo->currentIndex(), fieldOf(face), &value)) return;
  ZelEntDisplayList *record = selectedRecord();
  if (!record && refBox_->currentIndex() > 0) return;
  // The same bit asks the builders for the colour mode (they compile nothing for it) and the
  // record for the mode's field.
  const uint32_t mask = face ? ZelOptFaceMode : ZelOptLineMode;
  if (record) {
    zelUpdateDisplayList(mask, scene, record);
    zelUpdateDisplayListOptions(mask, value, 0, scene, record);
  } else {
    zelUpdateAllTypeDisplayLists(familyType(), mask, scene);
    zelUpdateAllTypeDisplayListsOptions(familyType(), mask, value, 0, scene);
  }
  updateGlScene(scene);
}

void ZelDisplayGroup::setFaceCol(int) { applyColour(face_, true); }
void ZelDisplayGroup::setEdgeCol(int) { applyColour(edge_, false); }

void ZelDisplayGroup::setWidth(int) {
  if (!hasDisplay() || !width_ || !refBox_) return;
  uint32_t value;
  if (!zelWidthValue(width_->currentIndex(), &value)) return;
  ZelEntDisplayList *record = selectedRecord();
  if (record) {
    zelUpdateDisplayListOptions(ZelOptLineWidth, value, 0, scene, record);
    zelUpdateDisplayList(ZelMskWireOnly, scene, record);
  } else if (refBox_->currentIndex() <= 0) {
    zelUpdateAllTypeDisplayListsOptions(familyType(), ZelOptLineWidth, value, 0, scene);
    zelUpdateAllTypeDisplayLists(familyType(), ZelMskWireOnly, scene);
  } else {
    return;
  }
  updateGlScene(scene);
}

// ---- read-backs

void ZelDisplayGroup::setRef(int row) {
  if (!scene) return;
  if (row == 0) {
    setAllRef();
  } else if (const ZelEntDisplayList *record = recordOfRow(row)) {
    showRecord(*record);
  }
}

void ZelDisplayGroup::showRecord(const ZelEntDisplayList &r) {
  showChecked(check_[CheckHide], r.Flags & ZelLstHidden);
  showChecked(check_[CheckTransparent], r.Opt.Render & ZelRndTransparent);
  showChecked(check_[CheckNormals], r.Opt.Render & ZelRndArrows);
  if (face_) zelShowColour(face_, r.Opt.Render, ZelColourField::Face);
  if (edge_) zelShowColour(edge_, r.Opt.Render, ZelColourField::Line);
  if (width_) zelShowWidth(width_, r.Opt.LineWidth);
  showChecked(check_[CheckShrink], scene->Rnd.Shrink != 1.0f && (r.Flags & ZelLstShrink));
  if (QZelCheckBox *clip = check_[CheckClip]) {
    const ZelPlaEntity *pla = scene->ZelMsh ? scene->ZelMsh->Pla : nullptr;
    if (!pla) {
      clip->setEnabled(false);
    } else if (pla->Cur >= 0 && pla->Cur < ZelMaxPlanes && ((pla->ActMsk >> pla->Cur) & 1u)) {
      clip->setEnabled(true);
      showChecked(clip, pla->On != 0 && (r.Flags & ZelLstClipped));
    } else {
      // Disabled first: the unchecking then changes no record.
      clip->setEnabled(false);
      showChecked(clip, false);
    }
  }
}

void ZelDisplayGroup::showCommonColour(QZelComboBox *combo, bool face) {
  const ZelEntDisplayList *first = recordOfRow(1);
  if (!first) return;
  const uint32_t code = zelColourCode(first->Opt.Render, fieldOf(face));
  bool common = true;
  forEachListed([&](ZelEntDisplayList &r) { common = common && zelColourCode(r.Opt.Render, fieldOf(face)) == code; });
  if (common) zelShowColour(combo, first->Opt.Render, fieldOf(face));
}

void ZelDisplayGroup::setAllRef() {
  if (!hasDisplay() || !refBox_ || refBox_->count() == 0) return;
  for (int c = 0; c < NbrChecks; c++) showChecked(check_[c], everyListed(Rules[c].bit));
  if (face_) showCommonColour(face_, true);
  if (edge_) showCommonColour(edge_, false);
  if (width_) {
    const ZelEntDisplayList *first = recordOfRow(1);
    bool common = first != nullptr;
    forEachListed([&](ZelEntDisplayList &r) { common = common && r.Opt.LineWidth == first->Opt.LineWidth; });
    if (common) zelShowWidth(width_, first->Opt.LineWidth);
  }
}

void ZelDisplayGroup::showShrinkOverListed() {
  QZelCheckBox *box = check_[CheckShrink];
  if (!box || !scene) return;
  if (scene->Rnd.Shrink == 1.0f) {
    // Unchecked while still enabled, so that a change of state reaches the records.
    showChecked(box, false);
    box->setEnabled(false);
  } else {
    box->setEnabled(true);
    showChecked(box, everyListed(Rules[CheckShrink].bit));
  }
}

void ZelDisplayGroup::zelUpdate() {
  if (!entity_ || !refBox_) return;
  const int n = fillRefs();
  if (n == 0 && hasNoRefState_) {
    enterNoRef();
    return;
  }
  if (noRef_) leaveNoRef();
  showChecked(check_[CheckHide], everyListed(Rules[CheckHide].bit));
  showChecked(check_[CheckTransparent], everyListed(Rules[CheckTransparent].bit));
  if (const ZelEntDisplayList *first = firstRecord()) {
    if (face_) zelShowColour(face_, first->Opt.Render, ZelColourField::Face);
    if (edge_) zelShowColour(edge_, first->Opt.Render, ZelColourField::Line);
    if (width_) zelShowWidth(width_, first->Opt.LineWidth);
  }
  showShrinkOverListed();
}

namespace {
void keepFirstRow(QComboBox *combo) {
  if (!combo) return;
  while (combo->count() > 1) combo->removeItem(combo->count() - 1);
  combo->setCurrentIndex(0);
}
}  // namespace

void ZelDisplayGroup::enterNoRef() {
  noRef_ = true;
  refBox_->setItemText(0, "No Ref");
  // Disabled first: the guarded boxes then uncheck without acting, the others find no listed
  // record to change.
  for (QZelCheckBox *box : check_)
    if (box) {
      box->setEnabled(false);
      showChecked(box, false);
    }
  keepFirstRow(face_);
  keepFirstRow(edge_);
  keepFirstRow(width_);
}

void ZelDisplayGroup::leaveNoRef() {
  noRef_ = false;
  refBox_->setItemText(0, "All Ref");
  for (QZelComboBox *combo : {face_, edge_})
    if (combo) {
      combo->clear();
      zelAddColourRows(combo);
    }
  if (width_) {
    width_->clear();
    zelAddWidthRows(width_);
  }
  // Shrink follows the scene's shrink factor in the refresh.
  for (int c = 0; c < NbrChecks; c++)
    if (check_[c] && c != CheckShrink) check_[c]->setEnabled(true);
}
