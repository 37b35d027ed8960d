#include <array>
#include <iterator>

#include "common/pool/MthParallel.h"
#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelKinds.h"

namespace {

// The initial camera of a 3-D scene as OpenGL reads it: Rx(-60) Ry(0) Rz(-120).
void expectInitialMatrix3d(const double M[16]) {
  const double a = -60 * M_PI / 180, b = -120 * M_PI / 180;
  const double Rx[3][3] = {{1, 0, 0}, {0, cos(a), -sin(a)}, {0, sin(a), cos(a)}};
  const double Rz[3][3] = {{cos(b), -sin(b), 0}, {sin(b), cos(b), 0}, {0, 0, 1}};
  for (int r = 0; r < 3; r++)
    for (int c = 0; c < 3; c++) {
      double g = 0;
      for (int k = 0; k < 3; k++) g += Rx[r][k] * Rz[k][c];
      EXPECT_NEAR(M[4 * c + r], g, 1e-12) << r << "," << c;
    }
  EXPECT_EQ(M[15], 1.0);
}

struct OpenCase {
  const char *Name;
  std::function<Geometric_Mesh *(Memory_List *)> Make;
  double Box[6];  // box the scene frames
  int Dim;
  bool Warns;  // degenerate box
  const ZelSceneOptions *Opt;
};

Geometric_Mesh *tetAndTriangle(Memory_List *mem, bool withTriangle, bool deadTriangle) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3, {{KmfVertices, 8}, {KmfTetrahedra, 1}, {KmfTriangles, 1}});
  int v[6] = {AddVertex(m, 0, 0, 0), AddVertex(m, 1, 0, 0),   AddVertex(m, 0, 1, 0), AddVertex(m, 0, 0, 1),
              AddVertex(m, 3, 3, 0), AddVertex(m, 10, 10, 10)};  // the last one is used by nothing
  if (!deadTriangle) AddElement(m, KmfTetrahedra, {v[0], v[1], v[2], v[3]}, 1);
  if (withTriangle) {
    int t = AddElement(m, KmfTriangles, {v[0], v[1], v[4]}, 2);
    if (deadTriangle) m->Tri[t].Tag = 0;
  }
  const double own[6] = {-7, -7, -7, 7, 7, 7};
  std::memcpy(m->Box, own, sizeof(own));
  return m;
}

const ZelSceneOptions kBoxOptions = [] {
  ZelSceneOptions o{};
  o.hasBox = 1;
  for (int i = 0; i < 6; i++) o.box[i] = i < 3 ? -4 : 4;
  return o;
}();

Geometric_Mesh *edgesOnly(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 2, {{KmfVertices, 4}, {KmfEdges, 2}});
  AddElement(m, KmfEdges, {AddVertex(m, -1, 0, 0), AddVertex(m, 1, 0, 0)}, 1);
  AddElement(m, KmfEdges, {AddVertex(m, 0, 2, 0), AddVertex(m, 0, -2, 0)}, 1);
  return m;
}
// Vertices only, at xyz, the mesh's own box set to box.
typedef std::initializer_list<double> Values;
Geometric_Mesh *vertices(Memory_List *mem, Values xyz, Values box) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3, {{KmfVertices, static_cast<int>(xyz.size() / 3)}});
  for (auto p = xyz.begin(); p != xyz.end(); p += 3) AddVertex(m, p[0], p[1], p[2]);
  std::copy(box.begin(), box.end(), m->Box);
  return m;
}

const OpenCase kOpenCases[] = {
    {"TrianglesWithTetrahedra", [](Memory_List *m) { return tetAndTriangle(m, true, false); },
     {0, 0, 0, 3, 3, 1}, 3, false, nullptr},
    {"TetrahedraOnly", [](Memory_List *m) { return tetAndTriangle(m, false, false); }, {0, 0, 0, 1, 1, 1}, 3,
     false, nullptr},
    {"EdgesOnly", edgesOnly, {-1, -2, 0, 1, 2, 0}, 2, false, nullptr},
    {"VerticesOnly", [](Memory_List *m) { return vertices(m, {0, 0, 0, 1, 1, 1}, {-1, 0, 0, 1, 4, 2}); },
     {-1, 0, 0, 1, 4, 2}, 3, false, nullptr},
    {"OneVertex", [](Memory_List *m) { return vertices(m, {5, 5, 5}, {5, 5, 5, 5, 5, 5}); },
     {5, 5, 5, 5, 5, 5}, 3, true, nullptr},
    {"AllTrianglesDead", [](Memory_List *m) { return tetAndTriangle(m, true, true); }, {-7, -7, -7, 7, 7, 7},
     3, false, nullptr},
    {"OptionsFileBox", [](Memory_List *m) { return tetAndTriangle(m, true, false); }, {-4, -4, -4, 4, 4, 4},
     3, false, &kBoxOptions},
};

