// Hiding and re-showing picked items through the scene's stacks.
#include "zelvane/scene/ZelHide.h"

#include "common/model/Mesh.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelElems.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// The tag word of a stack entry when the scene can hide it: mesh and display mesh present, an
// element kind with a tag word (a normal has none, an edge picked on a face is a vertex
// pair) and an index in range.
uint32_t *itemTag(ZelScene *scene, int idx, int typ) {
  if (!scene->ZelMsh) return nullptr;
  ZelElems e = zelElems(scene->Msh, typ);
  return e.exists() && e.TagOff >= 0 && idx >= 1 && idx <= e.Count ? e.tag(idx) : nullptr;
}

// Sets or clears the visible bit and rebuilds the element's record.
void setVisible(ZelScene *scene, uint32_t *tag, int idx, int typ, bool on) {
  if (on)
    TagAtomicOr(tag, TAG_VISIBLE);
  else
    TagAtomicAnd(tag, ~TAG_VISIBLE);
  if (ZelEntDisplayList *rec = zelGetDisList(scene->ZelMsh, idx, typ)) zelUpdateDisplayList(1, scene, rec);
}

}  // namespace

int zelDeletePickedItem(ZelScene *scene) {
  int idx, typ;
  if (!scene || !geoPopHybridStack(scene->Pck, &idx, &typ)) return 0;
  uint32_t *tag = itemTag(scene, idx, typ);
  if (!tag) return 0;
  setVisible(scene, tag, idx, typ, false);
  geoPushHybridStack(scene->Del, idx, typ);
  if (scene->Flags & ZelFlgVolumes) zelUpdateVolTypeDisplayLists(1, scene);
  return 1;
}

int zelReShowDeletedItem(ZelScene *scene) {
  int idx, typ;
  if (!scene || !geoPopHybridStack(scene->Del, &idx, &typ)) return 0;
  uint32_t *tag = itemTag(scene, idx, typ);
  if (!tag) return 0;
  setVisible(scene, tag, idx, typ, true);
  return 1;
}

int zelDeletePickedRef(ZelScene *scene) {
  const GeoStackItem *top = scene ? geoTopHybridStack(scene->Pck) : nullptr;
  if (!top || !scene->Msh || !scene->ZelMsh) return 0;
  // Only kinds with display records reach zelGetDisList: it ends the process on the others.
  ZelElems e = zelElems(scene->Msh, top->Typ);
  if (!e.exists() || top->Idx < 1 || top->Idx > e.Count) return 0;
  ZelEntDisplayList *rec = zelGetDisList(scene->ZelMsh, top->Idx, top->Typ);
  if (!rec) return 0;
  rec->Flags = (rec->Flags | ZelLstHidden) & ~ZelLstHiddenByEdit;
  geoPopHybridStack(scene->Pck, nullptr, nullptr);
  geoPushGenStack(scene->Hid, rec);
  if (scene->Flags & ZelFlgVolumes) zelUpdateVolTypeDisplayLists(1, scene);
  return 1;
}

int zelReShowDeletedRef(ZelScene *scene) {
  void *ptr = nullptr;
  if (!scene || !geoPopGenStack(scene->Hid, &ptr) || !ptr) return 0;
  static_cast<ZelEntDisplayList *>(ptr)->Flags &= ~(ZelLstHidden | ZelLstHiddenByEdit);
  return 1;
}
