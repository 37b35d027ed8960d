// Colour-mode, width and reference rows, the panels' solution and the help-text tool tips.
#include "zelvane/panels/ZelPanelRows.h"

#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QFont>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QIcon>
#include <QPixmap>
#include <QToolTip>
#include <cstdio>

#include "common/model/Mesh.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelRenderOption.h"

namespace {

struct ColourRow {
  const char *text;
  uint32_t code;
};
// Row order of every colour combo.
const ColourRow ColourRows[ZelColourRows] = {
    {"off", ZelModeOff}, {"back", ZelModeBack}, {"ref", ZelModeRef}, {"grey", ZelModeGrey}};

struct WidthRow {
  const char *text;
  uint32_t value;  // ten times the line width
};
const WidthRow WidthRows[ZelWidthRows] = {{"Size 1.0", 10}, {"Size 1.5", 15}, {"Size 2.0", 20},
                                          {"Size 2.5", 25}, {"Size 3.0", 30}, {"Size 4.0", 40}};

void notImplemented() {
  printf("display option not implemented\n");
  fflush(stdout);
}

uint32_t shiftOf(ZelColourField field) { return field == ZelColourField::Face ? ZelRndFaceShift : ZelRndLineShift; }

// The 21 reference icons, made on first use; dropped when the application ends, while the
// toolkit can still free pixmaps.
QIcon *referenceIcons = nullptr;
void dropReferenceIcons() {
  delete[] referenceIcons;
  referenceIcons = nullptr;
}

}  // namespace

const char *const ZelNoToolTip = "No ToolTip";

// ---- colour modes

void zelAddColourRows(QComboBox *combo) {
  for (int row = 0; row < ZelColourRows; row++) combo->addItem(ColourRows[row].text, row);
}

bool zelColourValue(int row, ZelColourField field, uint32_t *value) {
  *value = 0;
  if (row < 0 || row >= ZelColourRows) {
    notImplemented();
    return false;
  }
  *value = ColourRows[row].code << shiftOf(field);
  return true;
}

uint32_t zelColourCode(uint32_t render, ZelColourField field) { return (render >> shiftOf(field)) & 7u; }

int zelColourRowOfCode(uint32_t code) {
  for (int row = 0; row < ZelColourRows; row++)
    if (ColourRows[row].code == code) return row;
  return -1;
}

bool zelShowColour(QComboBox *combo, uint32_t render, ZelColourField field) {
  const int row = zelColourRowOfCode(zelColourCode(render, field));
  if (row < 0) return false;
  combo->setCurrentIndex(row);
  return true;
}

// ---- widths

void zelAddWidthRows(QComboBox *combo) {
  for (const WidthRow &row : WidthRows) combo->addItem(row.text);
}

bool zelWidthValue(int row, uint32_t *value) {
  *value = 0;
  if (row < 0 || row >= ZelWidthRows) {
    notImplemented();
    return false;
  }
  *value = WidthRows[row].value;
  return true;
}

int zelWidthRowOf(float width) {
  // Exact comparison on purpose: a record holds value / 10 as set by a width row, and any
  // other width has no row.
  for (int row = 0; row < ZelWidthRows; row++)
    if (width == float(WidthRows[row].value) / 10.0f) return row;
  return -1;
}

bool zelShowWidth(QComboBox *combo, float width) {
  const int row = zelWidthRowOf(width);
  if (row < 0) return false;
  combo->setCurrentIndex(row);
  return true;
}

// ---- reference selectors

QIcon zelReferenceIcon(int ref) {
  if (!referenceIcons) {
    referenceIcons = new QIcon[ZelNbrRefColors];
    for (int i = 0; i < ZelNbrRefColors; i++) {
      QPixmap square(20, 20);
      square.fill(QColor(ZelRefColors[i][0], ZelRefColors[i][1], ZelRefColors[i][2]));
      referenceIcons[i] = QIcon(square);
    }
    qAddPostRoutine(dropReferenceIcons);
  }
  return referenceIcons[zelRefColorIndex(ref)];
}

void zelFillReferenceRows(QComboBox *combo, const ZelEntity *entity) {
  if (combo->count() == 0) combo->addItem("All Ref", 0);
  while (combo->count() > 1) combo->removeItem(combo->count() - 1);
  if (!entity || !entity->DspLst) return;
  for (int i = 1; i <= entity->NbrLst; i++) {
    const ZelEntDisplayList &record = entity->DspLst[i];
    if (record.Head != 0) combo->addItem(zelReferenceIcon(record.Ref), QString::number(record.Ref), i);
  }
}

// ---- solutions

Geometric_Solution *zelElementSolution(const Geometric_Mesh *mesh) {
  if (!mesh) return nullptr;
  for (Geometric_Solution *s : {mesh->SolAtTet, mesh->SolAtPri, mesh->SolAtPyr, mesh->SolAtHex, mesh->SolAtQua,
                                mesh->SolAtTri})
    if (s) return s;
  return nullptr;
}

Geometric_Solution *zelPanelSolution(const Geometric_Mesh *mesh) {
  if (!mesh) return nullptr;
  return mesh->SolAtVer ? mesh->SolAtVer : zelElementSolution(mesh);
}

const char *zelFieldTypeName(int type) {
  static const char *const names[] = {"Scalar", "Vector", "Tensor", "Matrix"};
  return type >= SOL_SCALAR && type <= SOL_MATRIX ? names[type - SOL_SCALAR] : nullptr;
}

QFont zelFixedFont() {
  QFont font;
  font.setFixedPitch(true);
  font.setPointSize(12);
  return font;
}

void zelFinishGroup(QGroupBox *group, QLayout *layout, int w, int h) {
  layout->setContentsMargins(0, 0, 0, 0);
  group->setLayout(layout);
  group->setFont(zelFixedFont());
  group->setFixedSize(w, h);
  group->setAlignment(Qt::AlignTop);
}

QHBoxLayout *zelPanelRow(QWidget *panel) {
  auto *row = new QHBoxLayout;
  row->setContentsMargins(1, 1, 5, 10);
  row->setAlignment(Qt::AlignLeft);
  row->setSpacing(1);
  panel->setLayout(row);
  return row;
}

// ---- help texts

bool zelHelpTipEvent(QEvent *event, const std::function<QString(const QPoint &)> &itemAt) {
  if (event->type() != QEvent::ToolTip) return false;
  const auto *help = static_cast<QHelpEvent *>(event);
  const QString text = itemAt(help->pos());
  if (text != ZelNoToolTip) {
    QToolTip::showText(help->globalPos(), text);
  } else {
    QToolTip::hideText();
    event->ignore();
  }
  return true;
}
