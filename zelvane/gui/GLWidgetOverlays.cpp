// The view's overlays over the scene: the last picked element with its numbers, the palette
// bar of the active field, the axis trihedron and the solution time.
#include <GL/gl.h>
#include <GL/glu.h>

#include <QFont>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "common/model/ElementKind.h"
#include "common/model/Geometry.h"
#include "common/model/Mesh.h"
#include "resources/fonts/ZelvaneFonts.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/ZelOverlayRules.h"
#include "zelvane/gui/ZelText.h"
#include "zelvane/lists/ZelListFrame.h"
#include "zelvane/lists/ZelP2Patch.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelGlyphs.h"
#include "zelvane/scene/ZelMatrix.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// ---- the picked element: one row per kind

enum class Draw { Point, Segment, Faces, NormalArrow, P2Triangle, Patches, P2Edge, FaceSide, FaceP2Side };

// A face or node table. Curved patches have six nodes (corners p0 p1 p2, then the edge nodes
// of p0p1, p1p2, p2p0); a curved quadrilateral face has nine (corners c0..c3, the edge nodes
// of c0c1, c1c2, c2c3, c3c0, the face node f) and is drawn as the patches (c0 c1 c2; e01 e12
// f) and (c2 c3 c0; e23 e30 f).
const int TriFace[][3] = {{0, 1, 2}};
const int QuaFace[][4] = {{0, 1, 2, 3}};
const int TetFaces[][3] = {{1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}};
const int PriTris[][3] = {{0, 1, 2}, {3, 5, 4}};
const int PriQuas[][4] = {{0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}};
const int HexFaces[][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {0, 4, 5, 1}, {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}};
const int PyrTris[][3] = {{0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};
const int P2TetPatches[][6] = {{1, 3, 2, 8, 9, 5}, {0, 2, 3, 6, 9, 7}, {0, 3, 1, 7, 8, 4}, {0, 1, 2, 4, 5, 6}};
const int Q2QuaFace[][9] = {{0, 1, 2, 3, 4, 5, 6, 7, 8}};
const int Q2HexFaces[][9] = {{0, 1, 2, 3, 8, 9, 10, 11, 20},   {4, 5, 6, 7, 12, 13, 14, 15, 21},
                             {0, 4, 5, 1, 16, 12, 17, 8, 22},  {1, 5, 6, 2, 17, 13, 18, 9, 23},
                             {2, 6, 7, 3, 18, 14, 19, 10, 24}, {3, 7, 4, 0, 19, 15, 16, 11, 25}};

struct PickRow {
  int kind;
  Draw draw;
  int nTri = 0;
  const int (*tri)[3] = nullptr;
  int nQua = 0;
  const int (*qua)[4] = nullptr;
  int nPatch = 0;
  const int (*patch)[6] = nullptr;
  int nFace9 = 0;
  const int (*face9)[9] = nullptr;
};

const PickRow PickRows[] = {
    {KmfVertices, Draw::Point},
    {KmfEdges, Draw::Segment},
    {KmfTriangles, Draw::Faces, 1, TriFace},
    {KmfQuadrilaterals, Draw::Faces, 0, nullptr, 1, QuaFace},
    {KmfTetrahedra, Draw::Faces, 4, TetFaces},
    {KmfPrisms, Draw::Faces, 2, PriTris, 3, PriQuas},
    {KmfHexahedra, Draw::Faces, 0, nullptr, 6, HexFaces},
    {KmfPyramids, Draw::Faces, 4, PyrTris, 1, QuaFace},
    {KmfNormalAtVertices, Draw::NormalArrow},
    {KmfTrianglesP2, Draw::P2Triangle},
    {KmfQuadrilateralsQ2, Draw::Patches, 0, nullptr, 0, nullptr, 0, nullptr, 1, Q2QuaFace},
    {KmfTetrahedraP2, Draw::Patches, 0, nullptr, 0, nullptr, 4, P2TetPatches},
    {KmfHexahedraQ2, Draw::Patches, 0, nullptr, 0, nullptr, 0, nullptr, 6, Q2HexFaces},
    {KmfEdgesP2, Draw::P2Edge},
    {KmfFaceEdges, Draw::FaceSide},
    {KmfFaceP2Edges, Draw::FaceP2Side},
};

const PickRow *pickRow(int kind) {
  for (const PickRow &r : PickRows)
    if (r.kind == kind) return &r;
  return nullptr;
}

constexpr int MaxNodes = 27;

// What the drawing of one picked element reads, its nodes' points already shrunk.
struct Picked {
  Picked(ZelScene *s) : scene(s), msh(s->Msh), crd(s->ZelMsh->Crd) {}
  ZelScene *scene;
  Geometric_Mesh *msh;
  float3 *crd;
  int nbrNod = 0;
  int nod[MaxNodes];
  float pt[MaxNodes][3];  // drawn points
  float centre[3] = {0, 0, 0};
  float shrink = 1.0f;
  // Vertex values of a symmetric-tensor active field, for the metric glyphs; null otherwise.
  const Geometric_Solution *metric = nullptr;
  int metricOffset = 0;

  bool vertexOk(int v) const { return v >= 1 && v <= msh->NbrVer; }
};

void faceNormal(const float *a, const float *b, const float *c) {
  float u[3], w[3], n[3];
  for (int k = 0; k < 3; k++) u[k] = b[k] - a[k], w[k] = c[k] - a[k];
  n[0] = u[1] * w[2] - u[2] * w[1];
  n[1] = u[2] * w[0] - u[0] * w[2];
  n[2] = u[0] * w[1] - u[1] * w[0];
  const float len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  if (len != 0.0f)
    for (float &x : n) x /= len;
  glNormal3fv(n);
}

template <int N>
void drawFaces(const Picked &p, int count, const int (*faces)[N], GLenum mode) {
  if (!count) return;
  glBegin(mode);
  for (int f = 0; f < count; f++) {
    faceNormal(p.pt[faces[f][0]], p.pt[faces[f][1]], p.pt[faces[f][2]]);
    for (int k = 0; k < N; k++) glVertex3fv(p.pt[faces[f][k]]);
  }
  glEnd();
}

// The curved patches of an element: its own six-node patches, then two per nine-node face.
void drawPatches(const Picked &p, const PickRow &row, int level) {
  float blk[18];
  auto patch = [&](int a, int b, int c, int ab, int bc, int ca) {
    const float *n[6] = {p.pt[a], p.pt[b], p.pt[c], p.pt[ab], p.pt[bc], p.pt[ca]};
    zelP2PatchCoefs(n, blk);
    GLWidget::drawCurvedPatch(level, blk, p.centre, p.shrink);
  };
  glBegin(GL_TRIANGLES);
  for (int i = 0; i < row.nPatch; i++) {
    const int *q = row.patch[i];
    patch(q[0], q[1], q[2], q[3], q[4], q[5]);
  }
  for (int i = 0; i < row.nFace9; i++) {
    const int *f = row.face9[i];
    patch(f[0], f[1], f[2], f[4], f[5], f[8]);
    patch(f[2], f[3], f[0], f[6], f[7], f[8]);
  }
  glEnd();
}

// The P2 triangle on its own lattice at the scene's level: the parametric shrink only.
void drawP2Triangle(const Picked &p) {
  const int n = zelP2Level(int(p.scene->Rnd.TessLevel));
  if (n <= 0) return;
  float blk[18];
  const float *nod[6] = {p.pt[0], p.pt[1], p.pt[2], p.pt[3], p.pt[4], p.pt[5]};
  zelP2PatchCoefs(nod, blk);
  static thread_local ZelP2Lattice lat;
  zelEvalP2Lattice(n, nullptr, blk, lat.P, lat.N, nullptr, p.shrink);
  glBegin(GL_TRIANGLES);
  zelEachLatticeTri(n, [&](int a, int b, int c) {
    for (int k : {a, b, c}) {
      glNormal3fv(lat.N[k]);
      glVertex3fv(lat.P[k]);
    }
  });
  glEnd();
}

// A quadratic curve from a to b through m in n segments, pulled toward c by s.
void drawCurve(const float *a, const float *b, const float *m, int level, const float *c, float s) {
  const int n = zelP2Level(level);
  float blk[9], q[ZelLatRow][3];
  zelP2EdgeCoefs(a, b, m, blk);
  const int points = zelP2EdgePoints(n, blk, c, 1.0f, q);
  zelPullToward(q, points, c, s);
  glBegin(GL_LINES);
  for (int k = 1; k < points; k++) {
    glVertex3fv(q[k - 1]);
    glVertex3fv(q[k]);
  }
  glEnd();
}

void metricGlyph(const Picked &p, int v) {
  const Geometric_Solution *sol = p.metric;
  if (!sol || v < 1 || v > p.msh->NbrSolVer) return;
  double val[3], vec[9];
  glDisable(GL_LIGHTING);
  GLWidget::drawMetricGlyph(p.crd[v], sol->Sol + size_t(v) * size_t(sol->SizTot) + p.metricOffset, val, vec,
                            p.msh->Dim, p.scene->InvDmaxSca);
}

// The vertex solution when the active field is a symmetric tensor (the field checked first).
const Geometric_Solution *metricField(const ZelScene *scene, int *offset) {
  const Geometric_Solution *sol = scene->Msh->SolAtVer;
  const int f = scene->ActFld;
  if (!sol || f < 0 || f >= sol->NbrFld || sol->SizFld[f] != SOL_SYMMAT) return nullptr;
  *offset = zelFieldOffset(sol, f, scene->Msh->Dim);
  return sol;
}

}  // namespace

