// "Update Mesh" reads again what the window was opened on: an SU2 mesh or a keyword file, with
// the solution named on the command line or its own; a mesh handed over in memory stays.
#include <gtest/gtest.h>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTest>
#include <QTextCodec>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/load/MeshWriter.h"
#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/GLHarness.h"
#include "tests/support/LoadFixtures.h"
#include "tests/support/MeshFixtures.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/sample/ZelSample.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelRenderOption.h"
#include "zelvane/scene/ZelMatrix.h"
#include "zelvane/scene/ZelMesh.h"
#include "zelvane/scene/ZelSavedState.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// A unit cube as one hexahedron, its bottom and top tagged.
const char *const CubeSu2 =
    "NDIME= 3\n"
    "NELEM= 1\n"
    "12 0 1 3 2 4 5 7 6 0\n"
    "NPOIN= 8\n"
    "0 0 0 0\n1 0 0 1\n0 1 0 2\n1 1 0 3\n0 0 1 4\n1 0 1 5\n0 1 1 6\n1 1 1 7\n"
    "NMARK= 2\n"
    "MARKER_TAG= bottom\nMARKER_ELEMS= 1\n9 0 2 3 1\n"
    "MARKER_TAG= top\nMARKER_ELEMS= 1\n9 4 5 7 6\n";

// A ".dat" table of the cube's points with the named columns after the coordinates.
std::string cubeTable(const std::vector<std::string> &fields) {
  std::string t = "\"PointID\",\"x\",\"y\",\"z\"";
  for (const std::string &f : fields) t += ",\"" + f + "\"";
  t += "\n";
  for (int p = 0; p < 8; p++) {
    t += std::to_string(p) + "," + std::to_string(p & 1) + "," + std::to_string((p >> 1) & 1) + "," +
         std::to_string(p >> 2);
    for (size_t f = 0; f < fields.size(); f++) t += "," + std::to_string(p * 10 + int(f));
    t += "\n";
  }
  return t;
}

std::vector<double> cameraOf(const ZelScene *s) { return std::vector<double>(s->View->Mat, s->View->Mat + 16); }

QStringList stateItems(MainWindow *w) {
  QStringList items;
  QZelComboBox *combo = w->findChild<QZelComboBox *>(QString("State_%1").arg(w->index()));
  for (int i = 0; combo && i < combo->count(); i++) items << combo->itemText(i);
  return items;
}

