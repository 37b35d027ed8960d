// Key commands: one row per character key and per special key, and the toggles they share with
// the menu actions.
#include <GL/gl.h>

#include <algorithm>
#include <cstdio>

#include "common/base/FunctionInterface.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelHide.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelInput.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelSolutionControl.h"
#include "zelvane/scene/ZelVisibility.h"

namespace {

// What a key asks for once it has acted.
struct KeyOut {
  int Redraw = 0;
  int Widgets = 0;
};

// A key's action; false when the scene lacks what the key needs: the key then returns 0 and
// refreshes nothing.
typedef bool (*KeyAction)(ZelScene *scene, KeyOut &out);

// Solution displays of the scene, and the legend and time shown with them.
const uint32_t kSolDisplays = ZelSceneColorMap | ZelSceneIsoLines | ZelSceneIsoSurfaces | ZelSceneCarried |
                              ZelSceneVectors | ZelSceneMetric;
const uint32_t kLegendTime = ZelFlgLegend | ZelFlgTime;
const uint32_t kOptShrinkFlag = 1u << 26;  // option mask: the record's shrink flag

void setOut(int *flag) {
  if (flag) *flag = 1;
}

bool anySolution(const Geometric_Mesh *msh) {
  return msh->SolAtVer || msh->SolAtTet || msh->SolAtPyr || msh->SolAtPri || msh->SolAtHex || msh->SolAtTri ||
         msh->SolAtQua;
}

// Field type of field f of the vertex solution, 0 when there is none.
int vertexFieldType(const ZelScene *scene, int f) {
  const Geometric_Solution *sol = scene->Msh ? scene->Msh->SolAtVer : nullptr;
  return sol && sol->SizFld && f >= 0 && f < sol->NbrFld ? sol->SizFld[f] : 0;
}

// The on/off pattern of the colour map, iso-lines and iso-surfaces: the first switch-on makes
// field 0 active with its legend; switching on sets the record bit and rebuilds those lists;
// switching off clears the record bit and, when no other display is left, the active field.
struct SolSwitch {
  uint32_t SceneBit, RecordBit;
  bool VertexOnly;       // needs a solution at vertices (else any solution)
  bool LegendOffAlways;  // switching off takes the legend away even while others remain
};

int switchSolution(ZelScene *scene, const SolSwitch &sw, int *redraw, int *widgets) {
  Geometric_Mesh *msh = scene ? scene->Msh : nullptr;
  if (!msh || !scene->VieEvt || !(sw.VertexOnly ? msh->SolAtVer != nullptr : anySolution(msh))) return 0;
  bool on = true;
  if (scene->ActFld < 0) {
    scene->ActFld = 0;
    scene->Flags |= kLegendTime;
    scene->SolFlags |= sw.SceneBit;
  } else if (scene->SolFlags & sw.SceneBit) {
    on = false;
    scene->SolFlags &= ~sw.SceneBit;
    zelUpdateAllDisplayListsOptions(sw.SceneBit, 0, 0, scene);
    bool none = !(scene->SolFlags & (kSolDisplays & ~sw.SceneBit));
    if (sw.LegendOffAlways || none) scene->Flags &= ~kLegendTime;
    if (none) scene->ActFld = -1;
  } else {
    scene->SolFlags |= sw.SceneBit;
    scene->Flags |= kLegendTime;
  }
  if (on) {
    zelUpdateAllDisplayListsOptions(sw.SceneBit, 0, sw.RecordBit, scene);
    zelUpdateAllDisplayLists(sw.SceneBit, scene);
  }
  setOut(redraw);
  setOut(widgets);
  return 1;
}

// The tessellation level of the scene into every record, and the curved lists rebuilt.
void applyTessellation(ZelScene *scene) {
  const int32_t level = scene->Rnd.TessLevel;
  zelUpdateAllDisplayListsOptions(0x20000, static_cast<uint32_t>(level), 0, scene);
  for (int kind : {KmfEdgesP2, KmfTrianglesP2, KmfQuadrilateralsQ2})
    zelUpdateAllTypeDisplayLists(kind, 1, scene);
  if (!(scene->Flags & ZelFlgVolumes) || !scene->Msh) return;
  if (scene->Msh->NbrP2Tet > 0) zelUpdateAllTypeDisplayLists(KmfTetrahedraP2, 1, scene);
  if (scene->Msh->NbrP2Hex > 0) zelUpdateAllTypeDisplayLists(KmfHexahedraQ2, 1, scene);
}

// Face mode (bits 1-3) or line mode (bits 4-6) of the scene's render word: 0 1 2 3 0 ...
uint32_t cycleMode(uint32_t render, int shift) {
  uint32_t mode = ((render >> shift) + 1) & 3u;
  return (render & ~(7u << shift)) | (mode << shift);
}

// The previous (step -1) or next (+1) field of the vertex solution, shown as the last was.
bool cycleField(ZelScene *scene, int step, KeyOut &out) {
  const Geometric_Solution *sol = scene->Msh ? scene->Msh->SolAtVer : nullptr;
  if (!sol || scene->ActFld < 0 || scene->ActFld >= sol->NbrFld) return false;
  int n = sol->NbrFld;
  scene->ActFld = (scene->ActFld + step + n) % n;
  int type = vertexFieldType(scene, scene->ActFld);
  // Vectors and metric glyphs only exist for fields of their type.
  uint32_t word = setActSolOptions(scene), mask = scene->SolFlags;
  if ((scene->SolFlags & ZelSceneVectors) && type != SOL_VECTOR)
    word &= ~ZelSolVectors, mask &= ~ZelSceneVectors;
  if ((scene->SolFlags & ZelSceneMetric) && type != SOL_SYMMAT)
    word &= ~ZelSolMetric, mask &= ~ZelSceneMetric;
  zelUpdateAllDisplayLists(mask, scene);
  zelUpdateAllDisplayListsOptions(scene->SolFlags, 0, word, scene);
  out.Redraw = out.Widgets = 1;
  return true;
}

bool flag(ZelScene *scene, uint32_t bit, KeyOut &out) {
  scene->Flags = PermBit(scene->Flags, bit);
  out.Redraw = 1;
  return true;
}

bool zoom(ZelScene *scene, double factor, KeyOut &out) {
  ZelView *view = scene->View;
  if (!view) return false;
  view->Fov = std::max(1e-7, std::min(view->Fov * factor, 179.0));
  scene->VieEvt->angle = 0.0;
  zelReshapeScene(scene, view->Width, view->Height);
  out.Redraw = 1;
  return true;
}

bool stackResult(int res, bool widgets, KeyOut &out) {
  out.Redraw = res;
  out.Widgets = widgets;
  return true;
}

// ---- Character keys ----------------------------------------------------------------------

bool keyMore(ZelScene *s, KeyOut &o) {
  if ((s->Flags & ZelFlgMiniMesh) && zelOneMoreVisible(s, s->ZelMsh, s->Msh)) zelUpdateAllDisplayLists(1, s);
  o.Redraw = 1;
  return true;
}
bool keyLess(ZelScene *s, KeyOut &o) {
  if ((s->Flags & ZelFlgMiniMesh) && zelOneLessVisible(s->ZelMsh, s->Msh)) zelUpdateAllDisplayLists(1, s);
  o.Redraw = 1;
  return true;
}
bool keyPrevField(ZelScene *s, KeyOut &o) { return cycleField(s, -1, o); }
bool keyNextField(ZelScene *s, KeyOut &o) { return cycleField(s, 1, o); }
bool keyBox(ZelScene *s, KeyOut &o) { return flag(s, ZelFlgBox, o); }
bool keyCapping(ZelScene *s, KeyOut &o) {
  switch_capping(s, &o.Redraw, &o.Widgets);
  o.Redraw = 1;
  return true;
}
bool keyPoints(ZelScene *s, KeyOut &o) {
  flag(s, ZelFlgPoints, o);
  zelUpdateAllTypeDisplayLists(KmfVertices, 1, s);
  return true;
}
// Face or line mode of the scene's render word cycled and applied to a family of records.
typedef int (*OptionFamily)(uint32_t optionMask, uint32_t render, uint32_t solution, ZelScene *scene);
bool cycleRenderMode(ZelScene *s, int shift, uint32_t optionMask, OptionFamily apply, KeyOut &o) {
  s->Rnd.Render = cycleMode(s->Rnd.Render, shift);
  apply(optionMask, s->Rnd.Render, 0, s);
  o.Redraw = o.Widgets = 1;
  return true;
}
bool keyVolumeFaces(ZelScene *s, KeyOut &o) {
  return cycleRenderMode(s, ZelRndFaceShift, 0x2000, zelUpdateVolDisplayListsOptions, o);
}
bool keyFaces(ZelScene *s, KeyOut &o) {
  return cycleRenderMode(s, ZelRndFaceShift, 0x2000, zelUpdateFaceDisplayListsOptions, o);
}
bool keyEdgeLines(ZelScene *s, KeyOut &o) {
  return cycleRenderMode(s, ZelRndLineShift, 0x4000, zelUpdateEdgeDisplayListsOptions, o);
}
bool keyLines(ZelScene *s, KeyOut &o) {
  return cycleRenderMode(s, ZelRndLineShift, 0x4000, zelUpdateAllDisplayListsOptions, o);
}

// Metric glyphs (field of type 3) or vector arrows (type 2) of the active field; without one,
// field 0 becomes active and shows the one its type allows.
bool keyMetricOrVectors(ZelScene *s, KeyOut &o) {
  if (!s->Msh || !s->Msh->SolAtVer) return false;
  bool fresh = s->ActFld < 0;
  if (fresh) s->ActFld = 0;
  int type = vertexFieldType(s, s->ActFld);
  uint32_t bit = type == SOL_SYMMAT   ? static_cast<uint32_t>(ZelSceneMetric)
                 : type == SOL_VECTOR ? ZelSceneVectors
                                      : 0u;
  uint32_t rec = type == SOL_SYMMAT ? ZelSolMetric : ZelSolVectors;
  if (!bit) return false;
  bool on = fresh || !(s->SolFlags & bit);
  s->SolFlags = on ? s->SolFlags | bit : s->SolFlags & ~bit;
  zelUpdateAllDisplayListsOptions(bit, 0, on ? rec : 0, s);
  if (on) {
    zelUpdateAllDisplayLists(bit, s);
    if (fresh) s->Flags |= kLegendTime;
  } else if (!(s->SolFlags & (kSolDisplays & ~bit))) {
    printf(" other sol not activated ");
    s->ActFld = -1;
  }
  o.Redraw = o.Widgets = 1;
  return true;
}

bool keyIsoSurfaces(ZelScene *s, KeyOut &o) { return switch_isosurfaces(s, &o.Redraw, &o.Widgets) != 0; }
bool keyNumbers(ZelScene *s, KeyOut &o) {
  flag(s, ZelFlgNumbers, o);
  if (s->Flags & ZelFlgNumbers) zelUpdateAllDisplayLists(0x400000, s);
  return true;
}
bool keyShowRecord(ZelScene *s, KeyOut &o) { return stackResult(zelReShowDeletedRef(s), true, o); }
bool keyTessLess(ZelScene *s, KeyOut &o) {
  s->Rnd.TessLevel = std::max(s->Rnd.TessLevel - 1, 1);
  applyTessellation(s);
  o.Redraw = 1;
  return true;
}
bool keyCentre(ZelScene *s, KeyOut &o) {
  zelChangeCenter(s);
  o.Redraw = 1;
  return true;
}
bool keyShowItem(ZelScene *s, KeyOut &o) { return stackResult(zelReShowDeletedItem(s), false, o); }
bool keyZoomOut(ZelScene *s, KeyOut &o) { return zoom(s, 1.1, o); }
bool keyAxis(ZelScene *s, KeyOut &o) { return flag(s, ZelFlgAxis, o); }
bool keyBackground(ZelScene *s, KeyOut &o) {
  for (int i = 0; i < 3; i++) s->Back[i] = 255.0f - s->Back[i];
  zelUpdateAllDisplayLists(2, s);
  o.Redraw = 1;
  return true;
}
bool keyCentreMarker(ZelScene *s, KeyOut &o) {
  if (!s->ZelMsh || !s->ZelMsh->Pla) return false;
  return flag(s, ZelFlgCentre, o);
}
bool keyFlag2000(ZelScene *s, KeyOut &o) { return flag(s, 0x2000, o); }
bool keyTransparency(ZelScene *s, KeyOut &o) {
  s->Rnd.Render = PermBit(s->Rnd.Render, ZelRndTransparent);
  zelUpdateAllDisplayListsOptions(0x8000, s->Rnd.Render, 0, s);
  o.Redraw = o.Widgets = 1;
  return true;
}
bool keyFeatures(ZelScene *s, KeyOut &o) {
  s->Flags = (s->Flags & ZelFlgFeatures) ? s->Flags & ~ZelFlgFeatures : s->Flags | ZelFlgFeatures;
  o.Redraw = o.Widgets = 1;
  return true;
}
bool keyResetCamera(ZelScene *s, KeyOut &o) {
  ZelView *v = s->View;
  if (!v) return false;
  for (int i = 0; i < 16; i++) v->Mat[i] = v->IniMat[i];
  v->Fov = v->IniFov;
  zelReshapeScene(s, v->Width, v->Height);
  for (int i = 0; i < 3; i++) v->Ctr[i] = 0.5 * (v->Box[i] + v->Box[i + 3]);
  ZelEvent *e = s->VieEvt;
  e->angle = e->panX = e->panY = e->appliedPanX = e->appliedPanY = 0.0;
  o.Redraw = 1;
  return true;
}
bool keyDimension(ZelScene *s, KeyOut &o) {
  s->Dim = s->Dim == 2 ? 3 : 2;
  o.Redraw = 1;
  return true;
}
bool keyColorMap(ZelScene *s, KeyOut &o) { return switch_colormap(s, &o.Redraw, &o.Widgets) != 0; }
bool keyIsoLines(ZelScene *s, KeyOut &o) { return switch_isolines(s, &o.Redraw, &o.Widgets) != 0; }
bool keyLighting(ZelScene *s, KeyOut &o) {
  s->Rnd.Render = PermBit(s->Rnd.Render, ZelRndLighting);
  zelUpdateAllDisplayListsOptions(0x10000, s->Rnd.Render, 0, s);
  o.Redraw = 1;
  return true;
}
bool keyHideRecord(ZelScene *s, KeyOut &o) { return stackResult(zelDeletePickedRef(s), true, o); }
bool keyTessMore(ZelScene *s, KeyOut &o) { return increase_tesselation(s, &o.Redraw) != 0; }
// Full volumes need the volume neighbours: while the topology thread still computes them the
// key refuses to switch them on.
bool keyVolumes(ZelScene *s, KeyOut &o) {
  if (!(s->Flags & ZelFlgVolumes) && s->Msh && !TopoDoneLoad(s->Msh)) {
    printf("  ## warning the topology is still being computed ... Full volume display is deactivated \n");
    return false;
  }
  flag(s, ZelFlgVolumes, o);
  zelUpdateVolTypeDisplayLists(1, s);
  return true;
}
bool keyGlInfo(ZelScene *, KeyOut &o) {
  getGlinfo();
  o.Redraw = 1;
  return true;
}
bool keyHideItem(ZelScene *s, KeyOut &o) { return stackResult(zelDeletePickedItem(s), false, o); }
bool keyZoomIn(ZelScene *s, KeyOut &o) { return zoom(s, 0.9, o); }

const struct {
  char Key;
  KeyAction Act;
} kCharKeys[] = {
    {'+', keyMore},        {'-', keyLess},           {'<', keyPrevField},     {'>', keyNextField},
    {'B', keyBox},         {'C', keyCapping},        {'D', keyPoints},        {'F', keyVolumeFaces},
    {'L', keyEdgeLines},   {'M', keyMetricOrVectors}, {'O', keyIsoSurfaces},  {'P', keyNumbers},
    {'S', keyShowRecord},  {'T', keyTessLess},       {'V', keyCentre},        {'X', keyShowItem},
    {'Z', keyZoomOut},     {'a', keyAxis},           {'b', keyBackground},    {'c', keyCentreMarker},
    {'d', keyFlag2000},    {'e', keyTransparency},   {'f', keyFaces},         {'g', keyFeatures},
    {'i', keyResetCamera}, {'k', keyDimension},      {'l', keyLines},         {'m', keyColorMap},
    {'o', keyIsoLines},    {'r', keyLighting},       {'s', keyHideRecord},    {'t', keyTessMore},
    {'v', keyVolumes},     {'w', keyGlInfo},         {'x', keyHideItem},      {'z', keyZoomIn},
};

// ---- Special keys ------------------------------------------------------------------------

bool keyClipPlane(ZelScene *s, KeyOut &o) { return switch_clip_plane(s, &o.Redraw, &o.Widgets, 0) != 0; }
bool keyClipEdit(ZelScene *s, KeyOut &o) {
  const ZelPlaEntity *pla = s->ZelMsh ? s->ZelMsh->Pla : nullptr;
  if (!pla || !pla->On) return false;
  s->Mode = (s->Mode + 1) % 2;
  s->Flags = s->Mode ? s->Flags | 0x801 : s->Flags & ~0x801u;
  o.Redraw = o.Widgets = 1;
  return true;
}
bool keyShrink(ZelScene *s, KeyOut &o) {
  s->Rnd.Shrink = s->Rnd.Shrink < 0.99f ? 1.0f : 0.95f;
  printf("Scene %p Shrink %lg\n", static_cast<void *>(s), static_cast<double>(s->Rnd.Shrink));
  // The flag first: the rebuild reads it.
  zelUpdateAllDisplayListsOptions(kOptShrinkFlag, ZelLstShrink, 0, s);
  zelUpdateAllDisplayLists(1, s);
  o.Redraw = o.Widgets = 1;
  return true;
}
// Shrinking by steps, only while shrinking is on; the factor stays within [0.1, 0.95].
bool shrinkStep(ZelScene *s, float step, KeyOut &o) {
  if (s->Rnd.Shrink > 0.99f) return false;
  s->Rnd.Shrink = std::max(0.1f, std::min(s->Rnd.Shrink + step, 0.95f));
  zelUpdateAllDisplayLists(1, s);
  o.Redraw = o.Widgets = 1;
  return true;
}
bool keyShrinkLess(ZelScene *s, KeyOut &o) { return shrinkStep(s, -0.05f, o); }
bool keyShrinkMore(ZelScene *s, KeyOut &o) { return shrinkStep(s, 0.05f, o); }
bool keyImmediate(ZelScene *s, KeyOut &o) {
  s->Rnd.Render = PermBit(s->Rnd.Render, ZelRndImmediate);
  o.Redraw = 1;
  return true;
}

const struct {
  uint32_t Bits;
  KeyAction Act;
} kSpecialKeys[] = {
    {ZelKeyF1, keyClipPlane}, {ZelKeyF2, keyClipEdit},      {ZelKeyF5, keyShrink},
    {ZelKeyF6, keyShrinkLess}, {ZelKeyF7, keyShrinkMore},   {ZelKeyF12, keyImmediate},
};

}  // namespace