void GLWidget::renderText(float x, float y, float z, const QString &text, QFont &) {
  QByteArray bytes = text.toUtf8().left(127);
  glRasterPos3f(x, y, z);
  zel::glutBitmapString(bytes.constData());
}

void GLWidget::drawPickedItem() {
  ZelScene *s = scene_;
  if (!s || !s->ZelMsh || !s->ZelMsh->Crd || !s->Msh || !s->Pck || s->Pck->Top < 0) return;
  const GeoHybridStack &stk = *s->Pck;
  const GeoStackItem top = stk.Ent[stk.Top];
  const PickRow *row = pickRow(top.Typ);
  if (!row) return;
  Picked p(s);

  // The nodes: of the element, or the vertices of the last two or three picks for a side.
  ZelEntDisplayList *rec = nullptr;
  if (row->draw == Draw::FaceSide || row->draw == Draw::FaceP2Side) {
    p.nbrNod = row->draw == Draw::FaceSide ? 2 : 3;
    if (stk.Top + 1 < p.nbrNod) return;
    for (int k = 0; k < p.nbrNod; k++) p.nod[k] = stk.Ent[stk.Top - p.nbrNod + 1 + k].Idx;
  } else {
    if (!geoCheckBound(p.msh, top.Idx, top.Typ)) return;
    if (row->draw == Draw::Point) {
      p.nbrNod = 1;
      p.nod[0] = top.Idx;
    } else if (row->draw == Draw::NormalArrow) {
      p.nbrNod = 1;
      p.nod[0] = p.msh->Nor[top.Idx].Ver;
    } else {
      const ZelElems e = zelElems(p.msh, top.Typ);
      if (!e.exists() || e.NbrNod > MaxNodes) return;
      if (top.Typ == KmfTriangles && !(*e.tag(top.Idx) & TAG_ALIVE)) return;
      p.nbrNod = e.NbrNod;
      for (int k = 0; k < p.nbrNod; k++) p.nod[k] = e.ver(top.Idx)[k];
    }
    rec = zelGetDisList(s->ZelMsh, top.Idx, top.Typ);
    if (rec) p.shrink = zelRecordShrink(s, rec);
  }
  for (int k = 0; k < p.nbrNod; k++)
    if (!p.vertexOk(p.nod[k])) return;

  // Points pulled toward the element's centre (linear kinds and P2 edges), or left for the
  // curved routines, which pull toward the mean of every node themselves.
  for (int k = 0; k < p.nbrNod; k++)
    for (int c = 0; c < 3; c++) p.centre[c] += p.crd[p.nod[k]][c] / float(p.nbrNod);
  const bool pulled = row->draw == Draw::Segment || row->draw == Draw::Faces || row->draw == Draw::P2Edge;
  for (int k = 0; k < p.nbrNod; k++)
    for (int c = 0; c < 3; c++) {
      const float x = p.crd[p.nod[k]][c];
      p.pt[k][c] = pulled ? p.centre[c] + p.shrink * (x - p.centre[c]) : x;
    }
  p.metric = metricField(s, &p.metricOffset);

  if (s->Dim == 3) glEnable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);
  glColor4f(1, 0, 0, 1);
  const int level = rec ? int(rec->Opt.TessLevel) : int(s->Rnd.TessLevel);
  int numbered = p.nbrNod;  // nodes numbered, in order
  float tip[3];
  const float *numberAt = nullptr;
  int ownNumber = 0;
  switch (row->draw) {
    case Draw::Point:
      glPointSize(5);
      glBegin(GL_POINTS);
      glVertex3fv(p.pt[0]);
      glEnd();
      glPointSize(1);
      break;
    case Draw::Segment:
      glLineWidth(10);
      glBegin(GL_LINES);
      glVertex3fv(p.pt[0]);
      glVertex3fv(p.pt[1]);
      glEnd();
      break;
    case Draw::Faces:
      drawFaces(p, row->nTri, row->tri, GL_TRIANGLES);
      drawFaces(p, row->nQua, row->qua, GL_QUADS);
      numbered = zelElems(p.msh, top.Typ).NbrCor;
      break;
    case Draw::NormalArrow: {
      const Normal &nor = p.msh->Nor[top.Idx];
      const double L = s->InvDmaxSca * s->Rnd.NormalScale;
      for (int c = 0; c < 3; c++) tip[c] = p.pt[0][c] + float(nor.Crd[c] * L);
      glLineWidth(10);
      glBegin(GL_LINES);
      glVertex3fv(p.pt[0]);
      glVertex3fv(tip);
      glEnd();
      numberAt = tip;
      ownNumber = top.Idx;
      break;
    }
    case Draw::P2Triangle:
      drawP2Triangle(p);
      numbered = 3;
      break;
    case Draw::Patches:
      drawPatches(p, *row, level);
      numbered = zelElems(p.msh, top.Typ).NbrCor;
      break;
    case Draw::P2Edge:
      glLineWidth(4);
      drawCurve(p.pt[0], p.pt[1], p.pt[2], int(s->Rnd.TessLevel), p.centre, 1.0f);
      break;
    case Draw::FaceSide:
      glLineWidth(2);
      glBegin(GL_LINES);
      glVertex3fv(p.pt[0]);
      glVertex3fv(p.pt[1]);
      glEnd();
      break;
    case Draw::FaceP2Side:
      glLineWidth(2);
      drawCurve(p.pt[0], p.pt[1], p.pt[2], int(s->Rnd.TessLevel), p.centre, 1.0f);
      break;
  }
  glLineWidth(1);

  // Metric glyphs at a picked vertex and at the vertices of a picked triangle.
  if (top.Typ == KmfVertices || top.Typ == KmfTriangles) {
    for (int k = 0; k < (top.Typ == KmfVertices ? 1 : 3); k++) metricGlyph(p, p.nod[k]);
    glColor4f(1, 0, 0, 1);
  }

  if (!(s->Flags & ZelFlgNumbers)) {
    // The numbers stand on the surface: in a depth test they tie with it and are lost about as
    // often as they are drawn.
    glDisable(GL_DEPTH_TEST);
    QFont font("Newyork", 14);
    glColor3f(1, 0, 0);
    if (numberAt) {
      renderText(numberAt[0], numberAt[1], numberAt[2], QString::asprintf("%i", ownNumber), font);
    } else if (row->draw == Draw::Point) {
      renderText(p.pt[0][0], p.pt[0][1], p.pt[0][2], QString::asprintf("%i", top.Idx), font);
    } else {
      for (int k = 0; k < numbered; k++) {
        const float *at = p.crd[p.nod[k]];
        renderText(at[0], at[1], at[2], QString::asprintf("%i", p.nod[k]), font);
      }
    }
  }
  glDisable(GL_DEPTH_TEST);
}

