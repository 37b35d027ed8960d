// Widgets of a volume family's group.
#include "zelvane/panels/VolGroup.h"

#include <QGridLayout>

#include "zelvane/record/QZelComboBox.h"

VolGroup::VolGroup(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity)
    : ZelDisplayGroup(title, server, scene, id, entity) {
  shrinkClearsEveryKind_ = false;
  if (!entity_) return;
  setLayout(makeFamilyGrid("vol"));
  zelUpdate();
}

void VolGroup::connectButton() {
  if (refBox_) connectShared();
}
