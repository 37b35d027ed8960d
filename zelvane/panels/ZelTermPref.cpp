// The Terminal preference page.
#include "zelvane/panels/ZelTermPref.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/panels/ZelPrefPage.h"
#include "zelvane/panels/ZelPreferences.h"
#include "zelvane/scene/ZelReport.h"

namespace {

struct SwitchRow {
  const char *label;
  int row, column;  // of the label; the check box sits right of it
  uint32_t bit;
};
// ZelTermPref::Switch order.
const SwitchRow SwitchRows[ZelTermPref::SwitchCount] = {
    {"coordinates", 0, 1, ZelVrbCoordinates}, {"vertices", 1, 1, ZelVrbVertices},
    {"neighbors", 1, 3, ZelVrbNeighbours}, {"angles", 2, 1, ZelVrbAngles},
    {"dihedral", 2, 3, ZelVrbDihedral},   {"solutions", 3, 1, ZelVerboseFields},
};

}  // namespace

ZelTermPref::ZelTermPref() {
  QGridLayout *grid = zelPrefFrame(this, 270, 100);
  grid->addWidget(zelPrefSection("Vertices      "), 0, 0);
  grid->addWidget(zelPrefSection("Elements    "), 1, 0);
  grid->addWidget(zelPrefSection("Solutions    "), 3, 0);
  mask_ = settings_.value(ZelKeyVerbose, 0).toInt();
  for (int i = 0; i < SwitchCount; i++) {
    const SwitchRow &r = SwitchRows[i];
    check_[i] = zelPrefCheck();
    check_[i]->setChecked(uint32_t(mask_) & r.bit);
    grid->addWidget(zelPrefLabel(r.label), r.row, r.column);
    grid->addWidget(check_[i], r.row, r.column + 1);
  }
  reset_ = zelPrefReset();
  grid->addWidget(reset_, 4, 0);
  connectButton();
}

void ZelTermPref::connectButton() {
  void (ZelTermPref::*const handlers[SwitchCount])(int) = {&ZelTermPref::setCoord,  &ZelTermPref::setVertices,
                                                        &ZelTermPref::setNeighbors, &ZelTermPref::setAngles,
                                                        &ZelTermPref::setDihAngles, &ZelTermPref::setSolution};
  for (int i = 0; i < SwitchCount; i++) connect(check_[i], &QCheckBox::stateChanged, this, handlers[i]);
  connect(reset_, &QPushButton::clicked, this, &ZelTermPref::resetWidget);
}

void ZelTermPref::setBit(Switch which, int state) {
  zelSetBits(mask_, SwitchRows[which].bit, zelChecked(state));
  settings_.setValue(ZelKeyVerbose, mask_);
}

void ZelTermPref::setCoord(int state) { setBit(Coord, state); }
void ZelTermPref::setVertices(int state) { setBit(Vertices, state); }
void ZelTermPref::setNeighbors(int state) { setBit(Neighbors, state); }
void ZelTermPref::setAngles(int state) { setBit(Angles, state); }
void ZelTermPref::setDihAngles(int state) { setBit(DihAngles, state); }
void ZelTermPref::setSolution(int state) { setBit(Solution, state); }

void ZelTermPref::resetWidget() {
  for (QCheckBox *c : check_) c->setChecked(false);
  mask_ = 0;
  settings_.setValue(ZelKeyVerbose, 0);
}
