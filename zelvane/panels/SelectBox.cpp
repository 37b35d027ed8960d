// The active-field combo and the opening, closing and tinting of the field boxes.
#include "zelvane/panels/SelectBox.h"

#include <QApplication>
#include <QHBoxLayout>

#include "common/model/Mesh.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/gui/ZelToolBox.h"
#include "zelvane/panels/EntBox.h"
#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// Every solution display a record can carry. "0 NoSolution" clears them all, not only those
// the scene's solution bits name: a display switched off for one reference clears the scene's
// bit while other references still show it.
const ZelOptionMask AllSolutionOptions = ZelOptShading | ZelOptIsoLines | ZelOptIsoSurfaces | ZelOptVectors | ZelOptMetric;

QString fieldRow(int field, int type) {
  const char *name = zelFieldTypeName(type);
  return name ? QString("%1 %2 ").arg(field + 1).arg(name) : QString("Unknown Solution Type");
}

}  // namespace

SelectBox::SelectBox(ZelSequenceServer *server, ZelScene *scene, int id) : QZelBase(scene, server, id) {
  // Only %1 is replaced: recorded sequences know the combo as "select:<id>:%2".
  solBox_ = new QZelComboBox(QString("select:%1:%2").arg(id), server);
  solBox_->setFixedSize(120, 20);
  solBox_->addItem(QIcon(), "0 NoSolution", -1);
  if (const Geometric_Solution *sol = scene ? zelPanelSolution(scene->Msh) : nullptr)
    for (int f = 0; f < sol->NbrFld; f++) solBox_->addItem(QIcon(), fieldRow(f, sol->SizFld[f]), f);
  connect(solBox_, QOverload<int>::of(&QComboBox::activated), this, &SelectBox::selectSolution);
  layout_ = new QHBoxLayout;
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->addWidget(solBox_);
  setLayout(layout_);
}

SelectBox::~SelectBox() {
  delete solBox_;
  delete layout_;
}

void SelectBox::selectSolution(int row) {
  if (!scene) return;
  if (row == 0) {
    scene->ActFld = -1;
    scene->Flags &= ~(ZelFlgLegend | ZelFlgTime);
    zelUpdateAllDisplayListsOptions(AllSolutionOptions, 0, 0, scene);
  } else {
    const int field = solBox_->itemData(row).toInt();
    scene->ActFld = field;
    const QList<ZelToolBox *> boxes = solTool_ ? solTool_->boxes() : QList<ZelToolBox *>();
    QZelBase *panel = field + 1 >= 0 && field + 1 < boxes.size() ? boxes[field + 1]->panel() : nullptr;
    if (!panel) return;
    if (auto *fieldPanel = dynamic_cast<EntBox *>(panel)) fieldPanel->emitSignals();
  }
  updateSolBox();
  if (auto *mw = solTool_ ? qobject_cast<MainWindow *>(solTool_->parentWidget()) : nullptr) mw->zelUpdateBottom();
  updateGlScene(scene);
}

void SelectBox::updateSolBox() {
  const Geometric_Solution *sol = scene ? zelPanelSolution(scene->Msh) : nullptr;
  if (!sol || !solTool_) return;
  QPalette tint = QApplication::palette();
  tint.setBrush(QPalette::Active, QPalette::Window, QBrush(QColor::fromCmykF(0, 1, 0, 1, 0.35)));
  const QList<ZelToolBox *> &boxes = solTool_->boxes();
  const int active = scene->ActFld;
  for (int f = 0; f < sol->NbrFld; f++) {
    solTool_->setVisibleBox(f + 1, false);
    if (active != -1 && f + 1 < boxes.size()) boxes[f + 1]->setEnabled(false);
  }
  if (active == -1) return;
  // The tint stays on a panel that was active earlier: it is closed and disabled, so unseen.
  solTool_->setVisibleBox(active + 1, true);
  if (active + 1 >= 0 && active + 1 < boxes.size()) {
    boxes[active + 1]->setEnabled(true);
    if (QZelBase *panel = boxes[active + 1]->panel()) panel->setPalette(tint);
  }
}

void SelectBox::zelUpdate() {
  if (!scene) return;
  const int active = scene->ActFld;
  if (active == -1) {
    updateSolBox();
    solBox_->setCurrentIndex(0);
    return;
  }
  if (!solTool_ || active + 1 < 0 || active + 1 >= solTool_->boxes().size()) return;
  solTool_->boxes()[active + 1]->update();
  updateSolBox();
  solBox_->setCurrentIndex(active + 1);
}
