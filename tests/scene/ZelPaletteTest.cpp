#include "tests/scene/SceneTest.h"
#include "tests/support/LoadFixtures.h"
#include "zelvane/scene/ZelPalette.h"
#include "zelvane/scene/ZelSceneOptions.h"

namespace {

class Palettes : public testing::Test {
 protected:
  void SetUp() override { mem_ = NewMemory(1000); }
  void TearDown() override {
    zelFreeViewSolution(mem_, view_);
    FreeCommonMesh(mem_, msh_);
    EXPECT_EQ(mem_->NbrActive, 0);
    FreeMemory(mem_);
  }
  // A 2-D mesh of 4 vertices whose first field (scalar unless said) takes these values.
  ZelPalette *make(const std::vector<double> &values, const std::vector<int> &types = {SOL_SCALAR}) {
    msh_ = TriangleGrid(mem_, 1, 1, types);
    const size_t n = values.size() / 4;
    for (int v = 1; v <= 4; v++)
      for (size_t c = 0; c < n; c++) VertexValue(msh_, v, 0, static_cast<int>(c)) = values[(v - 1) * n + c];
    CaptureText([&] { view_ = zelNewViewSolution(mem_, nullptr, msh_); });
    return view_ ? &view_->ZelPal[0] : nullptr;
  }
  // The palette updated with N iso values; what it printed goes to out_.
  int update(ZelPalette *pal, int N) {
    int r = -1;
    out_ = CaptureText([&] { r = zelUpdatePalette(0, msh_, N, pal); }).Out;
    return r;
  }
  static std::vector<double> iso(const ZelPalette *p, int n) { return {p->Iso, p->Iso + n}; }

  Memory_List *mem_ = nullptr;
  Geometric_Mesh *msh_ = nullptr;
  ZelViewSolution *view_ = nullptr;
  std::string out_;
};

}  // namespace

TEST_F(Palettes, TwoLinearIsoValuesSpanTheRange) {
  ZelPalette *pal = make({-3, -1, -2, -5});
  ASSERT_NE(pal, nullptr);
  EXPECT_EQ(std::vector<double>({double(pal->N), double(pal->Subdiv), pal->IsoWidth}),
            (std::vector<double>{5, 9, 2}));  // the default palette
  update(pal, 2);
  EXPECT_EQ(iso(pal, 2), (std::vector<double>{-5, -1}));  // all negative: the largest is the maximum
  EXPECT_EQ(std::vector<float>(pal->Hue, pal->Hue + 2), (std::vector<float>{240, 0}));
  EXPECT_EQ(std::vector<float>(pal->NormIso, pal->NormIso + 2), (std::vector<float>{-0.5, 0.5}));
  EXPECT_DOUBLE_EQ(pal->Sol[1], 0.0);  // (-3 - mid) / 4
  EXPECT_DOUBLE_EQ(pal->Sol[4], -0.5);
}

TEST_F(Palettes, ConstantFieldNormalisesToZero) {
  ZelPalette *pal = make({4, 4, 4, 4});
  EXPECT_EQ(pal->Inv, 1.0);
  EXPECT_EQ(std::vector<double>(pal->Sol + 1, pal->Sol + 5), std::vector<double>(4, 0.0));
  EXPECT_EQ(iso(pal, 5), std::vector<double>(5, 4.0));
}