int zelProcessKeyEvent(ZelScene *scene) {
  if (!scene || !scene->VieEvt) return 0;
  zelMakeCurrent(scene->Win);
  const ZelEvent *evt = scene->VieEvt;
  KeyOut out;
  if (evt->keyChar >= 43 && evt->keyChar <= 122)
    for (const auto &k : kCharKeys)
      if (k.Key == evt->keyChar && !k.Act(scene, out)) return 0;
  for (const auto &k : kSpecialKeys)
    if (k.Bits == evt->keyBits && !k.Act(scene, out)) return 0;
  if (out.Widgets) zelUpdateWidgetState(scene->Win);
  return out.Redraw;
}

void switch_capping(ZelScene *scene, int *redraw, int *widgets) {
  const ZelPlaEntity *pla = scene && scene->ZelMsh ? scene->ZelMsh->Pla : nullptr;
  if (!pla) return;
  if (pla->On) {
    scene->Flags = PermBit(scene->Flags, ZelFlgCapping);
    if (scene->Flags & ZelFlgCapping) scene->Flags |= ZelFlgVolumes;
    zelUpdateVolTypeDisplayLists(1, scene);
  }
  setOut(redraw);
  setOut(widgets);
}

int switch_colormap(ZelScene *scene, int *redraw, int *widgets) {
  return switchSolution(scene, {ZelSceneColorMap, ZelSolShading, false, true}, redraw, widgets);
}

