// A recordable spin box, built without parent: relays valueChanged(int).
// Replay hooks are called by the sequence server; see QZelObject.h and ZelWrapperSetup.h.
#pragma once

#include <QSpinBox>

#include "zelvane/record/QZelObject.h"

class ZelSequenceServer;

class QZelSpinBox : public QSpinBox, public QZelObject {
  Q_OBJECT

 public:
  QZelSpinBox(const QString &name, ZelSequenceServer *server);
  ~QZelSpinBox() override;

  QObject *getQObject() override { return this; }
  using QZelObject::zelValueChanged;
  // Sets the value; emits valueChanged(value) only when the setter did not.
  void zelValueChanged(int value) override;

 public slots:
  void slot_valueChanged(int value);

 signals:
  void resent_valueChanged(const QString &name, int value);
  void zel_destroyed(const QString &name, QZelObject *object);
};
