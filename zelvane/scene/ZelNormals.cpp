// Normal arrows of one element: a face table per kind, one walker.
#include "zelvane/scene/ZelNormals.h"

#include <GL/gl.h>

#include <cmath>
#include <cstdio>

#include "common/model/ElementKind.h"
#include "common/model/Geometry.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelGlyphs.h"
#include "zelvane/scene/ZelKinds.h"
#include "zelvane/scene/ZelScene.h"

namespace {

enum Patch { Flat, CurvedTri, CurvedQuad };

// Faces of a kind as local node numbers, -1 after the last node of a shorter face.
struct FaceRow {
  int Kind;
  Patch Shape;
  int NbrFac;
  int Fac[6][9];
};

const FaceRow kFaces[] = {
    {KmfTriangles, Flat, 1, {{0, 1, 2, -1}}},
    {KmfQuadrilaterals, Flat, 1, {{0, 1, 2, 3, -1}}},
    {KmfTetrahedra, Flat, 4, {{1, 3, 2, -1}, {0, 2, 3, -1}, {0, 3, 1, -1}, {0, 1, 2, -1}}},
    {KmfHexahedra, Flat, 6,
     {{0, 1, 2, 3, -1}, {4, 5, 6, 7, -1}, {0, 4, 5, 1, -1},
      {1, 5, 6, 2, -1}, {2, 6, 7, 3, -1}, {3, 7, 4, 0, -1}}},
    {KmfPrisms, Flat, 5,
     {{0, 1, 2, -1}, {3, 4, 5, -1}, {0, 3, 4, 1, -1}, {1, 4, 5, 2, -1}, {2, 5, 3, 0, -1}}},
    {KmfPyramids, Flat, 5, {{0, 1, 2, 3, -1}, {0, 4, 1, -1}, {1, 4, 2, -1}, {2, 4, 3, -1}, {3, 4, 0, -1}}},
    {KmfTrianglesP2, CurvedTri, 1, {{0, 1, 2, 3, 4, 5}}},
    {KmfQuadrilateralsQ2, CurvedQuad, 1, {{0, 1, 2, 3, 4, 5, 6, 7, 8}}},
    {KmfTetrahedraP2, CurvedTri, 4,
     {{1, 3, 2, 8, 9, 5}, {0, 2, 3, 6, 9, 7}, {0, 3, 1, 7, 8, 4}, {0, 1, 2, 4, 5, 6}}},
    {KmfHexahedraQ2, CurvedQuad, 6,
     {{0, 1, 2, 3, 8, 9, 10, 11, 20},
      {4, 5, 6, 7, 12, 13, 14, 15, 21},
      {0, 4, 5, 1, 16, 12, 17, 8, 22},
      {1, 5, 6, 2, 17, 13, 18, 9, 23},
      {2, 6, 7, 3, 18, 14, 19, 10, 24},
      {3, 7, 4, 0, 19, 15, 16, 11, 25}}},
};

const FaceRow *faceRow(int kind) {
  for (const FaceRow &r : kFaces)
    if (r.Kind == kind) return &r;
  return nullptr;
}

void cross(const double u[3], const double v[3], double w[3]) {
  w[0] = u[1] * v[2] - u[2] * v[1];
  w[1] = u[2] * v[0] - u[0] * v[2];
  w[2] = u[0] * v[1] - u[1] * v[0];
}

// n / |n| into out; a zero n stays zero.
void unit(const double n[3], float out[3]) {
  const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
  for (int k = 0; k < 3; k++) out[k] = len > 0.0 ? static_cast<float>(n[k] / len) : 0.0f;
}

// The arrow of a flat face: centre the mean of its nodes, normal from its first three.
void flatFace(const float (*p)[3], int n) {
  float centre[3] = {0, 0, 0};
  for (int i = 0; i < n; i++)
    for (int k = 0; k < 3; k++) centre[k] += p[i][k] / n;
  double u[3], v[3], w[3];
  for (int k = 0; k < 3; k++) u[k] = double(p[1][k]) - p[0][k], v[k] = double(p[2][k]) - p[0][k];
  cross(u, v, w);
  float normal[3];
  unit(w, normal);
  zelDrawNormalArrow(centre, normal);
}

// The arrow of the quadratic triangle patch P(u, v) = A u^2 + B v^2 + C uv + D u + E v + F on
// corners p0 p1 p2 and mid-edge nodes p3 (p0p1), p4 (p1p2), p5 (p2p0): at P(u, v), along
// dP/du x dP/dv normalised.
void patchArrow(const float (*p)[3], double u, double v) {
  float point[3], normal[3];
  double du[3], dv[3], n[3];
  for (int k = 0; k < 3; k++) {
    const double p0 = p[0][k], p1 = p[1][k], p2 = p[2][k], p3 = p[3][k], p4 = p[4][k], p5 = p[5][k];
    const double A = 2 * (p0 + p1 - 2 * p3), B = 2 * (p0 + p2 - 2 * p5), C = 4 * (p0 - p3 + p4 - p5);
    const double D = 4 * p3 - 3 * p0 - p1, E = 4 * p5 - 3 * p0 - p2;
    point[k] = static_cast<float>(A * u * u + B * v * v + C * u * v + D * u + E * v + p0);
    du[k] = 2 * A * u + C * v + D;
    dv[k] = 2 * B * v + C * u + E;
  }
  cross(du, dv, n);
  unit(n, normal);
  zelDrawNormalArrow(point, normal);
}

}  // namespace

