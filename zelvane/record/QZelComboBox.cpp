// Recordable combo box: relay of activated(int) and its replay.
#include "zelvane/record/QZelComboBox.h"

#include "zelvane/record/ZelWrapperSetup.h"

QZelComboBox::QZelComboBox(const QString &name, ZelSequenceServer *server, QWidget *parent) : QComboBox(parent) {
  if (!zelSetupWrapper(this, name, server)) return;
  connect(this, qOverload<int>(&QComboBox::activated), this, &QZelComboBox::slot_activated);
  connect(this, &QZelComboBox::resent_activated, server, &ZelSequenceServer::addActivated);
}

QZelComboBox::~QZelComboBox() { emit zel_destroyed(objectName(), this); }

void QZelComboBox::slot_activated(int state) { emit resent_activated(objectName(), state); }

void QZelComboBox::zelActivated(int index) {
  if (index < 0 || index >= count()) return;
  setCurrentIndex(index);
  emit activated(index);
}
