// The General preference page.
#include "zelvane/panels/ZelGenPref.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>

#include "common/base/ShownName.h"
#include "zelvane/gui/Window.h"
#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/panels/ZelPrefPage.h"
#include "zelvane/panels/ZelPreferences.h"

namespace {
enum TermRow { RowLock, RowFree, RowOff };
}

ZelGenPref::ZelGenPref() {
  QGridLayout *grid = zelPrefFrame(this, 240, 100);
  width_ = zelPrefEdit();
  height_ = zelPrefEdit();
  termHeight_ = zelPrefEdit();
  term_ = zelPrefCombo();
  term_->addItems({"Lock", "Free", "Off"});
  toolBar_ = zelPrefCheck();
  reset_ = zelPrefReset();
  grid->addWidget(zelPrefSection("Scene Size :"), 0, 0);
  grid->addWidget(zelPrefLabel("w", 10, 20), 0, 1);
  grid->addWidget(width_, 0, 2);
  grid->addWidget(zelPrefLabel("h", 10, 20), 0, 3);
  grid->addWidget(height_, 0, 4);
  grid->addWidget(zelPrefSection("Terminal   :"), 1, 0);
  grid->addWidget(term_, 1, 2);
  grid->addWidget(zelPrefLabel("h", 10, 20), 1, 3);
  grid->addWidget(termHeight_, 1, 4);
  grid->addWidget(zelPrefSection("ToolBar     :"), 2, 0);
  grid->addWidget(toolBar_, 2, 2);
  grid->addWidget(reset_, 3, 0);

  showSize();
  showTermHeight();
  module_ = settings_.value(ZelKeyModule, ZelDefaultModule).toInt();
  toolBar_->setChecked(module_ & ZelModBottom);
  term_->setCurrentIndex(!(module_ & ZelModTerm) ? RowOff : (module_ & ZelModDocked) ? RowLock : RowFree);
  printf("%s\n", ShownName(settings_.fileName().toLocal8Bit().toStdString()).c_str());
  fflush(stdout);
  connectButton();
}

void ZelGenPref::connectButton() {
  connect(width_, &QLineEdit::editingFinished, this, &ZelGenPref::updateSize);
  connect(height_, &QLineEdit::editingFinished, this, &ZelGenPref::updateSize);
  connect(term_, QOverload<int>::of(&QComboBox::activated), this, &ZelGenPref::updateTerm);
  connect(toolBar_, &QCheckBox::stateChanged, this, &ZelGenPref::updateToolBar);
  connect(termHeight_, &QLineEdit::editingFinished, this, &ZelGenPref::updateTermHeight);
  connect(reset_, &QPushButton::clicked, this, &ZelGenPref::resetWidget);
}

void ZelGenPref::showSize() {
  const QSize size = settings_.value(ZelKeySize, QSize(ZelDefaultWidth, ZelDefaultHeight)).toSize();
  width_->setText(QString::number(size.width()));
  height_->setText(QString::number(size.height()));
}

void ZelGenPref::showTermHeight() {
  termHeight_->setText(QString::number(settings_.value(ZelKeyTermHeight, ZelDefaultTermHeight).toInt()));
}

void ZelGenPref::updateSize() {
  // A size that is not a whole number above 0 would make a window of no size at the next start.
  int w = 0, h = 0;
  if (zelPrefPositive(width_, &w) && zelPrefPositive(height_, &h))
    settings_.setValue(ZelKeySize, QSize(w, h));
  else
    showSize();
}

void ZelGenPref::updateTermHeight() {
  int h = 0;
  if (zelPrefPositive(termHeight_, &h))
    settings_.setValue(ZelKeyTermHeight, h);
  else
    showTermHeight();
}

void ZelGenPref::storeModule() { settings_.setValue(ZelKeyModule, module_); }

void ZelGenPref::updateTerm(int state) {
  if (state == RowOff) {
    zelSetBits(module_, ZelModTerm, false);
  } else if (state == RowLock) {
    zelSetBits(module_, ZelModTerm | ZelModDocked, true);
  } else {
    zelSetBits(module_, ZelModTerm, true);
    zelSetBits(module_, ZelModDocked, false);
  }
  storeModule();
}

void ZelGenPref::updateToolBar(int state) {
  zelSetBits(module_, ZelModBottom, zelChecked(state));
  storeModule();
}

void ZelGenPref::resetWidget() {
  width_->setText(QString::number(ZelDefaultWidth));
  height_->setText(QString::number(ZelDefaultHeight));
  updateSize();
  term_->setCurrentIndex(RowLock);
  updateTerm(RowLock);
  // Reset stores 100, not the missing key's 90.
  termHeight_->setText("100");
  updateTermHeight();
  toolBar_->setChecked(true);
  zelSetBits(module_, ZelModBottom, true);
  storeModule();
}
