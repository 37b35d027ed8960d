// Shared ground of the panel tests: the settings store emptied, widgets found by object name,
// header clicks, small meshes with geometric attributes and solutions, and a walk over every
// display record of a scene. The environment of the shell tests (GuiFixture) serves the store
// folder, the hook tables and the images.
#pragma once

#include <gtest/gtest.h>

#include <QWidget>
#include <functional>
#include <initializer_list>
#include <tuple>
#include <vector>

#include "tests/support/DisplayScene.h"
#include "tests/support/GLHarness.h"

class FakeHooks;
struct Geometric_Mesh;
struct Memory_List;
struct ZelEntDisplayList;
class ZelToolBox;
typedef struct Zel_Scene ZelScene;

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

// A 2-D grid of two triangles with the mesh flags given (corners, ridges, ...) and vertex
// fields of the given types.
Geometric_Mesh *FlaggedGrid(Memory_List *mem, unsigned geoFlags, const std::vector<int> &fieldTypes = {});

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
