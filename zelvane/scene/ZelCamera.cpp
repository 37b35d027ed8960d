// The projection, the drawing order of a scene, its box and rotation centre, re-centring on a
// pick, linked cameras and the classic frustum, perspective and translation matrices.
#include "zelvane/scene/ZelCamera.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>
#include <cstring>

#include "common/model/ElementKind.h"
#include "common/model/Geometry.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelMatrix.h"
#include "zelvane/scene/ZelNormals.h"
#include "zelvane/scene/ZelPath.h"
#include "zelvane/scene/ZelScene.h"

void zel_glhFrustumf2(double m[16], double left, double right, double bottom, double top,
                      double znear, double zfar) {
  std::memset(m, 0, 16 * sizeof(double));
  const double w = right - left, h = top - bottom, d = zfar - znear;
  m[0] = 2 * znear / w;
  m[5] = 2 * znear / h;
  m[8] = (right + left) / w;
  m[9] = (top + bottom) / h;
  m[10] = -(zfar + znear) / d;
  m[11] = -1;
  m[14] = -2 * zfar * znear / d;
}

void zel_glhPerspectivef2(double m[16], double fov, double aspect, double znear, double zfar) {
  // The tangent in single precision, as the projection has always been computed.
  const double ymax = znear * std::tan(static_cast<float>(fov * M_PI / 360.0));
  const double xmax = ymax * aspect;
  zel_glhFrustumf2(m, -xmax, xmax, -ymax, ymax, znear, zfar);
}

void zel_glhTranslated2(double m[16], double x, double y, double z) {
  for (int r = 0; r < 4; r++) m[12 + r] += m[r] * x + m[4 + r] * y + m[8 + r] * z;
}

void zelReshapeScene(ZelScene *scene, int width, int height) {
  if (!scene || !scene->View) return;
  ZelView *v = scene->View;
  zelMakeCurrent(scene->Win);
  if (height < 1) {
    width = v->Width;
    height = v->Height;
  } else {
    v->Width = width;
    v->Height = height;
  }
  if (height < 1) height = 1;  // a camera never sized: keep the aspect finite
  glViewport(0, 0, width, height);
  double p[16];
  zel_glhPerspectivef2(p, v->Fov, static_cast<double>(width) / height, v->Near, v->Far);
  zel_glhTranslated2(p, v->Trn[0], v->Trn[1], v->Trn[2]);
  glMatrixMode(GL_PROJECTION);
  glLoadMatrixd(p);
  glMatrixMode(GL_MODELVIEW);
}

void zelDisplayGlList(ZelScene *scene) {
  if (!scene) return;
  zelUpdateMainDisplayList(1, scene);
  const uint32_t wire = scene->MainLst[ZelMainWire], faces = scene->MainLst[ZelMainFaces];
  if (scene->Dim == 2) {
    glCallList(faces);
    glCallList(wire);
    zelUpdateMainDisplayList(2, scene);
  } else {
    glCallList(wire);
    glCallList(faces);
  }
}

void zelDisplayScene(ZelScene *scene) {
  if (!scene || !scene->View) return;
  zelMakeCurrent(scene->Win);
  if (scene->Dim != 2) glEnable(GL_DEPTH_TEST);
  zelDisplayGlList(scene);
  if (const ZelPlaEntity *pla = scene->ZelMsh ? scene->ZelMsh->Pla : nullptr) {
    for (int i = 0; i < ZelMaxPlanes; i++)
      if (pla->ShwMsk & (1u << i)) {
        zelSetFrameClip(scene, i);
        zelSetFrameBox(scene, i);
      }
  }
  if (scene->Flags & ZelFlgCapping) zelSetCapClip(scene);
  if ((scene->Flags & ZelFlgPickNormals) && scene->Pck && scene->Pck->Top >= 0) {
    const GeoStackItem &top = scene->Pck->Ent[scene->Pck->Top];
    zelDrawNormals(scene, top.Typ, top.Idx);
  }
  if (scene->Flags & ZelFlgPaths) zelGlPath(scene);
  if (scene->Flags & ZelFlgBox) zelDisplayBoundingBox(scene);
  // No glFlush here: the view flushes once its overlays are drawn too. A flush in the middle
  // of a frame makes a software rasteriser finish the scene and load it back for the rest, a
  // quarter of a frame more.
  glDisable(GL_DEPTH_TEST);
}

