// Widgets of an edge family's group.
#include "zelvane/panels/LinGroup.h"

#include <QHBoxLayout>

#include "zelvane/record/QZelComboBox.h"

LinGroup::LinGroup(const QString &title, ZelSequenceServer *server, ZelScene *scene, int id, ZelEntity *entity)
    : ZelDisplayGroup(title, server, scene, id, entity) {
  hasNoRefState_ = true;
  if (!entity_) return;
  auto *row = new QHBoxLayout;
  row->setContentsMargins(0, 0, 0, 0);
  row->addWidget(makeRefBox(nameOf("lin:refBox:%1:%2")), 1, Qt::AlignLeft);
  row->addWidget(makeColour(&edge_, "lin:colBox:%1:%2"), 0, Qt::AlignRight);
  row->addWidget(makeWidth("lin:widthBox:%1:%2"), 0, Qt::AlignRight);
  setLayout(row);
}

void LinGroup::connectButton() {
  if (refBox_) connectShared();
}
