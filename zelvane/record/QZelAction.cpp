// Recordable action: relay of triggered() and its replay.
#include "zelvane/record/QZelAction.h"

#include "zelvane/record/ZelWrapperSetup.h"

QZelAction::QZelAction(const QString &name, ZelSequenceServer *server, const QString &text, QObject *parent)
    : QAction(text, parent) {
  if (!zelSetupWrapper(this, name, server)) return;
  // triggered() without its checked value: the record is always false.
  connect(this, &QAction::triggered, this, [this] { slot_triggered(); });
  connect(this, &QZelAction::resent_triggered, server, &ZelSequenceServer::addTriggered);
}

QZelAction::~QZelAction() { emit zel_destroyed(objectName(), this); }

void QZelAction::slot_triggered(bool state) { emit resent_triggered(objectName(), state); }

void QZelAction::zelTriggered(bool state) { emit triggered(state); }
