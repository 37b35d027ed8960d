// Shared ground of the panel tests: the headers they all use, the settings store emptied,
// widgets found by object name and driven as a user does, small meshes with geometric
// attributes and solutions, and walks over the display records of a scene. The environment of
// the shell tests (GuiFixture) serves the store folder, the hook tables and the images.
#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <functional>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

#include "common/base/Memory.h"
#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/DisplayScene.h"
#include "tests/support/FakeHooks.h"
#include "tests/support/GLHarness.h"
#include "tests/support/SceneFixtures.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/gui/ZelToolBox.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/record/QZelPushButton.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelScene.h"

// The list rebuilds the fake hooks saw, in order: (kind, reference, rebuild mask).
using Call = std::tuple<int, int, unsigned>;
std::vector<Call> Built(const FakeHooks &hooks);

// Removes every key of the settings store.
void ClearStore();

// The child of root with this object name, checked to exist.
template <class T>
T *Named(const QObject *root, const QString &name) {
  T *w = root->findChild<T *>(name);
  EXPECT_NE(w, nullptr) << name.toStdString();
  return w;
}

// A mouse click on a box's header indicator, as a user opens or closes it.
void ClickHeader(ZelToolBox *box);
// A mouse click on a check box's indicator, at its left end.
void ClickCheck(QWidget *check);
// Whether a box is closed: unchecked, 20 pixels high, flat, its page hidden.
bool IsClosed(const ZelToolBox *box);
// A row chosen as a user does, by the keyboard in the opened list.
void Choose(QComboBox *combo, int row);
// A text typed into a field and taken (editingFinished).
void Type(QLineEdit *field, const QString &text);
// The rows of a combo: (text, data).
std::vector<std::pair<QString, int>> Rows(const QComboBox *combo);

// A 2-D grid of two triangles with the mesh flags given (corners, ridges, ...) and vertex
// fields of the given types.
Geometric_Mesh *FlaggedGrid(Memory_List *mem, unsigned geoFlags, const std::vector<int> &fieldTypes = {});
// A main window opened on a generated mesh, its start-up lines swallowed.
std::unique_ptr<Viewer> QuietViewer(const std::function<Geometric_Mesh *(Memory_List *)> &make);

// A scene opened as DisplayScene opens it, with its records made (or not) in a GL context of
// the test's own, current while it lives: no context outlives the test's application.
class PanelScene {
 public:
  explicit PanelScene(const std::function<Geometric_Mesh *(Memory_List *)> &make, bool setup = true)
      : gl_(), scene_(make, setup) {}
  ZelScene *operator->() const { return scene_.get(); }
  ZelScene *get() const { return scene_.get(); }

 private:
  struct CurrentGL : GLHarness {
    CurrentGL() : GLHarness(16, 16) { makeCurrent(); }
  };
  CurrentGL gl_;
  DisplayScene scene_;
};

// Calls f on every display record of every entity of the scene.
void ForEachRecord(ZelScene *scene, const std::function<void(int kind, ZelEntDisplayList &record)> &f);
// The record of a kind and reference (checked to exist).
ZelEntDisplayList &Rec(ZelScene *scene, int kind, int ref);
// The references of a kind whose records pass `has`, in record order.
std::vector<int> Refs(ZelScene *s, int kind, const std::function<bool(const ZelEntDisplayList &)> &has);
// Solution word of every record of a kind, by reference.
std::map<int, unsigned> Words(ZelScene *s, int kind);