TEST_F(Palettes, LogarithmicScales) {
  ZelPalette *pal = make({0, 1, 10, 100});
  pal->Scale = 1;
  update(pal, 3);
  EXPECT_CONTAINS(out_, "### WARNING You are using Log scale with negatives or null values!");
  EXPECT_EQ(pal->Iso[0], 1e-15);
  EXPECT_NEAR(pal->Iso[2], 100.0, 1e-9);
  EXPECT_EQ(pal->Sol[4], 100.0);  // the logarithmic scale keeps field units
  // No positive value at all (the largest exactly 0): the warning, then the linear scale.
  for (int v = 1; v <= 4; v++) VertexValue(msh_, v, 0) = 1 - v;
  update(pal, 2);
  EXPECT_CONTAINS(out_, "### WARNING");
  EXPECT_EQ(iso(pal, 2), (std::vector<double>{-3, 0}));
  EXPECT_EQ(pal->Scale, 0);  // its colours are read on the linear scale it was spread on
  for (int j = 1; j <= 4; j++) EXPECT_TRUE(std::isfinite(pal->Sol[j])) << j;
  EXPECT_FLOAT_EQ(pal->NormIso[1], 0.5f);
}

TEST_F(Palettes, IsoCountOutsideTwoToTenIsRefusedUnchanged) {
  ZelPalette *pal = make({1, 2, 3, 4});
  ZelPalette before = *pal;
  std::vector<double> sol(pal->Sol, pal->Sol + 5);
  for (int N : {1, 11, 100}) EXPECT_EQ(update(pal, N), 0) << N;
  EXPECT_EQ(std::memcmp(&before, pal, sizeof(ZelPalette)), 0);
  EXPECT_EQ(std::vector<double>(pal->Sol, pal->Sol + 5), sol);
  EXPECT_EQ(update(pal, 10), 1);
  EXPECT_EQ(pal->Iso[9], 4.0);
}

TEST_F(Palettes, MetricSizesLeaveZeroTensorsOutOfTheRange) {
  // 2-D metrics (m11, m12, m22): sizes 0.5, 1, none (zero tensor), 1/3.
  ZelPalette *pal = make({4, 0, 1, 1, 0, 1, 0, 0, 0, 9, 0, 1}, {SOL_SYMMAT});
  pal->Repr = 2;
  update(pal, 2);
  EXPECT_NEAR(pal->Iso[0], 1.0 / 3, 1e-12);
  EXPECT_NEAR(pal->Iso[1], 1.0, 1e-12);
  EXPECT_FALSE(std::isfinite(pal->Sol[3]));
  // Nothing finite left: the range (0, 0).
  for (int v = 1; v <= 4; v++)
    for (int c = 0; c < 3; c++) VertexValue(msh_, v, 0, c) = 0;
  update(pal, 2);
  EXPECT_EQ(iso(pal, 2), std::vector<double>(2, 0.0));
}

TEST_F(Palettes, MissingZComponentIsReportedOncePerUpdate) {
  ZelPalette *pal = make({1, 2, 3, 4, 5, 6, 7, 8}, {SOL_VECTOR});
  pal->Repr = 5;
  update(pal, 2);
  EXPECT_EQ(out_, "error in getPrintSol in zel_sol\n");
  EXPECT_EQ(std::vector<double>(pal->Sol + 1, pal->Sol + 5), std::vector<double>(4, 0.0));
}

TEST_F(Palettes, RefinedLevelsFollowTheSubdivision) {
  ZelPalette *pal = make({0, 1, 2, 4});
  zelUpdateIsoLineDraw(pal, 1);
  ASSERT_EQ(pal->NbrRef, 4);
  typedef std::vector<float> Row;
  EXPECT_EQ(Row(pal->RefLvl, pal->RefLvl + 5), Row(pal->NormIso, pal->NormIso + 5));
  EXPECT_EQ(Row(pal->RefHue, pal->RefHue + 5), Row(pal->Hue, pal->Hue + 5));
  zelUpdateIsoLineDraw(pal, 9);
  ASSERT_EQ(pal->NbrRef, 36);
  EXPECT_EQ(pal->RefLvl[36], pal->NormIso[4]);
  EXPECT_EQ(pal->RefLvl[18], pal->NormIso[2]);
  EXPECT_NEAR(pal->RefHue[13], pal->Hue[1] + (pal->Hue[2] - pal->Hue[1]) * 4 / 9, 1e-4);
}