void zelDisplayBoundingBox(ZelScene *scene) {
  if (!scene || !scene->View) return;
  const double *b = scene->View->Box;
  double lo[3], hi[3];
  for (int d = 0; d < 3; d++) {
    const double pad = 0.01 * (b[3 + d] - b[d]);
    lo[d] = b[d] - pad;
    hi[d] = b[3 + d] + pad;
  }
  glDisable(GL_LIGHTING);
  glLineWidth(1);
  glColor3f(1, 0, 0.5f);
  glBegin(GL_LINES);
  // Each of the 12 edges joins two corners that differ along one axis.
  for (int axis = 0; axis < 3; axis++)
    for (int k = 0; k < 4; k++) {
      double p[3];
      const int u = (axis + 1) % 3, w = (axis + 2) % 3;
      p[u] = (k & 1) ? hi[u] : lo[u];
      p[w] = (k & 2) ? hi[w] : lo[w];
      p[axis] = lo[axis];
      glVertex3dv(p);
      p[axis] = hi[axis];
      glVertex3dv(p);
    }
  glEnd();
}

void zelDisplaySceneCenter(ZelScene *scene) {
  if (!scene || !scene->View) return;
  glDisable(GL_LIGHTING);
  glPointSize(5);
  glColor3f(1, 0, 0);
  glBegin(GL_POINTS);
  glVertex3dv(scene->View->Ctr);
  glEnd();
  glPointSize(1);
}

int zelChangeCenter(ZelScene *scene) {
  if (!scene || !scene->Msh || !scene->View || !scene->VieEvt || !scene->Pck || scene->Pck->Top < 0)
    return 0;
  const Geometric_Mesh *msh = scene->Msh;
  const GeoHybridStack *pck = scene->Pck;
  const GeoStackItem &top = pck->Ent[pck->Top];
  double p[3];
  if (top.Typ == KmfFaceEdges) {
    if (pck->Top < 1) return 0;
    const int a = top.Idx, b = pck->Ent[pck->Top - 1].Idx;
    if (a < 1 || a > msh->NbrVer || b < 1 || b > msh->NbrVer) return 0;
    for (int d = 0; d < 3; d++) p[d] = 0.5 * (msh->Ver[a].Crd[d] + msh->Ver[b].Crd[d]);
  } else {
    // A clip plane has no centre of gravity.
    if (top.Typ == KmfPlanes) return 0;
    if (!geoCheckBound(msh, top.Idx, top.Typ) || !geoGravityCenter(msh, top.Idx, top.Typ, p)) return 0;
  }
  for (int d = 0; d < 3; d++) scene->View->Ctr[d] = (p[d] - scene->Ctr[d]) * scene->InvDmaxSca;
  ZelEvent *evt = scene->VieEvt;
  evt->panX = evt->panY = evt->appliedPanX = evt->appliedPanY = 0;
  return 1;
}

int zelLnkSceneView(const ZelEvent *event, ZelScene *from, ZelScene *to) {
  if (!from || !to) return 0;
  if (!event) return 1;  // only asks whether both scenes exist
  zelCpyEvent(event, to->VieEvt);
  if (from->View && to->View) std::memcpy(to->View->Mat, from->View->Mat, sizeof(to->View->Mat));
  to->Flags |= ZelFlgViewApplied;
  return 1;
}

void zelIniMat(double matrix[16], const double angles[3], const double axes[3][3]) {
  zelIdentity(matrix);
  for (int k = 0; k < 3; k++) {
    double r[16];
    zelRotate(r, axes[k], angles[k]);
    zelApplyTransform(matrix, r);
  }
}

void zelCpyView(const ZelView *from, ZelView *to) {
  if (!from || !to) return;
  std::memcpy(to->Trn, from->Trn, sizeof(to->Trn));
  std::memcpy(to->Ctr, from->Ctr, sizeof(to->Ctr));
  to->Fov = from->Fov;
  to->Dmax = from->Dmax;
  to->Dmax2 = from->Dmax2;
  to->Near = from->Near;
  to->Far = from->Far;
  std::memcpy(to->Box, from->Box, sizeof(to->Box));
  to->Width = from->Width;
  to->Height = from->Height;
}

void zelMultiView(ZelScene *scene, int right) {
  if (!scene || !scene->View) return;
  const ZelView *v = scene->View;
  const int half = v->Width / 2, h = v->Height > 0 ? v->Height : 1;
  glViewport(right ? half : 0, 0, half, h);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(v->Fov, static_cast<double>(half) / h, v->Near, v->Far);
  glTranslated(v->Trn[0], v->Trn[1], v->Trn[2]);
  glMatrixMode(GL_MODELVIEW);
}

void zelGetAxis(double result[3], const double vector[3]) {
  double m[16];
  glGetDoublev(GL_MODELVIEW_MATRIX, m);
  zelTransformPoint(result, m, vector);
}
