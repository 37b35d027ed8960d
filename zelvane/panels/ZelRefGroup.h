// The mechanics every display group shares: the reference selector and what it scopes, the
// read-back of display records into widgets, and the clearing rule of "All Ref".
//
// A display group edits the display records (one per reference) of one element family, the
// entity it is given. Its reference selector lists "All Ref" (row 0, data 0), then one row per
// record holding elements, whose data is the record's index: a row's data, not its position,
// names its record. Every change acts on the record of the current row, or, at "All Ref", on
// the family (each group says on which records exactly).
//
//   scope        selectedRecord() is the record of the current row, null at "All Ref"
//   read-back    showChecked() sets a check state; a box whose state changes emits
//                stateChanged and so runs its slot at once, nested in the read-back, as a
//                click would. The read-backs only show what the records hold, so a cascade
//                re-applies a state the records already have
//   listed       the records named by rows 1..N; everyListed() answers for them
//   clearing     mayClearAll(): at "All Ref", unchecking acts only when every listed record
//                has the option (and at least one is listed). Together with the read-back
//                this keeps a refresh over mixed records from changing any of them
//
// The surfaces, volumes, lines and normals groups build on it (ZelDisplayGroup.h), as do the
// solution groups. The group holds the scene and the entity without owning them. GUI thread
// only.
#pragma once

#include <cstdint>
#include <functional>

#include "zelvane/gui/QZelBase.h"

class QCheckBox;
class QComboBox;
class QZelComboBox;
struct ZelEntDisplayList;
typedef struct Zel_Entity ZelEntity;

// One option a display record holds: some bits of one of its words.
struct ZelRecordBit {
  enum Word : uint8_t { Flags, Render, Solution } word;
  uint32_t bits;

  bool in(const ZelEntDisplayList &record) const;
  void set(ZelEntDisplayList &record, bool on) const;
};

class ZelRefGroup : public QZelBase {
  Q_OBJECT

 public:
  // entity: the family's records; null makes a group without widgets.
  ZelRefGroup(ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity);

  ZelEntity *entity() const { return entity_; }
  QZelComboBox *refBox() const { return refBox_; }

  // The family's element kind: that of record 1, else the kind whose entity this is; -1 when
  // neither is known (the family then has no record to change).
  int familyType() const;
  // The number of listed records N (the rows after row 0).
  int listedCount() const;
  // The record a row names; null for row 0, a row outside the selector or a stale index.
  ZelEntDisplayList *recordOfRow(int row) const;
  // The record of the current row; null at "All Ref".
  ZelEntDisplayList *selectedRecord() const;
  // Record 1 of the family, which the refreshes show in the combos; null when there is none.
  ZelEntDisplayList *firstRecord() const;

  // The listed records, in row order.
  void forEachListed(const std::function<void(ZelEntDisplayList &)> &f) const;
  int countListed(ZelRecordBit option) const;
  // Whether all N listed records have the option; `vacuous` answers for N = 0.
  bool everyListed(ZelRecordBit option, bool vacuous = false) const;
  // The clearing rule of "All Ref": N > 0 and every listed record has the option.
  bool mayClearAll(ZelRecordBit option) const { return everyListed(option, false); }

  // Sets a check state (the cascade runs the box's slot when the state changes).
  static void showChecked(QCheckBox *box, bool on);

 protected:
  // Makes the selector (recordable under `name`, not editable, 90 x 20) and fills it.
  QZelComboBox *makeRefBox(const QString &name);
  // Rows again from the records (the selection returns to row 0); returns N.
  int fillRefs();
  // Whether the scene and its display mesh exist.
  bool hasDisplay() const;

  ZelEntity *entity_ = nullptr;
  QZelComboBox *refBox_ = nullptr;
};