// Two linear triangles and five P2 ones carrying a solution at triangles: Sol is sized, filled
// and read with the linear count (clean under AddressSanitizer).
TEST_F(Palettes, MoreCurvedThanLinearElementsStayInsideSol) {
  std::vector<int> siz(KmfMaxSizMsh + 10, 0);
  siz[KmfVertices] = 6, siz[KmfTriangles] = 2, siz[KmfTrianglesP2] = 5;
  siz[KmfSolAtTriangles] = 2, siz[KmfSolSizTot] = 1, siz[KmfSolNbrFld] = 1, siz[KmfSolTypes] = SOL_SCALAR;
  msh_ = NewCommonMesh(mem_, siz.data());
  msh_->Dim = 2;
  for (int v = 0; v < 6; v++) AddVertex(msh_, v, v % 2, 0);
  AddElement(msh_, KmfTriangles, {1, 2, 3}, 1), AddElement(msh_, KmfTriangles, {2, 3, 4}, 1);
  for (int t = 0; t < 5; t++) AddElement(msh_, KmfTrianglesP2, {1, 2, 3, 4, 5, 6}, 1);
  msh_->SolAtTri->Sol[1] = 2, msh_->SolAtTri->Sol[2] = 6;
  CaptureText([&] { view_ = zelNewViewSolution(mem_, nullptr, msh_); });
  ASSERT_EQ(update(&view_->ZelPal[0], 2), 1);
  EXPECT_EQ(view_->ZelPal[0].NbrSol, 2);
  EXPECT_EQ(view_->ZelPal[0].Iso[1], 6.0);
}

// Vertices appended after the view sized Sol (an edit) are left out of it.
TEST_F(Palettes, VerticesAddedAfterTheViewStayOutsideSol) {
  msh_ = NewRoomyMesh(mem_, 2, {{KmfVertices, 6}}, {SOL_SCALAR});
  for (int v = 0; v < 4; v++) AddVertex(msh_, v, v % 2, 0);
  CaptureText([&] { view_ = zelNewViewSolution(mem_, nullptr, msh_); });
  AddVertex(msh_, 4, 0, 0), AddVertex(msh_, 5, 1, 0);
  EXPECT_EQ(update(&view_->ZelPal[0], 2), 1);
  EXPECT_EQ(view_->ZelPal[0].NbrSol, 4);
}

TEST_F(Palettes, TheOptionsPaletteGivesTheIsoValues) {
  msh_ = TriangleGrid(mem_, 1, 1, {SOL_SCALAR});
  for (int v = 1; v <= 4; v++) VertexValue(msh_, v, 0) = 10 * v;
  ZelSceneOptions opt{};
  opt.palCount = 5;
  const double iso[5] = {1, 2, 3, 5, 8};
  std::memcpy(opt.pal, iso, sizeof(iso));
  CaptureStdout();
  view_ = zelNewViewSolution(mem_, &opt, msh_);
  EXPECT_CONTAINS(GetCapturedStdout(), " zelDefaultPalette: Iso 8 \n");
  const ZelPalette &p = view_->ZelPal[0];
  EXPECT_EQ(p.Iso[3], 5.0);
  EXPECT_FLOAT_EQ(p.NormIso[0], static_cast<float>((1 - 25) / 30.0));
  EXPECT_EQ(zelDefaultPalette(&opt, 0, msh_, 6, &view_->ZelPal[0]), 0);  // the file gives five
}