int switch_isolines(ZelScene *scene, int *redraw, int *widgets) {
  return switchSolution(scene, {ZelSceneIsoLines, ZelSolIsoLines, true, false}, redraw, widgets);
}

int switch_isosurfaces(ZelScene *scene, int *redraw, int *widgets) {
  return switchSolution(scene, {ZelSceneIsoSurfaces, ZelSolIsoSurfaces, true, false}, redraw, widgets);
}

int increase_tesselation(ZelScene *scene, int *redraw) {
  if (!scene) return 0;
  scene->Rnd.TessLevel = std::min(scene->Rnd.TessLevel + 1, 32);
  applyTessellation(scene);
  setOut(redraw);
  return 1;
}

int switch_clip_plane(ZelScene *scene, int *redraw, int *widgets, int) {
  ZelPlaEntity *pla = scene && scene->Msh && scene->ZelMsh ? scene->ZelMsh->Pla : nullptr;
  if (!pla || pla->Cur < 0 || pla->Cur >= ZelMaxPlanes) return 0;
  int cur = pla->Cur;
  double *p = pla->Pla[cur];
  if (p[0] == 0.0 && p[1] == 0.0 && p[2] == 0.0) p[0] = 1.0, p[1] = p[2] = 0.0, p[3] = -scene->Ctr[0];
  zelResetTransformPlane(scene, pla);
  if (pla->On) {
    pla->ActMsk &= ~(1u << cur);
    pla->ShwMsk &= ~(1u << cur);
    pla->On = 0;
    scene->Mode = 0;
    zelUpdateAllDisplayListsOptions(0x1000, 0, 0, scene);
  } else {
    pla->ActMsk |= 1u << cur;
    pla->ShwMsk |= 1u << cur;
    Function_Interface fi;
    DefaultFunInterface(&fi, scene->Mem, scene->Par, "CLIPPING");
    zelSetPlaneClip(&fi, scene, cur);
    zelUpdateAllDisplayListsOptions(0x1000, ZelLstClipped, 0, scene);
    pla->On = 1;
  }
  // Built after the on word: the volume builders read it.
  zelUpdateClipDisplayLists(scene);
  scene->Flags &= ~ZelFlgBox;
  setOut(redraw);
  setOut(widgets);
  return 1;
}

