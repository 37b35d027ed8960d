// A clip plane and the volume display in every order of their keys, plane moves and restored
// states: a scene draws what a fresh scene draws once it is given the same settings. And the
// vector arrows and numbers the volume records keep while volumes are hidden: cut as an order
// that puts the plane first cuts them.
#include <GL/gl.h>

#include <cmath>
#include <cstddef>
#include <map>

#include "tests/scene/SceneTest.h"
#include "tests/support/GLHarness.h"
#include "tests/support/TopoFixtures.h"
#include "zelvane/lists/ZelInstallLists.h"
#include "zelvane/sample/ZelSample.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelEvent.h"
#include "zelvane/scene/ZelInput.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelSavedState.h"
#include "zelvane/scene/ZelState.h"
#include "zelvane/scene/ZelView.h"

namespace {

constexpr int Size = 240;

// The view's light (two-sided, light 0) and its paint of the scene on its background.
QImage paint(GLHarness &gl, ZelScene *s) {
  gl.makeCurrent();
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
  const GLfloat diffuse[4] = {1, 1, 1, 1}, ambient[4] = {0.1f, 0.1f, 0.1f, 1};
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
  glEnable(GL_LIGHT0);
  zelReshapeScene(s, Size, Size);
  glClearColor(s->Back[0] / 255.0f, s->Back[1] / 255.0f, s->Back[2] / 255.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glMatrixMode(GL_MODELVIEW);
  glLoadMatrixd(s->View->Mat);
  glTranslated(-s->View->Ctr[0], -s->View->Ctr[1], -s->View->Ctr[2]);
  zelDisplayScene(s);
  return gl.grab();
}

// What the keys change: the scene's words and render options, every record's flags and
// options, and the clip planes (words, frame, coefficients; not their records).
struct Settings {
  uint32_t Flags = 0, Mode = 0;
  ZelRenderOption Rnd{};
  std::vector<ZelEntDisplayList> Records;
  ZelPlaEntity Planes{};
};

template <class F>
void eachRecord(ZelScene *s, F &&f) {
  for (int kind : ZelEntityOrder)
    if (ZelEntity *ent = zelGetEntity(s->ZelMsh, kind))
      for (int d = 1; d <= ent->NbrLst; d++) f(ent->DspLst[d]);
}

Settings settingsOf(ZelScene *s) {
  Settings w;
  w.Flags = s->Flags, w.Mode = s->Mode, w.Rnd = s->Rnd;
  eachRecord(s, [&](const ZelEntDisplayList &r) { w.Records.push_back(r); });
  std::memcpy(static_cast<void *>(&w.Planes), s->ZelMsh->Pla, offsetof(ZelPlaEntity, Lst));
  return w;
}

// A fresh scene given the settings directly: marked against its plane, every list built once
// from them, as a window opened on them builds its lists.
void reach(ZelScene *s, const Settings &w) {
  s->Flags = w.Flags, s->Mode = w.Mode, s->Rnd = w.Rnd;
  size_t i = 0;
  eachRecord(s, [&](ZelEntDisplayList &r) {
    ASSERT_LT(i, w.Records.size());
    r.Flags = w.Records[i].Flags, r.Opt = w.Records[i++].Opt;
  });
  std::memcpy(static_cast<void *>(s->ZelMsh->Pla), &w.Planes, offsetof(ZelPlaEntity, Lst));
  if (w.Planes.On) {
    Function_Interface fi;
    DefaultFunInterface(&fi, s->Mem, s->Par, "CLIPPING");
    zelSetPlaneClip(&fi, s, w.Planes.Cur);
  }
  zelUpdateAllDisplayLists(1, s);
}

// Plays an order, words apart, as the view hands them to the scene: a key ("v", "C", "f", "e",
// "F1", "F2", "F5"); "drag": the middle button pressed at the centre, moved and released (in
// clip-edit mode it moves the plane along its normal), "nudge" the same moved a little;
// "save" a state, "restore" the last one.
void play(ZelScene *s, const std::string &order) {
  std::istringstream words(order);
  for (std::string step; words >> step;) {
    if (step == "drag" || step == "nudge") {
      const int moves = step == "drag" ? 3 : 1, by = step == "drag" ? 8 : 2;
      s->ClpEvt->buttons = s->VieEvt->buttons = ZelButtonMiddle;
      zelProcessMousePressEvent(s, Size / 2, Size / 2);
      for (int k = 1; k <= moves; k++) zelProcessMouseMoveEvent(s, Size / 2, Size / 2 + by * k);
      zelProcessMouseReleaseEvent(s);
    } else if (step == "save") {
      ASSERT_GT(zelSaveState(s), 0);
    } else if (step == "restore") {
      ASSERT_EQ(setSavedState(s, s->State->NbrState - 1), 1);
    } else {
      const std::map<std::string, uint32_t> special = {{"F1", ZelKeyF1}, {"F2", ZelKeyF2}, {"F5", ZelKeyF5}};
      const uint32_t bits = special.count(step) ? special.at(step) : 0u;
      ASSERT_TRUE(bits || step.size() == 1) << step;
      s->VieEvt->keyChar = static_cast<int8_t>(bits ? ' ' : step[0]);
      s->VieEvt->keyBits = bits;
      EXPECT_EQ(zelProcessKeyEvent(s), 1) << step;
    }
  }
}

int differingPixels(const QImage &a, const QImage &b) {
  if (a.size() != b.size()) return a.width() * a.height() + b.width() * b.height();
  int n = 0;
  for (int y = 0; y < a.height(); y++)
    for (int x = 0; x < a.width(); x++) n += a.pixel(x, y) != b.pixel(x, y);
  return n;
}

const struct {
  const char *Keys, *What;
} kOrders[] = {
    {"F1", "the plane alone"},
    {"v F1", "volumes, then the plane: the cut layer shows"},
    {"F1 v", "the plane, then volumes"},
    {"v F1 F1 F1", "the plane off and on again over volumes"},
    {"F1 v F1 F1", "the plane off and on again after volumes"},
    {"v F5 F1", "the plane over shrunk volumes"},
    {"f f f F1 v F1", "surfaces hidden: no cut layer is left once the plane is off"},
    {"F1 v e F1", "surfaces transparent: no cut layer is left once the plane is off"},
    {"F1 C e F1", "surfaces transparent: no cap is left once the plane is off"},
    {"v F1 F2 drag F2", "the plane moved over volumes, which the move turns off"},
    {"v F1 F2 drag F2 v", "the plane moved, then volumes"},
    {"v F1 save F1 v restore", "a state with volumes and the plane restored"},
    {"v save F1 restore", "a state with volumes and no plane restored"},
};

// The program's sample box (tetrahedra, the triangles of its sides; its faces show, its
// volumes not) with a vector at every vertex, turning from vertex to vertex.
Geometric_Mesh *vectorBox(Memory_List *mem) {
  Geometric_Mesh *m = zelMakeSampleBox(mem, 4);
  const int type = SOL_VECTOR;
  m->SolAtVer = NewCommonSolution(mem, m->NbrVer, 3, 1, &type);
  m->NbrSolVer = m->NbrVer, m->MaxSolVer = 3 * m->NbrVer;
  for (int v = 1; v <= m->NbrVer; v++)
    for (int c = 0; c < 3; c++) VertexValue(m, v, 0, c) = std::cos(0.7 * v + 2 * c);
  return m;
}

// An order and the reference order that reaches the same settings with the plane first.
// "v M v" and "v P v" build the arrows and numbers of the volume records, which the frame
// draws whatever the volume display; hidden again, the volumes keep them.
const struct {
  const char *Keys, *Reference;
} kKeptOrders[] = {
    {"M F1", "F1 M"},
    {"F1 M F1 F1", "F1 M"},
    {"v M v F1", "F1 v M v"},
    {"v M v F1 F1 F1", "F1 v M v"},
    {"v M v F1 F2 nudge F2", "F1 F2 nudge F2 v M v"},
    {"v M v F1 save F1 restore", "F1 v M v"},
    // A state saved with no plane takes the plane away with its outline.
    {"v M v save F1 restore", "v M v"},
    {"v P v F1", "F1 v P v"},
};

void save(GLHarness &gl, const QImage &img, std::string name) {
  std::replace(name.begin(), name.end(), ' ', '-');
  gl.savePng(img, name);
}

}  // namespace

// Every order on the program's sample and on a small hybrid block (a hexahedron, a prism, a
// pyramid and tetrahedra), against a fresh scene of the same mesh given the settings the order
// reached.
TEST(ClipOrder, EveryOrderOfPlaneAndVolumeKeysDrawsWhatAFreshSceneDrawsForTheSameSettings) {
  GLHarness gl(Size, Size);
  ASSERT_TRUE(gl.valid());
  zelInstallListHooks();
  const struct {
    const char *Name;
    std::function<Geometric_Mesh *(Memory_List *)> Make;
  } meshes[] = {
      {"sample", [](Memory_List *mem) { return zelMakeSampleBox(mem, 4); }},
      {"hybrid", MakeMixedBlock},
  };
  for (const auto &mesh : meshes) {
    std::map<std::string, QImage> pictures;
    for (const auto &row : kOrders) {
      SCOPED_TRACE(std::string(mesh.Name) + ": " + row.Keys + " (" + row.What + ")");
      DisplayScene keyed(mesh.Make), fresh(mesh.Make);
      zelUpdateFirstDisplayLists(keyed.get());  // as the window showing it does
      CaptureText([&] { play(keyed.get(), row.Keys); });
      const QImage shown = paint(gl, keyed.get());
      reach(fresh.get(), settingsOf(keyed.get()));
      const QImage want = paint(gl, fresh.get());
      const int off = differingPixels(shown, want);
      EXPECT_EQ(off, 0);
      if (off || std::string(row.Keys) == "v F1") {
        save(gl, shown, std::string("clip-order-") + mesh.Name + "-" + row.Keys + "-keys");
        save(gl, want, std::string("clip-order-") + mesh.Name + "-" + row.Keys + "-fresh");
      }
      pictures[row.Keys] = want;
    }
    // The premise: the plane cuts away part of the mesh, and the cut layer of volumes shows.
    EXPECT_GT(differingPixels(pictures["F1"], pictures["v save F1 restore"]), 1000) << mesh.Name;
    EXPECT_GT(differingPixels(pictures["v F1"], pictures["F1"]), 1000) << mesh.Name;
  }
}

// Arrows and numbers kept while volumes are hidden, cut as the plane first cuts them: each
// order draws its reference's picture to the pixel, a cut one apart from the uncut one.
TEST(ClipOrder, ArrowsAndNumbersKeptWhileVolumesAreHiddenAreCutAsThePlaneFirstCutsThem) {
  GLHarness gl(Size, Size);
  ASSERT_TRUE(gl.valid());
  zelInstallListHooks();
  auto picture = [&](const char *keys) {
    DisplayScene scene(vectorBox);
    zelUpdateFirstDisplayLists(scene.get());
    CaptureText([&] { play(scene.get(), keys); });
    const QImage shown = paint(gl, scene.get());
    save(gl, shown, std::string("clip-order-kept-") + keys);
    return shown;
  };
  for (const auto &row : kKeptOrders)
    EXPECT_EQ(differingPixels(picture(row.Keys), picture(row.Reference)), 0)
        << row.Keys << " against " << row.Reference;
  const QImage cut = picture("F1 v M v"), faces = picture("F1");
  EXPECT_GT(differingPixels(cut, picture("v M v")), 1000);
  EXPECT_GT(differingPixels(cut, faces), 250) << "no arrows over the cut faces";
  EXPECT_GT(differingPixels(picture("F1 v P v"), faces), 1000) << "no numbers over the cut faces";
}