class OpenRoad : public testing::TestWithParam<OpenCase> {};

}  // namespace

TEST_P(OpenRoad, FramesTheMeshAndFreesEverything) {
  const OpenCase &c = GetParam();
  Memory_List *mem = NewMemory(1000);
  Geometric_Mesh *msh = c.Make(mem);
  ZelScene *scene = nullptr;
  std::string out = CaptureText([&] { scene = OpenHeadless(mem, nullptr, msh, c.Opt); }).Out;
  EXPECT_EQ(out.find("####WARNING => InvDmaxSca = 0. in fct zelIniScene") != out.npos, c.Warns) << out;
  double dmax = 0;
  for (int i = 0; i < 3; i++) {
    dmax = std::max(dmax, c.Box[i + 3] - c.Box[i]);
    EXPECT_DOUBLE_EQ(scene->Ctr[i], 0.5 * (c.Box[i] + c.Box[i + 3])) << i;
  }
  const double inv = c.Warns ? 1.0 : 1.0 / dmax;
  EXPECT_DOUBLE_EQ(scene->InvDmaxSca, inv);
  EXPECT_EQ(scene->Dim, static_cast<uint32_t>(c.Dim));
  ZelView *view = scene->View;
  ASSERT_NE(view, nullptr);
  for (int i = 0; i < 6; i++) EXPECT_NEAR(view->Box[i], (c.Box[i] - scene->Ctr[i % 3]) * inv, 1e-15) << i;
  // Scaled boxes span one unit; a point is taken as a unit box so that near < far.
  EXPECT_DOUBLE_EQ(view->Near, 0.5);
  EXPECT_DOUBLE_EQ(view->Far, 4.0);
  // The first picture holds the whole box: every corner, turned by the initial matrix about the
  // centre and moved back, inside the cone of the field of view; flat boxes at distance 2.
  EXPECT_LE(view->Trn[2], -2.0);
  EXPECT_GE(view->Trn[2], -2.27);
  const double slope = std::tan(0.5 * view->Fov * M_PI / 180.0);
  for (int k = 0; k < 8; k++) {
    const double p[3] = {view->Box[(k & 1) ? 3 : 0] - view->Ctr[0], view->Box[(k & 2) ? 4 : 1] - view->Ctr[1],
                         view->Box[(k & 4) ? 5 : 2] - view->Ctr[2]};
    double eye[3];
    for (int r = 0; r < 3; r++) eye[r] = view->IniMat[r] * p[0] + view->IniMat[4 + r] * p[1] + view->IniMat[8 + r] * p[2] + view->Trn[r];
    EXPECT_LE(std::hypot(eye[0], eye[1]), -eye[2] * slope) << "corner " << k;
  }
  if (c.Box[5] - c.Box[2] < 0.5 * dmax) {
    EXPECT_DOUBLE_EQ(view->Trn[2], -2.0);
  }
  if (c.Dim == 3) {
    expectInitialMatrix3d(view->IniMat);
  } else {
    for (int i = 0; i < 16; i++) EXPECT_EQ(view->IniMat[i], i % 5 == 0 ? 1.0 : 0.0) << i;
  }
  EXPECT_EQ(std::memcmp(view->Mat, view->IniMat, sizeof(view->Mat)), 0);
  // Display coordinates of the first vertex.
  for (int i = 0; i < 3; i++)
    EXPECT_FLOAT_EQ(scene->ZelMsh->Crd[1][i], static_cast<float>((msh->Ver[1].Crd[i] - scene->Ctr[i]) * inv));

  EXPECT_EQ(zelFreeScene(mem, scene), nullptr);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

INSTANTIATE_TEST_SUITE_P(Meshes, OpenRoad, testing::ValuesIn(kOpenCases),
                         [](const testing::TestParamInfo<OpenCase> &i) { return std::string(i.param.Name); });

namespace {

// A unit triangle at the origin and one element of `kind` (alive or not) standing beside it
// over x in [5, 6]: its nodes are the first of the points of {0, 0.5, 1}^3 (the cube's corners
// first, hexahedron order), moved by 5 in x. Edges alone when `kind` is an edge kind.
Geometric_Mesh *besideATriangle(Memory_List *mem, int kind, bool alive) {
  const bool edges = kind == KmfEdgesP2;
  Geometric_Mesh *m = NewRoomyMesh(mem, 3, {{KmfVertices, 40}, {KmfTriangles, edges ? 0 : 1}, {kind, 1}});
  if (!edges) AddElement(m, KmfTriangles, {AddVertex(m, 0, 0, 0), AddVertex(m, 1, 0, 0), AddVertex(m, 0, 1, 0)}, 1);
  const int e = AddElement(m, kind, {}, 2);
  const ZelElems el = zelElems(m, kind);
  int *ver = const_cast<int *>(el.ver(e));
  std::vector<std::array<double, 3>> points = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},
                                               {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}};
  for (int k = 0; k < 27; k++)
    if (k % 3 == 1 || (k / 3) % 3 == 1 || k / 9 == 1) points.push_back({0.5 * (k % 3), 0.5 * ((k / 3) % 3), 0.5 * (k / 9)});
  for (int j = 0; j < el.NbrNod; j++) ver[j] = AddVertex(m, 5 + points[j][0], points[j][1], points[j][2]);
  if (!alive) *el.tag(e) = 0;
  for (int i = 0; i < 6; i++) m->Box[i] = i < 3 ? -9 : 9;  // what the mesh's own box would give
  return m;
}

}  // namespace

