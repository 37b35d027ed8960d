// A recordable action: relays triggered() (recorded as false); replay emits triggered with the
// recorded value.
// Replay hooks are called by the sequence server; see QZelObject.h and ZelWrapperSetup.h.
#pragma once

#include <QAction>

#include "zelvane/record/QZelObject.h"

class ZelSequenceServer;

class QZelAction : public QAction, public QZelObject {
  Q_OBJECT

 public:
  QZelAction(const QString &name, ZelSequenceServer *server, const QString &text, QObject *parent);
  ~QZelAction() override;

  QObject *getQObject() override { return this; }
  // Emits triggered(state).
  void zelTriggered(bool state) override;

 public slots:
  void slot_triggered(bool state = false);

 signals:
  void resent_triggered(const QString &name, bool state);
  void zel_destroyed(const QString &name, QZelObject *object);
};
