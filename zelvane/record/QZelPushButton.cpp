// Recordable push button: relay of clicked() and its replay.
#include "zelvane/record/QZelPushButton.h"

#include "zelvane/record/ZelWrapperSetup.h"

QZelPushButton::QZelPushButton(const QString &name, ZelSequenceServer *server, const QString &text, QWidget *parent)
    : QPushButton(text, parent) {
  setup(name, server);
}

QZelPushButton::QZelPushButton(const QString &name, ZelSequenceServer *server) : QPushButton() { setup(name, server); }

void QZelPushButton::setup(const QString &name, ZelSequenceServer *server) {
  if (!zelSetupWrapper(this, name, server)) return;
  connect(this, &QPushButton::clicked, this, &QZelPushButton::slot_clicked);
  connect(this, &QZelPushButton::resent_clicked, server, [server](const QString &n) { server->addClicked(n); });
}

QZelPushButton::~QZelPushButton() { emit zel_destroyed(objectName(), this); }

void QZelPushButton::slot_clicked() { emit resent_clicked(objectName()); }

void QZelPushButton::zelClicked(bool) { emit clicked(false); }
