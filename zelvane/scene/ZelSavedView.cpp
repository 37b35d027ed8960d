// Saved views: saving the camera, applying a saved one or the initial camera, and the view
// file.
#include <cstdio>
#include <cstring>

#include "common/base/Memory.h"
#include "common/base/UserFile.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelTextFile.h"

namespace {

void tooManyViews(int n) { printf("###### WARNING : TOO MANY VIEW SAVED (NBRVIEW = %d)\n", n); }

// The bucket in slot i, made when the slot is empty.
ZelViewBucket *viewSlot(Memory_List *mem, ZelViewList *list, int i, const char *function,
                        const char *array) {
  if (!list->Head[i]) {
    list->Head[i] = static_cast<ZelViewBucket *>(MEM_ALLOC(mem, list->Head[i], sizeof(ZelViewBucket)));
    if (!list->Head[i]) zelAllocFailure(function, array);
  }
  return list->Head[i];
}

}  // namespace

int zelSaveView(ZelScene *scene) {
  if (!scene || !scene->View || !scene->BakView) return 0;
  ZelViewList *list = scene->BakView;
  if (list->NbrView >= list->MaxView) {
    tooManyViews(list->NbrView);
    return 0;
  }
  const char *array = "bakView->Head[bakView->NbrView]";
  zelViewToBucket(scene->View, viewSlot(scene->Mem, list, list->NbrView, "zelSaveView", array));
  return ++list->NbrView;
}

int setSavedView(ZelScene *scene, int i) {
  if (!scene || !scene->View || !scene->BakView || !scene->VieEvt) return 0;
  ZelViewList *list = scene->BakView;
  ZelView *v = scene->View;
  if (i < -1 || i >= list->MaxView) {
    printf("###### WARNING : INVALID NBRVIEW (%d) MUST BE LESS THAN OR EQUAL TO %d\n", i, list->MaxView);
    return 0;
  }
  if (i == -1) {
    std::memcpy(v->Mat, v->IniMat, sizeof(v->Mat));
    v->Fov = v->IniFov;
    zelReshapeScene(scene, v->Width, v->Height);
    for (int d = 0; d < 3; d++) v->Ctr[d] = 0.5 * (v->Box[d] + v->Box[3 + d]);
    ZelEvent *e = scene->VieEvt;
    e->angle = 0;
    e->panX = e->panY = e->appliedPanX = e->appliedPanY = 0;
    return 1;
  }
  if (!list->Head[i]) return 0;
  zelApplyViewBucket(scene, list->Head[i]);
  return 1;
}

void zelViewToBucket(const ZelView *v, ZelViewBucket *b) {
  std::memcpy(b->Trn, v->Trn, sizeof(b->Trn));
  std::memcpy(b->Ctr, v->Ctr, sizeof(b->Ctr));
  b->Fov = v->Fov;
  b->Near = v->Near;
  b->Far = v->Far;
  std::memcpy(b->Mat, v->Mat, sizeof(b->Mat));
}

void zelApplyViewBucket(ZelScene *scene, const ZelViewBucket *b) {
  ZelView *v = scene->View;
  std::memcpy(v->Trn, b->Trn, sizeof(v->Trn));
  std::memcpy(v->Ctr, b->Ctr, sizeof(v->Ctr));
  v->Fov = b->Fov;
  v->Near = b->Near;
  v->Far = b->Far;
  zelReshapeScene(scene, v->Width, v->Height);
  std::memcpy(v->Mat, b->Mat, sizeof(v->Mat));
  scene->Flags |= ZelFlgViewApplied;
}

int zelSaveViewInFile(ZelScene *scene, const char *path, int how) {
  if (!scene || !scene->BakView) return 0;
  const ZelViewList *list = scene->BakView;
  ZelTextWriter w;
  for (int i = 0; i < list->NbrView && i < list->MaxView; i++) {
    if (!list->Head[i]) continue;
    w.num(i).put("\t");
    zelPutViewLine(w, *list->Head[i]);
  }
  return zelWriteTextFile(path, w.str(), how);
}

int zelLoadView(ZelScene *scene, const char *path) {
  if (!scene || !scene->BakView) return 0;
  ZelViewList *list = scene->BakView;
  if (list->NbrView >= list->MaxView) {
    tooManyViews(list->NbrView);
    return 0;
  }
  FILE *f = path ? OpenUserFile(path, UserFileBounded, nullptr) : nullptr;
  if (!f) return 0;
  ZelTextReader in(f);
  int count = 0, index;
  ZelViewBucket v;
  while (in.readInt(&index) && zelReadViewLine(in, &v)) {
    *viewSlot(scene->Mem, list, list->NbrView + count, "zelLoadView", "bakView->Head[nbrView]") = v;
    count++;
    if (list->NbrView + count >= list->MaxView) {
      tooManyViews(list->NbrView + count);
      break;
    }
  }
  std::fclose(f);
  return count;
}