void zelDrawNormalArrow(const float centre[3], float normal[3]) {
  zelEmitArrow(centre, normal, 0.25f);
  for (int k = 0; k < 3; k++) normal[k] *= 0.25f;
}

void zelDrawP2TriangleNormal(const float patch[6][3]) { patchArrow(patch, 0.333, 0.333); }

void zelDrawQ2QuadNormal(const float patch[9][3]) {
  // The triangle 0 1 2 of the quadrilateral: its side 2-0 has the centre node as middle, and
  // the patch point (0, 0.5) is that centre.
  static const int kNodes[6] = {0, 1, 2, 4, 5, 8};
  float tri[6][3];
  for (int i = 0; i < 6; i++)
    for (int k = 0; k < 3; k++) tri[i][k] = patch[kNodes[i]][k];
  patchArrow(tri, 0.0, 0.5);
}

int zelDrawNormals(ZelScene *scene, int kind, int index) {
  if (!scene || !scene->Msh || !scene->ZelMsh) return 0;
  if (kind == KmfVertices) return 1;
  const FaceRow *row = faceRow(kind);
  if (!row) {
    // Kinds without faces, and any other: nothing to draw, the program goes on.
    fprintf(stderr, " ## WARNING: ZELDRAWNORMALS: TYPE %s IS UNKNOW \n", zelGetTypeName(kind));
    return 1;
  }
  Geometric_Mesh *msh = scene->Msh;
  const float3 *crd = scene->ZelMsh->Crd;
  if (!crd || !geoCheckBound(msh, index, kind)) return 1;
  const int *ver = zelElems(msh, kind).ver(index);
  glColor4ub(0, 0, 0, 255);
  glLineWidth(2.0f);
  glBegin(GL_LINES);
  for (int f = 0; f < row->NbrFac; f++) {
    float p[9][3];
    int n = 0;
    for (; n < 9 && row->Fac[f][n] >= 0; n++)
      for (int k = 0; k < 3; k++) p[n][k] = crd[ver[row->Fac[f][n]]][k];
    if (row->Shape == CurvedTri)
      zelDrawP2TriangleNormal(p);
    else if (row->Shape == CurvedQuad)
      zelDrawQ2QuadNormal(p);
    else
      flatFace(p, n);
  }
  glEnd();
  glLineWidth(1.0f);
  return 1;
}
