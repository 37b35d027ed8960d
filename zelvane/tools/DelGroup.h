// The widgets and logic of the "Delete" tool: removes the triangles of one reference.
//
// With the method "Reference" and a number, Start Analyse selects the triangles of that
// reference's display record (appending: a second press selects them again) and shows them in
// red; Update Mesh clears their alive and visible bits, hides the record and rebuilds it empty,
// refreshes (or makes) the "Surfaces" page and the Change References tool, and resets. Only
// triangles are deleted; other kinds and "One Element" are refused with a line on standard
// error (other kinds also with one box). A reference without a record is told in one box and
// changes nothing; Update Mesh with nothing selected changes nothing. GUI thread only.
#pragma once

#include <QList>
#include <vector>

#include "zelvane/gui/QZelBase.h"

class QGridLayout;
class QZelComboBox;
class QZelLineEdit;
class QZelPushButton;
class ZelTool;
struct ZelEntDisplayList;

class DelGroup : public QZelBase {
  Q_OBJECT

 public:
  DelGroup(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view, const QList<ZelTool *> &tools);

  // Reads the number field again (start rule).
  void zelUpdate() override { setNum(); }
  void connectButton() override;
  // The selection in red, depth-tested, each triangle as often as it was selected.
  void draw() override;

  void setEntity(int kind) { kind_ = kind; }
  int entity() const { return kind_; }
  // The start rule: a number read, a method other than row 0 and a kind.
  bool isEnabledStartAnalyse() const;
  // The kind dispatch of Start Analyse alone.
  void deleteReference();
  void setNumber(int ref);
  void addZelTool(ZelTool *tool) { tools_.append(tool); }
  const std::vector<int> &selection() const { return selection_; }

 public slots:
  void setNum();
  void startAnalyse();
  void updateMesh();
  void setMethode(int) { applyStartRule(); }
  void resetWidget();

 private:
  void applyStartRule();
  // Appends the triangles of the number's record; false (after its box) when it has none.
  bool delTrianglesRef();
  void updateToolWidget();

  QGridLayout *grid_ = nullptr;
  QZelComboBox *metBox_ = nullptr;
  QZelLineEdit *numEdi_ = nullptr;
  QZelPushButton *anaBox_ = nullptr, *updBox_ = nullptr, *resBox_ = nullptr;
  QList<ZelTool *> tools_;
  std::vector<int> selection_;
  ZelEntDisplayList *record_ = nullptr;
  int kind_ = -1;
  int number_ = 0;
  bool parsed_ = false;
};
