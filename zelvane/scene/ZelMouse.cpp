// Mouse gestures: picks on press, the trackball and pan of the camera, and the moves of the
// current clip plane while it is edited.
//
// The trackball is the virtual sphere of Chen, Mountford and Sellen (1988): a drag maps to a
// point on a unit sphere and the rotation turns the previous point into the new one.
#include <algorithm>
#include <climits>
#include <cmath>

#include "common/base/FunctionInterface.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelInput.h"
#include "zelvane/scene/ZelMatrix.h"
#include "zelvane/scene/ZelPick.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// Matrices are handed to OpenGL as they stand (ZelMatrix.h): this applies M to v the way
// OpenGL does, column by column.
void glApply(const double M[16], const double v[3], double out[3]) {
  for (int r = 0; r < 3; r++) out[r] = M[r] * v[0] + M[4 + r] * v[1] + M[8 + r] * v[2];
}

// Pick kind of a press: Shift with left or middle, else Alt (without Shift) with left or middle.
int pickKind(const ZelEvent *evt) {
  bool left = evt->buttons & ZelButtonLeft, middle = evt->buttons & ZelButtonMiddle;
  if ((evt->keyBits & ZelKeyShift) && (left || middle)) return left ? ZelPickElement : ZelPickVertex;
  if ((evt->keyBits & ZelKeyAlt) && !(evt->keyBits & ZelKeyShift) && (left || middle))
    return left ? ZelPickEdgeOnFace : ZelPickNormal;
  return 0;
}

// to - from without overflow, however far apart the two positions lie.
int span(int to, int from) {
  return static_cast<int>(std::clamp<long long>(static_cast<long long>(to) - from, INT_MIN, INT_MAX));
}

void startGesture(ZelEvent *evt, int x, int y) {
  evt->lastX = x;
  evt->lastY = y;
  evt->lastVec[0] = evt->lastVec[1] = 0.0;
  evt->lastVec[2] = 1.0;
  evt->keyBits = 0;
}

int clipMove(ZelScene *scene, int x, int y) {
  scene->Flags &= ~ZelFlgVolumes;
  ZelEvent *evt = scene->ClpEvt;
  const ZelView *view = scene->View;
  ZelPlaEntity *pla = scene->ZelMsh ? scene->ZelMsh->Pla : nullptr;
  if (!scene->VieEvt || !evt || !view || !pla || pla->Cur < 0 || pla->Cur >= ZelMaxPlanes) {
    zelUpdateClipBox(scene->Win);
    return 0;
  }
  pla->Lst[pla->Cur].Flags |= ZelLstClipped;
  int moved = 0;
  if (!evt->keyBits) {
    double R[16];
    zelCameraInverse(view->Mat, R);
    int w = view->Width, h = view->Height;
    if (evt->buttons & ZelButtonMiddle) {
      zelPanStep(evt, span(x, evt->lastX), span(y, evt->lastY), w, h, view->Dmax, view->Fov, -5.0, 5.0);
      evt->lastX = x;
      evt->lastY = y;
      zelClipTranslateStep(pla, R, evt->panX, evt->panY, 2.5 / scene->InvDmaxSca);
      evt->angle = evt->panX = evt->panY = 0.0;
      moved = 1;
    } else if (evt->buttons & ZelButtonLeft) {
      zelTrackballStep(evt, span(x, evt->lastX), span(y, evt->lastY), w, h);
      if (evt->angle != 0.0) zelClipRotateStep(pla, R, evt->axis, evt->angle);
      moved = 1;
    }
  }
  zelClipPlaneUpdate(pla, scene->Ctr, scene->InvDmaxSca);
  zelUpdateClipBox(scene->Win);
  return moved;
}

}  // namespace

void zelTrackballStep(ZelEvent *evt, int dx, int dy, int w, int h) {
  double px = 2.0 * dx / std::max(w, 1), py = -2.0 * dy / std::max(h, 1), d2 = px * px + py * py;
  double v[3] = {0.0, 0.0, 1.0};
  if (d2 > 0.0) {
    // Past the sphere's rim the point stays on it: r = 1 gives pz = 0.
    double r = std::min(std::sqrt(d2), 1.0), pz = std::cos(r * M_PI / 2.0), len = std::sqrt(pz * pz + d2);
    v[0] = px / len, v[1] = py / len, v[2] = pz / len;
  }
  const double *l = evt->lastVec;
  evt->axis[0] = l[1] * v[2] - l[2] * v[1];
  evt->axis[1] = l[2] * v[0] - l[0] * v[2];
  evt->axis[2] = l[0] * v[1] - l[1] * v[0];
  double d[3] = {v[0] - l[0], v[1] - l[1], v[2] - l[2]};
  evt->angle = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]) * 180.0;
  for (int i = 0; i < 3; i++) evt->lastVec[i] = v[i];
}

