// Recordable line edit: relays of return, end of editing and text changes, and their replay.
#include "zelvane/record/QZelLineEdit.h"

#include "zelvane/record/ZelWrapperSetup.h"

QZelLineEdit::QZelLineEdit(const QString &name, ZelSequenceServer *server, QWidget *parent) : QLineEdit(parent) {
  if (!zelSetupWrapper(this, name, server)) return;
  connect(this, &QLineEdit::returnPressed, this, &QZelLineEdit::slot_returnPressed);
  connect(this, &QLineEdit::editingFinished, this, &QZelLineEdit::slot_editingFinished);
  connect(this, &QLineEdit::textChanged, this, &QZelLineEdit::slot_textChanged);
  connect(this, &QZelLineEdit::resent_returnPressed, server, &ZelSequenceServer::addReturnPressed);
  connect(this, &QZelLineEdit::resent_editingFinished, server, &ZelSequenceServer::addEditingFinished);
  connect(this, &QZelLineEdit::resent_textChanged, server, &ZelSequenceServer::addTextChanged);
}

QZelLineEdit::~QZelLineEdit() { emit zel_destroyed(objectName(), this); }

void QZelLineEdit::slot_returnPressed() { emit resent_returnPressed(objectName(), text()); }
void QZelLineEdit::slot_editingFinished() { emit resent_editingFinished(objectName(), text()); }
void QZelLineEdit::slot_textChanged(const QString &) { emit resent_textChanged(objectName(), text()); }

void QZelLineEdit::zelReturnPressed(const QString &value) {
  setText(value);
  emit returnPressed();
}

void QZelLineEdit::zelEditingFinished(const QString &value) {
  setText(value);
  emit editingFinished();
}

void QZelLineEdit::zelTextChanged(const QString &value) {
  const QString before = text();
  setText(value);
  if (text() == before) emit textChanged(value);
}
