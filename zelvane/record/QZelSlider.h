// A recordable slider: relays valueChanged(int).
// Replay hooks are called by the sequence server; see QZelObject.h and ZelWrapperSetup.h.
#pragma once

#include <QSlider>

#include "zelvane/record/QZelObject.h"

class ZelSequenceServer;

class QZelSlider : public QSlider, public QZelObject {
  Q_OBJECT

 public:
  QZelSlider(const QString &name, ZelSequenceServer *server, Qt::Orientation orientation, QWidget *parent = nullptr);
  ~QZelSlider() override;

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
