#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelHide.h"
#include "zelvane/scene/ZelInput.h"
#include "zelvane/scene/ZelRenderOption.h"
#include "zelvane/scene/ZelVisibility.h"

namespace {

// One record per kind: vertices, an edge, triangles 1 and 2 (triangle 3 dead before grouping: no
// record), a P2 triangle, a P2 edge, a tetrahedron and a normal; fields scalar, vector, metric.
Geometric_Mesh *keyMesh(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3,
                                   {{KmfVertices, 8}, {KmfEdges, 1}, {KmfTriangles, 3}, {KmfTrianglesP2, 1},
                                    {KmfEdgesP2, 1}, {KmfTetrahedra, 1}, {KmfNormalAtVertices, 1}},
                                   {SOL_SCALAR, SOL_VECTOR, SOL_SYMMAT});
  for (int v = 0; v < 8; v++) AddVertex(m, v & 1, (v >> 1) & 1, v >> 2);
  AddElement(m, KmfEdges, {1, 2}, 4);
  AddElement(m, KmfTriangles, {1, 2, 3}, 1);
  AddElement(m, KmfTriangles, {2, 4, 3}, 1);
  AddElement(m, KmfTrianglesP2, {5, 6, 7, 8, 4, 3}, 2);
  AddElement(m, KmfEdgesP2, {5, 6, 8}, 3);
  AddElement(m, KmfTetrahedra, {1, 2, 3, 5}, 5);
  AddElement(m, KmfTriangles, {1, 2, 5}, 6);
  m->Tri[3].Tag = 0;
  m->Nor[1] = Normal{7, 1, {0, 0, 1}, 0};
  m->NbrNor = 1;
  return m;
}

// The key mesh with its records, made in a GL context (the topology waited for).
class KeyScene : public testing::Test {
 protected:
  DisplayScene ds_{keyMesh};
  ZelScene *scene_ = ds_.get();
};

// Every record rebuilt with the mask, in the order of zelUpdateAllDisplayLists.
Rebuilds all(uint32_t m) { return {{20, m}, {4, m}, {6, m}, {24, m}, {5, m}, {25, m}}; }

struct KeyCase {
  const char *What;
  std::function<void(ZelScene *)> Before;
  int Key;
  uint32_t Bits;
  int Want;
  Rebuilds Calls;
  std::function<void(ZelScene *, ZelEntDisplayList &tri)> Check;
};
void PrintTo(const KeyCase &c, std::ostream *os) { *os << c.What; }

void field(ZelScene *s, int f, uint32_t sol, uint32_t words = 0) {
  s->ActFld = f, s->SolFlags = sol;
  zelUpdateAllDisplayListsOptions(ZelOptSolution, 0, words, s);
}
ZelPlaEntity *planes(ZelScene *s) { return s->ZelMsh->Pla; }
void pick(ZelScene *s, int idx, int kind) { geoPushHybridStack(s->Pck, idx, kind); }
bool shown(ZelScene *s, int tri = 1) { return s->Msh->Tri[tri].Tag & TAG_VISIBLE; }
ZelEntDisplayList &rec(ZelScene *s, int kind) { return zelGetEntity(s->ZelMsh, kind)->DspLst[1]; }
uint32_t faceMode(const ZelEntDisplayList &r) { return r.Opt.Render & ZelRndFaceMask; }
uint32_t lineMode(const ZelEntDisplayList &r) { return r.Opt.Render & ZelRndLineMask; }
// The mini mesh started at triangle 1 (triangle 2 hidden), `layers` layers grown.
void miniMesh(ZelScene *s, bool mode, int layers) {
  pick(s, 1, KmfTriangles);
  zelInitMiniMesh(s);
  for (int l = 0; l < layers; l++) zelOneMoreVisible(s, s->ZelMsh, s->Msh);
  if (mode) s->Flags |= ZelFlgMiniMesh;
}
// Render word 23 (lighting, grey faces, contrast lines) with bits 3 and 6 set as well.
const uint32_t kRenderAllModes = 23u | 0x8u | 0x40u;
void render(ZelScene *s, uint32_t word) {
  s->Rnd.Render = word;
  zelUpdateAllDisplayListsOptions(0xffff0000u | 0x2000u | 0x4000u | 0x8000u, word, 0, s);
}

