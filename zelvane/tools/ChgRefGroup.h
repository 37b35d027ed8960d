// The widgets and logic of the "Change References" tool: gives boundary edges, triangles or
// quadrilaterals a new reference.
//
// Methods (the combo "ref:metBox:%1"): "One Element" (the seed alone), "Delimited Area" (the
// triangles reachable from the seed without crossing a boundary edge) and "Replace Reference"
// (every element of the Old Ref). The seed is the picked element (ChgRefBox hands it over) or,
// when "Old Ref :" names a reference of the kind, the first element of that reference. A valid
// "New Ref :" read since the last Start Analyse or Reset enables Start Analyse, which collects
// the selection, shows it in red in the view and enables Update Mesh; Update Mesh writes the
// reference, moves the elements to its display record (ZelEdit.h), refreshes the "Lines" or
// "Surfaces" page and the "Delete" tool, and resets. Reset also empties the pick history.
//
// A Start Analyse that selects nothing shows one warning box and changes nothing; an Update
// Mesh with nothing selected (a replayed click) changes nothing. Boxes come from the slots, never
// from a refresh or a paint. GUI thread only.
#pragma once

#include <QList>
#include <vector>

#include "zelvane/gui/QZelBase.h"

class QGridLayout;
class QLabel;
class QZelComboBox;
class QZelGroupBox;
class QZelLineEdit;
class QZelPushButton;
class ZelTool;

class ChgRefGroup : public QZelBase {
  Q_OBJECT

 public:
  ChgRefGroup(ZelSequenceServer *server, ZelScene *scene, int id, GLWidget *view, const QList<ZelTool *> &tools);

  // Enables Start Analyse when a valid New Ref waits.
  void zelUpdate() override;
  void connectButton() override;
  // The red overlay of the selection (depth-tested in 3-D), in selection order.
  void draw() override;

  // What ChgRefBox hands over: the kind of its chosen row and the picked element.
  void setKind(int kind) { kind_ = kind; }
  void setSeed(int element) { seed_ = element; }
  // Checks the Old Ref field against the kind's records and moves the seed to the first element
  // of that reference; notify: a reference the kind lacks is told in a box (user actions only).
  void checkOldRef(bool notify);
  // The Old Ref field as a decimal int, -1 when it is not one.
  int getOldRef();
  void clearOldRef();
  void addZelTool(ZelTool *tool) { tools_.append(tool); }
  const std::vector<int> &selection() const { return selection_; }

 public slots:
  void setOldRef() { checkOldRef(true); }
  void setNewRef();
  void startAnalyse();
  void updateMesh();
  void setMethode(int) {}
  void resetWidget();

 private:
  void analyseOneElement();
  void analyseDelimArea();
  void analyseReplaceOldRef();
  void delimAreaTri(int seed);
  // The elements of the Old Ref's record, for the member's kind word ("EFR", "TRI", "QUA").
  void replaceOldRef(const char *word);
  void updateToolWidget();
  void warn(const QString &text);

  QZelGroupBox *frame_ = nullptr;
  QGridLayout *grid_ = nullptr;
  QLabel *oldLabel_ = nullptr, *newLabel_ = nullptr;
  QZelLineEdit *oldEdi_ = nullptr, *refEdi_ = nullptr;
  QZelComboBox *metBox_ = nullptr;
  QZelPushButton *resBox_ = nullptr, *anaBox_ = nullptr, *updBox_ = nullptr;

  bool readOk_ = false;      // the last number read (Old Ref or New Ref) was valid
  bool newRefReady_ = false; // a valid New Ref read since the last Start Analyse or Reset
  bool warned_ = false;      // the running slot has shown its box
  int typedRef_ = 0;
  int newRef_ = -1;
  int kind_ = 0;
  int seed_ = 0;
  QList<ZelTool *> tools_;
  std::vector<int> selection_;
};
