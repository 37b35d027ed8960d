// Recordable list widget: relay of itemSelectionChanged() and its replay.
#include "zelvane/record/QZelListWidget.h"

#include "zelvane/record/ZelWrapperSetup.h"

QZelListWidget::QZelListWidget(const QString &name, ZelSequenceServer *server, QWidget *parent) : QListWidget(parent) {
  if (!zelSetupWrapper(this, name, server)) return;
  connect(this, &QListWidget::itemSelectionChanged, this, &QZelListWidget::slot_itemSelectionChanged);
  connect(this, &QZelListWidget::resent_itemSelectionChanged, server,
          [server](const QString &n) { server->addItemSelectionChanged(n); });
}

QZelListWidget::~QZelListWidget() { emit zel_destroyed(objectName(), this); }

void QZelListWidget::slot_itemSelectionChanged() { emit resent_itemSelectionChanged(objectName()); }

void QZelListWidget::zelItemSelectionChanged(bool) { emit itemSelectionChanged(); }
