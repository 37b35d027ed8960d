// A recordable list widget: relays itemSelectionChanged() (recorded as false).
// Replay hooks are called by the sequence server; see QZelObject.h and ZelWrapperSetup.h.
#pragma once

#include <QListWidget>

#include "zelvane/record/QZelObject.h"

class ZelSequenceServer;

class QZelListWidget : public QListWidget, public QZelObject {
  Q_OBJECT

 public:
  QZelListWidget(const QString &name, ZelSequenceServer *server, QWidget *parent = nullptr);
  ~QZelListWidget() override;

  QObject *getQObject() override { return this; }
  // Emits itemSelectionChanged() without changing the selection; the value is not used.
  void zelItemSelectionChanged(bool state) override;

 public slots:
  void slot_itemSelectionChanged();

 signals:
  void resent_itemSelectionChanged(const QString &name);
  void zel_destroyed(const QString &name, QZelObject *object);
};
