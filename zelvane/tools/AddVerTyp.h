// The "Add Vertex Type" page of the modification window: marks one vertex as a corner or as
// required.
//
// A picked vertex fills "Vertex :" (or the user types a number); once a number and a type other
// than "No Type" are set, Update Mesh is enabled and the picked vertex entry is taken off the
// pick history, once (only that entry, so that later tools still see the picks below it). Update
// Mesh marks the vertex (ZelEdit.h), repaints, refreshes or makes the "Geometry" page and clears
// the fields. A number outside 1..NbrVer is told in one box and changes nothing. The tool draws
// nothing in the view. GUI thread only.
#pragma once

#include <QList>

#include "zelvane/gui/QZelBase.h"

class QGridLayout;
class QHBoxLayout;
class QLabel;
class QZelComboBox;
class QZelGroupBox;
class QZelLineEdit;
class QZelPushButton;
class ZelTool;

class AddVerTyp : public QZelBase {
  Q_OBJECT

 public:
  AddVerTyp(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view, const QList<ZelTool *> &tools,
            QWidget *parent = nullptr);

  // Takes a picked vertex into the field, then applies the readiness rule.
  void zelUpdate() override;
  void connectButton() override;
  void draw() override {}
  // The readiness rule: a number read and a type chosen; true enables Update Mesh (and takes the
  // picked vertex off the history when it is still the latest pick).
  bool isEnabledStartUpdate();

 public slots:
  void setNumVer();
  void updateMesh();
  void setType(int) { isEnabledStartUpdate(); }
  void resetWidget();

 private:
  void updateToolWidget();

  QZelGroupBox *frame_ = nullptr;
  QGridLayout *grid_ = nullptr;
  QLabel *label_ = nullptr;
  QZelLineEdit *numEdi_ = nullptr;
  QZelComboBox *typBox_ = nullptr;
  QZelPushButton *updBox_ = nullptr, *resBox_ = nullptr;
  bool parsed_ = false;
  int vertex_ = 0;
  int taken_ = 0;  // the picked vertex now in the field, while its entry is on the history
  QList<ZelTool *> tools_;
};
