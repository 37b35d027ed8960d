// Recordable double spin box: relay of valueChanged(double) and its replay.
#include "zelvane/record/QZelDoubleSpinBox.h"

#include "zelvane/record/ZelWrapperSetup.h"

QZelDoubleSpinBox::QZelDoubleSpinBox(const QString &name, ZelSequenceServer *server) : QDoubleSpinBox() {
  if (!zelSetupWrapper(this, name, server)) return;
  connect(this, qOverload<double>(&QDoubleSpinBox::valueChanged), this, &QZelDoubleSpinBox::slot_valueChanged);
  connect(this, &QZelDoubleSpinBox::resent_valueChanged, server,
          qOverload<const QString &, double>(&ZelSequenceServer::addValueChanged));
}

QZelDoubleSpinBox::~QZelDoubleSpinBox() { emit zel_destroyed(objectName(), this); }

void QZelDoubleSpinBox::slot_valueChanged(double value) { emit resent_valueChanged(objectName(), value); }

void QZelDoubleSpinBox::zelValueChanged(double v) {
  const double before = value();
  setValue(v);
  if (value() == before) emit valueChanged(v);
}
