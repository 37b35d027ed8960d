// Display records, their set-up per kind of mesh, the rebuild and direct-draw dispatch by kind,
// the option masks and the record of an element; builders replaced by recording fakes.
#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelHybridHash.h"

namespace {

Geometric_Mesh *edgesOnly(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 2, {{KmfVertices, 3}, {KmfEdges, 2}});
  for (int i = 0; i < 3; i++) AddVertex(m, i, i % 2, 0);
  AddElement(m, KmfEdges, {1, 2}, 4);
  AddElement(m, KmfEdges, {2, 3}, 9);
  return m;
}
Geometric_Mesh *verticesOnly(Memory_List *mem) {
  Geometric_Mesh *m = NewRoomyMesh(mem, 3, {{KmfVertices, 3}});
  for (int i = 0; i < 3; i++) AddVertex(m, i, 0, i, 1);
  return m;
}
Geometric_Mesh *tetrahedraOnly(Memory_List *mem) { return MakeStructuredMesh(mem, 1, 1, 1, GEN_TET); }
Geometric_Mesh *triangles(Memory_List *mem) { return TriangleGrid(mem, 2, 1); }

uint32_t lineMode(const ZelEntDisplayList &r) { return (r.Opt.Render >> 4) & 7; }

struct SetupCase {
  const char *Name;
  Geometric_Mesh *(*Make)(Memory_List *);
  int Kind;            // a kind whose record is checked
  uint32_t KindsWord;  // kinds present
  uint32_t Flags;      // flag bits the set-up adds
  uint32_t LineMode;   // line mode of that kind's records
  bool VerOnly;
};

// Every kind of mesh gets its records with the defaults, and the scene the display mode its
// kinds call for.
TEST(DisplayListSetup, EachKindOfMeshGetsItsModesAndRecordDefaults) {
  const SetupCase cases[] = {
      {"edges only", edgesOnly, KmfEdges, 2, 0, 0, false},
      {"tetrahedra only", tetrahedraOnly, KmfTetrahedra, 8, ZelFlgVolumes, 1, false},
      {"vertices only", verticesOnly, KmfVertices, 0, ZelFlgPoints, 1, true},
      {"triangles", triangles, KmfTriangles, 4, 0, 1, false},
  };
  for (const SetupCase &c : cases) {
    SCOPED_TRACE(c.Name);
    DisplayScene s(c.Make);
    EXPECT_EQ(s->Rnd.Kinds, c.KindsWord);
    EXPECT_EQ(s->Flags & (ZelFlgVolumes | ZelFlgPoints), c.Flags);
    EXPECT_EQ(s->VerOnly, c.VerOnly);
    ZelEntity *ent = zelGetEntity(s->ZelMsh, c.Kind);
    ASSERT_GE(ent->NbrLst, 1);
    std::set<uint32_t> ids;
    for (int d = 1; d <= ent->NbrLst; d++) {
      const ZelEntDisplayList &r = ent->DspLst[d];
      const uint32_t flags = c.Kind == KmfTetrahedra ? 14 : 6;
      EXPECT_EQ(std::vector<int64_t>({r.Type, r.Ref, r.Head, r.Flags, r.Opt.Render & ~0x70u, lineMode(r),
                                      r.Opt.TessLevel, int(10 * r.Opt.LineWidth)}),
                std::vector<int64_t>({c.Kind, ent->Dep[d].Ref, ent->Dep[d].Fst, flags, 7, c.LineMode, 8,
                                      10}));
      // 14 ids of this record's own, none shared with another record.
      const std::pair<uint32_t, int> runs[] = {
          {r.MrkLst, 4}, {r.FacLst, 2}, {r.WirLst, 1}, {r.SolLst, 6}, {r.PckLst, 1}};
      for (auto run : runs)
        for (int k = 0; k < run.second; k++) EXPECT_TRUE(run.first && ids.insert(run.first + k).second);
      EXPECT_EQ(geoFindHybridHash(ent->HshRef, r.Ref), d);
    }
  }
}

// The vertices-only switch is the scene's own: a triangle scene opened after a vertices-only
// one still composes its wire and face lists.
TEST(DisplayListSetup, VerticesOnlySceneStopsAfterPointsAndLeavesOtherScenesWhole) {
  DisplayScene points(verticesOnly), tris(triangles);
  ASSERT_EQ(zelUpdateMainDisplayList(1, points.get()), 1);
  ASSERT_EQ(zelUpdateMainDisplayList(1, tris.get()), 1);
  const uint32_t *p = points->MainLst, *t = tris->MainLst;
  EXPECT_EQ(std::vector<bool>({p[ZelMainPoints] != 0, p[ZelMainWire] != 0, p[ZelMainFaces] != 0}),
            std::vector<bool>({true, false, false}));
  EXPECT_TRUE(t[ZelMainWire] && t[ZelMainFaces] && t[ZelMainMetric]);
}

std::vector<int> updatedKinds(const FakeHooks &fake) {
  std::vector<int> kinds;
  for (const FakeListCall &c : fake.ListCalls) kinds.push_back(c.Kind);
  return kinds;
}

