// Recordable spin box: relay of valueChanged(int) and its replay.
#include "zelvane/record/QZelSpinBox.h"

#include "zelvane/record/ZelWrapperSetup.h"

QZelSpinBox::QZelSpinBox(const QString &name, ZelSequenceServer *server) : QSpinBox() {
  if (!zelSetupWrapper(this, name, server)) return;
  connect(this, qOverload<int>(&QSpinBox::valueChanged), this, &QZelSpinBox::slot_valueChanged);
  connect(this, &QZelSpinBox::resent_valueChanged, server, qOverload<const QString &, int>(&ZelSequenceServer::addValueChanged));
}

QZelSpinBox::~QZelSpinBox() { emit zel_destroyed(objectName(), this); }

void QZelSpinBox::slot_valueChanged(int value) { emit resent_valueChanged(objectName(), value); }

void QZelSpinBox::zelValueChanged(int v) {
  const int before = value();
  setValue(v);
  if (value() == before) emit valueChanged(v);
}