#define BEFORE []([[maybe_unused]] ZelScene * s)
#define CHECK []([[maybe_unused]] ZelScene * s, [[maybe_unused]] ZelEntDisplayList & t)
const KeyCase kKeys[] = {
    {"> on the last field selects field 0 without the metric", BEFORE { field(s, 2, 0x40020, 33); }, '>', 0,
     1, all(0x20), CHECK { EXPECT_EQ(s->ActFld, 0); EXPECT_EQ(t.Opt.Solution, 1u); }},
    {"< on field 0 selects the last field without vectors", BEFORE { field(s, 0, 0x220, 9); }, '<', 0, 1,
     all(0x20), CHECK { EXPECT_EQ(s->ActFld, 2); EXPECT_EQ(t.Opt.Solution, 1u); }},
    {"> without an active field refuses", BEFORE {}, '>', 0, 0, {}, nullptr},
    {"F5 at 0.95 turns shrinking off", BEFORE { s->Rnd.Shrink = 0.95f; }, ' ', ZelKeyF5, 1, all(1),
     CHECK { EXPECT_EQ(s->Rnd.Shrink, 1.0f); EXPECT_TRUE(t.Flags & ZelLstShrink); }},
    {"F6 stops at 0.1", BEFORE { s->Rnd.Shrink = 0.12f; }, ' ', ZelKeyF6, 1, all(1),
     CHECK { EXPECT_EQ(s->Rnd.Shrink, 0.1f); }},
    {"F7 stops at 0.95", BEFORE { s->Rnd.Shrink = 0.93f; }, ' ', ZelKeyF7, 1, all(1),
     CHECK { EXPECT_EQ(s->Rnd.Shrink, 0.95f); }},
    {"t at 32 stays at 32", BEFORE { s->Rnd.TessLevel = 32; }, 't', 0, 1, {{25, 1}, {24, 1}},
     CHECK { EXPECT_EQ(s->Rnd.TessLevel, 32); EXPECT_EQ(t.Opt.TessLevel, 32); }},
    {"T at 1 stays at 1", BEFORE { s->Rnd.TessLevel = 1; }, 'T', 0, 1, {{25, 1}, {24, 1}},
     CHECK { EXPECT_EQ(t.Opt.TessLevel, 1); }},
    {"z stops at 1e-7", BEFORE { s->View->Fov = 1e-7, s->VieEvt->angle = 5; }, 'z', 0, 1, {},
     CHECK { EXPECT_EQ(s->View->Fov, 1e-7); EXPECT_EQ(s->VieEvt->angle, 0.0); }},
    {"Z stops at 179", BEFORE { s->View->Fov = 170; }, 'Z', 0, 1, {},
     CHECK { EXPECT_EQ(s->View->Fov, 179.0); }},
    {"F1 on a zero plane: x = cx, masks set, records clipped",
     BEFORE { s->Flags |= ZelFlgBox, zelUpdateAllDisplayListsOptions(ZelOptClipped, 0, 0, s); }, ' ',
     ZelKeyF1, 1, {}, CHECK {
       const double *p = planes(s)->Pla[0];
       EXPECT_EQ(std::vector<double>(p, p + 4), (std::vector<double>{1, 0, 0, -s->Ctr[0]}));
       EXPECT_EQ(planes(s)->On + planes(s)->ActMsk + planes(s)->ShwMsk, 3u);
       EXPECT_TRUE(t.Flags & ZelLstClipped); EXPECT_FALSE(s->Flags & ZelFlgBox);
     }},
    {"F1 on a plane that is on: off, view mode, records unclipped",
     BEFORE {
       planes(s)->On = 1, planes(s)->ActMsk = planes(s)->ShwMsk = 1, planes(s)->Pla[0][1] = 1, s->Mode = 1;
     },
     ' ', ZelKeyF1, 1, {}, CHECK {
       EXPECT_EQ(planes(s)->On + planes(s)->ActMsk + planes(s)->ShwMsk + s->Mode, 0u);
       EXPECT_EQ(planes(s)->Pla[0][1], 1.0); EXPECT_FALSE(t.Flags & ZelLstClipped);
     }},
    {"F2 without a plane on refuses", BEFORE {}, ' ', ZelKeyF2, 0, {}, CHECK { EXPECT_EQ(s->Mode, 0u); }},
    {"F2 with a plane on enters clip edit", BEFORE { planes(s)->On = 1; }, ' ', ZelKeyF2, 1, {},
     CHECK { EXPECT_EQ(s->Mode, 1u); EXPECT_EQ(s->Flags & 0x801, 0x801u); }},
    {"m shows field 0 in colours", BEFORE {}, 'm', 0, 1, all(0x20),
     CHECK {
       EXPECT_EQ(s->ActFld, 0);
       EXPECT_EQ(t.Opt.Solution, 1u);
       EXPECT_EQ(s->Flags & 0x80080, 0x80080u);
     }},
    {"m off with nothing else shown: no field, no legend",
     BEFORE { field(s, 0, 0x20, 1), s->Flags |= 0x80080; }, 'm', 0, 1, {}, CHECK {
       EXPECT_EQ(s->ActFld, -1);
       EXPECT_EQ(t.Opt.Solution, 0u);
       EXPECT_EQ(s->Flags & 0x80080, 0u);
     }},
    {"m off while iso-lines remain: the field stays, the legend goes",
     BEFORE { field(s, 0, 0x60), s->Flags |= 0x80080; }, 'm', 0, 1, {},
     CHECK { EXPECT_EQ(s->ActFld, 0); EXPECT_EQ(s->Flags & 0x80080, 0u); }},
    {"o off while the colour map remains keeps field and legend",
     BEFORE { field(s, 1, 0x60), s->Flags |= 0x80080; }, 'o', 0, 1, {},
     CHECK { EXPECT_EQ(s->ActFld, 1); EXPECT_EQ(s->Flags & 0x80080, 0x80080u); }},
    {"O off with nothing else: no field, no legend", BEFORE { field(s, 1, 0x80), s->Flags |= 0x80080; }, 'O',
     0, 1, {}, CHECK { EXPECT_EQ(s->ActFld, -1); EXPECT_EQ(s->Flags & 0x80080, 0u); }},
    {"M on a vector field shows arrows", BEFORE { field(s, 1, 0); }, 'M', 0, 1, all(0x200),
     CHECK { EXPECT_EQ(s->SolFlags, 0x200u); EXPECT_EQ(t.Opt.Solution, 8u); }},
    {"M off on a metric with no other display resets the field", BEFORE { field(s, 2, 0x40000, 32); }, 'M',
     0, 1, {}, CHECK { EXPECT_EQ(s->ActFld, -1); EXPECT_EQ(t.Opt.Solution, 0u); }},
    {"M without a field on a scalar field 0 refuses, field 0 active", BEFORE {}, 'M', 0, 0, {},
     CHECK { EXPECT_EQ(s->ActFld, 0); EXPECT_EQ(s->SolFlags, 0u); }},
    {"M without a field on a vector field 0 shows its arrows with the legend and the time",
     BEFORE { std::swap(s->Msh->SolAtVer->SizFld[0], s->Msh->SolAtVer->SizFld[1]); }, 'M', 0, 1, all(0x200),
     CHECK {
       EXPECT_EQ(s->ActFld, 0);
       EXPECT_EQ(s->SolFlags, 0x200u);
       EXPECT_EQ(s->Flags & 0x80080, 0x80080u);
     }},
    {"v while the topology is computed refuses", BEFORE { TopoDoneStore(s->Msh, 0); }, 'v', 0, 0, {},
     CHECK { EXPECT_FALSE(s->Flags & ZelFlgVolumes); TopoDoneStore(s->Msh, 1); }},
    {"v shows full volumes", BEFORE {}, 'v', 0, 1, {{8, 1}},
     CHECK { EXPECT_TRUE(s->Flags & ZelFlgVolumes); }},
    {"a key outside 43..122 lets the special key act", BEFORE {}, 127, ZelKeyF12, 1, {},
     CHECK { EXPECT_TRUE(s->Rnd.Render & ZelRndImmediate); }},
    {"x hides the picked triangle, rebuilds it and in volume mode the volumes",
     BEFORE { s->Flags |= ZelFlgVolumes, pick(s, 1, KmfTriangles); }, 'x', 0, 1, {{6, 1}, {8, 1}},
     CHECK { EXPECT_FALSE(shown(s)); EXPECT_EQ(s->Pck->Top, -1); EXPECT_EQ(s->Del->Ent[0].Idx, 1); }},
    {"X shows it again, rebuilding its record only",
     BEFORE { s->Flags |= ZelFlgVolumes, pick(s, 1, KmfTriangles), zelDeletePickedItem(s); }, 'X', 0, 1,
     {{6, 1}}, CHECK { EXPECT_TRUE(shown(s)); EXPECT_EQ(s->Del->Top, -1); }},
    {"X on an empty deleted stack refuses", BEFORE {}, 'X', 0, 0, {}, nullptr},
    {"x with the deleted stack full hides and drops the entry",
     BEFORE { while (geoPushHybridStack(s->Del, 2, KmfTriangles)) {} pick(s, 1, KmfTriangles); }, 'x', 0, 1,
     {{6, 1}}, CHECK { EXPECT_FALSE(shown(s)); EXPECT_EQ(geoTopHybridStack(s->Del)->Idx, 2); }},
    {"x on a normal (no tag word) is refused, the entry popped", BEFORE { pick(s, 1, KmfNormalAtVertices); },
     'x', 0, 0, {}, CHECK { EXPECT_EQ(s->Pck->Top, -1); }},
    {"x on an edge on a face is refused", BEFORE { pick(s, 1, KmfFaceEdges); }, 'x', 0, 0, {}, nullptr},
    {"s hides the record of a picked normal", BEFORE { pick(s, 1, KmfNormalAtVertices); }, 's', 0, 1, {},
     CHECK {
       EXPECT_TRUE(zelGetEntity(s->ZelMsh, 20)->DspLst[1].Flags & ZelLstHidden);
       EXPECT_EQ(s->Pck->Top, -1);
     }},
    {"S shows the last hidden record without a rebuild",
     BEFORE { pick(s, 2, KmfTriangles), zelDeletePickedRef(s); }, 'S', 0, 1, {},
     CHECK { EXPECT_FALSE(t.Flags & ZelLstHidden); EXPECT_EQ(s->Hid->Top, -1); }},
    {"s on a dead triangle (no record) is refused and left picked", BEFORE { pick(s, 3, KmfTriangles); }, 's',
     0, 0, {}, CHECK { EXPECT_EQ(s->Pck->Top, 0); }},
    {"two key bits match no special key", BEFORE {}, ' ', ZelKeyF1 | ZelKeyF2, 0, {},
     CHECK { EXPECT_EQ(planes(s)->On, 0); }},
    {"+ in mini-mesh mode shows one more layer and rebuilds every list", BEFORE { miniMesh(s, true, 0); },
     '+', 0, 1, all(1), CHECK { EXPECT_TRUE(shown(s, 2)); }},
    {"+ with a mini mesh but out of its mode changes nothing", BEFORE { miniMesh(s, false, 0); }, '+', 0, 1, {},
     CHECK { EXPECT_FALSE(shown(s, 2)); }},
    {"- in mini-mesh mode shows one layer less and rebuilds every list", BEFORE { miniMesh(s, true, 1); }, '-',
     0, 1, all(1), CHECK { EXPECT_FALSE(shown(s, 2)); EXPECT_TRUE(shown(s, 1)); }},
    {"- out of mini-mesh mode changes nothing", BEFORE { miniMesh(s, false, 1); }, '-', 0, 1, {},
     CHECK { EXPECT_TRUE(shown(s, 2)); }},
    {"B shows the bounding box", BEFORE {}, 'B', 0, 1, {}, CHECK { EXPECT_EQ(s->Flags & ZelFlgBox, ZelFlgBox); }},
    {"C with a plane on caps and shows full volumes, rebuilding the volumes",
     BEFORE { planes(s)->On = 1; }, 'C', 0, 1, {{8, 1}},
     CHECK { EXPECT_EQ(s->Flags & (ZelFlgCapping | ZelFlgVolumes), ZelFlgCapping | ZelFlgVolumes); }},
    {"C again takes the capping off and keeps full volumes",
     BEFORE { planes(s)->On = 1, s->Flags |= ZelFlgCapping | ZelFlgVolumes; }, 'C', 0, 1, {{8, 1}},
     CHECK { EXPECT_EQ(s->Flags & (ZelFlgCapping | ZelFlgVolumes), ZelFlgVolumes); }},
    {"C without a plane on leaves the capping off", BEFORE {}, 'C', 0, 1, {},
     CHECK { EXPECT_EQ(s->Flags & (ZelFlgCapping | ZelFlgVolumes), 0u); }},
    {"D draws the vertices as points, rebuilding the vertex record", BEFORE {}, 'D', 0, 1, {{4, 1}},
     CHECK { EXPECT_EQ(s->Flags & ZelFlgPoints, ZelFlgPoints); }},
    {"F cycles the face mode 3 to 0 of the volume records only, bit 3 cleared",
     BEFORE { render(s, kRenderAllModes); }, 'F', 0, 1, {}, CHECK {
       EXPECT_EQ(s->Rnd.Render, 17u | 0x40u);
       EXPECT_EQ(faceMode(rec(s, KmfTetrahedra)), 0u);
       EXPECT_EQ(faceMode(t), 0xeu);
     }},
    {"f cycles the face mode 0 to 1 of the face records only", BEFORE { render(s, 17); }, 'f', 0, 1, {}, CHECK {
       EXPECT_EQ(s->Rnd.Render, 19u);
       EXPECT_EQ(faceMode(t), 2u);
       EXPECT_EQ(faceMode(rec(s, KmfTrianglesP2)), 2u);
       EXPECT_EQ(faceMode(rec(s, KmfTetrahedra)), 0u);
     }},
    {"L cycles the line mode 1 to 2 of the edge records only, bit 6 cleared",
     BEFORE { render(s, kRenderAllModes); }, 'L', 0, 1, {}, CHECK {
       EXPECT_EQ(s->Rnd.Render, 0x2fu);
       EXPECT_EQ(lineMode(rec(s, KmfEdges)), 0x20u);
       EXPECT_EQ(lineMode(rec(s, KmfEdgesP2)), 0x20u);
       EXPECT_EQ(lineMode(t), 0x50u);
     }},
    {"l cycles the line mode 3 to 0 of every record", BEFORE { render(s, 0x37); }, 'l', 0, 1, {}, CHECK {
       EXPECT_EQ(s->Rnd.Render, 7u);
       for (int k : {KmfEdges, KmfTriangles, KmfTetrahedra}) EXPECT_EQ(lineMode(rec(s, k)), 0u) << k;
     }},
    {"P shows the numbers, rebuilding every list's numbers", BEFORE {}, 'P', 0, 1, all(0x400000),
     CHECK { EXPECT_EQ(s->Flags & ZelFlgNumbers, ZelFlgNumbers); }},
    {"P again hides them without a rebuild", BEFORE { s->Flags |= ZelFlgNumbers; }, 'P', 0, 1, {},
     CHECK { EXPECT_EQ(s->Flags & ZelFlgNumbers, 0u); }},
    {"V centres the view on the picked triangle", BEFORE { pick(s, 1, KmfTriangles), s->VieEvt->panX = 3; }, 'V',
     0, 1, {}, CHECK {
       for (int d = 0; d < 3; d++)
         EXPECT_DOUBLE_EQ(s->View->Ctr[d], ((d < 2 ? 1 / 3.0 : 0.0) - s->Ctr[d]) * s->InvDmaxSca) << d;
       EXPECT_EQ(s->VieEvt->panX, 0.0);
     }},
    {"a shows the axis", BEFORE {}, 'a', 0, 1, {}, CHECK { EXPECT_EQ(s->Flags & ZelFlgAxis, ZelFlgAxis); }},
    {"b inverts the background and rebuilds every list's colours",
     BEFORE { s->Back[0] = 0, s->Back[1] = 10, s->Back[2] = 255, s->Back[3] = 7; }, 'b', 0, 1, all(2),
     CHECK { EXPECT_EQ(std::vector<float>(s->Back, s->Back + 4), (std::vector<float>{255, 245, 0, 7})); }},
    {"c shows the centre marker", BEFORE {}, 'c', 0, 1, {},
     CHECK { EXPECT_EQ(s->Flags & ZelFlgCentre, ZelFlgCentre); }},
    {"d toggles flag 0x2000", BEFORE { s->Flags |= 0x2000; }, 'd', 0, 1, {},
     CHECK { EXPECT_EQ(s->Flags & 0x2000, 0u); }},
    {"e makes every record's faces transparent", BEFORE { render(s, 23); }, 'e', 0, 1, {}, CHECK {
       EXPECT_EQ(s->Rnd.Render, 23u | ZelRndTransparent);
       for (int k : {KmfEdges, KmfTriangles, KmfTetrahedra})
         EXPECT_EQ(rec(s, k).Opt.Render & ZelRndTransparent, ZelRndTransparent) << k;
     }},
    {"g with one feature shown hides them all", BEFORE { s->Flags |= 1u << 24; }, 'g', 0, 1, {},
     CHECK { EXPECT_EQ(s->Flags & ZelFlgFeatures, 0u); }},
    {"g with none shown shows them all", BEFORE {}, 'g', 0, 1, {},
     CHECK { EXPECT_EQ(s->Flags & ZelFlgFeatures, ZelFlgFeatures); }},
    {"i resets the camera and the pan", BEFORE {
       s->View->Mat[1] = 0.5, s->View->Fov = 12, s->View->Ctr[0] = 9;
       s->VieEvt->panY = 2, s->VieEvt->appliedPanX = 1, s->VieEvt->angle = 30;
     }, 'i', 0, 1, {}, CHECK {
       EXPECT_EQ(std::vector<double>(s->View->Mat, s->View->Mat + 16),
                 std::vector<double>(s->View->IniMat, s->View->IniMat + 16));
       EXPECT_EQ(s->View->Fov, s->View->IniFov);
       EXPECT_DOUBLE_EQ(s->View->Ctr[0], 0.5 * (s->View->Box[0] + s->View->Box[3]));
       EXPECT_EQ(s->VieEvt->panY + s->VieEvt->appliedPanX + s->VieEvt->angle, 0.0);
     }},
    {"k turns a 3-D view 2-D", BEFORE { s->Dim = 3; }, 'k', 0, 1, {}, CHECK { EXPECT_EQ(s->Dim, 2); }},
    {"k turns a 2-D view 3-D", BEFORE { s->Dim = 2; }, 'k', 0, 1, {}, CHECK { EXPECT_EQ(s->Dim, 3); }},
    {"r turns every record's lighting off", BEFORE { render(s, 23); }, 'r', 0, 1, {}, CHECK {
       EXPECT_EQ(s->Rnd.Render, 22u);
       for (int k : {KmfEdges, KmfTriangles, KmfTetrahedra}) EXPECT_EQ(rec(s, k).Opt.Render & ZelRndLighting, 0u) << k;
     }},
};
#undef CHECK
#undef BEFORE

