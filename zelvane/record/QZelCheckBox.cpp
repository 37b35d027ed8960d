// Recordable check box: relay of stateChanged(int) and its replay.
#include "zelvane/record/QZelCheckBox.h"

#include "zelvane/record/ZelWrapperSetup.h"

QZelCheckBox::QZelCheckBox(const QString &name, ZelSequenceServer *server, const QString &text, QWidget *parent)
    : QCheckBox(text, parent) {
  if (!zelSetupWrapper(this, name, server)) return;
  connect(this, &QCheckBox::stateChanged, this, &QZelCheckBox::slot_stateChanged);
  connect(this, &QZelCheckBox::resent_stateChanged, server, &ZelSequenceServer::addStateChanged);
}

QZelCheckBox::~QZelCheckBox() { emit zel_destroyed(objectName(), this); }

void QZelCheckBox::slot_stateChanged(int state) { emit resent_stateChanged(objectName(), state); }

void QZelCheckBox::zelStateChanged(int state) {
  const Qt::CheckState before = checkState();
  if (state >= Qt::Unchecked && state <= Qt::Checked) setCheckState(Qt::CheckState(state));
  if (checkState() == before) emit stateChanged(state);
}