// The first camera frames the alive elements of every kind, curved ones with all their nodes,
// not the triangles alone: a hybrid mesh opens whole. Without elements the P2 edges count as
// edges; a dead element counts for nothing.
TEST(Scene, TheFirstBoxHoldsEveryKindBesideTheTriangles) {
  const struct {
    int kind;
    bool alive;
    double box[6];
  } rows[] = {
      {KmfQuadrilaterals, true, {0, 0, 0, 6, 1, 0}},    {KmfPyramids, true, {0, 0, 0, 6, 1, 1}},
      {KmfPrisms, true, {0, 0, 0, 6, 1, 1}},            {KmfHexahedra, true, {0, 0, 0, 6, 1, 1}},
      {KmfTrianglesP2, true, {0, 0, 0, 6, 1, 1}},       {KmfQuadrilateralsQ2, true, {0, 0, 0, 6, 1, 1}},
      {KmfTetrahedraP2, true, {0, 0, 0, 6, 1, 1}},      {KmfHexahedraQ2, true, {0, 0, 0, 6, 1, 1}},
      {KmfEdgesP2, true, {5, 0, 0, 6, 1, 0}},           {KmfHexahedra, false, {0, 0, 0, 1, 1, 0}},
  };
  Memory_List *mem = NewMemory(1000);
  for (const auto &r : rows) {
    SCOPED_TRACE(std::string(zelGetTypeName(r.kind)) + (r.alive ? "" : " dead"));
    ZelScene *scene = nullptr;
    CaptureText([&] { scene = OpenHeadless(mem, nullptr, besideATriangle(mem, r.kind, r.alive)); });
    double dmax = 0;
    for (int i = 0; i < 3; i++) {
      EXPECT_DOUBLE_EQ(scene->Ctr[i], 0.5 * (r.box[i] + r.box[i + 3])) << i;
      dmax = std::max(dmax, r.box[i + 3] - r.box[i]);
    }
    EXPECT_DOUBLE_EQ(scene->InvDmaxSca, 1 / dmax);
    zelFreeScene(mem, scene);
  }
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

namespace {

// A scene on n vertices scattered at random, made without the topology so that the vertex
// loop type is the scaling's own.
ZelScene *scatteredScene(Memory_List *mem, Common_MthParallel *par, int n) {
  Geometric_Mesh *msh = NewRoomyMesh(mem, 3, {{KmfVertices, n}});
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-3.7, 11.3);
  for (int v = 0; v < n; v++) AddVertex(msh, u(rng), u(rng), u(rng));
  for (int i = 0; i < 6; i++) msh->Box[i] = i < 3 ? -3.7 : 11.3;
  Function_Interface fi;
  DefaultFunInterface(&fi, mem, par, "ZELVANE");
  ZelMesh *zelMsh = zelNewZelMesh(mem);
  CaptureText([&] { zelSetupZelMesh(&fi, msh, zelMsh); });
  ZelScene *scene = zelNewScene(mem, par, ZelDisplayLists, msh, zelMsh);
  zelIniScene(&fi, ZelDisplayLists, scene);
  return scene;
}

}  // namespace