// ---- palette bar, axes, time

namespace {

// Orthographic (-1, 1, -1, 1) over identity matrices, depth test and lighting off, polygons
// filled; end() pops the matrices and switches lighting and the depth test back on.
struct FlatOverlay {
  FlatOverlay() {
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  }
  ~FlatOverlay() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glEnable(GL_LIGHTING);
    glEnable(GL_DEPTH_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  }
};

void inverseBackground(const ZelScene *scene) {
  glColor3f(1.0f - scene->Back[0] / 255.0f, 1.0f - scene->Back[1] / 255.0f, 1.0f - scene->Back[2] / 255.0f);
}

}  // namespace

void GLWidget::drawPalette() {
  const ZelScene *s = scene_;
  if (!s || !s->VieSol || !s->VieSol->ZelPal || s->ActFld < 0 || s->ActFld >= s->VieSol->NbrFld) return;
  const ZelPalette &pal = s->VieSol->ZelPal[s->ActFld];
  const float r = float(ratio());
  float stops[ZelPaletteStops][3];
  zelPaletteStops(&pal, stops);
  {
    FlatOverlay flat;
    glBegin(GL_QUADS);
    for (int i = 0; i + 1 < ZelPaletteStops; i++) {
      const float x0 = ZelPaletteStopX[i], x1 = ZelPaletteStopX[i + 1];
      glColor3fv(stops[i]);
      glVertex2f(x0, 0.9f);
      glColor3fv(stops[i + 1]);
      glVertex2f(x1, 0.9f);
      glVertex2f(x1, 0.95f);
      glColor3fv(stops[i]);
      glVertex2f(x0, 0.95f);
    }
    glEnd();
    inverseBackground(s);
    glLineWidth(2 * r);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    glBegin(GL_QUADS);
    glVertex2f(-0.8f, 0.95f);
    glVertex2f(-0.8f, 0.9f);
    glVertex2f(0.8f, 0.9f);
    glVertex2f(0.8f, 0.95f);
    glEnd();
    glBegin(GL_LINES);
    for (float x : {-0.4f, 0.0f, 0.4f}) {
      glVertex2f(x, 0.9f);
      glVertex2f(x, 0.92f);
    }
    glEnd();
    glLineWidth(1);
  }
  FlatOverlay flat;
  inverseBackground(s);
  const float Wd = float(int(sceneWidth() * r)), Hd = float(int(sceneHeight() * r));
  const ZelText::font_data &font = r < 2 ? smallFont_ : largeFont_;
  const Zelvane_Font *glyphs = ZelText::fontForHeight(unsigned(font.h));
  std::string labels[ZelPaletteStops];
  ZelText::InkBox ink[ZelPaletteStops];
  int longest = 0;
  for (int i = 0; i < ZelPaletteStops; i++) {
    char text[64];
    snprintf(text, sizeof(text), "%.2E", pal.Iso[zelPaletteEntry(&pal, i)]);
    labels[i] = text;
    ink[i] = ZelText::inkBox(glyphs, labels[i]);
    longest = std::max(longest, int(labels[i].size()));
  }
  // Labels too long for their place shrink about their pen, all five alike, and move in where
  // the view's edge would cut them.
  const ZelLabelPlaces at =
      zelPlacePaletteLabels(ink, longest, float(glyphs->glyphMetrics['0']->advance >> 6), Wd, Hd, r);
  glScalef(at.scale, at.scale, 1);
  for (int i = 0; i < ZelPaletteStops; i++) ZelText::print(font, at.x[i], at.y, labels[i]);
}

