// The Swap tool: its widgets, help texts and the swap update.
#include "zelvane/tools/TopoBox.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QTextEdit>
#include <cstdio>

#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "zelvane/panels/ZelPanelRows.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelGroupBox.h"
#include "zelvane/record/QZelPushButton.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/ZelToolKit.h"

namespace {

QString helpOf(const char *heading, std::initializer_list<const char *> items) {
  QString html = QString("<span style=\"color:red\"><u>%1</u><ul>").arg(heading);
  for (const char *item : items) html += QString("<li>%1</li>").arg(item);
  return html + "</ul></span>";
}

const char *const ClicUpdate = "Clic \"Update Mesh\" Button";

}  // namespace

TopoBox::TopoBox(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view, const QList<ZelTool *> &tools,
                 QWidget *parent)
    : QZelBase(scene, server, id, view, parent), tools_(tools) {
  chooseHelp_ = helpOf("Choose Action to Execute:", {"Swap Edge", "Collapse Vertices"});
  swapHelp_ = helpOf("To Swap Edge:",
                     {"Pick an Edge in a Face (Only Triangle)<br>(No Ridge, No Required Edge, Only Manifold)", ClicUpdate});
  collapseHelp_ = helpOf("To Collapse 2 Vertices:",
                         {"Pick one Vertex in a Face", "Pick another Vertex in the same Face", ClicUpdate});

  frame_ = new QZelGroupBox(QString("top:group%1").arg(id), server, QString());
  grid_ = new QGridLayout;
  grid_->setContentsMargins(0, 0, 0, 0);
  grid_->setSpacing(2);
  frame_->setLayout(grid_);
  frame_->setFont(zelFixedFont());
  frame_->setAlignment(Qt::AlignTop);
  zelPanelRow(this)->addWidget(frame_, 0, Qt::AlignTop);

  topBox_ = new QZelComboBox(QString("top:topBox:%1").arg(id), server);
  topBox_->addItem(tr("Choose Action"));
  topBox_->addItem(tr("Swap"));
  help_ = new QTextEdit;
  help_->setFixedSize(350, 150);
  help_->setAcceptRichText(true);
  help_->setStyleSheet("QTextEdit{ font-size: 12px;font-weight: normal;background-color: transparent; color: black;}");
  help_->setHtml(chooseHelp_);
  updBox_ = new QZelPushButton(QString("top:updBox:%1").arg(id), server, tr("Update Mesh"));
  resBox_ = new QZelPushButton(QString("top:resBox:%1").arg(id), server, tr("Reset"));
  updBox_->setFixedSize(90, 20);
  resBox_->setFixedSize(90, 20);
  updBox_->setEnabled(false);
  grid_->addWidget(topBox_, 0, 0, Qt::AlignLeft);
  grid_->addWidget(help_, 1, 0, 1, -1, Qt::AlignLeft);
  grid_->addWidget(resBox_, 2, 0, Qt::AlignCenter);
  grid_->addWidget(updBox_, 2, 3, Qt::AlignRight);
  zelConnectTool(this);
}

void TopoBox::connectButton() {
  connect(topBox_, QOverload<int>::of(&QComboBox::activated), this, &TopoBox::setAction);
  connect(updBox_, &QPushButton::clicked, this, &TopoBox::updateMesh);
  connect(resBox_, &QPushButton::clicked, this, &TopoBox::resetWidget);
}

QString TopoBox::helpText() const { return help_->toHtml(); }

void TopoBox::setAction(int row) {
  switch (row) {
    case 0: help_->setHtml(chooseHelp_); break;
    case 1: help_->setHtml(swapHelp_); break;
    case 2: help_->setHtml(collapseHelp_); break;
    default: help_->setPlainText("Not Planned Action"); break;
  }
}

void TopoBox::clearArray() {
  sel_ = ZelSwapSelection{};
  updBox_->setEnabled(false);
}

bool TopoBox::isEnabledSwapUpdate() {
  if (!scene || !scene->Msh || !sel_.A || !sel_.B || !sel_.C || !sel_.D) return false;
  const int n = scene->Msh->NbrTri;
  const QString blue = "<span style=\"color:blue\">%1</span>";
  const QString tri = blue.arg("%1 (%2, %3, %4) ");
  help_->setHtml(QString("<u>Ready To Swap:</u><br>Edge contains vertices : (%1, %2)<br>Delete Triangles :<br>%3<br>%4"
                         "<br>Create Triangles :<br>%5<br>%6")
                     .arg(blue.arg(sel_.B), blue.arg(sel_.C))
                     .arg(tri.arg(sel_.Tri[0]).arg(sel_.A).arg(sel_.B).arg(sel_.C))
                     .arg(tri.arg(sel_.Tri[1]).arg(sel_.D).arg(sel_.B).arg(sel_.C))
                     .arg(tri.arg(n + 1).arg(sel_.A).arg(sel_.B).arg(sel_.D))
                     .arg(tri.arg(n + 2).arg(sel_.C).arg(sel_.A).arg(sel_.D)));
  return true;
}

void TopoBox::updateMesh() {
  if (!scene || !scene->Msh || !scene->ZelMsh) return;
  const Geometric_Mesh *msh = scene->Msh;
  const int n = msh->NbrTri;
  for (int t : sel_.Tri)
    if (t < 1 || t > n) return;  // nothing selected (a replayed click)
  if (scene->Rnd.Kinds & ZelKindsVolumes) {
    zelToolWarning("Action 'Swap Edge' Impossible.\n The Mesh contains Volumic Elements.");
    resetWidget();
    return;
  }
  int ref = msh->Tri[sel_.Tri[0]].Ref;
  if (ref != msh->Tri[sel_.Tri[1]].Ref) {
    zelToolWarning(QString("Force Ref to %1 \n For New Triangles (%2 , %3).").arg(0).arg(n + 1).arg(n + 2));
    ref = 0;
  }
  if (zelSwapTriangles(scene, sel_, ref) == ZelEditNoRoom)
    zelToolWarning(QString("####WARNING : NO ROOM FOR NEW REF %1 FOR THIS TYPE %2\n").arg(ref).arg(zelGetTypeName(KmfTriangles)));
  clearArray();
  updateGlScene(scene);
}

void TopoBox::resetWidget() {
  if (!scene) return;
  clearArray();
  const GeoStackItem *top = zelPickTop(scene);
  if (top) {
    const GeoStackItem *below = zelPickBelow(scene);
    const bool edge = top->Typ == KmfFaceEdges || top->Typ == KmfFaceP2Edges;
    if (edge && (!below || below->Typ == top->Typ)) {
      geoPopHybridStack(scene->Pck, nullptr, nullptr);
      if (below) geoPopHybridStack(scene->Pck, nullptr, nullptr);
    } else if (top->Typ == KmfVertices) {
      geoPopHybridStack(scene->Pck, nullptr, nullptr);
    }
    updateGlScene(scene);
  }
  setAction(topBox_->currentIndex());
  updBox_->setEnabled(false);
}
