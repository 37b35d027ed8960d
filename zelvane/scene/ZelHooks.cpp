// Forwarders from the scene engine's upward calls to the slots of the hook table.
#include "zelvane/scene/ZelHooks.h"

#include <cstdarg>
#include <cstdio>
#include <string>

#include "common/model/ElementKind.h"

ZelHooks &zelHooks() {
  static ZelHooks hooks{};
  return hooks;
}

namespace {

// Formats the arguments whole, whatever their length, and hands the text to slot.
void termCall(void (*slot)(void *, const char *), void *window, const char *format, va_list args) {
  if (!slot || !format) return;
  va_list again;
  va_copy(again, args);
  char small[512];
  int len = vsnprintf(small, sizeof(small), format, args);
  if (len < 0) {
    va_end(again);
    return;
  }
  if (static_cast<size_t>(len) < sizeof(small)) {
    va_end(again);
    slot(window, small);
    return;
  }
  // Pick reports of many fields run past any fixed buffer: format again at the full length.
  std::string text(static_cast<size_t>(len), '\0');
  vsnprintf(&text[0], text.size() + 1, format, again);
  va_end(again);
  slot(window, text.c_str());
}

}  // namespace

void pterm(void *window, const char *format, ...) {
  va_list args;
  va_start(args, format);
  termCall(zelHooks().term, window, format, args);
  va_end(args);
}

void ptermText(void *window, const char *format, ...) {
  va_list args;
  va_start(args, format);
  termCall(zelHooks().termText, window, format, args);
  va_end(args);
}

void zelMakeCurrent(void *window) {
  if (auto f = zelHooks().makeCurrent) f(window);
}
void zelUpdateWidgetState(void *window) {
  if (auto f = zelHooks().updateWidgetState) f(window);
}
void zelUpdateQWidgetState(void *window) {
  if (auto f = zelHooks().updateQWidgetState) f(window);
}
void zelUpdateClipBox(void *window) {
  if (auto f = zelHooks().updateClipBox) f(window);
}
void updateGlScene(ZelScene *scene) {
  if (auto f = zelHooks().updateGlScene) f(scene);
}
void zelSaveWindowState(void *window, ZelStateBucket *bucket) {
  if (auto f = zelHooks().saveWindowState) f(window, bucket);
}
void zelLoadWindowState(void *window, ZelStateBucket *bucket) {
  if (auto f = zelHooks().loadWindowState) f(window, bucket);
}

int zelSetPlaneClip(Function_Interface *fi, ZelScene *scene, int plane) {
  auto f = zelHooks().setPlaneClip;
  return f ? f(fi, scene, plane) : 0;
}
void zelSetFrameClip(ZelScene *scene, int plane) {
  if (auto f = zelHooks().setFrameClip) f(scene, plane);
}
void zelSetFrameBox(ZelScene *scene, int plane) {
  if (auto f = zelHooks().setFrameBox) f(scene, plane);
}
int zelSetCapClip(ZelScene *scene) {
  auto f = zelHooks().setCapClip;
  return f ? f(scene) : 0;
}

namespace {

int callListHook(const ZelListHook *slots, int kind, ZelListMask mask, ZelScene *scene,
                 ZelEntDisplayList *record) {
  if (kind < 0 || kind >= ZelHookKinds || !slots[kind]) return 0;
  return slots[kind](mask, scene, record);
}

}  // namespace

int zelUpdateList(int kind, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record) {
  return callListHook(zelHooks().update, kind, mask, scene, record);
}
int zelDirectDrawList(int kind, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record) {
  return callListHook(zelHooks().directDraw, kind, mask, scene, record);
}

// The named entries of the builders, one pair per kind.
#define ZEL_LIST_ENTRIES(Name, kind)                                                            \
  int zelUpdate##Name##List(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record) {     \
    return zelUpdateList(kind, mask, scene, record);                                            \
  }                                                                                             \
  int zelDirectDraw##Name##List(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record) { \
    return zelDirectDrawList(kind, mask, scene, record);                                        \
  }

ZEL_LIST_ENTRIES(Vertices, KmfVertices)
ZEL_LIST_ENTRIES(BdyEdge, KmfEdges)
ZEL_LIST_ENTRIES(Triangle, KmfTriangles)
ZEL_LIST_ENTRIES(Quadrilateral, KmfQuadrilaterals)
ZEL_LIST_ENTRIES(Tetrahedron, KmfTetrahedra)
ZEL_LIST_ENTRIES(Prism, KmfPrisms)
ZEL_LIST_ENTRIES(Hexahedron, KmfHexahedra)
ZEL_LIST_ENTRIES(Normal, KmfNormalAtVertices)
ZEL_LIST_ENTRIES(P2Triangle, KmfTrianglesP2)
ZEL_LIST_ENTRIES(P2BdyEdge, KmfEdgesP2)
ZEL_LIST_ENTRIES(P2Quadrilateral, KmfQuadrilateralsQ2)
ZEL_LIST_ENTRIES(P2Tetrahedron, KmfTetrahedraP2)
ZEL_LIST_ENTRIES(P2Hexahedron, KmfHexahedraQ2)
ZEL_LIST_ENTRIES(Pyramid, KmfPyramids)

#undef ZEL_LIST_ENTRIES

void zelUpdateAllTypeDisplayListsOptions2(ZelScene *scene) {
  if (auto f = zelHooks().displayPreferences) f(scene);
}