// Rebuilds reach the builder of each record's kind with the mask unchanged, volumes only in
// volume display mode unless asked for by themselves; each call makes the context current first.
TEST(DisplayListDispatch, RebuildsReachTheKindsTheirModeCoversWithTheMask) {
  DisplayScene s(EveryKindMesh);
  int window;
  s->Win = &window;
  s->Flags &= ~ZelFlgVolumes;
  const std::vector<int> surfaces = {20, 4, 6, 24, 7, 27, 5, 25};
  struct Case {
    const char *Name;
    std::function<int()> Run;
    std::vector<int> Kinds;
  } cases[] = {
      {"all, surface mode", [&] { return zelUpdateAllDisplayLists(0x30, s.get()); }, surfaces},
      {"all, volume mode",
       [&] {
         s->Flags |= ZelFlgVolumes;
         int r = zelUpdateAllDisplayLists(0x30, s.get());
         s->Flags &= ~ZelFlgVolumes;
         return r;
       },
       {20, 4, 6, 24, 7, 27, 5, 25, 8, 30, 10, 33, 49, 9}},
      {"volume kinds", [&] { return zelUpdateVolTypeDisplayLists(0x30, s.get()); }, {8, 30, 10, 33, 9, 49}},
      {"one kind", [&] { return zelUpdateAllTypeDisplayLists(27, 0x30, s.get()); }, {27}},
      {"no kind", [&] { return zelUpdateAllTypeDisplayLists(3, 0x30, s.get()); }, {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.Name);
    FakeHooks fake;
    EXPECT_EQ(c.Run(), 1);
    EXPECT_EQ(updatedKinds(fake), c.Kinds);
    for (const FakeListCall &call : fake.ListCalls) {
      EXPECT_TRUE(call.Update);
      EXPECT_EQ(call.Mask, 0x30u);
      EXPECT_EQ(call.Ref, call.Kind == KmfVertices ? 0 : 10 * call.Kind);
    }
    if (c.Kinds.empty()) continue;
    ASSERT_FALSE(fake.Calls.empty());
    EXPECT_EQ(fake.Calls[0].Name, "makeCurrent");
    EXPECT_EQ(fake.Calls[0].Target, &window);
  }
  FakeHooks fake;
  EXPECT_EQ(zelUpdateAllDisplayLists(1, nullptr), 0);
  // A kind without a builder is refused with its message, the program goes on.
  ZelEntDisplayList plane = s->ZelMsh->Pla->Lst[0];
  std::string out = CaptureText([&] {
                      EXPECT_EQ(zelUpdateDisplayList(1, s.get(), &plane), 0);
                      EXPECT_EQ(zelDirectDrawDisplayList(1, s.get(), &plane), 0);
                    }).Out;
  EXPECT_CONTAINS(out, "Direct draw of display list of type clip planes non-implemented");
  EXPECT_TRUE(fake.ListCalls.empty());
  // The curved quadrilaterals say they lack a direct draw and are drawn all the same.
  fake.ListResult = 7;
  CaptureText([&] { EXPECT_EQ(zelDirectDrawDisplayList(0x800, s.get(), &record(s, 27)), 7); });
  ASSERT_EQ(fake.ListCalls.size(), 1u);
  EXPECT_FALSE(fake.ListCalls[0].Update);
}

TEST(DisplayListOptions, EachBitCopiesOnlyItsPart) {
  DisplayScene s(triangles);
  ZelEntDisplayList &r = record(s, KmfTriangles);
  struct Case {
    ZelOptionMask Mask;
    uint32_t Render, Solution;
    std::function<void(ZelEntDisplayList &)> Expect;
  } cases[] = {
      {0x1, 0xABCD, 0, [](ZelEntDisplayList &e) { e.Opt.Render = 0xABCD; }},
      {0x10, 0, 0x2D, [](ZelEntDisplayList &e) { e.Opt.Solution = 0x2D; }},
      {0x2000, ~0u, 0, [](ZelEntDisplayList &e) { e.Opt.Render |= 0xE; }},
      {0x4000, ~0u, 0, [](ZelEntDisplayList &e) { e.Opt.Render |= 0x70; }},
      {0x8000, ~0u, 0, [](ZelEntDisplayList &e) { e.Opt.Render |= 0x80; }},
      {0x10000, 0, 0, [](ZelEntDisplayList &e) { e.Opt.Render &= ~1u; }},
      {0x800, ~0u, 0, [](ZelEntDisplayList &e) { e.Opt.Render |= 0x100; }},
      {0x1000, ~2u, 0, [](ZelEntDisplayList &e) { e.Flags &= ~2u; }},
      {1u << 26, 0, 0, [](ZelEntDisplayList &e) { e.Flags &= ~4u; }},
      {0x20, 0, ~0u, [](ZelEntDisplayList &e) { e.Opt.Solution |= 0x1; }},
      {0x40, 0, ~0u, [](ZelEntDisplayList &e) { e.Opt.Solution |= 0x2; }},
      {0x80, 0, ~0u, [](ZelEntDisplayList &e) { e.Opt.Solution |= 0x4; }},
      {0x200, 0, ~0u, [](ZelEntDisplayList &e) { e.Opt.Solution |= 0x8; }},
      {0x40000, 0, ~0u, [](ZelEntDisplayList &e) { e.Opt.Solution |= 0x20; }},
      {0x20000, 0x1234, 0, [](ZelEntDisplayList &e) { e.Opt.TessLevel = 0x34; }},
      {1u << 27, 25, 0, [](ZelEntDisplayList &e) { e.Opt.LineWidth = 2.5f; }},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.Mask);
    r.Flags = 6, r.Opt.Render = 23, r.Opt.Solution = 0, r.Opt.TessLevel = 8, r.Opt.LineWidth = 1;
    ZelEntDisplayList expected = r;
    c.Expect(expected);
    EXPECT_EQ(zelUpdateDisplayListOptions(c.Mask, c.Render, c.Solution, s.get(), &r), 1);
    auto words = [](const ZelEntDisplayList &e) {
      return std::vector<double>{double(e.Flags), double(e.Opt.Render), double(e.Opt.Solution),
                                 double(e.Opt.TessLevel), e.Opt.LineWidth};
    };
    EXPECT_EQ(words(r), words(expected));
  }
}

