// The rules of a pick that need no GL: nearest projected node and side, and the updates of
// the picked stack.
#include <cmath>

#include "common/model/ElementKind.h"
#include "zelvane/scene/ZelPick.h"
#include "zelvane/scene/ZelStack.h"

int zelNearestPoint(const double *pts, int n, double x, double y) {
  int best = -1;
  double bestD = 0.0;
  for (int k = 0; k < n; k++) {
    double dx = pts[2 * k] - x, dy = pts[2 * k + 1] - y, d = dx * dx + dy * dy;
    if (best < 0 ? d == d : d < bestD) best = k, bestD = d;
  }
  return best;
}

double zelLineDistance(const double a[2], const double b[2], double x, double y) {
  double ux = b[0] - a[0], uy = b[1] - a[1], vx = x - a[0], vy = y - a[1];
  double len = std::sqrt(ux * ux + uy * uy);
  // A side seen end-on projects to (almost) a point: measure to that point.
  if (len <= 1e-9) return std::sqrt(vx * vx + vy * vy);
  return std::fabs(ux * vy - uy * vx) / len;
}

int zelNearestSide(const double *pts, const int (*side)[2], int n, double x, double y) {
  int best = -1;
  double bestD = 0.0;
  for (int k = 0; k < n; k++) {
    double d = zelLineDistance(pts + 2 * side[k][0], pts + 2 * side[k][1], x, y);
    if (best < 0 ? d == d : d < bestD) best = k, bestD = d;
  }
  return best;
}

namespace {

// Takes off up to n top entries into out (out[0] the deepest); returns how many there were.
int takeOff(GeoHybridStack *stk, int n, GeoStackItem *out) {
  int got = 0;
  GeoStackItem tmp[3];
  while (got < n && geoPopHybridStack(stk, &tmp[got].Idx, &tmp[got].Typ)) got++;
  for (int k = 0; k < got; k++) out[k] = tmp[got - 1 - k];
  return got;
}

}  // namespace

int zelPushPickedItem(GeoHybridStack *stk, int index, int kind) {
  if (!stk) return 0;
  GeoStackItem top;
  if (takeOff(stk, 1, &top) == 1 && top.Idx == index && top.Typ == kind) return 1;
  geoPushHybridStack(stk, index, kind);
  return 0;
}

int zelPushPickedSide(GeoHybridStack *stk, const int ver[2]) {
  if (!stk) return 0;
  GeoStackItem old[2];
  if (takeOff(stk, 2, old) == 2 && old[0].Typ == KmfFaceEdges && old[1].Typ == KmfFaceEdges &&
      ((old[0].Idx == ver[0] && old[1].Idx == ver[1]) || (old[0].Idx == ver[1] && old[1].Idx == ver[0])))
    return 1;
  for (int k = 0; k < 2; k++) geoPushHybridStack(stk, ver[k], KmfFaceEdges);
  return 0;
}

int zelPushPickedP2Side(GeoHybridStack *stk, const int ver[3]) {
  if (!stk) return 0;
  GeoStackItem old[3];
  if (takeOff(stk, 3, old) == 3 && old[0].Typ == KmfFaceP2Edges && old[1].Typ == KmfFaceP2Edges &&
      old[2].Typ == KmfFaceP2Edges) {
    int p = ver[0], q = ver[1], r = ver[2];
    const int orders[4][3] = {{p, q, r}, {q, p, r}, {p, r, q}, {r, q, p}};
    for (const auto &o : orders)
      if (old[0].Idx == o[0] && old[1].Idx == o[1] && old[2].Idx == o[2]) return 1;
  }
  for (int k = 0; k < 3; k++) geoPushHybridStack(stk, ver[k], KmfFaceP2Edges);
  return 0;
}
