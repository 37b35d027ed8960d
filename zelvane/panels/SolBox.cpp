// The solution panel of one field: palette group, one solution group per family, and the
// palette slots.
#include "zelvane/panels/SolBox.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <cstdio>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "zelvane/panels/IsoValBox.h"
#include "zelvane/panels/SolGroup.h"
#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelGroupBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/record/QZelPushButton.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelSolutionControl.h"

namespace {

struct GroupRow {
  const char *comboText;
  const char *title;
  int kind;
};
const GroupRow GroupRows[] = {
    {"Triangle", "Triangle", KmfTriangles},
    {"Triangle P2", "TriangleP2", KmfTrianglesP2},
    {"Quadrilateral", "Quadrilateral", KmfQuadrilaterals},
    {"Quadrilateral Q2", "QuadrilateralP2", KmfQuadrilateralsQ2},
    {"Tetrahedron", "Tetrahedron", KmfTetrahedra},
    {"Tetrahedron P2", "TetrahedronP2", KmfTetrahedraP2},
    {"Hexahedron", "Hexahedron", KmfHexahedra},
    {"Hexahedron Q2", "HexahedronP2", KmfHexahedraQ2},
    {"Pyramid", "Pyramid", KmfPyramids},
    {"Prism", "Prism", KmfPrisms},
};

const char *const ColourMaps[] = {"Rainbow", "Gray",    "CoolWarm", "Magma",          "Inferno",
                                  "Plasma",  "Viridis", "Jet",      "Cubehelix blue", "Cubehelix blue rev"};

// The kinds whose lists the full rebuild walks, in its order; the volume kinds only while
// volumes are drawn.
const int SurfaceKinds[] = {KmfNormalAtVertices, KmfVertices,       KmfTriangles, KmfTrianglesP2,
                            KmfQuadrilaterals,   KmfQuadrilateralsQ2, KmfEdges,   KmfEdgesP2};
const int VolumeKinds[] = {KmfTetrahedra, KmfTetrahedraP2, KmfHexahedra, KmfHexahedraQ2, KmfPyramids, KmfPrisms};

QZelComboBox *combo(const QString &name, ZelSequenceServer *server) {
  auto *c = new QZelComboBox(name, server);
  c->setFixedSize(75, 30);
  return c;
}

QZelPushButton *button(const QString &name, ZelSequenceServer *server, const char *text) {
  auto *b = new QZelPushButton(name, server, text);
  b->setFixedSize(60, 30);
  return b;
}

}  // namespace

SolBox::SolBox(ZelSequenceServer *server, ZelScene *scene, int id, int field)
    : EntBox(server, scene, id, QString("sol%1").arg(field)), field_(field) {
  createPaletteGroup();
  createEntityBox("Surf & Vol");
  createGroup();
  // The palette group above the entity combo, the groups below.
  layout_->removeWidget(entBox_);
  layout_->addWidget(palGroup_);
  layout_->addWidget(entBox_);
  createLayout();
  if (!scene) {
    fprintf(stderr, " ##### WARNING IN CONSTRUCTEUR SOLBOX :  NO SCENE %p \n", static_cast<void *>(scene));
    return;
  }
  connectButton();
}

SolBox::~SolBox() { delete palGroup_; }

