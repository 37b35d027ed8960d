// The Mesh preference page.
#include "zelvane/panels/ZelMshPref.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <cstdio>

#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/panels/ZelPrefPage.h"
#include "zelvane/panels/ZelPreferences.h"

namespace {

enum ColourRow { RowOff, RowBack, RowRef, RowGrey };

QComboBox *colourCombo() {
  QComboBox *combo = zelPrefCombo();
  zelAddColourRows(combo);
  return combo;
}

// A stored code without a row leaves the combo on its first row, "off".
void showStored(QComboBox *combo, uint32_t render, ZelColourField field) {
  if (!zelShowColour(combo, render, field)) {
    printf("display option not implemented\n");
    fflush(stdout);
  }
}

uint32_t valueOf(const QComboBox *combo, ZelColourField field) {
  uint32_t value = 0;
  zelColourValue(combo->currentIndex(), field, &value);
  return value;
}

}  // namespace

ZelMshPref::ZelMshPref() {
  QGridLayout *grid = zelPrefFrame(this, 240, 110);
  lineCol_ = colourCombo();
  srfFace_ = colourCombo();
  srfLine_ = colourCombo();
  volFace_ = colourCombo();
  showSol_ = zelPrefCheck();
  reset_ = zelPrefReset();
  grid->addWidget(zelPrefSection("Lines         "), 0, 0);
  grid->addWidget(zelPrefLabel(" ", 10, 20), 0, 1);
  grid->addWidget(lineCol_, 0, 2);
  grid->addWidget(zelPrefLabel(" ", 10, 20), 0, 3);
  grid->addWidget(zelPrefSection("Surfaces    "), 1, 0);
  grid->addWidget(srfFace_, 1, 2);
  grid->addWidget(srfLine_, 1, 4);
  grid->addWidget(zelPrefSection("Volumes    "), 2, 0);
  grid->addWidget(volFace_, 2, 4);
  grid->addWidget(zelPrefSection("Solution    "), 3, 0);
  grid->addWidget(showSol_, 3, 2);
  grid->addWidget(reset_, 4, 0);

  const uint32_t lines = settings_.value(ZelKeyLinesPref, ZelDefaultLinesPref).toUInt();
  const uint32_t surfaces = settings_.value(ZelKeySurfPref, ZelDefaultSurfPref).toUInt();
  const uint32_t volumes = settings_.value(ZelKeyVolPref, ZelDefaultVolPref).toUInt();
  showStored(lineCol_, lines, ZelColourField::Line);
  showStored(srfLine_, surfaces, ZelColourField::Line);
  showStored(srfFace_, surfaces, ZelColourField::Face);
  showStored(volFace_, volumes, ZelColourField::Face);
  showSol_->setChecked(settings_.value(ZelKeyShowSol, 0).toUInt() & ZelShowSolution);
  connectButton();
}

void ZelMshPref::connectButton() {
  connect(lineCol_, QOverload<int>::of(&QComboBox::activated), this, &ZelMshPref::updateLineCol);
  connect(srfFace_, QOverload<int>::of(&QComboBox::activated), this, &ZelMshPref::updateSrfCol);
  connect(srfLine_, QOverload<int>::of(&QComboBox::activated), this, &ZelMshPref::updateSrfCol);
  connect(volFace_, QOverload<int>::of(&QComboBox::activated), this, &ZelMshPref::updateVolCol);
  connect(showSol_, &QCheckBox::stateChanged, this, &ZelMshPref::updateShowSol);
  connect(reset_, &QPushButton::clicked, this, &ZelMshPref::resetWidget);
}

void ZelMshPref::updateLineCol(int state) {
  uint32_t value = 0;
  zelColourValue(state, ZelColourField::Line, &value);
  settings_.setValue(ZelKeyLinesPref, value);
}

void ZelMshPref::updateSrfCol() {
  settings_.setValue(ZelKeySurfPref, valueOf(srfLine_, ZelColourField::Line) + valueOf(srfFace_, ZelColourField::Face));
}

void ZelMshPref::updateVolCol(int state) {
  uint32_t value = 0;
  zelColourValue(state, ZelColourField::Face, &value);
  settings_.setValue(ZelKeyVolPref, value);
}

void ZelMshPref::updateShowSol(int state) { settings_.setValue(ZelKeyShowSol, zelChecked(state) ? ZelShowSolution : 0u); }

void ZelMshPref::resetWidget() {
  // The reset values are not the missing keys' defaults (7, 23, 23, 0).
  lineCol_->setCurrentIndex(RowOff);
  updateLineCol(RowOff);
  srfLine_->setCurrentIndex(RowBack);
  srfFace_->setCurrentIndex(RowGrey);
  updateSrfCol();
  volFace_->setCurrentIndex(RowGrey);
  updateVolCol(RowGrey);
  showSol_->setChecked(false);
  updateShowSol(Qt::Unchecked);
}