TEST(PrintSol, ScalarOfEachFieldTypeAndRepresentation) {
  const double vec3[3] = {3, -4, 12}, met2[3] = {4, 1, 2}, met3[6] = {2, 0, 0, 3, 0, 4},
               mat2[4] = {1, -7, 3, 2};
  struct Row {
    int Dim, Repr, Type;
    const double *Values;
    double Expected;
  } const rows[] = {
      {3, 0, SOL_VECTOR, vec3, 13},
      {3, 1, SOL_VECTOR, vec3, -4},
      {3, 2, SOL_VECTOR, vec3, 12},
      {3, 4, SOL_VECTOR, vec3, -4},
      {2, 0, SOL_VECTOR, vec3, 5},
      {2, 0, SOL_SYMMAT, met2, 7},
      {2, 1, SOL_SYMMAT, met2, std::sqrt(7.0)},
      {3, 0, SOL_SYMMAT, met3, 24},
      {3, 3, SOL_SYMMAT, met3, 0.5},
      {2, 0, SOL_MATRIX, mat2, 7},
      {3, 9, SOL_SCALAR, vec3, 3},
  };
  for (const Row &r : rows)
    EXPECT_NEAR(getPrintSol(r.Dim, r.Repr, r.Type, r.Values), r.Expected, 1e-12)
        << r.Dim << " " << r.Repr << " " << r.Type;
  CaptureStdout();
  EXPECT_EQ(getPrintSol(2, 0, 7, vec3), 0.0);
  EXPECT_EQ(GetCapturedStdout(), "solution type not implemented yet!\n");
}

namespace {

// The iso-line points the plain way: every kept point compared with every point kept before.
std::vector<double> isoReference(const Geometric_Mesh *m, double iso) {
  std::vector<double> seg, kept;
  for (int t = 1; t <= m->NbrTri; t++) {
    std::vector<double> p;
    for (int e = 0; e < 3; e++) {
      int a = m->Tri[t].Ver[e], b = m->Tri[t].Ver[(e + 1) % 3];
      double va = m->SolAtVer->Sol[a], vb = m->SolAtVer->Sol[b];
      const double *A = m->Ver[a].Crd, *B = m->Ver[b].Crd;
      if (va == iso && vb == iso) {
        p = {A[0], A[1], B[0], B[1]};
        break;
      }
      if (std::min(va, vb) < iso && iso < std::max(va, vb)) {
        double s = std::fabs(va - iso) + std::fabs(vb - iso);
        for (int c = 0; c < 2; c++)
          p.push_back(std::fabs(vb - iso) / s * A[c] + std::fabs(va - iso) / s * B[c]);
      }
    }
    if (p.size() == 4 && (std::fabs(p[0] - p[2]) >= 1e-6 || std::fabs(p[1] - p[3]) >= 1e-6))
      seg.insert(seg.end(), p.begin(), p.end());
  }
  for (size_t i = 0; i < seg.size(); i += 2) {
    bool dup = false;
    for (size_t k = 0; k < kept.size() && !dup; k += 2)
      dup = std::fabs(kept[k] - seg[i]) < 1e-6 && std::fabs(kept[k + 1] - seg[i + 1]) < 1e-6;
    if (!dup) kept.insert(kept.end(), {seg[i], seg[i + 1]});
  }
  return kept;
}

}  // namespace

TEST_F(Palettes, IsoLinePointsEqualThePlainQuadraticReference) {
  msh_ = TriangleGrid(mem_, 9, 7, {SOL_SCALAR});
  // Values exactly at the iso along the diagonals, and vertices moved by less than 1e-6.
  for (int v = 1; v <= msh_->NbrVer; v++) {
    double *p = msh_->Ver[v].Crd;
    VertexValue(msh_, v, 0) = p[0] - p[1] + 0.1 * std::sin(3 * p[0] * p[1]);
    if (v % 5 == 0) p[0] += 4e-7;
  }
  int count = -1;
  for (double iso : {0.0, 0.5, 1.0, -2.3, 40.0}) {
    CaptureStdout();
    double *pts = zelGetIsoLinPts(msh_, 0, &count, iso);
    GetCapturedStdout();
    ASSERT_NE(pts, nullptr);
    EXPECT_EQ(std::vector<double>(pts, pts + 2 * count), isoReference(msh_, iso)) << iso;
    std::free(pts);
  }
  msh_->Dim = 3;
  EXPECT_EQ(zelGetIsoLinPts(msh_, 0, &count, 1.0), nullptr);
  // The one triangle (0, 0) (1, 0) (0, 1) with values 1, 0, 5: the iso 1 passes through its
  // first vertex and crosses the opposite side, which gives no point.
  msh_->Dim = 2, msh_->NbrTri = 1, msh_->Tri[1].Ver[2] = 3;
  msh_->Ver[3].Crd[0] = 0, msh_->Ver[3].Crd[1] = 1;
  VertexValue(msh_, 1, 0) = 1, VertexValue(msh_, 2, 0) = 0, VertexValue(msh_, 3, 0) = 5;
  CaptureStdout();
  double *pts = zelGetIsoLinPts(msh_, 0, &count, 1.0);
  EXPECT_CONTAINS(GetCapturedStdout(), "nb tri inter = 0 \n");
  EXPECT_EQ(count, 0);
  std::free(pts);
}