TEST(Scene, ScalingOnThePoolEqualsTheSequentialPass) {
  Memory_List *mem = NewMemory(1000);
  Common_MthParallel *par = NewMthParallel(2, 0, 0);
  for (int n : {1999, 2000}) {
    ZelScene *seq = scatteredScene(mem, nullptr, n), *pooled = scatteredScene(mem, par, n);
    ASSERT_EQ(zelUpdateZelMeshCrd(seq), 1);
    ASSERT_EQ(zelUpdateZelMeshCrd(pooled), 1);
    EXPECT_EQ(std::memcmp(seq->ZelMsh->Crd + 1, pooled->ZelMsh->Crd + 1, sizeof(float3) * n), 0) << n;
    // The pool runs from 2000 vertices on, over a vertex loop type of that count.
    EXPECT_EQ(par->VerTyp != 0, n >= 2000) << n;
    EXPECT_EQ(CheckTypeLines(par->Pool, par->VerTyp, n), n >= 2000 ? par->VerTyp : 0);
    zelFreeScene(mem, seq);
    zelFreeScene(mem, pooled);
  }
  FreeMthParallel(par);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

// The box as one walk grows it from the first vertex used, with std::min and std::max, over
// the vertices of the alive elements, kind after kind, whose coordinates are all finite.
std::vector<double> walkedBox(const Geometric_Mesh *m) {
  std::vector<double> b;
  auto add = [&](const int *ver, int n) {
    for (int j = 0; j < n; j++) {
      if (ver[j] < 1 || ver[j] > m->NbrVer) continue;
      const double *p = m->Ver[ver[j]].Crd;
      if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) continue;
      if (b.empty()) {
        b = {p[0], p[1], p[2], p[0], p[1], p[2]};
        continue;
      }
      for (int i = 0; i < 3; i++) b[i] = std::min(b[i], p[i]), b[i + 3] = std::max(b[i + 3], p[i]);
    }
  };
  auto alive = [&](const auto *arr, int count) {
    for (int e = 1; arr && e <= count; e++)
      if (arr[e].Tag & TAG_ALIVE) add(arr[e].Ver, static_cast<int>(std::size(arr[e].Ver)));
  };
  alive(m->Tri, m->NbrTri), alive(m->Tet, m->NbrTet), alive(m->Qua, m->NbrQua), alive(m->Pyr, m->NbrPyr);
  alive(m->Pri, m->NbrPri), alive(m->Hex, m->NbrHex), alive(m->P2Tri, m->NbrP2Tri), alive(m->P2Qua, m->NbrP2Qua);
  alive(m->P2Tet, m->NbrP2Tet), alive(m->P2Hex, m->NbrP2Hex);
  return b;
}

