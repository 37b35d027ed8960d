// The bottom bar of a window: saved states and views, the displayed solution field, the kind
// of element to look up and a small input line.
//
// Widgets, left to right, each a recordable wrapper named with the window number %1: the state
// combo "State_%1" and its button "_%1_pushState", the view combo "View_%1" and its button
// "_%1_pushView", the solution combo "Sol_%1", the pick combo "Pick_%1" and the input line
// "Input_%1". The pick combo lists "None", one item per element kind the mesh holds, "From
// File" (a path file) and "New Ref" (change the reference around the last picked triangle).
//
// The input line, on Return, depends on the chosen kind: a number looks that element up and
// picks it; "a,b" in edge mode picks the edge of two vertices; "x.,y.,z." in vertex mode adds
// a point to the bar's path; in "New Ref" mode a number is the new reference. Every refusal is
// a ZelMessage warning. GUI thread only.
#pragma once

#include "zelvane/gui/QZelBase.h"

class QHBoxLayout;
class QZelComboBox;
class QZelLineEdit;
class QZelPushButton;
struct Geometric_Mesh;
struct Geometric_Solution;
struct ZelPath;

// Pick-combo item data of the last item: not an element kind but the reference change.
enum : int { ZelPickNewRef = 14 };

class ZelBottom : public QZelBase {
  Q_OBJECT

 public:
  // parent: the owning Window.
  ZelBottom(ZelSequenceServer *server, int index, QWidget *parent);
  ~ZelBottom() override;

  void connectButton() override;
  void disconnectButton();
  // Refills the pick and solution combos for the scene (null: "From File" and "New Ref" only).
  void setSceneAndBoxes(ZelScene *scene);
  void setPickBox(Geometric_Mesh *mesh);
  // The solution combo refilled: "0 NoSolution", then one row per field of the solution.
  void setSolBox(const Geometric_Solution *solution);
  // The solution combo follows the scene's active field.
  void zelUpdate() override;
  void addNewView(int n);
  void addNewState(int n);
  void remLastState();
  void removeStates();
  // Empties the input line and every combo but its first item, disconnected.
  void resetBottom();

  int pickKind() const { return pickKind_; }
  int elementNumber() const { return element_; }
  QZelComboBox *viewCombo() const { return viewCombo_; }
  QZelComboBox *solCombo() const { return solCombo_; }
  QZelComboBox *pickCombo() const { return pickCombo_; }
  QZelComboBox *stateCombo() const { return stateCombo_; }
  QZelLineEdit *inputLine() const { return input_; }
  ZelScene *getScene() const { return scene; }
  void clearWidget();

  // Kind code of a pick-combo item's data; 0 for "None" and for data outside the table.
  static int pickKindOf(int data);

 public slots:
  void setSolution(int index);
  void setState(int index);
  void setView(int index);
  void setPicking(int index);
  void saveCurView();
  void saveCurState();
  void validRegExp();
  void findElemFromNum();
  void findElemFromVer();

 private:
  void newRef();
  void addPathPoint(const QString &text);
  void returnFocus();

  ZelPath *path_ = nullptr;
  int newPath_ = 1;
  QHBoxLayout *layout_ = nullptr;
  QZelComboBox *stateCombo_ = nullptr;
  QZelPushButton *stateButton_ = nullptr;
  QZelComboBox *viewCombo_ = nullptr;
  QZelPushButton *viewButton_ = nullptr;
  QZelComboBox *solCombo_ = nullptr;
  QZelComboBox *pickCombo_ = nullptr;
  QZelLineEdit *input_ = nullptr;
  int pickKind_ = 0;
  int element_ = 0;
};