void SolBox::createPaletteGroup() {
  const QString pfx = QString("_%1_%2").arg(field_).arg(id);
  palGroup_ = new QZelGroupBox(pfx + "palGroup", server, "Palette");
  palGroup_->setFixedSize(430, 120);
  palGroup_->setFont(zelFixedFont());
  palGroup_->setAlignment(Qt::AlignTop);
  if (scene && scene->VieSol && field_ >= 0 && field_ < scene->VieSol->NbrFld)
    palette_ = &scene->VieSol->ZelPal[field_];
  if (!palette_) return;

  auto *rows = new QVBoxLayout;
  rows->setContentsMargins(0, 0, 0, 0);
  rows->setSpacing(1);
  auto *isoGrid = new QGridLayout;
  isoGrid->setContentsMargins(5, 0, 0, 0);
  isoGrid->setSpacing(5);
  const int n = std::min(std::max(palette_->N, 0), 10);
  for (int k = 0; k < n; k++) {
    const QString text = k == n - 1 ? tr("Iso Max") : k == 0 ? tr("Iso Min") : tr("Iso %1").arg(k);
    iso_[k] = new IsoValBox(palette_, k);
    isoGrid->addWidget(new QLabel(text), 0, k);
    isoGrid->addWidget(iso_[k], 1, k);
  }

  typePal_ = combo(pfx + "typePal", server);
  typePal_->addItem("Linear", 0);
  typePal_->addItem("Log", 1);
  typeSol_ = combo(pfx + "typeSol", server);
  fillFieldTypes();
  colPal_ = combo(pfx + "colPal", server);
  for (int row = 0; row < 10; row++) colPal_->addItem(ColourMaps[row], row);
  colPal_->zelActivated(0);
  reset_ = button(pfx + "resetPal", server, "Reset");
  apply_ = button(pfx + "applyPal", server, "Apply");
  hide_ = new QZelCheckBox(pfx + "displayPal", server, tr("Hide"));
  time_ = new QZelCheckBox(pfx + "displayTime", server, tr("Time"));
  showOverlayFlags();
  auto *controls = new QHBoxLayout;
  controls->setContentsMargins(0, 0, 0, 0);
  controls->setSpacing(5);
  for (QWidget *w : std::initializer_list<QWidget *>{typePal_, typeSol_, colPal_, reset_, apply_, hide_, time_})
    controls->addWidget(w);

  // The iso-line export: its value and the button that starts it.
  auto *exportRow = new QHBoxLayout;
  exportRow->setContentsMargins(0, 0, 0, 0);
  isoValue_ = new QZelLineEdit(pfx + "isoValue", server);
  isoValue_->setFixedSize(75, 20);
  saveIso_ = new QZelPushButton(pfx + "saveIso", server, tr("Save Iso"));
  exportRow->addWidget(isoValue_);
  exportRow->addWidget(saveIso_);
  exportRow->addStretch();
  auto *secondGrid = new QGridLayout;
  secondGrid->setContentsMargins(0, 0, 0, 0);

  rows->addLayout(isoGrid);
  rows->addLayout(controls);
  rows->addLayout(exportRow);
  rows->addLayout(secondGrid);
  palGroup_->setLayout(rows);
}

void SolBox::fillFieldTypes() {
  const Geometric_Solution *sol = zelPanelSolution(scene->Msh);
  if (!sol || field_ < 0 || field_ >= sol->NbrFld) return;
  switch (sol->SizFld[field_]) {
    case SOL_SCALAR:
      typeSol_->addItem("value");
      typeSol_->setEnabled(false);
      break;
    case SOL_VECTOR: {
      const char *rows[] = {"Norm", "Min", "Max", "X Component", "Y Component", "Z Component"};
      const int n = scene->Msh->Dim == 3 ? 6 : 5;
      for (int r = 0; r < n; r++) typeSol_->addItem(rows[r], r);
      break;
    }
    case SOL_SYMMAT: {
      const char *rows[] = {"Det", "Density", "Min", "Max"};
      for (int r = 0; r < 4; r++) typeSol_->addItem(rows[r], r);
      break;
    }
    case SOL_MATRIX:
      typeSol_->setEnabled(false);
      break;
    default:
      printf("TYPE SOLUTION NOT IMPLEMENTED YET\n");
  }
}

void SolBox::createGroup() {
  ZelMesh *display = scene ? scene->ZelMsh : nullptr;
  for (int row = 0; row < entBox_->count() && row < ZelEntBoxSlots; row++) {
    const QString text = entBox_->itemText(row);
    for (const GroupRow &r : GroupRows)
      if (text == r.comboText)
        group_[row] = new SolGroup(r.title, server, scene, id, zelGetEntity(display, r.kind), field_);
  }
}

void SolBox::connectButton() {
  if (palette_) {
    const auto activated = QOverload<int>::of(&QComboBox::activated);
    connect(typePal_, activated, this, &SolBox::setTypPalette);
    connect(typeSol_, activated, this, &SolBox::setTypSolution);
    connect(colPal_, activated, this, &SolBox::setColorPal);
    connect(reset_, &QPushButton::clicked, this, &SolBox::resetPalette);
    connect(hide_, &QCheckBox::stateChanged, this, &SolBox::displayPalette);
    connect(time_, &QCheckBox::stateChanged, this, &SolBox::displayTime);
    connect(apply_, &QPushButton::clicked, this, &SolBox::updateScreen);
    connect(saveIso_, &QPushButton::clicked, this, &SolBox::saveIso);
  }
  EntBox::connectButton();
}