class Keys : public KeyScene, public testing::WithParamInterface<KeyCase> {};

TEST_P(Keys, ChangeTheSceneAndRebuild) {
  const KeyCase &c = GetParam();
  c.Before(scene_);
  scene_->VieEvt->keyChar = static_cast<int8_t>(c.Key);
  scene_->VieEvt->keyBits = c.Bits;
  FakeHooks hooks;
  CaptureText([&] { EXPECT_EQ(zelProcessKeyEvent(scene_), c.Want); });
  EXPECT_EQ(rebuilds(hooks), c.Calls);
  EXPECT_TRUE(called(hooks, "makeCurrent"));
  EXPECT_EQ(called(hooks, "setPlaneClip"), c.Bits == ZelKeyF1 && planes(scene_)->On);
  // A key refused for what the scene lacks refreshes nothing; s and S refresh whatever they did.
  if (!c.Want && c.Key != 's' && c.Key != 'S') {
    EXPECT_FALSE(called(hooks, "updateWidgetState"));
  }
  if (c.Check) c.Check(scene_, record(ds_, KmfTriangles));
}

INSTANTIATE_TEST_SUITE_P(Table, Keys, testing::ValuesIn(kKeys));

TEST_F(KeyScene, WPrintsTheContextDescription) {
  scene_->VieEvt->keyChar = 'w';
  Captured out = CaptureText([&] { EXPECT_EQ(zelProcessKeyEvent(scene_), 1); });
  EXPECT_CONTAINS(out.Out, "\n  Graphic info:\n  GL Vendor:\t");
  EXPECT_CONTAINS(out.Out, "  Depth Bits\t\t");
}

// The shrink flag must be on the records when the builders rebuild them.
TEST_F(KeyScene, F5SetsTheShrinkFlagBeforeItsRebuild) {
  zelUpdateAllDisplayListsOptions(ZelOptShrink, 0, 0, scene_);
  static std::vector<uint32_t> seen;
  seen.clear();
  ZelHooks &h = zelHooks(), saved = h;
  h.update[KmfTriangles] = [](ZelListMask, ZelScene *, ZelEntDisplayList *r) {
    seen.push_back(r->Flags & ZelLstShrink);
    return 1;
  };
  scene_->VieEvt->keyBits = ZelKeyF5;
  CaptureText([&] { EXPECT_EQ(zelProcessKeyEvent(scene_), 1); });
  h = saved;
  EXPECT_EQ(seen, std::vector<uint32_t>{ZelLstShrink});
}

}  // namespace
