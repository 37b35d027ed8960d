// Shared ground of the display-panel tests: a small mesh with every family the four panels
// show, the record words to compare, and the four panels of window 1 in one shown tool window,
// driven by object name.
#pragma once

#include <QStringList>
#include <initializer_list>
#include <memory>
#include <tuple>
#include <vector>

#include "tests/panels/PanelKit.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/record/ZelSequenceServer.h"

class QComboBox;
struct Geometric_Mesh;
struct Memory_List;
struct ZelEntDisplayList;
typedef struct Zel_Scene ZelScene;

// A strip of three unit cells along x: two bottom triangles per cell with the six references
// given, top quadrilaterals (references 4, 4, 5), six tetrahedra in cell 0 (references 7 and 8
// in turn), two prisms in cell 2 (reference 9), eight boundary edges around the bottom
// (references 1 then 2) and normals at the eight bottom vertices (references 1 then 2).
Geometric_Mesh *Strip(Memory_List *mem, std::initializer_list<int> triangleRefs);

// The record of a kind and reference, checked to exist.
ZelEntDisplayList &Rec(ZelScene *scene, int kind, int ref);
// Kind, reference, flags, render word and line width of every display record.
using RecordState = std::tuple<int, int, unsigned, unsigned, float>;
std::vector<RecordState> States(ZelScene *scene);
QStringList RowTexts(const QComboBox *combo);

// Choosing a row as a user does: the combo's list opened, the row taken with Return.
void Choose(QComboBox *combo, int row);

// The normals, lines, surfaces and volumes panels of window 1, open in one shown tool window.
struct Visu {
  ZelSequenceServer server;
  ZelTool tool;
  // mode: the sequence server's record mode.
  explicit Visu(ZelScene *scene, int mode = 2);
  template <class T>
  T *get(const QString &name) const {
    return Named<T>(&tool, name);
  }
  void choose(const QString &combo, int row) const;
  void click(const QString &check) const;
};
