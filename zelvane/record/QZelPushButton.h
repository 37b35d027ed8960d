// A recordable push button: relays clicked() (recorded as false).
// Replay hooks are called by the sequence server; see QZelObject.h and ZelWrapperSetup.h.
#pragma once

#include <QPushButton>

#include "zelvane/record/QZelObject.h"

class ZelSequenceServer;

class QZelPushButton : public QPushButton, public QZelObject {
  Q_OBJECT

 public:
  QZelPushButton(const QString &name, ZelSequenceServer *server, const QString &text, QWidget *parent = nullptr);
  QZelPushButton(const QString &name, ZelSequenceServer *server);
  ~QZelPushButton() override;

  QObject *getQObject() override { return this; }
  // Emits clicked(false) whatever the value; the button's check state is left alone.
  void zelClicked(bool state) override;

 public slots:
  void slot_clicked();

 signals:
  void resent_clicked(const QString &name);
  void zel_destroyed(const QString &name, QZelObject *object);

 private:
  void setup(const QString &name, ZelSequenceServer *server);
};