// Boxes walked by four threads have the bits of the one walk: with scattered coordinates, dead
// elements, a NaN met late or first and an infinite coordinate (each vertex left out), a zero
// of each sign, without triangles, and over every linear kind.
TEST(Scene, BoxOnThePoolHasTheBitsOfTheOneWalk) {
  Memory_List *mem = NewMemory(1000);
  Common_MthParallel *par = NewMthParallel(4, 0, 0);
  const double nan = std::nan("");
  const struct {
    const char *what;
    unsigned kinds;
    std::function<void(Geometric_Mesh *)> change;
  } cases[] = {
      {"scattered", GEN_TET | GEN_TRI, [](Geometric_Mesh *) {}},
      {"a late NaN", GEN_TET | GEN_TRI, [&](Geometric_Mesh *m) { m->Ver[m->Tet[m->NbrTet / 2].Ver[1]].Crd[0] = nan; }},
      {"a first NaN", GEN_TET | GEN_TRI, [&](Geometric_Mesh *m) { m->Ver[m->Tri[1].Ver[0]].Crd[1] = nan; }},
      {"an infinite coordinate", GEN_TET | GEN_TRI, [&](Geometric_Mesh *m) { m->Ver[m->Tri[3].Ver[2]].Crd[2] = -HUGE_VAL; }},
      {"zeros of both signs", GEN_TET | GEN_TRI,
       [](Geometric_Mesh *m) {
         for (int v = 1; v <= m->NbrVer; v++) m->Ver[v].Crd[2] = v % 3 ? 0.0 : -0.0;
       }},
      {"tetrahedra only", GEN_TET, [](Geometric_Mesh *) {}},
      {"every linear kind, a few triangles alive", GEN_TRI | GEN_QUA | GEN_PYR | GEN_PRI | GEN_HEX,
       [](Geometric_Mesh *m) {
         for (int t = 3; t <= m->NbrTri; t++) m->Tri[t].Tag &= ~TAG_ALIVE;
       }},
  };
  for (const auto &c : cases) {
    SCOPED_TRACE(c.what);
    Geometric_Mesh *m = MakeStructuredMesh(mem, 11, 12, 13, c.kinds);
    std::mt19937 rng(3);
    for (int v = 1; v <= m->NbrVer; v++)
      for (double &x : m->Ver[v].Crd) x = std::ldexp(static_cast<double>(rng()) - 2147483648.0, -20);
    for (int t = 1; t <= m->NbrTet; t += 7) m->Tet[t].Tag &= ~TAG_ALIVE;
    c.change(m);
    double one[6], pooled[6];
    ASSERT_EQ(zelBoundingBox(m, one), 1);
    ASSERT_EQ(zelBoundingBoxOnPool(par->Pool, m, pooled), 1);
    const std::vector<double> want = walkedBox(m);
    EXPECT_EQ(std::memcmp(one, want.data(), sizeof(one)), 0);
    EXPECT_EQ(std::memcmp(pooled, want.data(), sizeof(pooled)), 0);
    FreeCommonMesh(mem, m);
  }
  FreeMthParallel(par);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

TEST(Scene, FreeingStopsTheTopologyThreadAndLeavesNoBlock) {
  Memory_List *mem = NewMemory(1000);
  Geometric_Mesh *msh = MakeStructuredMesh(mem, 16, 16, 16, GEN_TET | GEN_TRI);
  ZelScene *scene = nullptr;
  CaptureText([&] { scene = OpenHeadless(mem, nullptr, msh); });
  // The volume neighbours are built in the background: the surface can be drawn already.
  EXPECT_NE(msh->TopoThread, nullptr);
  EXPECT_EQ(zelFreeScene(mem, scene), nullptr);
  EXPECT_EQ(mem->NbrActive, 0);
  FreeMemory(mem);
}

// Empty slots answer 0; a fake records kind, reference and mask, passes the call on to the
// slot it replaced when asked, and puts the table back at scope exit.
TEST(Hooks, EmptySlotsAnswerZeroFakesRecordAndPassOn) {
  ZelHooks saved = zelHooks();
  zelHooks() = ZelHooks{};
  ZelEntDisplayList rec{};
  rec.Ref = 7;
  EXPECT_EQ(zelUpdateTriangleList(1, nullptr, &rec) + zelDirectDrawPyramidList(1, nullptr, &rec) +
                zelUpdateList(200, 1, nullptr, &rec) + zelSetPlaneClip(nullptr, nullptr, 0) +
                zelSetCapClip(nullptr),
            0);
  {
    FakeHooks outer;
    outer.ListResult = 5;
    FakeHooks inner(true);
    EXPECT_EQ(zelDirectDrawP2HexahedronList(0x40, nullptr, &rec), 5);  // passed on: the outer one answers
    for (const FakeHooks *f : {&inner, &outer}) {
      ASSERT_EQ(f->ListCalls.size(), 1u);
      const FakeListCall &d = f->ListCalls[0];
      EXPECT_EQ(std::vector<int>({d.Update, d.Kind, d.Ref, int(d.Mask)}), (std::vector<int>{0, 33, 7, 0x40}));
    }
  }
  EXPECT_EQ(zelHooks().directDraw[33], nullptr);
  zelHooks() = saved;
}

TEST(Hooks, PtermHandsTheWholeTextOn) {
  FakeHooks fake;
  std::string longText(3000, 'x');
  int win;
  pterm(&win, "<p>%s %d</p>", longText.c_str(), 42);
  ASSERT_EQ(fake.Texts.size(), 1u);
  EXPECT_EQ(fake.Texts[0], "<p>" + longText + " 42</p>");
  EXPECT_EQ(fake.TextWindows[0], &win);
}
