// The "Swap" page of the modification window: the edge swap of two triangles.
//
// The action combo ("top:topBox:%1": "Choose Action", "Swap") shows its help text. Nothing fills
// the swap selection from the user's picks, so Update Mesh stays disabled; when a selection is
// complete (two triangles sharing an edge b-c, their opposite vertices a and d), Update Mesh
// replaces them by the two triangles of the other diagonal (ZelEdit.h), refusing meshes with
// volumes and forcing reference 0 when the two references differ, each told in a box. An Update
// Mesh with no selection (a replayed click) changes nothing. Reset takes a picked edge (two
// entries 200 or 201) or a picked vertex off the pick history. GUI thread only.
#pragma once

#include <QList>
#include <QString>

#include "zelvane/gui/QZelBase.h"
#include "zelvane/tools/ZelEdit.h"

class QGridLayout;
class QTextEdit;
class QZelComboBox;
class QZelGroupBox;
class QZelPushButton;
class ZelTool;

class TopoBox : public QZelBase {
  Q_OBJECT

 public:
  TopoBox(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view, const QList<ZelTool *> &tools,
          QWidget *parent = nullptr);

  // Nothing to read back: the action stays as chosen.
  void zelUpdate() override {}
  void connectButton() override;
  void draw() override {}
  // Empties the swap selection and disables Update Mesh.
  void clearArray();
  // Whether the selection is complete; if so the help shows its summary.
  bool isEnabledSwapUpdate();
  // The swap selection (the step that fills it from picks does not exist yet).
  void setSelection(const ZelSwapSelection &sel) { sel_ = sel; }
  QString helpText() const;

 public slots:
  void setAction(int row);
  void updateMesh();
  void resetWidget();

 private:
  QZelGroupBox *frame_ = nullptr;
  QGridLayout *grid_ = nullptr;
  QZelComboBox *topBox_ = nullptr;
  QTextEdit *help_ = nullptr;
  QZelPushButton *updBox_ = nullptr, *resBox_ = nullptr;
  ZelSwapSelection sel_{};
  QList<ZelTool *> tools_;
  QString swapHelp_, collapseHelp_, chooseHelp_;
};