// A field on the elements of a mesh made only of curved elements, read from files as the
// viewer reads them: the opened scene's palette spans the field (iso values from its minimum to
// its maximum, every element's value normalised apart), for each curved kind a field can lie on.
TEST(CurvedPalettes, AFieldOnTheElementsOfACurvedOnlyMeshSpansItsValues) {
  using namespace fixtures;
  struct Row {
    int Kind, Nodes;
    const char *Name;
    int SolKwd;
    const char *SolName;
  } const rows[] = {{KmfTrianglesP2, 6, "TrianglesP2", KmfSolAtTriangles, "SolAtTriangles"},
                    {KmfQuadrilateralsQ2, 9, "QuadrilateralsQ2", KmfSolAtQuadrilaterals, "SolAtQuadrilaterals"},
                    {KmfTetrahedraP2, 10, "TetrahedraP2", KmfSolAtTetrahedra, "SolAtTetrahedra"},
                    {KmfHexahedraQ2, 27, "HexahedraQ2", KmfSolAtHexahedra, "SolAtHexahedra"}};
  const std::vector<double> values = {3, -2, 7, 0.5};
  const int n = int(values.size());
  for (const Row &r : rows) {
    SCOPED_TRACE(r.Name);
    // Element e (from 0) takes the vertices e + 1 .. e + Nodes, reference 1.
    std::vector<int64_t> lines;
    for (int e = 0; e < n; e++) {
      for (int k = 1; k <= r.Nodes; k++) lines.push_back(e + k);
      lines.push_back(1);
    }
    FixtureFile mesh = MeshOf(3, n + r.Nodes);
    mesh.Sections.push_back(Lines(r.Kind, r.Name, r.Nodes, lines));
    const std::string base = std::string("curved-") + r.Name;
    const std::string path = SaveFixture(mesh, base + ".meshb", true);
    SaveFixture(FixtureFile{2, 3, {SolutionSec(r.SolKwd, r.SolName, {SOL_SCALAR}, n, values)}}, base + ".solb", true);
    LoadContext ctx;
    Geometric_Mesh *msh = ctx.Load({path});
    ASSERT_NE(msh, nullptr) << ctx.Err;
    ZelScene *scene = nullptr;
    CaptureText([&] { scene = OpenHeadless(ctx.Mem, nullptr, msh); });
    ASSERT_TRUE(scene && scene->VieSol) << ctx.Err;
    const ZelPalette &pal = scene->VieSol->ZelPal[0];
    EXPECT_EQ(pal.NbrSol, n);
    EXPECT_EQ(pal.Iso[0], -2.0);
    EXPECT_EQ(pal.Iso[pal.N - 1], 7.0);
    for (int e = 1; e <= n; e++) EXPECT_DOUBLE_EQ(pal.Sol[e], (values[e - 1] - 2.5) / 9) << "element " << e;
    EXPECT_EQ(zelFreeScene(ctx.Mem, scene), nullptr);
    EXPECT_EQ(ctx.Mem->NbrActive, 0);
  }
}
