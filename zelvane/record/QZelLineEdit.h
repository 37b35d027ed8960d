// A recordable line edit: relays returnPressed(), editingFinished() and textChanged, each with
// the current text; replay sets the text, then emits the recorded signal.
// Replay hooks are called by the sequence server; see QZelObject.h and ZelWrapperSetup.h.
#pragma once

#include <QLineEdit>

#include "zelvane/record/QZelObject.h"

class ZelSequenceServer;

class QZelLineEdit : public QLineEdit, public QZelObject {
  Q_OBJECT

 public:
  QZelLineEdit(const QString &name, ZelSequenceServer *server, QWidget *parent = nullptr);
  ~QZelLineEdit() override;

  QObject *getQObject() override { return this; }
  void zelReturnPressed(const QString &text) override;
  void zelEditingFinished(const QString &text) override;
  // setText emits textChanged when it changes the text; otherwise it is emitted here.
  void zelTextChanged(const QString &text) override;

 public slots:
  void slot_returnPressed();
  void slot_editingFinished();
  void slot_textChanged(const QString &text);

 signals:
  void resent_returnPressed(const QString &name, const QString &text);
  void resent_editingFinished(const QString &name, const QString &text);
  void resent_textChanged(const QString &name, const QString &text);
  void zel_destroyed(const QString &name, QZelObject *object);
};
