// A recordable check box: relays stateChanged(int).
// Replay hooks are called by the sequence server; see QZelObject.h and ZelWrapperSetup.h.
#pragma once

#include <QCheckBox>

#include "zelvane/record/QZelObject.h"

class ZelSequenceServer;

class QZelCheckBox : public QCheckBox, public QZelObject {
  Q_OBJECT

 public:
  QZelCheckBox(const QString &name, ZelSequenceServer *server, const QString &text, QWidget *parent = nullptr);
  ~QZelCheckBox() override;

  QObject *getQObject() override { return this; }
  // Shows the recorded state (0, 1 or 2). The box emits stateChanged when that changes it;
  // otherwise the recorded value is emitted here, so connected slots run once either way.
  void zelStateChanged(int state) override;

 public slots:
  void slot_stateChanged(int state = 0);

 signals:
  void resent_stateChanged(const QString &name, int state);
  void zel_destroyed(const QString &name, QZelObject *object);
};
