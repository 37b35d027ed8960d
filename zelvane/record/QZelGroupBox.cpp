// Recordable group box: relay of clicked(bool) and its replay.
#include "zelvane/record/QZelGroupBox.h"

#include "zelvane/record/ZelWrapperSetup.h"

QZelGroupBox::QZelGroupBox(const QString &name, ZelSequenceServer *server, const QString &title, QWidget *parent)
    : QGroupBox(title, parent) {
  if (!zelSetupWrapper(this, name, server)) return;
  connect(this, &QGroupBox::clicked, this, &QZelGroupBox::slot_clicked);
  connect(this, &QZelGroupBox::resent_clicked, server, &ZelSequenceServer::addClicked);
}

QZelGroupBox::~QZelGroupBox() { emit zel_destroyed(objectName(), this); }

void QZelGroupBox::slot_clicked(bool state) { emit resent_clicked(objectName(), state); }

void QZelGroupBox::zelClicked(bool state) { emit clicked(state); }
