#include <cstdarg>

#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelEigen.h"
#include "zelvane/scene/ZelReport.h"

namespace {

typedef std::vector<std::string> Texts;

std::string fmt(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string fmt(const char *format, ...) {
  char buf[1024];
  va_list a;
  va_start(a, format);
  vsnprintf(buf, sizeof(buf), format, a);
  va_end(a);
  return buf;
}
std::string P(const std::string &s) { return "<p style='white-space: pre-wrap;'>" + s; }
// Node numbers as the headers print them.
std::string N(std::initializer_list<int> v) {
  std::string s;
  for (int x : v) s += fmt(s.empty() ? "%9d" : " %9d", x);
  return s;
}
std::string blue(const char *label) { return fmt("  <span style=\"color:blue\">%s</span>", label); }
const std::string kCont(35, ' ');

// A 3-D mesh holding one item of every kind on the 27 vertices of a 3 x 3 x 3 grid, vertex
// 1 + i + 3 j + 9 k at (i, j, k), with a vertex solution of a scalar, a vector and a metric.
// Triangles: 1 = (1 2 5) with boundary edge 1-2 and quadrilateral 1 across 2-5; 2 = (1 5 4)
// sharing 1-5 with it; 3 = (4 5 13) folded up by 90 degrees along 4-5.
Geometric_Mesh *mixedMesh(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(
      mem, 3,
      {{KmfVertices, 27}, {KmfEdges, 1}, {KmfEdgesP2, 1}, {KmfTriangles, 3}, {KmfTrianglesP2, 1},
       {KmfQuadrilaterals, 1}, {KmfQuadrilateralsQ2, 1}, {KmfTetrahedra, 1}, {KmfTetrahedraP2, 1},
       {KmfPyramids, 1}, {KmfPrisms, 1}, {KmfHexahedra, 1}, {KmfHexahedraQ2, 1}, {KmfNormalAtVertices, 1}},
      {SOL_SCALAR, SOL_VECTOR, SOL_SYMMAT});
  for (int k = 0; k < 3; k++)
    for (int j = 0; j < 3; j++)
      for (int i = 0; i < 3; i++) AddVertex(m, i, j, k, 10 + i);
  AddElement(m, KmfEdges, {1, 2}, 3), AddElement(m, KmfEdgesP2, {1, 3, 2}, 4);
  AddElement(m, KmfTriangles, {1, 2, 5}, 7), AddElement(m, KmfTriangles, {1, 5, 4}, 7);
  AddElement(m, KmfTriangles, {4, 5, 13}, 7), AddElement(m, KmfTrianglesP2, {1, 3, 7, 2, 5, 4}, 8);
  AddElement(m, KmfQuadrilaterals, {2, 3, 6, 5}, 9);
  AddElement(m, KmfQuadrilateralsQ2, {1, 3, 9, 7, 2, 6, 8, 4, 5}, 10);
  AddElement(m, KmfTetrahedra, {1, 2, 4, 10}, 11);
  AddElement(m, KmfTetrahedraP2, {1, 3, 7, 19, 2, 5, 4, 10, 11, 13}, 12);
  AddElement(m, KmfPyramids, {1, 2, 5, 4, 14}, 13), AddElement(m, KmfPrisms, {1, 2, 4, 10, 11, 13}, 14);
  AddElement(m, KmfHexahedra, {1, 2, 5, 4, 10, 11, 14, 13}, 15);
  AddElement(m, KmfHexahedraQ2, {1,  3,  9,  7,  19, 21, 27, 25, 2,  6,  8,  4,  20, 24,
                                 26, 22, 10, 12, 18, 16, 5,  11, 15, 17, 13, 23, 14},
             16);
  m->NbrNor = 1;
  m->Nor[1] = Normal{5, 2, {0.0, 0.5, 1.0}, 0.0};
  for (int v = 1; v <= 27; v++) {
    VertexValue(m, v, 0) = 0.5 * v;
    for (int c = 0; c < 3; c++) VertexValue(m, v, 1, c) = v + c;
    const double met[6] = {4, 0, 0, 9, 0, 16};
    for (int c = 0; c < 6; c++) VertexValue(m, v, 2, c) = met[c];
  }
  return m;
}

// A 2-D grid of one square with 16 fields at the vertices: a scalar, a vector, 14 metrics.
Geometric_Mesh *flatMesh(Memory_List *mem) {
  std::vector<int> types(16, SOL_SYMMAT);
  types[0] = SOL_SCALAR, types[1] = SOL_VECTOR;
  Geometric_Mesh *m = TriangleGrid(mem, 1, 1, types);
  for (int v = 1; v <= 4; v++) {
    VertexValue(m, v, 0) = -1.25;
    VertexValue(m, v, 1, 0) = 3, VertexValue(m, v, 1, 1) = 4;
    for (int f = 2; f < 16; f++)
      VertexValue(m, v, f, 0) = 4, VertexValue(m, v, f, 1) = 1, VertexValue(m, v, f, 2) = 9;
  }
  return m;
}
// The same mesh through a metric whose eigen solve fails, or with triangle 3 collapsed onto its
// side 4-5 (zero-length normal).
Geometric_Mesh *failingMetric(Memory_List *mem) {
  Geometric_Mesh *m = mixedMesh(mem);
  VertexValue(m, 3, 2, 0) = NAN;
  return m;
}
Geometric_Mesh *collapsed(Memory_List *mem) {
  Geometric_Mesh *m = mixedMesh(mem);
  m->Ver[13] = m->Ver[4];
  return m;
}
// Triangle 3 as the needle (0 0 0) (1 1 1) (2 2 2): rounding puts its cosines just past 1.
Geometric_Mesh *needle(Memory_List *mem) {
  Geometric_Mesh *m = mixedMesh(mem);
  m->Ver[4] = m->Ver[1], m->Ver[5] = m->Ver[14], m->Ver[13] = m->Ver[27];
  return m;
}

// One live and one dead triangle carrying a scalar per triangle.
Geometric_Mesh *triangleSolution(Memory_List *mem) {
  Geometric_Mesh *m = TriangleGrid(mem, 1, 1);
  m->Tri[2].Tag = 0;
  const int types[1] = {SOL_SCALAR};
  m->SolAtTri = NewCommonSolution(mem, 2, 1, 1, types);
  m->MaxSolTri = 3;
  m->NbrSolTri = 2;
  m->SolAtTri->Sol[1] = 0.75, m->SolAtTri->Sol[2] = 1.5;
  return m;
}

// The same with the values of triangle 2 not read yet.
Geometric_Mesh *shortSolution(Memory_List *mem) {
  Geometric_Mesh *m = triangleSolution(mem);
  m->NbrSolTri = 1;
  return m;
}

// The eigen part of a metric's paragraph: three vectors in 3-D; in 2-D both vectors on one line
// and 0 in the third eigenvalue slot.
std::string eigen(int dim, const double *met) {
  double val[3] = {0, 0, 0}, vec[9];
  const int code = dim == 3 ? mtxEigen3(met, val, vec) : mtxEigen2(met, val, vec);
  const std::string red = "<span style=\"color:red\">";
  std::string s = red + "EigenVector</span>     " + red + "vp1</span> :  ";
  if (dim == 3) {
    for (int k = 0; k < 3; k++) {
      const double *v = vec + 3 * k;
      s += (k ? red + fmt("vp%d</span> :  ", k + 1) : "") + fmt("%le  %le  %le\n", v[0], v[1], v[2]);
    }
  } else {
    s += fmt("%le  %le  %le %le\n", vec[0], vec[1], vec[2], vec[3]);
  }
  return s + red + fmt("EigenValues</span>            %le  %le  %le    %d ", val[0], val[1], val[2], code);
}
const double kMet3[6] = {4, 0, 0, 9, 0, 16}, kMet2[3] = {4, 1, 9};
// The dihedral paragraph from its two rows of three slots.
std::string dihedral(const std::string &row1, const std::string &row2) {
  const std::string label = "      <span style=\"color:red\">Dihedral Angles</span>   ";
  return P(label + std::string(11, ' ') + row1 + "\n" + kCont + row2 + "</p>");
}
std::string vertexLine(int v, int ref) {
  return P(blue("Vertex") + fmt("        %10d   Ref %d</p>", v, ref));
}
std::string sol3(int v) {
  return P("          " + fmt("<span style=\"color:red\">Scalar</span> :  %le ", 0.5 * v) +
           fmt("<span style=\"color:red\">Vector</span>    %le  %le  %le ", v + 0.0, v + 1.0, v + 2.0) +
           fmt("<span style=\"color:red\">Tensor</span>    %le  %le  %le %le  %le  %le ", 4.0, 0.0, 0.0, 9.0,
               0.0, 16.0) +
           eigen(3, kMet3) + "</p>");
}

struct ReportCase {
  const char *What;
  Geometric_Mesh *(*Mesh)(Memory_List *);
  int Verbose, Kind, Index;
  Texts Want;
};

std::string flat16() {
  std::string p = "          " + fmt("<span style=\"color:red\">Scalar</span> :  %le ", -1.25) +
                  fmt("<span style=\"color:red\">Vector</span>    %le  %le ", 3.0, 4.0);
  for (int f = 2; f < 16; f++)
    p += fmt("<span style=\"color:red\">Tensor</span>    %le  %le  %le ", 4.0, 1.0, 9.0) + eigen(2, kMet2);
  return P(p + "</p>");
}
std::string angles(const char *three) {
  return P("      <span style=\"color:red\">Angle</span>" + std::string(25, ' ') + three);
}
std::string scalar(double v) {
  return P("          " + fmt("<span style=\"color:red\">Scalar</span> :  %le ", v) + "</p>");
}
std::string tri(int i, std::initializer_list<int> nodes) {
  return P(blue("Triangle") + fmt("               %d = [", i) + N(nodes) + "]   Ref 7</p>");
}
std::string head(const char *label, const char *gap, std::initializer_list<int> nodes, const char *tail) {
  return P(blue(label) + gap + "         1 = [" + N(nodes) + tail);
}
std::string cont(std::initializer_list<int> nodes, const char *tail) {
  return P(kCont + "[" + N(nodes) + tail);
}

const std::string kDead =
    P(blue("Triangle") + "               2 <span style=\"color:red\">is dead...</span></p>");

const ReportCase kCases[] = {
    {"vertex with coordinates and all three fields in 3-D", mixedMesh, 0x8007, KmfVertices, 14,
     {P(blue("Vertex") + fmt("              %10d   (1  1  1) Ref 11</p>", 14)), sol3(14)}},
    {"vertex, 16 fields in 2-D printed whole (third eigenvalue slot 0)", flatMesh, 0xFFFF, KmfVertices, 2,
     {P(blue("Vertex") + fmt("              %10d   (1  0  0) Ref 0</p>", 2)), flat16()}},
    {"a failed eigen solve drops the paragraph", failingMetric, 4, KmfVertices, 3, {vertexLine(3, 12)}},
    {"a zero-length neighbour normal shows no angle", collapsed, 0x40000, KmfTriangles, 2,
     {tri(2, {1, 5, 4}), dihedral("      n/a      n/a      0.00", "      n/a      n/a    180.00")}},
    {"a collapsed triangle: no angle at its zero-length side, no dihedral angle", collapsed, 0x60000,
     KmfTriangles, 3,
     {tri(3, {4, 5, 13}), angles("      n/a      0.00       n/a</p>"),
      dihedral("      n/a      n/a      n/a", "      n/a      n/a      n/a")}},
    {"a needle triangle: cosines clamped, angles 0 180 0", needle, 0x20000, KmfTriangles, 3,
     {tri(3, {4, 5, 13}), angles("     0.00    180.00      0.00</p>")}},
    {"edge with its length", mixedMesh, 0, KmfEdges, 1,
     {head("Edge", "     ", {1, 2}, "]   Ref 3  length 1 </p>")}},
    {"P2 triangle, then its six node reports after the whole header", mixedMesh, 0x10000, KmfTrianglesP2, 1,
     {head("Triangle P2", "         ", {1, 3, 7}, "]</p>"), cont({2, 5, 4}, "]   Ref 8 </p>"),
      vertexLine(1, 10), vertexLine(3, 12), vertexLine(7, 10), vertexLine(2, 11), vertexLine(5, 11),
      vertexLine(4, 10)}},
    {"Q2 quadrilateral", mixedMesh, 0, KmfQuadrilateralsQ2, 1,
     {head("QuadrilateralQ2", "     ", {1, 3, 9, 7}, "]</p>"), cont({2, 6, 8, 4, 5}, "]  Ref 10 </p>")}},
    {"tetrahedron followed by its four vertex reports", mixedMesh, 0x10000, KmfTetrahedra, 1,
     {head("Tetrahedron", "     ", {1, 2, 4, 10}, "]   Ref 11</p>"), vertexLine(1, 10), vertexLine(2, 11),
      vertexLine(4, 10), vertexLine(10, 10)}},
    {"P2 tetrahedron", mixedMesh, 0, KmfTetrahedraP2, 1,
     {head("Tetrahedron P2", "      ", {1, 3, 7, 19}, "] </p>\n"),
      cont({2, 5, 4, 10, 11, 13}, "]   Ref 12 </p>\n")}},
    {"pyramid", mixedMesh, 0, KmfPyramids, 1,
     {head("Pyramid", "             ", {1, 2, 5}, "]</p>"), cont({4, 14}, "          ]   Ref 13 </p>")}},
    {"prism", mixedMesh, 0, KmfPrisms, 1,
     {head("Prism", "               ", {1, 2, 4}, "]</p>"), cont({10, 11, 13}, "]   Ref 14 </p>")}},
    {"Q2 hexahedron", mixedMesh, 0, KmfHexahedraQ2, 1,
     {head("Hexahedron  Q2", "      ", {1, 3, 9, 7}, "]</p>"), cont({19, 21, 27, 25}, "]</p>"),
      cont({2, 6, 8, 4}, "]</p>"), cont({20, 24, 26, 22}, "]</p>"), cont({10, 12, 18, 16}, "]</p>"),
      cont({5, 11, 15, 17}, "]</p>"), cont({13, 23, 14}, "          ]   Ref 16 </p>")}},
    {"normal, then the report of its vertex", mixedMesh, 1, KmfNormalAtVertices, 1,
     {P(blue("Normal") + "                       1   (     0.00       0.50       1.00) Ref 5 At:</p>"),
      vertexLine(2, 11), scalar(1.0)}},
    {"corner angles; dihedral: a mesh edge, a quadrilateral neighbour, a flat neighbour", mixedMesh, 0x60000,
     KmfTriangles, 1,
     {tri(1, {1, 2, 5}), angles("    45.00     90.00     45.00</p>"),
      dihedral("      n/a      0.00      n/a", "      n/a    180.00      n/a")}},
    {"dihedral: a known fold of 90 degrees and a side without neighbour", mixedMesh, 0x40000, KmfTriangles, 2,
     {tri(2, {1, 5, 4}), dihedral("     90.00      n/a      0.00", "     90.00      n/a    180.00")}},
    {"dead triangle: no node reports, the solution still follows", triangleSolution, 0x10001, KmfTriangles, 2,
     {kDead, scalar(1.5)}},
    {"no paragraph for an entity whose values were not read", shortSolution, 0x10001, KmfTriangles, 2,
     {kDead}},
};

void PrintTo(const ReportCase &c, std::ostream *os) { *os << c.What; }

class Report : public testing::TestWithParam<ReportCase> {};

TEST_P(Report, PrintsThePartTexts) {
  const ReportCase &c = GetParam();
  DisplayScene scene(c.Mesh, false);
  scene->opt->verbose = c.Verbose;
  FakeHooks hooks;
  CaptureText([&] { EXPECT_EQ(zelPrintItemInfo(scene.get(), c.Kind, c.Index), 1); });
  EXPECT_EQ(hooks.Texts, c.Want);
}

INSTANTIATE_TEST_SUITE_P(Kinds, Report, testing::ValuesIn(kCases));

TEST(Report, DistanceNeedsAVertexAmongTwoPicks) {
  DisplayScene scene(mixedMesh, false);
  FakeHooks hooks;
  const int idx[2] = {1, 2}, tri[2] = {KmfTriangles, KmfTriangles}, mixed[2] = {KmfTriangles, KmfVertices};
  zelPrintDistance(scene.get(), idx, mixed);
  EXPECT_TRUE(hooks.Texts.empty());
  zelPrintDistance(scene.get(), idx, tri);
  EXPECT_EQ(hooks.Texts, Texts{P("  <span style=\"color:green\">To Calculate a Distance, at least One of Two "
                                 "Picked Elements must be a Vertex (triangles triangles)\n</p>")});
}

}  // namespace
