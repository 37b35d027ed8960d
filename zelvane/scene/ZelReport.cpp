// The picked-item report: header lines of every kind from one table, the angles of a triangle
// and the solution paragraph, composed as HTML and handed whole to pterm.
#include "zelvane/scene/ZelReport.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/topology/Topology.h"
#include "zelvane/scene/ZelEigen.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelScene.h"

namespace {

const char *const kPara = "<p style='white-space: pre-wrap;'>";
const char *const kNA = "      n/a";

void appendf(std::string &s, const char *format, ...) __attribute__((format(printf, 2, 3)));
void appendf(std::string &s, const char *format, ...) {
  va_list args, again;
  va_start(args, format);
  va_copy(again, args);
  char small[256];
  int len = vsnprintf(small, sizeof(small), format, args);
  va_end(args);
  if (len >= 0 && static_cast<size_t>(len) < sizeof(small)) {
    s += small;
  } else if (len > 0) {
    size_t at = s.size();
    s.resize(at + static_cast<size_t>(len));
    vsnprintf(&s[at], static_cast<size_t>(len) + 1, format, again);
  }
  va_end(again);
}

// Format strings of the header rows hold the reference and, for edges, the length; the
// formats that do not print them leave the extra arguments unread.
void appendTail(std::string &s, const char *tail, int ref, double length) {
  char buf[128];
  snprintf(buf, sizeof(buf), tail, ref, length);
  s += buf;
}

// The scene's mesh and verbose mask, or null when a report cannot be made.
Geometric_Mesh *reportMesh(const ZelScene *scene) {
  return scene && scene->Msh && scene->opt ? scene->Msh : nullptr;
}

void out(ZelScene *scene, const std::string &text) { pterm(scene->Win, "%s", text.c_str()); }

// ---- Solution paragraph ------------------------------------------------------------------

// The solution at an element kind and the number of its entities whose values were read.
const Geometric_Solution *solutionAt(const Geometric_Mesh *msh, int kind, int *count) {
  switch (kind) {
    case KmfVertices: *count = msh->NbrSolVer; return msh->SolAtVer;
    case KmfTriangles:
    case KmfTrianglesP2: *count = msh->NbrSolTri; return msh->SolAtTri;
    case KmfQuadrilaterals:
    case KmfQuadrilateralsQ2: *count = msh->NbrSolQua; return msh->SolAtQua;
    case KmfTetrahedra:
    case KmfTetrahedraP2: *count = msh->NbrSolTet; return msh->SolAtTet;
    case KmfHexahedra:
    case KmfHexahedraQ2: *count = msh->NbrSolHex; return msh->SolAtHex;
    case KmfPrisms: *count = msh->NbrSolPri; return msh->SolAtPri;
    case KmfPyramids: *count = msh->NbrSolPyr; return msh->SolAtPyr;
  }
  return nullptr;
}

// Values one field of that type holds per entity.
int fieldSize(int type, int dim) {
  switch (type) {
    case SOL_SCALAR: return 1;
    case SOL_VECTOR: return dim;
    case SOL_SYMMAT: return dim == 3 ? 6 : 3;
    case SOL_MATRIX: return dim == 3 ? 9 : 4;
  }
  myexit("FATAL INTERNAL ERROR", 100);
}

// Text of one field; false when its eigen-decomposition failed (the paragraph is dropped).
bool appendField(std::string &p, int type, int dim, const double *v) {
  switch (type) {
    case SOL_SCALAR: appendf(p, "<span style=\"color:red\">Scalar</span> :  %le ", v[0]); return true;
    case SOL_VECTOR:
      if (dim == 3)
        appendf(p, "<span style=\"color:red\">Vector</span>    %le  %le  %le ", v[0], v[1], v[2]);
      else
        appendf(p, "<span style=\"color:red\">Vector</span>    %le  %le ", v[0], v[1]);
      return true;
    case SOL_MATRIX: return true;
  }
  double val[3] = {0, 0, 0}, vec[9];
  int code;
  if (dim == 3) {
    appendf(p, "<span style=\"color:red\">Tensor</span>    %le  %le  %le %le  %le  %le ", v[0], v[1], v[2],
            v[3], v[4], v[5]);
    code = mtxEigen3(v, val, vec);
    if (code <= 0) return false;
    appendf(p,
            "<span style=\"color:red\">EigenVector</span>     <span style=\"color:red\">vp1</span> :  %le  "
            "%le  %le\n",
            vec[0], vec[1], vec[2]);
    appendf(p, "<span style=\"color:red\">vp2</span> :  %le  %le  %le\n", vec[3], vec[4], vec[5]);
    appendf(p, "<span style=\"color:red\">vp3</span> :  %le  %le  %le\n", vec[6], vec[7], vec[8]);
  } else {
    appendf(p, "<span style=\"color:red\">Tensor</span>    %le  %le  %le ", v[0], v[1], v[2]);
    code = mtxEigen2(v, val, vec);
    if (code <= 0) return false;
    // Two eigenvalues in 2-D: the third slot of the line shows 0.
    appendf(p,
            "<span style=\"color:red\">EigenVector</span>     <span style=\"color:red\">vp1</span> :  %le  "
            "%le  %le %le\n",
            vec[0], vec[1], vec[2], vec[3]);
  }
  appendf(p, "<span style=\"color:red\">EigenValues</span>            %le  %le  %le    %d ", val[0], val[1],
          val[2], code);
  return true;
}

void printSolution(ZelScene *scene, int kind, int index) {
  const Geometric_Mesh *msh = scene->Msh;
  int count = 0;
  const Geometric_Solution *sol = solutionAt(msh, kind, &count);
  if (!sol || !sol->Sol || !sol->SizFld || index < 1 || index > count) return;
  int nf = sol->NbrFld < 16 ? sol->NbrFld : 16;
  uint32_t bits = static_cast<uint32_t>(scene->opt->verbose) & ((1u << nf) - 1u);
  if (!bits) return;
  std::string p = kPara;
  p += "          ";
  const double *v = sol->Sol + static_cast<int64_t>(index) * sol->SizTot;
  for (int k = 0, off = 0; k < nf; off += fieldSize(sol->SizFld[k], msh->Dim), k++)
    if ((bits & (1u << k)) && !appendField(p, sol->SizFld[k], msh->Dim, v + off)) return;
  p += "</p>";
  out(scene, p);
}

// ---- Angles ------------------------------------------------------------------------------

double dot(const double a[3], const double b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

// a normalised in place; false (a left as it is) for a zero vector.
bool normalise(double a[3]) {
  double len = std::sqrt(dot(a, a));
  if (!(len > 0.0)) return false;
  for (int i = 0; i < 3; i++) a[i] /= len;
  return true;
}

double acosDegrees(double c) { return std::acos(std::fmin(1.0, std::fmax(-1.0, c))) * 180.0 / M_PI; }

bool unitNormal(const double p[3][3], double n[3]) {
  double u[3], v[3];
  for (int i = 0; i < 3; i++) u[i] = p[1][i] - p[0][i], v[i] = p[2][i] - p[0][i];
  n[0] = u[1] * v[2] - u[2] * v[1];
  n[1] = u[2] * v[0] - u[0] * v[2];
  n[2] = u[0] * v[1] - u[1] * v[0];
  return normalise(n);
}

void trianglePoints(const Geometric_Mesh *msh, const Triangle &t, double p[3][3]) {
  for (int j = 0; j < 3; j++)
    for (int i = 0; i < 3; i++) p[j][i] = msh->Ver[t.Ver[j]].Crd[i];
}

bool verticesValid(const Geometric_Mesh *msh, const int *ver, int n) {
  for (int j = 0; j < n; j++)
    if (ver[j] < 1 || ver[j] > msh->NbrVer) return false;
  return true;
}

void appendAngle(std::string &s, double a) {
  if (std::isnan(a))
    s += kNA;
  else
    appendf(s, "%9.2f", a);
}

void printCornerAngles(ZelScene *scene, const double p[3][3]) {
  double a[3];
  zelTriangleAngles(p, a);
  std::string s = kPara;
  s += "      <span style=\"color:red\">Angle</span>                         ";
  for (int k = 0; k < 3; k++) {
    if (k) s += ' ';
    appendAngle(s, a[k]);
  }
  s += "</p>";
  out(scene, s);
}

void printDihedralAngles(ZelScene *scene, const Triangle &t, const double p[3][3]) {
  const Geometric_Mesh *msh = scene->Msh;
  double n[3], angle[3];
  bool flat = !unitNormal(p, n);
  if (flat) printf(" ouou j'ai un soucis ");
  for (int k = 0; k < 3; k++) {
    angle[k] = NAN;
    int nb = t.Voi[k];
    // A mesh edge, an empty slot, a neighbour that is no linear triangle: no angle.
    if (flat || (t.Tag & TagEdgeMark(k)) || VoiTypGet(t.VoiTyp, k) != VOI_TRI || nb < 1 || nb > msh->NbrTri ||
        !verticesValid(msh, msh->Tri[nb].Ver, 3))
      continue;
    double q[3][3];
    trianglePoints(msh, msh->Tri[nb], q);
    angle[k] = zelDihedralAngle(p, q);
    if (std::isnan(angle[k])) printf(" ouou j'ai un soucis ");
  }
  std::string rows = "           ";
  for (double a : angle)
    if (std::isnan(a))
      rows += kNA;
    else
      appendf(rows, " %9.2f", a);
  rows += "\n" + std::string(35, ' ');
  for (double a : angle)
    if (std::isnan(a))
      rows += kNA;
    else
      appendf(rows, " %9.2f", 180.0 - a);
  std::string s = kPara;
  appendf(s, "      <span style=\"color:red\">Dihedral Angles</span>   %s</p>", rows.c_str());
  out(scene, s);
}

// ---- Element reports ---------------------------------------------------------------------

// One header line: nodes first .. first + count - 1, a pad before the closing bracket and the
// tail (which may print the reference, then the length of an edge).
struct HeaderLine {
  int First, Count;
  const char *Pad, *Tail;
};

struct ReportRow {
  int Kind;
  const char *Label;  // kind label with the spacing up to the element number
  int NbrLin;
  HeaderLine Lin[7];
};

const char *const kPad = "          ";

const ReportRow kRows[] = {
    {KmfEdges, "Edge</span>     ", 1, {{0, 2, "", "]   Ref %d  length %lg </p>"}}},
    {KmfEdgesP2, "Edge P2</span>     ", 1, {{0, 3, "", "]   Ref %d</p>"}}},
    {KmfTriangles, "Triangle</span>      ", 1, {{0, 3, "", "]   Ref %d</p>"}}},
    {KmfTrianglesP2, "Triangle P2</span>         ", 2, {{0, 3, "", "]</p>"}, {3, 3, "", "]   Ref %d </p>"}}},
    {KmfQuadrilaterals, "Quadrilateral</span>       ", 1, {{0, 4, "", "]   Ref %d</p>"}}},
    {KmfQuadrilateralsQ2, "QuadrilateralQ2</span>     ", 2,
     {{0, 4, "", "]</p>"}, {4, 5, "", "]  Ref %d </p>"}}},
    {KmfTetrahedra, "Tetrahedron</span>     ", 1, {{0, 4, "", "]   Ref %d</p>"}}},
    {KmfTetrahedraP2, "Tetrahedron P2</span>      ", 2,
     {{0, 4, "", "] </p>\n"}, {4, 6, "", "]   Ref %d </p>\n"}}},
    {KmfPyramids, "Pyramid</span>             ", 2, {{0, 3, "", "]</p>"}, {3, 2, kPad, "]   Ref %d </p>"}}},
    {KmfPrisms, "Prism</span>               ", 2, {{0, 3, "", "]</p>"}, {3, 3, "", "]   Ref %d </p>"}}},
    {KmfHexahedra, "Hexahedron</span>          ", 2, {{0, 4, "", "]</p>"}, {4, 4, "", "]   Ref %d </p>"}}},
    {KmfHexahedraQ2,
     "Hexahedron  Q2</span>      ",
     7,
     {{0, 4, "", "]</p>"},
      {4, 4, "", "]</p>"},
      {8, 4, "", "]</p>"},
      {12, 4, "", "]</p>"},
      {16, 4, "", "]</p>"},
      {20, 4, "", "]</p>"},
      {24, 3, kPad, "]   Ref %d </p>"}}},
};

const ReportRow *reportRow(int kind) {
  for (const ReportRow &r : kRows)
    if (r.Kind == kind) return &r;
  return nullptr;
}

double edgeLength(const Geometric_Mesh *msh, int a, int b) {
  const double *p = msh->Ver[a].Crd, *q = msh->Ver[b].Crd;
  double d[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
  return std::sqrt(dot(d, d));
}

void printHeader(ZelScene *scene, const ReportRow &row, int index, const int *nodes, int ref, double length) {
  for (int l = 0; l < row.NbrLin; l++) {
    const HeaderLine &line = row.Lin[l];
    std::string s = kPara;
    if (l == 0) {
      s += "  <span style=\"color:blue\">";
      s += row.Label;
      appendf(s, "%10d = [", index);
    } else {
      s += std::string(35, ' ') + "[";
    }
    for (int j = 0; j < line.Count; j++) appendf(s, j ? " %9d" : "%9d", nodes[line.First + j]);
    s += line.Pad;
    appendTail(s, line.Tail, ref, length);
    out(scene, s);
  }
}

void printElement(ZelScene *scene, int kind, int index) {
  Geometric_Mesh *msh = reportMesh(scene);
  const ReportRow *row = reportRow(kind);
  ZelElems e = zelElems(msh, kind);
  if (!row || !e.exists() || index < 1 || index > e.Count) return;
  const int *nodes = e.ver(index);
  int ref = e.ref(index), nbr = e.NbrNod;
  uint32_t verbose = static_cast<uint32_t>(scene->opt->verbose);
  bool dead = kind == KmfTriangles && !(msh->Tri[index].Tag & TAG_ALIVE);
  bool valid = verticesValid(msh, nodes, nbr);
  if (dead) {
    std::string s = kPara;
    appendf(s,
            "  <span style=\"color:blue\">Triangle</span>      %10d <span style=\"color:red\">is "
            "dead...</span></p>",
            index);
    out(scene, s);
  } else {
    // Single precision, as the edge line has always shown it.
    double length = kind == KmfEdges && valid ? static_cast<float>(edgeLength(msh, nodes[0], nodes[1])) : 0.0;
    printHeader(scene, *row, index, nodes, ref, length);
  }
  if (verbose & ZelVrbNeighbours) zelPrintNeighbors(scene);
  if (!dead && kind == KmfTriangles && valid && (verbose & (ZelVrbAngles | ZelVrbDihedral))) {
    double p[3][3];
    trianglePoints(msh, msh->Tri[index], p);
    if (verbose & ZelVrbAngles) printCornerAngles(scene, p);
    if (verbose & ZelVrbDihedral) printDihedralAngles(scene, msh->Tri[index], p);
  }
  if (!dead && (verbose & ZelVrbVertices))
    for (int j = 0; j < nbr; j++) zelPrintVertexInfo(scene, nodes[j]);
  printSolution(scene, kind, index);
}

// ---- Reports no part of the viewer calls -------------------------------------------------

// Names of kinds in the not-implemented lines of these reports.
const char *longName(int kind) {
  static const struct {
    int Kind;
    const char *Name;
  } names[] = {{KmfVertices, "Vertices"},         {KmfEdges, "Edges"},
               {KmfQuadrilaterals, "Quadrilaterals"}, {KmfTetrahedra, "Tetrahedra"},
               {KmfPrisms, "Prisms"},             {KmfHexahedra, "Hexahedra"},
               {KmfPyramids, "Pyramids"},         {KmfNormalAtVertices, "Normals"},
               {KmfTrianglesP2, "P2 Triangles"},  {KmfEdgesP2, "P2 Edges"},
               {KmfQuadrilateralsQ2, "Q2 Quadrilaterals"}, {KmfTetrahedraP2, "P2 Tetrahedra"},
               {KmfHexahedraQ2, "Q2 Hexahedra"}};
  for (const auto &n : names)
    if (n.Kind == kind) return n.Name;
  return zelGetTypeName(kind);
}

// The triangle's vertices when the report can be made for it, else the not-implemented line.
const int *reportTriangle(ZelScene *scene, int kind, int index, const char *what) {
  Geometric_Mesh *msh = reportMesh(scene);
  if (!msh) return nullptr;
  if (kind != KmfTriangles) {
    pterm(scene->Win, "<span style=\"color:green\">Print %s in %s Not yet Implemented</span>\n", what,
          longName(kind));
    return nullptr;
  }
  if (index < 1 || index > msh->NbrTri || !verticesValid(msh, msh->Tri[index].Ver, 3)) return nullptr;
  return msh->Tri[index].Ver;
}

// Offset of the first metric field of the vertex solution, -1 when there is none.
int metricOffset(const Geometric_Mesh *msh) {
  const Geometric_Solution *sol = msh->SolAtVer;
  if (!sol || !sol->Sol || !sol->SizFld || msh->NbrSolVer < msh->NbrVer) return -1;
  for (int k = 0, off = 0; k < sol->NbrFld; off += fieldSize(sol->SizFld[k], msh->Dim), k++)
    if (sol->SizFld[k] == SOL_SYMMAT) return off;
  return -1;
}

// Length of the edge e (from a) as the metric at a sees it.
double metricSize(const double *m, const double e[3], int dim) {
  if (dim == 3)
    return std::sqrt(m[0] * e[0] * e[0] + m[3] * e[1] * e[1] + m[5] * e[2] * e[2] +
                     2.0 * (m[1] * e[0] * e[1] + m[2] * e[0] * e[2] + m[4] * e[1] * e[2]));
  return std::sqrt(m[0] * e[0] * e[0] + 2.0 * m[1] * e[0] * e[1] + m[2] * e[1] * e[1]);
}

}  // namespace

void zelTriangleAngles(const double p[3][3], double angle[3]) {
  double e[3][3];
  bool ok[3];
  for (int k = 0; k < 3; k++) {
    for (int i = 0; i < 3; i++) e[k][i] = p[(k + 1) % 3][i] - p[k][i];
    ok[k] = normalise(e[k]);
  }
  // Corner k lies between the side arriving from corner k-1 and the side leaving it.
  for (int k = 0; k < 3; k++) {
    int in = (k + 2) % 3;
    angle[k] = ok[k] && ok[in] ? acosDegrees(-dot(e[in], e[k])) : NAN;
  }
}

double zelDihedralAngle(const double a[3][3], const double b[3][3]) {
  double na[3], nb[3];
  if (!unitNormal(a, na) || !unitNormal(b, nb)) return NAN;
  return acosDegrees(dot(na, nb));
}

void zelPrintVertexInfo(ZelScene *scene, int index) {
  Geometric_Mesh *msh = reportMesh(scene);
  if (!msh || index < 1 || index > msh->NbrVer) return;
  if (scene->opt->verbose & ZelVrbCoordinates) {
    zelPrintCoordinates(scene, index);
  } else {
    std::string s = kPara;
    appendf(s, "  <span style=\"color:blue\">Vertex</span>        %10d   Ref %d</p>", index,
            msh->Ver[index].Ref);
    out(scene, s);
  }
  printSolution(scene, KmfVertices, index);
}

void zelPrintCoordinates(ZelScene *scene, int index) {
  Geometric_Mesh *msh = reportMesh(scene);
  if (!msh || index < 1 || index > msh->NbrVer) return;
  const Vertex &v = msh->Ver[index];
  std::string s = kPara;
  appendf(s, "  <span style=\"color:blue\">Vertex</span>              %10d   (%lg  %lg  %lg) Ref %d</p>",
          index, v.Crd[0], v.Crd[1], v.Crd[2], v.Ref);
  out(scene, s);
}

void zelPrintEdgeInfo(ZelScene *scene, int index) { printElement(scene, KmfEdges, index); }
void zelPrintP2EdgeInfo(ZelScene *scene, int index) { printElement(scene, KmfEdgesP2, index); }
void zelPrintTriangleInfo(ZelScene *scene, int index) { printElement(scene, KmfTriangles, index); }
void zelPrintP2TriangleInfo(ZelScene *scene, int index) { printElement(scene, KmfTrianglesP2, index); }
void zelPrintQuadrilateralInfo(ZelScene *scene, int index) { printElement(scene, KmfQuadrilaterals, index); }
void zelPrintP2QuadrilateralInfo(ZelScene *scene, int index) {
  printElement(scene, KmfQuadrilateralsQ2, index);
}
void zelPrintTetrahedronInfo(ZelScene *scene, int index) { printElement(scene, KmfTetrahedra, index); }
void zelPrintP2TetrahedronInfo(ZelScene *scene, int index) { printElement(scene, KmfTetrahedraP2, index); }
void zelPrintPyramidInfo(ZelScene *scene, int index) { printElement(scene, KmfPyramids, index); }
void zelPrintPrismInfo(ZelScene *scene, int index) { printElement(scene, KmfPrisms, index); }
void zelPrintHexahedronInfo(ZelScene *scene, int index) { printElement(scene, KmfHexahedra, index); }
void zelPrintP2HexahedronInfo(ZelScene *scene, int index) { printElement(scene, KmfHexahedraQ2, index); }

void zelPrintNormalInfo(ZelScene *scene, int index) {
  Geometric_Mesh *msh = reportMesh(scene);
  if (!msh || index < 1 || index > msh->NbrNor || !msh->Nor) return;
  const Normal &n = msh->Nor[index];
  std::string s = kPara;
  appendf(
      s,
      "  <span style=\"color:blue\">Normal</span>              %10d   (%9.2f  %9.2f  %9.2f) Ref %d At:</p>",
      index, n.Crd[0], n.Crd[1], n.Crd[2], n.Ref);
  out(scene, s);
  zelPrintVertexInfo(scene, n.Ver);
}

int zelPrintItemInfo(ZelScene *scene, int kind, int index) {
  switch (kind) {
    case KmfVertices: zelPrintVertexInfo(scene, index); return 1;
    case KmfNormalAtVertices: zelPrintNormalInfo(scene, index); return 1;
  }
  if (!reportRow(kind)) return 0;
  printElement(scene, kind, index);
  return 1;
}

void zelPrintNeighbors(ZelScene *scene) {
  if (scene && scene->Msh) printf(" ****** deactivated  zelPrintNeighbors ");
}

void zelPrintDistance(ZelScene *scene, const int index[2], const int kind[2]) {
  (void)index;
  if (!reportMesh(scene) || !kind || kind[0] == KmfVertices || kind[1] == KmfVertices) return;
  pterm(scene->Win,
        "<p style='white-space: pre-wrap;'>  <span style=\"color:green\">To Calculate a Distance, at least "
        "One of Two Picked Elements must be a Vertex (%s %s)\n</p>",
        zelGetTypeName(kind[0]), zelGetTypeName(kind[1]));
}

void zelPrintLength(ZelScene *scene, int kind, int index) {
  const int *ver = reportTriangle(scene, kind, index, "Lengths");
  if (!ver) return;
  const Geometric_Mesh *msh = scene->Msh;
  std::string s = kPara;
  s += "  <span style=\"color:blue\">Distance</span>";
  for (int k = 0; k < 3; k++) {
    int a = ver[k], b = ver[(k + 1) % 3];
    appendf(s, "  (%d,%d) = %lg", a, b, edgeLength(msh, a, b));
  }
  int off = metricOffset(msh);
  if (off >= 0) {
    s += "<br/><span  style=\"color:blue\">  In Metric</span>";
    const Geometric_Solution *sol = msh->SolAtVer;
    for (int k = 0; k < 3; k++) {
      int a = ver[k], b = ver[(k + 1) % 3];
      double e[3];
      for (int i = 0; i < 3; i++) e[i] = msh->Ver[b].Crd[i] - msh->Ver[a].Crd[i];
      double la = metricSize(sol->Sol + static_cast<int64_t>(a) * sol->SizTot + off, e, msh->Dim);
      double lb = metricSize(sol->Sol + static_cast<int64_t>(b) * sol->SizTot + off, e, msh->Dim);
      if (!(la > 0.0) || !(lb > 0.0)) {
        printf("  ## ERROR: MTXMETEDGLEN: INVALID METRIC OR EDGE, SIZE IN MET %lg %lg MUST BE > 0\n", la, lb);
        continue;
      }
      // The size varies geometrically along the edge: its integral is the logarithmic mean.
      double len = std::fabs(la - lb) <= 1e-12 * la ? la : (la - lb) / std::log(la / lb);
      appendf(s, "  (%d,%d) = %lg", a, b, len);
    }
  }
  s += "</p>";
  out(scene, s);
}

void zelPrintQuality(ZelScene *scene, int kind, int index) {
  const int *ver = reportTriangle(scene, kind, index, "Quality");
  if (!ver) return;
  const Geometric_Mesh *msh = scene->Msh;
  double a = edgeLength(msh, ver[0], ver[1]), b = edgeLength(msh, ver[1], ver[2]),
         c = edgeLength(msh, ver[2], ver[0]);
  double s = 0.5 * (a + b + c), prod = (s - a) * (s - b) * (s - c), q = 1e10;
  if (prod > 1e-20) q = std::fmin(1e10, std::fmax(a, std::fmax(b, c)) * s / std::sqrt(s * prod));
  std::string t = kPara;
  appendf(t, "  <span style=\"color:blue\">Quality</span><br/>             %10d = %lg</p>", index, q);
  out(scene, t);
}

void zelPrintTriLenght(ZelScene *scene, int kind, int index) {
  const int *ver = reportTriangle(scene, kind, index, "Lengths");
  if (!ver) return;
  std::string s = kPara;
  s += "  <span style=\"color:blue\">Lenght</span>\n";
  for (int k = 0; k < 3; k++)
    appendf(s, "              %10d => %5d = %5.2f\n", index, k,
            edgeLength(scene->Msh, ver[k], ver[(k + 1) % 3]));
  s += "</p>";
  out(scene, s);
}
