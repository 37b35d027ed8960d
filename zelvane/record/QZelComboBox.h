// A recordable combo box: relays activated(int); replay chooses the recorded row.
// Replay hooks are called by the sequence server; see QZelObject.h and ZelWrapperSetup.h.
#pragma once

#include <QComboBox>

#include "zelvane/record/QZelObject.h"

class ZelSequenceServer;

class QZelComboBox : public QComboBox, public QZelObject {
  Q_OBJECT

 public:
  QZelComboBox(const QString &name, ZelSequenceServer *server, QWidget *parent = nullptr);
  ~QZelComboBox() override;

  QObject *getQObject() override { return this; }
  // For 0 <= index < count(): selects the row and emits activated(index); else nothing.
  void zelActivated(int index) override;

 public slots:
  void slot_activated(int state = 0);

 signals:
  void resent_activated(const QString &name, int index);
  void zel_destroyed(const QString &name, QZelObject *object);
};