void GLWidget::drawAxis() {
  const float r = float(ratio());
  const int W = sceneWidth(), H = sceneHeight();
  glViewport(int(0.9 * W * r), 0, int(0.1 * W * r), int(0.1 * H * r));
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluPerspective(100, H ? double(W) / H : 1.0, 0.1, 10);
  glTranslated(0, 0, -2);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  if (scene_ && scene_->View) {
    double rot[16];
    zelGetRotPart(rot, scene_->View->Mat);
    glMultMatrixd(rot);
  }
  glDisable(GL_LIGHTING);
  glLineWidth(2);
  if (scene_)
    inverseBackground(scene_);
  else
    glColor3f(0.84f, 0.84f, 0.84f);
  // The x arrow; y and z are the same strip with the coordinates turned round.
  static const float arrow[8][3] = {{0, 0, 0},        {1, 0, 0},     {0.95f, 0.01f, 0}, {0.95f, -0.01f, 0},
                                    {1, 0, 0},        {0.95f, 0, 0.01f}, {0.95f, 0, -0.01f}, {1, 0, 0}};
  for (int axis = 0; axis < 3; axis++) {
    glBegin(GL_LINE_STRIP);
    for (const auto &q : arrow) glVertex3f(q[(3 - axis) % 3], q[(4 - axis) % 3], q[(5 - axis) % 3]);
    glEnd();
  }
  glLineWidth(1);
  if (zelAxisLabelsInverse(scene_))
    inverseBackground(scene_);
  else
    glColor3f(0.84f, 0.84f, 0.84f);
  const char *names[3] = {"x", "y", "z"};
  for (int axis = 0; axis < 3; axis++) {
    float at[3] = {0, 0, 0};
    at[axis] = 1.2f;
    glRasterPos3fv(at);
    zel::glutBitmapString(names[axis]);
  }
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  zelReshapeScene(scene_, W, H);
}

void GLWidget::drawTime() {
  if (!scene_ || !scene_->Msh) return;
  const float r = float(ratio());
  FlatOverlay flat;
  inverseBackground(scene_);
  char text[64];
  snprintf(text, sizeof(text), "Time: %.3E [s]", scene_->Msh->Time);
  const ZelText::font_data &font = r < 2 ? smallFont_ : largeFont_;
  // In a narrow view the text shrinks about its pen, short of the axis trihedron's corner.
  const ZelTextPlace at = zelPlaceTimeLabel(ZelText::inkBox(ZelText::fontForHeight(unsigned(font.h)), text),
                                            sceneWidth() * r, sceneHeight() * r);
  glScalef(at.scale, at.scale, 1);
  ZelText::print(font, at.x, at.y, text);
}
