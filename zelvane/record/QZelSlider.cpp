// Recordable slider: relay of valueChanged(int) and its replay.
#include "zelvane/record/QZelSlider.h"

#include "zelvane/record/ZelWrapperSetup.h"

QZelSlider::QZelSlider(const QString &name, ZelSequenceServer *server, Qt::Orientation orientation, QWidget *parent)
    : QSlider(orientation, parent) {
  if (!zelSetupWrapper(this, name, server)) return;
  connect(this, &QSlider::valueChanged, this, &QZelSlider::slot_valueChanged);
  connect(this, &QZelSlider::resent_valueChanged, server, qOverload<const QString &, int>(&ZelSequenceServer::addValueChanged));
}

QZelSlider::~QZelSlider() { emit zel_destroyed(objectName(), this); }

void QZelSlider::slot_valueChanged(int value) { emit resent_valueChanged(objectName(), value); }

void QZelSlider::zelValueChanged(int v) {
  const int before = value();
  setValue(v);
  if (value() == before) emit valueChanged(v);
}