std::string readAll(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

size_t linesHolding(const std::string &text, const std::string &part) {
  std::istringstream in(text);
  size_t n = 0;
  for (std::string line; std::getline(in, line);) n += line.find(part) != std::string::npos;
  return n;
}

int fieldsOf(const ZelScene *s) { return s->Msh && s->Msh->SolAtVer ? s->Msh->SolAtVer->NbrFld : 0; }

// "m.meshb" as MakeStructuredMesh makes 3 x 3 x nz cells of the kinds given, in dim, curved
// (second order) when asked.
struct Shape {
  int nz;
  unsigned kinds;
  int dim;
  bool curved;
};

void writeShape(const Shape &shape) {
  fixtures::LoadContext ctx;
  Geometric_Mesh *m = MakeStructuredMesh(ctx.Mem, 3, 3, shape.nz, shape.kinds);
  if (shape.curved) {
    Geometric_Mesh *linear = m;
    m = MakeSecondOrderCopy(ctx.Mem, linear);
    FreeCommonMesh(ctx.Mem, linear);
  }
  m->Dim = shape.dim;
  ASSERT_EQ(WriteMesh(ctx.Fi, "m.meshb", m), 1);
  ctx.Free(m);
}

// The view as it paints the scene now, saved under png for a person to look at.
QImage frame(GLWidget *view, const std::string &png) {
  view->updateGL();
  const QImage img = view->grabFrameBuffer();
  img.save(QString::fromStdString(testOutputDir() + "/" + png));
  return img;
}

// Pixels of the view that are not the background once it has painted the scene.
int meshPixels(GLWidget *view, const std::string &png) {
  const QImage img = frame(view, png);
  int n = 0;
  for (int y = 0; y < img.height(); y++)
    for (int x = 0; x < img.width(); x++) n += img.pixel(x, y) != img.pixel(0, 0);
  return n;
}

// A viewer on "m.meshb" with a saved state, then turned.
struct TurnedViewer {
  Viewer v;
  MainWindow *w;
  std::vector<double> camera;
  QStringList states;
  TurnedViewer() : v({"-in", "m.meshb"}), w(v.window(0)) {
    w->saveCurState();
    const double axis[3] = {1, 1, 0};
    zelRotate(v.scene(0)->View->Mat, axis, 40);
    camera = cameraOf(v.scene(0));
    states = stateItems(w);
  }
};

// The calling thread without the capability that lets root write where permissions refuse
// (capabilities are per thread); nothing to drop for any other user.
class WithoutOverride {
 public:
  WithoutOverride() {
    if (syscall(SYS_capget, &head_, saved_) != 0) return;
    __user_cap_data_struct less[2] = {saved_[0], saved_[1]};
    less[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
    dropped_ = syscall(SYS_capset, &head_, less) == 0;
  }
  ~WithoutOverride() {
    if (dropped_) syscall(SYS_capset, &head_, saved_);
  }

 private:
  __user_cap_header_struct head_{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct saved_[2] = {};
  bool dropped_ = false;
};

}  // namespace

TEST(UpdateMesh, ReadsTheFilesAsOpenedWithTheirSolution) {
  WorkFolder folder;
  std::ofstream(folder.file("cube_tagged.su2")) << CubeSu2;
  std::ofstream(folder.file("cube_tagged.dat")) << cubeTable({"T"});
  std::ofstream(folder.file("other.dat")) << cubeTable({"P", "Q"});
  // A solver's table lagging behind the mesh: five rows for eight points.
  const std::string table = cubeTable({"T"});
  std::ofstream(folder.file("short.dat")) << table.substr(0, table.find("\n5,"));
  folder.copy("wing.meshb", "wing.meshb");
  folder.copy("sample.solb", "box.solb");
  const struct {
    std::vector<std::string> args;
    const char *title;
    int fields;
    const char *said = "HOLDS VALUES FOR";  // a solution short of its mesh: said at opening and update
    size_t times = 0;
  } rows[] = {
      {{"-in", "cube_tagged.su2"}, "[1] cube_tagged.su2", 1},
      {{"-in", "cube_tagged.su2", "-sol", "other.dat"}, "[1] cube_tagged.su2", 2},
      {{"-in", "cube_tagged.su2", "-sol", "short.dat"}, "[1] cube_tagged.su2", 1,
       "short.dat HOLDS VALUES FOR 5 OF THE 8 VERTICES, THE OTHER 3 ARE SET TO 0", 1},
      {{"-in", "wing.meshb", "-sol", "box.solb"}, "[1] wing.meshb", 1},
      {{"-in", "wing.meshb"}, "[1] wing.meshb", 0},
  };
  // Once in the terminal, which echoes it on standard output.
  auto said = [](MainWindow *w, const char *line, const std::string &out) {
    return linesHolding(w->centralWindow()->term()->toPlainText().toStdString() + "\n" + out, line);
  };
  for (const auto &r : rows) {
    const std::string what = r.args.size() > 2 ? r.args[1] + " " + r.args[3] : r.args[1];
    CaptureStdout();
    Viewer v(r.args);
    const std::string opened = GetCapturedStdout();
    MainWindow *w = v.window(0);
    const ZelScene *first = v.scene(0);
    ASSERT_TRUE(first->Msh) << what;
    const int vertices = first->Msh->NbrVer, volumes = first->Msh->NbrHex + first->Msh->NbrTet;
    ASSERT_EQ(fieldsOf(first), r.fields) << what;
    const QString title = w->windowTitle();
    EXPECT_TRUE(title.startsWith(r.title)) << title.toStdString();
    EXPECT_EQ(said(w, r.said, opened), 2 * r.times) << opened;

    const Captured out = CaptureText([&] { w->updateMesh(); });
    const ZelScene *again = v.scene(0);
    ASSERT_NE(again, first) << what;
    ASSERT_TRUE(again->Msh) << what << "\n" << out.Err;
    EXPECT_EQ(again->Msh->NbrVer, vertices) << what;
    EXPECT_EQ(again->Msh->NbrHex + again->Msh->NbrTet, volumes) << what;
    EXPECT_EQ(fieldsOf(again), r.fields) << what << "\n" << out.Err;
    EXPECT_EQ(w->windowTitle(), title);
    EXPECT_EQ(out.Err.find("ERROR"), std::string::npos) << what << "\n" << out.Err;
    EXPECT_EQ(said(w, r.said, out.Out), 2 * r.times) << out.Out;
    // The terminal starts again at its first line, which a log of standard output gets too.
    EXPECT_EQ(linesHolding(out.Out, "[" + std::to_string(w->index()) + "] Welcome to Zelvane, Release 2.0, Tavrel"), 1u)
        << out.Out;
  }
}

TEST(UpdateMesh, LeavesAMeshHandedOverInMemoryAsItIs) {
  Viewer v([](Memory_List *mem) { return zelMakeSampleBox(mem, 3); }, 0);
  const ZelScene *shown = v.scene(0);
  const Captured out = CaptureText([&] { v.window(0)->updateMesh(); });
  EXPECT_EQ(v.scene(0), shown);
  EXPECT_EQ(out.Err, "");
}

// The mesh met cut short (a generator rewriting it) at several points, binary and text, a
// binary mesh whose writer stopped at a section (its chain ends there, End out of it), or the
// mesh gone: Update Mesh says so in one line that names it and says why, in the terminal and on
// standard error, and the window keeps its scene as it was: the mesh with its edits and its
// field, the camera, the saved states. Once the file is whole again the reload goes through
// and the camera and states come with it. (A solution cut short is refused as at opening:
// ReloadRoads.)
TEST(UpdateMesh, AMeshFileCutShortLeavesTheWindowAsItWas) {
  WorkFolder folder;
  folder.copy("sample.meshb", "box.meshb");
  folder.copy("sample.solb", "box.solb");
  {
    fixtures::LoadContext ctx;
    Geometric_Mesh *m = ctx.Load({"box.meshb"});
    ASSERT_TRUE(m);
    ASSERT_EQ(WriteMesh(ctx.Fi, "box.mesh", m), 1);
    ctx.Free(m);
  }
  const struct {
    const char *opened, *cut;
  } rows[] = {{"box.meshb", "box.meshb"}, {"box.mesh", "box.mesh"}};
  for (const auto &r : rows) {
    SCOPED_TRACE(r.cut);
    const std::string whole = readAll(r.cut);
    Viewer v({"-in", r.opened});
    MainWindow *w = v.window(0);
    w->saveCurState();
    ZelScene *s = v.scene(0);
    Geometric_Mesh *mesh = s->Msh;
    ASSERT_TRUE(mesh && mesh->NbrTri > 0);
    ASSERT_EQ(fieldsOf(s), 1);
    const double axis[3] = {1, 1, 0};
    zelRotate(s->View->Mat, axis, 40);
    mesh->Tri[1].Ref = 77;  // an edit the file does not hold
    const std::vector<double> camera = cameraOf(s);
    const QStringList states = stateItems(w);
    const int saved = s->State->NbrState;
    const QString title = w->windowTitle();
    // Each broken file's bytes; none for the file gone.
    std::vector<std::pair<std::string, bool>> broken;
    for (size_t cut : {size_t(0), size_t(20), whole.size() / 3, whole.size() / 2, whole.size() * 9 / 10})
      broken.push_back({whole.substr(0, cut), true});
    if (std::string(r.cut) == "box.meshb")
      for (int last : {KmfVertices, KmfTetrahedra}) {
        const std::vector<unsigned char> ended = fixtures::ChainEndingAt({whole.begin(), whole.end()}, last);
        broken.push_back({std::string(ended.begin(), ended.end()), true});
      }
    broken.push_back({std::string(), false});
    for (const auto &b : broken) {
      SCOPED_TRACE(b.second ? std::to_string(b.first.size()) + " bytes" : "gone");
      if (b.second)
        ASSERT_TRUE(fixtures::SaveText(r.cut, b.first));
      else
        ASSERT_EQ(unlink(r.cut), 0);
      w->centralWindow()->term()->clear();
      const Captured out = CaptureText([&] { w->updateMesh(); });
      ASSERT_EQ(v.scene(0), s);
      EXPECT_EQ(s->Msh, mesh);
      EXPECT_EQ(mesh->Tri[1].Ref, 77);
      EXPECT_EQ(fieldsOf(s), 1);
      EXPECT_EQ(cameraOf(s), camera);
      EXPECT_EQ(s->State->NbrState, saved);
      EXPECT_EQ(stateItems(w), states);
      EXPECT_EQ(w->windowTitle(), title);
      const std::string line = std::string("Update Mesh: ") + r.cut + " was not read whole (" +
                               (!b.second ? "NO SUCH FILE" : "CUT SHORT, IT ENDS BEFORE ITS End SECTION") + ")";
      EXPECT_EQ(linesHolding(w->centralWindow()->term()->toPlainText().toStdString(), line), 1u);
      EXPECT_EQ(linesHolding(out.Err, line), 1u) << out.Err;
    }
    ASSERT_TRUE(fixtures::SaveText(r.cut, whole));
    w->updateMesh();
    ZelScene *again = v.scene(0);
    ASSERT_NE(again, s);
    ASSERT_TRUE(again->Msh);
    EXPECT_NE(again->Msh->Tri[1].Ref, 77);
    EXPECT_EQ(fieldsOf(again), 1);
    EXPECT_EQ(again->State->NbrState, saved);
    EXPECT_EQ(stateItems(w), states);
    for (int k = 0; k < 16; k++) EXPECT_NEAR(cameraOf(again)[k], camera[k], 1e-5) << k;
  }
}

// A file name that is no text in the locale's encoding (here bytes 0xff 0xfe under UTF-8) is
// read again byte for byte, and its state file beside it carries the name's bytes.
TEST(UpdateMesh, ANameThatIsNoTextInTheLocaleIsReadAgain) {
  WorkFolder folder;
  QTextCodec *previous = QTextCodec::codecForLocale();
  QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
  const std::string name = "bad\xff\xfename.meshb";
  // Copied byte for byte: no text conversion on the way.
  ASSERT_TRUE(fixtures::SaveText(folder.file(name), readAll(dataFile("sample.meshb"))));
  {
    Viewer v({"-in", name});
    const ZelScene *first = v.scene(0);
    ASSERT_TRUE(first->Msh);
    const int vertices = first->Msh->NbrVer;
    const Captured out = CaptureText([&] { v.window(0)->updateMesh(); });
    const ZelScene *again = v.scene(0);
    EXPECT_NE(again, first);
    ASSERT_TRUE(again->Msh) << out.Err;
    EXPECT_EQ(again->Msh->NbrVer, vertices);
    EXPECT_EQ(access("bad\xff\xfenametemp.state", F_OK), 0);
  }
  QTextCodec::setCodecForLocale(previous);
  // The folder's own removal goes through text names: these it would not find.
  for (const char *made : {"bad\xff\xfename.meshb", "bad\xff\xfenametemp.state"}) unlink(made);
}

// A mesh re-made with other kinds is never shown empty: a surface's state (its edges turned
// off) laid over volumes alone, edges alone or vertices alone still shows them, with the
// user's camera, as does a
// tetrahedral mesh given prisms; across a change of dimension the new mesh comes as opened, with
// one line saying so.
TEST(UpdateMesh, AMeshOfOtherKindsIsShownWithTheViewCarriedWithinOneDimension) {
  const Shape surface{0, GEN_TRI | GEN_EFR, 3, false}, tetrahedra{3, GEN_TET, 3, false},
      box{3, GEN_TET | GEN_TRI, 3, false}, plane{0, GEN_TRI, 2, false};
  const struct {
    const char *what;
    Shape from, to;
    bool carried;
  } rows[] = {
      {"surface to tetrahedra", surface, tetrahedra, true},
      {"tetrahedra given prisms", box, {3, GEN_TET | GEN_PRI | GEN_TRI, 3, false}, true},
      {"surface to edges", surface, {0, GEN_EFR, 3, false}, true},
      {"surface to vertices", surface, {0, 0, 3, false}, true},
      {"2-D to tetrahedra", plane, tetrahedra, false},
      {"3-D to 2-D", box, plane, false},
      {"3-D to 2-D P2", box, {0, GEN_TRI, 2, true}, false},
  };
  for (const auto &r : rows) {
    SCOPED_TRACE(r.what);
    WorkFolder folder;
    writeShape(r.from);
    TurnedViewer t;
    zelUpdateEdgeDisplayListsOptions(ZelOptLineMode, ZelModeOff << ZelRndLineShift, 0, t.v.scene(0));
    writeShape(r.to);
    const Captured out = CaptureText([&] {
      t.w->updateMesh();
      waitTopology(*t.v.app);
    });
    const ZelScene *s = t.v.scene(0);
    EXPECT_GT(meshPixels(t.v.view(0), std::string("update-mesh-") + r.what + ".png"), 200);
    EXPECT_EQ(stateItems(t.w), t.states);
    const std::vector<double> opened(s->View->IniMat, s->View->IniMat + 16);
    for (int k = 0; k < 16; k++) EXPECT_NEAR(cameraOf(s)[k], r.carried ? t.camera[k] : opened[k], 1e-5) << k;
    EXPECT_EQ(linesHolding(out.Out, "the view was not carried"), r.carried ? 0u : 1u) << out.Out;
  }
}

// Where "<mesh>temp.state" cannot be written (a read-only folder, also for root; a folder in
// its place), Update Mesh keeps the camera, the options and the saved states all the same, with
// one terminal line and no box.
TEST(UpdateMesh, KeepsTheViewWhereItsStateFileCannotBeWritten) {
  const struct {
    const char *what;
    const char *folder;  // made where the state file goes
    mode_t mode;         // of the mesh's folder
  } rows[] = {{"a read-only folder", nullptr, 0555}, {"a folder in its place", "mtemp.state", 0755}};
  for (const auto &r : rows) {
    SCOPED_TRACE(r.what);
    WorkFolder folder;
    writeShape({3, GEN_TET | GEN_TRI, 3, false});
    TurnedViewer t;
    t.v.scene(0)->Flags |= ZelFlgAxis;
    if (r.folder) {
      ASSERT_TRUE(QDir().mkdir(r.folder));
    }
    ASSERT_EQ(chmod(".", r.mode), 0);
    const WithoutOverride bound;
    // A file made in it tells (access() would answer for root with every capability).
    if (r.mode == 0555 && fixtures::SaveText("probe", "")) {
      chmod(".", 0755);
      printf("  %s skipped: this process writes in a read-only folder all the same\n", r.what);
      continue;
    }
    MessageLog log;
    t.w->updateMesh();
    chmod(".", 0755);
    const ZelScene *s = t.v.scene(0);
    for (int k = 0; k < 16; k++) EXPECT_NEAR(cameraOf(s)[k], t.camera[k], 1e-5) << k;
    EXPECT_TRUE(s->Flags & ZelFlgAxis);
    EXPECT_EQ(stateItems(t.w), t.states);
    EXPECT_TRUE(log.shown.empty()) << log.shown.front().text.toStdString();
    const std::string terminal = t.w->centralWindow()->term()->toPlainText().toStdString();
    EXPECT_EQ(linesHolding(terminal, "mtemp.state not written"), 1u) << terminal;
    EXPECT_FALSE(QFileInfo("mtemp.state").isFile());
  }
}

// A field shown (`m`, legend and time), then the mesh read again from files that hold no
// solution, or a saved state of it chosen on a mesh opened without one: the faces are drawn
// as on a mesh opened without a solution, not left out for a field that is not there, and no
// time is written under them. A state's camera goes through its file's digits: the picture to
// match is then the one of a state saved without a field, read back the same way.
TEST(UpdateMesh, AFieldShownBeforeIsLetGoWhereTheMeshHasNoSolution) {
  // The picture of box.meshb opened alone, with the last state of `saved` chosen when given.
  auto bare = [](const char *saved, const char *png) {
    std::vector<std::string> args = {"-in", "box.meshb"};
    if (saved) args.insert(args.end(), {"-state", saved});
    Viewer v(args);
    if (saved) CaptureText([&] { setSavedState(v.scene(0), v.scene(0)->State->NbrState - 1); });
    return frame(v.view(0), png);
  };
  for (bool state : {false, true}) {
    SCOPED_TRACE(state ? "a saved state" : "Update Mesh");
    WorkFolder folder;
    folder.copy("sample.meshb", "box.meshb");
    {
      Viewer v({"-in", "box.meshb"});
      v.window(0)->saveCurState();
      ASSERT_EQ(zelSaveLastStateInFile(v.scene(0), "plain.state"), 1);
    }
    folder.copy("sample.solb", "box.solb");
    Viewer v({"-in", "box.meshb"});
    ASSERT_EQ(fieldsOf(v.scene(0)), 1);
    QTest::keyClick(v.view(0), 'm');
    ASSERT_GE(v.scene(0)->ActFld, 0);
    v.window(0)->saveCurState();
    ASSERT_EQ(zelSaveLastStateInFile(v.scene(0), "field.state"), 1);
    ASSERT_TRUE(QFile::remove("box.solb"));
    if (state) {
      EXPECT_TRUE(bare("field.state", "without-field-state.png") == bare("plain.state", "without-field-plain.png"));
      continue;
    }
    CaptureText([&] { v.window(0)->updateMesh(); });
    EXPECT_EQ(fieldsOf(v.scene(0)), 0);
    EXPECT_TRUE(frame(v.view(0), "without-field-update-mesh.png") == bare(nullptr, "without-field-opened.png"));
  }
}