void SolBox::showOverlayFlags() {
  if (!scene || !hide_ || !time_) return;
  // The scene's own state is no user's action: the wrappers would record it.
  const QSignalBlocker quietHide(hide_), quietTime(time_);
  hide_->setChecked(!(scene->Flags & ZelFlgLegend));
  time_->setChecked(scene->Flags & ZelFlgTime);
}

void SolBox::zelUpdate() {
  EntBox::zelUpdate();
  showOverlayFlags();
  showIsoValues();
}

void SolBox::showIsoValues() {
  if (!palette_) return;
  // The scale too: a palette respread over values without a positive one is linear again. The
  // palette's own state is no user's action: the wrapper would record it.
  if (typePal_) {
    const QSignalBlocker quiet(typePal_);
    typePal_->setCurrentIndex(palette_->Scale == 1 ? 1 : 0);
  }
  for (int k = 0; k < palette_->N && k < 10; k++)
    if (iso_[k]) iso_[k]->updateIso();
}

void SolBox::showEvent(QShowEvent *event) {
  showOverlayFlags();
  EntBox::showEvent(event);
}

void SolBox::emitSignals() {
  for (int row = 0; row < entBox_->count(); row++)
    if (auto *g = dynamic_cast<SolGroup *>(group(row))) g->updateSignal();
}

// ---- palette

void SolBox::refreshPalette() {
  if (!scene || !scene->VieSol || !scene->Msh || !palette_) return;
  const bool wasLog = palette_->Scale == 1;
  const int done = zelUpdatePalette(field_, scene->Msh, 5, palette_);
  // A field without a positive value has no logarithmic scale: the palette took the linear one.
  if (done && wasLog && palette_->Scale != 1)
    fprintf(stderr, " ## WARNING: SOLBOX: NO POSITIVE VALUE FOR A LOG SCALE, LINEAR SCALE TAKEN \n");
  showIsoValues();
  zelUpdateAllDisplayLists(1, scene);
  updateGlScene(scene);
}

void SolBox::setTypPalette(int type) {
  if (!scene || !scene->VieSol || !scene->Msh || !palette_) return;
  palette_->Scale = type == 1 ? 1 : 0;
  refreshPalette();
}

void SolBox::setTypSolution(int iTyp) {
  if (!scene || !scene->VieSol || !scene->Msh || !palette_) return;
  palette_->Repr = iTyp;
  refreshPalette();
}

void SolBox::resetPalette() { refreshPalette(); }

void SolBox::rebuildShownSolutions() {
  if (!scene->ZelMsh) return;
  zelMakeCurrent(scene->Win);
  const auto rebuild = [this](int kind, uint32_t drawn) {
    ZelEntity *e = zelGetEntity(scene->ZelMsh, kind);
    if (!e || !e->DspLst) return;
    for (int i = 1; i <= e->NbrLst; i++)
      if (const uint32_t mask = zelShownSolutionLists(e->DspLst[i].Opt.Solution) & drawn)
        zelUpdateList(e->DspLst[i].Type, mask, scene, &e->DspLst[i]);
  };
  for (int kind : SurfaceKinds) rebuild(kind, ~0u);
  // Out of the full-volume display the frame still draws the volume records' arrows and
  // iso-surfaces: those follow the palette, the lists it does not draw are left alone.
  const uint32_t volumeLists = (scene->Flags & ZelFlgVolumes) ? ~0u : ZelOptVectors | ZelOptIsoSurfaces;
  for (int kind : VolumeKinds) rebuild(kind, volumeLists);
}

void SolBox::setColorPal(int map) {
  if (!scene || !scene->VieSol || !palette_) return;
  palette_->ColMap = palette_->ColMapLegend = map;
  // "Gray" has no table: the builders and the palette bar read the grey flag instead.
  palette_->Grey = map == ZelMapGray;
  const uint32_t shown = setActSolOptions(scene);
  zelUpdateAllDisplayListsOptions(scene->SolFlags, 0, shown, scene);
  rebuildShownSolutions();
  updateGlScene(scene);
}

void SolBox::displayPalette(int state) {
  if (!scene) return;
  zelSetBits(scene->Flags, ZelFlgLegend, !zelChecked(state));
  updateGlScene(scene);
}

void SolBox::displayTime(int state) {
  if (!scene) return;
  zelSetBits(scene->Flags, ZelFlgTime, zelChecked(state));
  updateGlScene(scene);
}

void SolBox::updateScreen() {
  if (!scene || !scene->VieSol || !palette_) return;
  zelUpdateIsoLineDraw(palette_, palette_->Subdiv);
  rebuildShownSolutions();
  updateGlScene(scene);
}