void zelPanStep(ZelEvent *evt, int dx, int dy, int w, int h, double dmax, double fov, double kx, double ky) {
  double t = std::tan(0.9 * fov * M_PI / 180.0);
  if (dx) evt->panX += kx * (static_cast<double>(dx) / std::max(w, 1)) * dmax * t;
  if (dy) evt->panY += ky * (static_cast<double>(dy) / std::max(h, 1)) * dmax * t;
}

void zelCameraInverse(const double mat[16], double R[16]) {
  double m[16];
  for (int i = 0; i < 16; i++) m[i] = mat[i];
  m[12] = m[13] = m[14] = 0.0;
  m[15] = 1.0;
  zelInvMatrix(m, R);
}

void zelClipTranslateStep(ZelPlaEntity *pla, const double R[16], double panX, double panY, double lim) {
  const double pan[3] = {panX, panY, 0.0}, *n = pla->Pla[pla->Cur];
  double v[3];
  glApply(R, pan, v);
  double s = n[0] * v[0] + n[1] * v[1] + n[2] * v[2], *t = pla->FrmBase + 12;
  bool out = false;
  for (int i = 0; i < 3; i++) {
    t[i] += s * n[i];
    out = out || std::fabs(t[i]) > lim;
  }
  if (out)
    for (int i = 0; i < 3; i++) t[i] = std::min(lim, std::max(-lim, t[i]));
}

void zelClipRotateStep(ZelPlaEntity *pla, const double R[16], const double axis[3], double angle) {
  double a[3], rot[16];
  glApply(R, axis, a);
  zelRotate(rot, a, angle);
  // As OpenGL would compose it: the new turn after the ones before.
  zelMulMatrix(pla->FrmRot, pla->FrmRot, rot);
}

void zelClipPlaneUpdate(ZelPlaEntity *pla, const double ctr[3], double s) {
  zelMulMatrix(pla->FrmMat, pla->FrmRot, pla->FrmBase);
  double inv[16], q[4];
  zelInvMatrix(pla->FrmMat, inv);
  const double p[4] = {pla->FrmNrm[0], pla->FrmNrm[1], pla->FrmNrm[2], pla->FrmOff};
  // Planes transform by the transposed inverse; OpenGL's reading of inv makes that a plain
  // row-by-row product of the array.
  zelTransformPoint2(q, inv, p);
  double *out = pla->Pla[pla->Cur];
  out[0] = q[0], out[1] = q[1], out[2] = q[2];
  out[3] = -(q[0] * ctr[0] + q[1] * ctr[1] + q[2] * ctr[2] + q[3] / s);
}

int zelProcessMousePressEvent(ZelScene *scene, int x, int y) {
  if (!scene || !scene->VieEvt || !scene->ClpEvt || !scene->View) return 0;
  zelMakeCurrent(scene->Win);
  int kind = pickKind(scene->Mode ? scene->ClpEvt : scene->VieEvt);
  int res = kind ? zelPickingScene(kind, scene, x, y) : 0;
  startGesture(scene->VieEvt, x, y);
  if (scene->Mode) {
    startGesture(scene->ClpEvt, x, y);
    scene->ClpEvt->angle = 0.0;
  }
  if (kind && kind != ZelPickNormal) zelUpdateQWidgetState(scene->Win);
  return res;
}

int zelProcessMouseMoveEvent(ZelScene *scene, int x, int y) {
  if (!scene) return 0;
  zelMakeCurrent(scene->Win);
  if (scene->Mode) return clipMove(scene, x, y);
  ZelEvent *evt = scene->VieEvt;
  const ZelView *view = scene->View;
  if (!evt || evt->keyBits || !view) return 0;
  int w = view->Width, h = view->Height;
  if (evt->buttons & ZelButtonMiddle) {
    zelPanStep(evt, span(x, evt->lastX), span(y, evt->lastY), w, h, view->Dmax, view->Fov, 2.0, -2.0);
    evt->lastX = x;
    evt->lastY = y;
    return 1;
  }
  if (evt->buttons & ZelButtonLeft) {
    zelTrackballStep(evt, span(x, evt->lastX), span(y, evt->lastY), w, h);
    return 1;
  }
  return 0;
}

int zelProcessMouseReleaseEvent(ZelScene *scene) {
  ZelPlaEntity *pla = scene && scene->Mode && scene->ZelMsh ? scene->ZelMsh->Pla : nullptr;
  if (!pla) return 0;
  zelMakeCurrent(scene->Win);
  Function_Interface fi;
  DefaultFunInterface(&fi, scene->Mem, scene->Par, "CLIPPING");
  zelSetPlaneClip(&fi, scene, pla->Cur);
  zelUpdateClipDisplayLists(scene);
  return 1;
}
