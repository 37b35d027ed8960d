// A recordable group box: relays clicked(bool).
// Replay hooks are called by the sequence server; see QZelObject.h and ZelWrapperSetup.h.
#pragma once

#include <QGroupBox>

#include "zelvane/record/QZelObject.h"

class ZelSequenceServer;

class QZelGroupBox : public QGroupBox, public QZelObject {
  Q_OBJECT

 public:
  QZelGroupBox(const QString &name, ZelSequenceServer *server, const QString &title, QWidget *parent = nullptr);
  ~QZelGroupBox() override;

  QObject *getQObject() override { return this; }
  // Emits clicked(state); the box's check state is left alone (its creator decides what a
  // click does).
  void zelClicked(bool state) override;

 public slots:
  void slot_clicked(bool state = false);

 signals:
  void resent_clicked(const QString &name, bool state);
  void zel_destroyed(const QString &name, QZelObject *object);
};
