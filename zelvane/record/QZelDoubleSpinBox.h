// A recordable double spin box, built without parent: relays valueChanged(double).
// Replay hooks are called by the sequence server; see QZelObject.h and ZelWrapperSetup.h.
#pragma once

#include <QDoubleSpinBox>

#include "zelvane/record/QZelObject.h"

class ZelSequenceServer;

class QZelDoubleSpinBox : public QDoubleSpinBox, public QZelObject {
  Q_OBJECT

 public:
  QZelDoubleSpinBox(const QString &name, ZelSequenceServer *server);
  ~QZelDoubleSpinBox() override;

  QObject *getQObject() override { return this; }
  using QZelObject::zelValueChanged;
  // Sets the value; emits valueChanged(value) only when the setter did not.
  void zelValueChanged(double value) override;

 public slots:
  void slot_valueChanged(double value);

 signals:
  void resent_valueChanged(const QString &name, double value);
  void zel_destroyed(const QString &name, QZelObject *object);
};
