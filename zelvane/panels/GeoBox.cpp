// The switches of corners, required vertices, ridges, required and non-manifold edges.
#include "zelvane/panels/GeoBox.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <cstdio>

#include "common/model/Mesh.h"
#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelGroupBox.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelScene.h"

namespace {

struct SwitchRow {
  const char *name;   // object name pattern
  const char *label;
  uint32_t meshFlag;  // attribute in the mesh's flag word that enables the switch
  uint32_t sceneBit;  // display bit it drives
};
// Index order of GeoBox::Switch: corner, required vertex, ridge, required edge, non-manifold.
const SwitchRow SwitchRows[] = {
    {"corVer%1", "Corner", GEO_CORNERS, 0x800000},
    {"reqVer%1", "Required", GEO_REQ_VERTICES, 0x1000000},
    {"ridEdg%1", "Ridge", GEO_RIDGES, 0x2000000},
    {"reqEdg%1", "Required", GEO_REQ_EDGES, 0x4000000},
    {"nmfEdg%1", "No Manifold", GEO_NONMANIFOLD, 0x8000000},
};

}  // namespace

GeoBox::GeoBox(ZelSequenceServer *server, ZelScene *scene, int id) : QZelBase(scene, server, id) {
  for (int i = 0; i < SwCount; i++)
    switch_[i] = new QZelCheckBox(QString(SwitchRows[i].name).arg(id), server, tr(SwitchRows[i].label));

  verGroup_ = new QZelGroupBox(QString("verGroup%1").arg(id), server, tr("Vertices"));
  verLayout_ = new QGridLayout;
  verLayout_->addWidget(switch_[SwCorner], 0, 0);
  verLayout_->addWidget(switch_[SwRequiredVer], 1, 0);
  verLayout_->setSpacing(2);
  zelFinishGroup(verGroup_, verLayout_, 160, 80);

  edgGroup_ = new QZelGroupBox(QString("edgGroup%1").arg(id), server, tr("Edges"));
  edgLayout_ = new QVBoxLayout;
  for (Switch s : {SwRidge, SwRequiredEdg, SwNoManifold}) edgLayout_->addWidget(switch_[s]);
  edgLayout_->setSpacing(1);
  zelFinishGroup(edgGroup_, edgLayout_, 160, 110);

  layout_ = zelPanelRow(this);
  layout_->addWidget(verGroup_, 0, Qt::AlignTop);
  layout_->addWidget(edgGroup_);

  if (!scene) {
    fprintf(stderr, " ##### WARNING IN CONSTRUCTEUR GEOBOX :  NO SCENE %p \n", static_cast<void *>(scene));
    return;
  }
  connectButton();
}

GeoBox::~GeoBox() {
  for (QZelCheckBox *&s : switch_) {
    delete s;
    s = nullptr;
  }
  delete verGroup_;
  delete edgGroup_;
  delete layout_;
}

void GeoBox::connectButton() {
  if (!scene || !scene->Msh) return;
  void (GeoBox::*const handlers[SwCount])(int) = {&GeoBox::Corner, &GeoBox::RequiredVer, &GeoBox::Ridge,
                                               &GeoBox::RequiredEdg, &GeoBox::NoManifold};
  for (int i = 0; i < SwCount; i++) {
    if (!(scene->Msh->GeoFlags & SwitchRows[i].meshFlag)) switch_[i]->setEnabled(false);
    connect(switch_[i], &QCheckBox::stateChanged, this, handlers[i]);
  }
}

void GeoBox::zelUpdate() {
  if (!scene || !scene->Msh) return;
  for (int i = 0; i < SwCount; i++) {
    switch_[i]->setEnabled((scene->Msh->GeoFlags & SwitchRows[i].meshFlag) != 0);
    switch_[i]->setCheckState((scene->Flags & SwitchRows[i].sceneBit) ? Qt::Checked : Qt::Unchecked);
  }
}

void GeoBox::setFeature(Switch which, int state) {
  if (!scene) return;
  zelSetBits(scene->Flags, SwitchRows[which].sceneBit, zelChecked(state));
  updateGlScene(scene);
}

void GeoBox::Corner(int state) { setFeature(SwCorner, state); }
void GeoBox::RequiredVer(int state) { setFeature(SwRequiredVer, state); }
void GeoBox::RequiredEdg(int state) { setFeature(SwRequiredEdg, state); }
void GeoBox::Ridge(int state) { setFeature(SwRidge, state); }
void GeoBox::NoManifold(int state) { setFeature(SwNoManifold, state); }

void GeoBox::clearWidget() {
  layout_ = nullptr;
  verGroup_ = edgGroup_ = nullptr;
  verLayout_ = nullptr;
  edgLayout_ = nullptr;
  for (QZelCheckBox *&s : switch_) s = nullptr;
}
