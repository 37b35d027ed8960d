// The camera made on a scene's box, and the list of saved views.
#include "zelvane/scene/ZelView.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "common/base/Memory.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelMatrix.h"

namespace {

// Identity turned about x, then y, then z by the angles (degrees).
void rotatedIdentity(double M[16], const double angles[3]) {
  static const double axes[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  zelIdentity(M);
  for (int a = 0; a < 3; a++) {
    double R[16];
    zelRotate(R, axes[a], angles[a]);
    zelApplyTransform(M, R);
  }
}

}  // namespace

double zelFramingDistance(double fov, const double ext[3], double dmax) {
  // The box's circumscribed sphere inside the cone of the field of view, seen from afar: then
  // no turn of the box reaches out of a view at least as wide as high.
  const double radius = 0.5 * std::sqrt(ext[0] * ext[0] + ext[1] * ext[1] + ext[2] * ext[2]);
  return std::max(2.0 * dmax, radius / std::sin(0.5 * fov * M_PI / 180.0));
}

ZelView *zelNewView(Memory_List *mem, int dim, const double box[6]) {
  auto *view = static_cast<ZelView *>(MEM_ALLOC(mem, view, sizeof(ZelView)));
  if (!view) zelAllocFailure("zelNewView", "view");
  std::memset(view, 0, sizeof(ZelView));
  view->Fov = view->IniFov = 45.0;
  std::memcpy(view->Box, box, sizeof(view->Box));

  double ext[3];
  for (int i = 0; i < 3; i++) ext[i] = std::fabs(box[i + 3] - box[i]);
  double dmax = std::max({ext[0], ext[1], ext[2]});
  // A single point (or an empty box) must still give near < far.
  if (!(dmax > 1e-16)) dmax = 1.0;
  view->Dmax = dmax;
  view->Dmax2 = std::min(dim == 2 ? ext[1] : ext[2], dmax);

  for (int i = 0; i < 3; i++) view->Ctr[i] = 0.5 * (box[i] + box[i + 3]);
  view->Near = 0.5 * dmax;
  view->Far = 4.0 * dmax;
  view->Trn[2] = -zelFramingDistance(view->Fov, ext, dmax);
  view->Width = view->Height = 10;

  const double angles3d[3] = {-60.0, 0.0, -120.0}, angles2d[3] = {0.0, 0.0, 0.0};
  rotatedIdentity(view->IniMat, dim == 2 ? angles2d : angles3d);
  std::memcpy(view->Mat, view->IniMat, sizeof(view->Mat));
  return view;
}

ZelView *zelFreeView(Memory_List *mem, ZelView *view) {
  if (view) MEM_FREE(mem, view);
  return nullptr;
}

ZelViewList *zelNewBakView(Memory_List *mem) {
  auto *list = static_cast<ZelViewList *>(MEM_ALLOC(mem, bakView, sizeof(ZelViewList)));
  if (!list) zelAllocFailure("zelNewBakView", "bakView");
  list->MaxView = ZelMaxView;
  list->NbrView = 0;
  list->Head =
      static_cast<ZelViewBucket **>(MEM_ALLOC(mem, bakView->Head, sizeof(ZelViewBucket *) * ZelMaxView));
  if (!list->Head) zelAllocFailure("zelNewBakView", "bakView->Head");
  for (int i = 0; i < ZelMaxView; i++) list->Head[i] = nullptr;
  return list;
}

ZelViewList *zelFreeBakView(Memory_List *mem, ZelViewList *list) {
  if (!list) return nullptr;
  if (list->Head) {
    for (int i = 0; i < list->MaxView; i++)
      if (list->Head[i]) MEM_FREE(mem, list->Head[i]);
    MEM_FREE(mem, list->Head);
  }
  MEM_FREE(mem, list);
  return nullptr;
}