void getGlinfo() {
  auto str = [](GLenum name) {
    const GLubyte *s = glGetString(name);
    return s ? reinterpret_cast<const char *>(s) : "";
  };
  auto boolean = [](GLenum name) {
    GLboolean b = GL_FALSE;
    glGetBooleanv(name, &b);
    return b == GL_TRUE;
  };
  auto integer = [](GLenum name) {
    GLint i = 0;
    glGetIntegerv(name, &i);
    return static_cast<int>(i);
  };
  printf("\n  Graphic info:\n");
  printf("  GL Vendor:\t%s\n", str(GL_VENDOR));
  printf("  GL Version:\t%s\n", str(GL_VERSION));
  printf("  GL Renderer:\t%s\n", str(GL_RENDERER));
  if (boolean(GL_RGBA_MODE)) printf("  RGBA Mode\n");
  if (boolean(GL_DOUBLEBUFFER)) printf("  Double Buffer\n");
  if (boolean(GL_STEREO)) printf("  Stereo\n");
  if (int n = integer(GL_AUX_BUFFERS)) printf("  Auxilary Buffers\t%2d\n", n);
  if (int n = integer(GL_INDEX_BITS)) printf("  Index Bits\t\t%2d\n", n);
  printf("  RGBA Bits\t\t%2d", integer(GL_RED_BITS));
  printf("\t%2d\t%2d\t%2d\n", integer(GL_GREEN_BITS), integer(GL_BLUE_BITS), integer(GL_ALPHA_BITS));
  printf("  Accum RGBA Bits\t%2d", integer(GL_ACCUM_RED_BITS));
  printf("\t%2d\t%2d\t%2d\n", integer(GL_ACCUM_GREEN_BITS), integer(GL_ACCUM_BLUE_BITS),
         integer(GL_ACCUM_ALPHA_BITS));
  printf("  Depth Bits\t\t%2d\n", integer(GL_DEPTH_BITS));
  printf("  Stencil Bits\t\t%2d\n", integer(GL_STENCIL_BITS));
}
