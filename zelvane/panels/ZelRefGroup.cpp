// Reference selector, scope, read-back and clearing rule of the display groups.
#include "zelvane/panels/ZelRefGroup.h"

#include <QCheckBox>

#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// The record's word an option lies in (const or not, as the record).
template <class Record>
auto &wordOf(ZelRecordBit::Word word, Record &r) {
  return word == ZelRecordBit::Flags ? r.Flags : word == ZelRecordBit::Render ? r.Opt.Render : r.Opt.Solution;
}

}  // namespace

bool ZelRecordBit::in(const ZelEntDisplayList &record) const {
  return (wordOf(word, record) & bits) == bits;
}

void ZelRecordBit::set(ZelEntDisplayList &record, bool on) const {
  zelSetBits(wordOf(word, record), bits, on);
  // Hidden or shown by the user: the hiding is no longer the edit's.
  if (word == Flags && (bits & ZelLstHidden)) record.Flags &= ~ZelLstHiddenByEdit;
}

ZelRefGroup::ZelRefGroup(ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity)
    : QZelBase(scene, server, id), entity_(entity) {}

bool ZelRefGroup::hasDisplay() const { return scene && scene->ZelMsh; }

int ZelRefGroup::familyType() const {
  if (!entity_) return -1;
  if (entity_->DspLst && entity_->NbrLst >= 1) return entity_->DspLst[1].Type;
  if (hasDisplay())
    for (int kind : ZelEntityOrder)
      if (zelGetEntity(scene->ZelMsh, kind) == entity_) return kind;
  return -1;
}

QZelComboBox *ZelRefGroup::makeRefBox(const QString &name) {
  refBox_ = new QZelComboBox(name, server);
  refBox_->setEditable(false);
  refBox_->setFixedSize(90, 20);
  fillRefs();
  return refBox_;
}

int ZelRefGroup::fillRefs() {
  zelFillReferenceRows(refBox_, entity_);
  return listedCount();
}

int ZelRefGroup::listedCount() const { return refBox_ && refBox_->count() > 1 ? refBox_->count() - 1 : 0; }

ZelEntDisplayList *ZelRefGroup::recordOfRow(int row) const {
  if (!refBox_ || !entity_ || !entity_->DspLst || row <= 0 || row >= refBox_->count()) return nullptr;
  const int index = refBox_->itemData(row).toInt();
  return index >= 1 && index <= entity_->NbrLst ? &entity_->DspLst[index] : nullptr;
}

ZelEntDisplayList *ZelRefGroup::selectedRecord() const {
  return refBox_ ? recordOfRow(refBox_->currentIndex()) : nullptr;
}

ZelEntDisplayList *ZelRefGroup::firstRecord() const {
  return entity_ && entity_->DspLst && entity_->NbrLst >= 1 ? &entity_->DspLst[1] : nullptr;
}

void ZelRefGroup::forEachListed(const std::function<void(ZelEntDisplayList &)> &f) const {
  const int n = listedCount();
  for (int row = 1; row <= n; row++)
    if (ZelEntDisplayList *r = recordOfRow(row)) f(*r);
}

int ZelRefGroup::countListed(ZelRecordBit option) const {
  int count = 0;
  forEachListed([&](ZelEntDisplayList &r) { count += option.in(r); });
  return count;
}

bool ZelRefGroup::everyListed(ZelRecordBit option, bool vacuous) const {
  const int n = listedCount();
  return n == 0 ? vacuous : countListed(option) == n;
}

void ZelRefGroup::showChecked(QCheckBox *box, bool on) {
  if (box) box->setCheckState(on ? Qt::Checked : Qt::Unchecked);
}
