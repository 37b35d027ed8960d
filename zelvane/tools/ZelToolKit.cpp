// The editing tools' shared pieces: warnings, pick history, frames and sibling refreshes.
#include "zelvane/tools/ZelToolKit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QSignalBlocker>
#include <cstdio>

#include "common/model/ElementKind.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/QZelBase.h"
#include "zelvane/gui/ZelMessage.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/record/QZelGroupBox.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelScene.h"

void zelToolWarning(const QString &text) { ZelMessage box(text, QMessageBox::Warning, Qt::PlainText); }

void zelConnectTool(QZelBase *tool) {
  if (!tool->scene) {
    fprintf(stderr, " ##### WARNING IN CONSTRUCTEUR MODBOX :  NO SCENE %p \n", static_cast<void *>(tool->scene));
    return;
  }
  tool->connectButton();
}

void zelToolRepaint(const QZelBase *tool) {
  if (GLWidget *view = tool->glView())
    view->update();
  else
    updateGlScene(tool->scene);
}

void zelToolText(QLineEdit *field, const QString &text) {
  const QSignalBlocker hold(field);
  field->setText(text);
}

const GeoStackItem *zelPickTop(const ZelScene *scene) { return scene ? geoTopHybridStack(scene->Pck) : nullptr; }

const GeoStackItem *zelPickBelow(const ZelScene *scene) {
  const GeoHybridStack *pck = scene ? scene->Pck : nullptr;
  return pck && pck->Top >= 1 ? &pck->Ent[pck->Top - 1] : nullptr;
}

bool zelToolPickKind(int kind) {
  switch (kind) {
    case KmfVertices: case KmfEdges: case KmfTriangles: case KmfQuadrilaterals: case KmfTetrahedra:
    case KmfPrisms: case KmfHexahedra: case KmfTrianglesP2: case KmfEdgesP2: case KmfQuadrilateralsQ2:
    case KmfTetrahedraP2: case KmfHexahedraQ2: case KmfPyramids: case KmfVolumeEdges: case KmfFaceEdges:
    case KmfFaceP2Edges:
      return true;
    default:
      return false;
  }
}

QGridLayout *zelToolFrame(QWidget *panel, const QString &name, ZelSequenceServer *server, int w, int h,
                          QZelGroupBox **frame) {
  *frame = new QZelGroupBox(name, server, QString());
  auto *grid = new QGridLayout;
  grid->setSpacing(2);
  zelFinishGroup(*frame, grid, w, h);
  zelPanelRow(panel)->addWidget(*frame, 0, Qt::AlignTop);
  return grid;
}

void zelForToolWindows(const QList<ZelTool *> &tools, const char *part, const std::function<void(ZelTool *)> &f) {
  for (ZelTool *tool : tools)
    if (tool && tool->windowTitle().contains(part, Qt::CaseInsensitive)) f(tool);
}

int zelCountPages(const ZelTool *tool, std::initializer_list<const char *> titles) {
  int n = 0;
  for (const char *t : titles) n += tool->getZelBase(t) != nullptr;
  return n;
}

void zelRefreshPage(ZelTool *tool, const char *title, const std::function<QZelBase *()> &make, int index) {
  QZelBase *page = tool->getZelBase(title);
  if (!page && make) {
    page = make();
    tool->insertWidget(index, page, title, false);
  }
  if (page) page->zelUpdate();
}