TEST(DisplayListOptions, FamiliesTouchOnlyTheirKinds) {
  DisplayScene s(EveryKindMesh);
  const int all[] = {4, 20, 5, 25, 6, 24, 7, 27, 8, 30, 10, 33, 49, 9};
  struct Case {
    const char *Name;
    std::function<int(ZelScene *)> Run;
    std::set<int> Kinds;
  } cases[] = {
      {"edges", [](ZelScene *sc) { return zelUpdateEdgeDisplayListsOptions(1, 99, 0, sc); }, {5, 25}},
      {"faces", [](ZelScene *sc) { return zelUpdateFaceDisplayListsOptions(1, 99, 0, sc); }, {6, 24, 7, 27}},
      {"volumes", [](ZelScene *sc) { return zelUpdateVolDisplayListsOptions(1, 99, 0, sc); },
       {8, 30, 10, 33, 49, 9}},
      {"all", [](ZelScene *sc) { return zelUpdateAllDisplayListsOptions(1, 99, 0, sc); },
       {5, 25, 6, 24, 7, 27, 8, 30, 10, 33, 49, 9}},
      {"normals by kind", [](ZelScene *sc) { return zelUpdateAllTypeDisplayListsOptions(20, 1, 99, 0, sc); },
       {20}},
      {"vertices by kind", [](ZelScene *sc) { return zelUpdateAllTypeDisplayListsOptions(4, 1, 99, 0, sc); },
       {}},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.Name);
    for (int k : all) record(s, k).Opt.Render = 23;
    EXPECT_EQ(c.Run(s.get()), 1);
    for (int k : all) EXPECT_EQ(record(s, k).Opt.Render, c.Kinds.count(k) ? 99u : 23u) << k;
  }
  EXPECT_EQ(zelUpdateAllDisplayListsOptions(1, 99, 0, nullptr), 0);
}

// The record of an element, for every kind that has one, and none for the others.
TEST(DisplayListRecords, RecordOfAnElementForEveryKind) {
  DisplayScene s(EveryKindMesh);
  ZelMesh *zm = s->ZelMsh;
  for (int kind : {5, 25, 6, 24, 7, 27, 8, 30, 49, 9, 10, 33, 20}) {
    SCOPED_TRACE(kind);
    const ZelEntDisplayList *r = zelGetDisList(zm, 1, kind);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Type, kind);
    EXPECT_EQ(r->Ref, kind == 20 ? 200 : 10 * kind);
    EXPECT_EQ(zelGetDisList(zm, 0, kind), nullptr);
    EXPECT_EQ(zelGetDisList(zm, zelGetEntity(zm, kind)->MaxNbrLnk + 1, kind), nullptr);
  }
  EXPECT_EQ(zelGetDisList(zm, 3, KmfVertices)->Ref, 0);
  EXPECT_EQ(zelGetDisList(zm, 1, KmfFaceEdges), nullptr);
  EXPECT_EQ(zelGetDisList(zm, 1, KmfFaceP2Edges), nullptr);
  // A link past the records (or to none) gives no record.
  ZelEntity *tri = zelGetEntity(zm, KmfTriangles);
  tri->Lnk[1].Grp = tri->NbrLst + 1;
  EXPECT_EQ(zelGetDisList(zm, 1, KmfTriangles), nullptr);
  tri->Lnk[1].Grp = 0;
  EXPECT_EQ(zelGetDisList(zm, 1, KmfTriangles), nullptr);
  CaptureText([&] { EXPECT_EQ(zelGetDisList(zm, 1, KmfVolumeEdges), nullptr); });
  EXPECT_EXIT(zelGetDisList(zm, 1, 11), testing::ExitedWithCode(100), "TYPE 11 IS UNKNOW");
}

}  // namespace
