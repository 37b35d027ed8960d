// Saved states: the file written by one scene restores another, applying a state, the older
// format, and hostile files.
#include "tests/scene/SceneTest.h"
#include "zelvane/scene/ZelSavedState.h"

namespace {

ZelStateBucket *state(const DisplayScene &s, int i) { return s->State->Head[i]; }

// View width and height, window x and y of a state.
std::vector<int> windowOf(const ZelStateBucket *b) { return {b->ViewW, b->ViewH, b->WinX, b->WinY}; }

// The window words as a window would give them.
void windowWords(void *, ZelStateBucket *b) {
  b->ViewW = 640, b->ViewH = 480, b->WinX = 12, b->WinY = 34, b->WinAux = 7, b->WinState = 0x20;
}

// States 1..3 written by one scene and read into another scene's one-state list make its
// states 1..3, which write the same text and apply as they were saved; a state saved before
// records were added and one saved after both come back exactly.
TEST(SavedStates, StatesWrittenByOneSceneRestoreAnother) {
  DisplayScene a(EveryKindMesh), b(EveryKindMesh);
  FakeHooks fake;
  zelHooks().saveWindowState = windowWords;
  ZelPlaEntity *pla = a->ZelMsh->Pla;
  ZelEntity *quads = zelGetEntity(a->ZelMsh, KmfQuadrilaterals);
  ASSERT_EQ(zelSaveState(a.get()), 1);
  // State 1: the quadrilaterals' records not there yet, planes 0..2 on.
  quads->NbrLst = 0;
  record(a, KmfTriangles).Opt.LineWidth = 2.5f;
  record(a, KmfEdges).Opt.Render = 0x57;
  record(a, KmfHexahedra).Flags = 15;
  a->Flags |= ZelFlgNumbers, a->Mode = 1;
  pla->On = 1, pla->Cur = 2, pla->ActMsk = 5, pla->ShwMsk = 4, pla->Mode = 3;
  for (int p = 0; p < 3; p++)
    for (int j = 0; j < 4; j++) pla->Pla[p][j] = (p + 1) * 0.1234567 - j;
  a->View->Trn[2] = -2.345678912;
  ASSERT_EQ(zelSaveState(a.get()), 2);
  EXPECT_EQ(state(a, 1)->NbrEnt, 12);
  // State 2: the quadrilaterals back, planes off.
  quads->NbrLst = 1;
  pla->On = 0;
  ASSERT_EQ(zelSaveState(a.get()), 3);
  EXPECT_EQ(state(a, 2)->NbrEnt, 13);
  record(a, KmfTriangles).Opt.LineWidth = 1.26f;
  ASSERT_EQ(zelSaveState(a.get()), 4);

  TempFile file("four.state");
  CaptureStdout();
  ASSERT_EQ(zelSaveStateInFile(a.get(), file.c_str()), 1);
  EXPECT_EQ(GetCapturedStdout(), " saving state 1  \n saving state 2  \n saving state 3  \n");
  const std::string text = readFile(file.Path);
  EXPECT_EQ(text.rfind("V201506\n12 ", 0), 0u) << text;
  EXPECT_CONTAINS(text, " -1 640 480 12 34 7 32\n");
  EXPECT_CONTAINS(text, "14 0 -1 0 0 0\t0 0 0 0\n");

  ASSERT_EQ(zelSaveState(b.get()), 1);
  ASSERT_EQ(zelLoadStateFromFile(b.get(), file.c_str()), 3);
  EXPECT_EQ(b->State->NbrState, 1);  // the caller counts them
  b->State->NbrState += 3;
  // Whatever was read writes the same text: every word, group and plane came back.
  TempFile again("again.state");
  CaptureStdout();
  ASSERT_EQ(zelSaveStateInFile(b.get(), again.c_str()), 1);
  GetCapturedStdout();
  EXPECT_EQ(readFile(again.Path), text);
  EXPECT_EQ(state(b, 1)->NbrEnt, 12);
  EXPECT_EQ(state(b, 2)->ClipOn, 0);
  // Widths come back to a tenth.
  ASSERT_EQ(setSavedState(b.get(), 3), 1);
  EXPECT_FLOAT_EQ(record(b, KmfTriangles).Opt.LineWidth, 1.2f);
  ASSERT_EQ(setSavedState(b.get(), 1), 1);
  EXPECT_FLOAT_EQ(record(b, KmfTriangles).Opt.LineWidth, 2.5f);
  EXPECT_EQ(record(b, KmfEdges).Opt.Render, 0x57u);
  EXPECT_EQ(record(b, KmfHexahedra).Flags, 15u);

  // The file cut at every length: the states it holds whole are read and write back the same;
  // a state it ends in (before its last value, or within it) is left out, and named once on
  // standard error and in the terminal when whole states come before it. ends[k]: the length
  // of the file of the first k states.
  std::vector<size_t> ends;
  for (int k = 0; k <= 3; k++) {
    a->State->NbrState = k + 1;
    CaptureStdout();
    ASSERT_EQ(zelSaveStateInFile(a.get(), file.c_str()), 1);
    GetCapturedStdout();
    ends.push_back(readFile(file.Path).size());
  }
  ASSERT_EQ(ends.back(), text.size());
  TempFile cut("cut.state");
  for (size_t length = 0; length <= text.size(); length++) {
    SCOPED_TRACE(length);
    // Whole: the state's last value and one blank after it are in the file.
    int whole = 0;
    while (whole < 3 && length >= text.find_last_not_of(" \t\n", ends[whole + 1] - 1) + 2) whole++;
    const bool named = whole > 0 && length > ends[whole];
    ASSERT_TRUE(SaveText(cut.Path, text.substr(0, length)));
    b->State->NbrState = 1;
    fake.Texts.clear();
    int read = -1;
    const Captured said = CaptureText([&] { read = zelLoadStateFromFile(b.get(), cut.c_str()); });
    ASSERT_EQ(read, whole);
    const std::string line = "  ## WARNING: STATE FILE " + cut.Path + " IS CUT SHORT IN ITS STATE " +
                             std::to_string(whole + 1) + ": THAT STATE IS LEFT OUT, THE " + std::to_string(whole) +
                             " BEFORE IT ARE KEPT \n";
    EXPECT_EQ(said.Err, named ? line : "");
    EXPECT_EQ(fake.terminal(), named ? line : "");
    if (whole == 0) continue;
    b->State->NbrState += whole;
    CaptureStdout();
    ASSERT_EQ(zelSaveStateInFile(b.get(), again.c_str()), 1);
    GetCapturedStdout();
    EXPECT_EQ(readFile(again.Path), text.substr(0, ends[whole]));
  }
  // Loaded again into another window: named in its terminal alone.
  ASSERT_TRUE(SaveText(cut.Path, text.substr(0, ends[2] + 5)));
  b->State->NbrState = 1;
  fake.Texts.clear();
  const Captured reloaded = CaptureText([&] { EXPECT_EQ(zelLoadStateFromFile(b.get(), cut.c_str(), false), 2); });
  EXPECT_EQ(reloaded.Err, "");
  EXPECT_CONTAINS(fake.terminal(), "IS CUT SHORT IN ITS STATE 3");
  b->State->NbrState = 4;

  // The list full: saving refuses, writing does not.
  a->State->NbrState = ZelMaxState;
  CaptureStdout();
  EXPECT_EQ(zelSaveState(a.get()), 0);
  EXPECT_EQ(GetCapturedStdout(), "###### WARNING : TOO MANY STATE SAVED (NBRSTATE = 100)\n");
  a->State->NbrState = 4;
  EXPECT_EQ(zelSaveLastStateInFile(a.get(), file.c_str()), 1);
  EXPECT_EQ(zelSaveStateInFile(a.get(), "/no-such-folder-zelvane/x.state"), 0);
  // States carried in memory into a list with room for two: the third is dropped with the
  // warning and freed (the memory list is checked empty at the end).
  ZelStateList *taken = zelTakeStates(a.get(), 1);
  a->State->NbrState = ZelMaxState - 2;
  CaptureStdout();
  EXPECT_EQ(zelPutStates(a.get(), taken), 2);
  EXPECT_EQ(GetCapturedStdout(), "###### WARNING : TOO MANY STATE SAVED (NBRSTATE = 100)\n");
}

// Applying restores words, camera, records and planes, recomputes the clipping of the current
// plane, rebuilds every list with mask 1; planes saved off come back off; a mesh without
// solution gets no active field.
TEST(SavedStates, ApplyingRestoresPlanesRebuildsAndChecksTheField) {
  DisplayScene s(EveryKindMesh);
  ZelPlaEntity *pla = s->ZelMsh->Pla;
  pla->On = 1, pla->Cur = 1, pla->ActMsk = 3, pla->ShwMsk = 2;
  pla->Pla[1][0] = 1;
  s->ActFld = 0;
  ASSERT_EQ(zelSaveState(s.get()), 1);
  pla->On = 0;
  ASSERT_EQ(zelSaveState(s.get()), 2);

  pla->On = 1, pla->Cur = 4, pla->ActMsk = pla->ShwMsk = 0x13;
  s->Mode = 1;
  FakeHooks fake;
  std::string out = CaptureText([&] { ASSERT_EQ(setSavedState(s.get(), 0), 1); }).Out;
  EXPECT_CONTAINS(out, "WARNING: No solution file attached to the mesh -> state parameter about Solution");
  EXPECT_EQ(s->ActFld, -1);
  EXPECT_EQ(std::vector<double>({double(pla->Cur), double(pla->ActMsk), pla->Pla[1][0]}),
            (std::vector<double>{1, 3, 1}));
  EXPECT_TRUE(s->Flags & ZelFlgViewApplied);
  std::vector<std::string> names = fake.callNames();
  ASSERT_GE(names.size(), 3u);
  EXPECT_EQ(names.front() + " " + names.back(), "loadWindowState updateWidgetState");
  std::vector<int> clips;
  for (const FakeCall &c : fake.Calls)
    if (c.Name == "setPlaneClip") clips.push_back(c.Plane);
  EXPECT_EQ(clips, std::vector<int>{1});
  ASSERT_EQ(fake.ListCalls.size(), 8u);
  for (const FakeListCall &c : fake.ListCalls) EXPECT_TRUE(c.Update && c.Mask == 1);

  // Planes saved off: off again, the clipped flag gone from every record.
  fake.Calls.clear();
  pla->On = 1, s->Mode = 1;
  CaptureText([&] { ASSERT_EQ(setSavedState(s.get(), 1), 1); });
  EXPECT_EQ(pla->On, 0);
  EXPECT_EQ(s->Mode, 0u);
  // Saved without a current plane: the scene's own (1) leaves both masks, so that no outline
  // of it is drawn over the uncut mesh.
  EXPECT_EQ(pla->ActMsk, 1u);
  EXPECT_EQ(pla->ShwMsk, 0u);
  EXPECT_EQ(record(s, KmfTriangles).Flags & ZelLstClipped, 0u);
  EXPECT_EQ(record(s, KmfTetrahedra).Flags & ZelLstClipped, 0u);
  for (const FakeCall &c : fake.Calls) EXPECT_NE(c.Name, "setPlaneClip");

  out = CaptureText([&] { EXPECT_EQ(setSavedState(s.get(), -1) + setSavedState(s.get(), 100), 0); }).Out;
  EXPECT_CONTAINS(out, "###### WARNING : INVALID NBRSTATE (-1) MUST BE LESS THAN OR EQUAL TO 100\n");
  EXPECT_EQ(setSavedState(s.get(), 5), 0);
  // Without camera nothing is saved, and nothing is left allocated (checked at scope exit).
  ZelView *camera = s->View;
  s->View = nullptr;
  CaptureText([&] { EXPECT_EQ(zelSaveState(s.get()), 0); });
  s->View = camera;
  zelRemoveLastState(s.get());
  EXPECT_EQ(s->State->NbrState, 1);
  EXPECT_EQ(s->State->Head[1], nullptr);
}

const std::string V = "V201506\n", Camera = "0 0 -2\t0 0 0\t45\t0.5\t4\t1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1 \n";
const std::string Groups = "3 2\t1 6 23 0 10\t7 6 23 0 10\t\n", Clip = "14 0 -1 0 0 0\t0 0 0 0\n";
const std::string Good = "1 2\n0 0 0 800 800 0 0 90 0\n" + Camera + Groups + Clip;

Geometric_Mesh *fieldGrid(Memory_List *mem) { return TriangleGrid(mem, 2, 1, {SOL_SCALAR}); }

bool atDefaults(const ZelStateBucket *b) {
  return b->Flags == 0 && b->ActFld == -1 && b->ViewW == 800 && b->WinAux == 90 && !b->View &&
         b->NbrEnt == 0 && b->ClipOn == 0 && b->ClipCur == -1;
}

// Files from older versions or from nowhere: what can be read is kept, nothing is read past a
// limit, the rest stays at its defaults, and every state applies without harm.
TEST(SavedStates, HostileAndOlderFilesEndAtDefaults) {
  DisplayScene s(fieldGrid);
  using Heads = ZelStateBucket *const *;
  struct Case {
    const char *Name;
    std::string Text;
    int Count;
    std::function<void(Heads)> Check;
  } cases[] = {
      {"older format", "1 1\n0 0 0\n" + Camera + "3 1\t1 6 23 0\t\n14 0 -1 0 0\t0 0 0 0\n0 0\n5\n" + Camera +
       "14 0 -1 0 0\t9 9 9 9\n", 2,
       [](Heads h) { EXPECT_EQ(h[0]->EntState[0][6], 10); EXPECT_EQ(h[1]->Flags, 5); }},  // width 1.0
      {"group counts huge", V + "99 2\n0 0 0\n" + Camera, 1, [](Heads h) { EXPECT_TRUE(atDefaults(h[0])); }},
      {"negative total", V + "1 -5\n" + Good.substr(4), 1, [](Heads h) { EXPECT_TRUE(atDefaults(h[0])); }},
      {"total past int", V + "1 99999999999\n" + Good.substr(4), 1,
       [](Heads h) { EXPECT_TRUE(atDefaults(h[0])); }},
      {"groups past the total", V + "2 2\n0 0 0\n" + Camera + "3 1\t1 6 23 0 10\t\n0 " + Groups.substr(2), 1,
       [](Heads h) { EXPECT_EQ(h[0]->NbrEnt, 1); EXPECT_NE(h[0]->View, nullptr); }},
      {"kind 99", V + "1 1\n0 0 0\n" + Camera + "99 1\t1 6 23 0 10\t\n", 1,
       [](Heads h) { EXPECT_EQ(h[0]->NbrEnt, 0); }},
      {"negative group", V + "1 1\n0 0 0\n" + Camera + "3 -1\t\n", 1,
       [](Heads h) { EXPECT_EQ(h[0]->NbrEnt, 0); }},
      {"current plane 32", V + "1 2\n0\n" + Camera + Groups + "14 1 32 1 1 0\t0 0 0 0\n", 1,
       [](Heads h) { EXPECT_EQ(h[0]->NbrEnt, 1); EXPECT_EQ(h[0]->ClipCur, -1); }},
      {"planes on without current plane",
       V + "1 2\n0\n" + Camera + Groups + "14 1 -1 1 1 0\t0 0 0 0\n" + Good, 2,
       [](Heads h) { EXPECT_EQ(h[0]->ClipOn, 1); }},
      // A state the file ends in is left out, the whole one before it kept.
      {"cut in the window words", V + Good + "1 2\n0 0 0 640", 1, [](Heads h) { EXPECT_EQ(h[0]->NbrEnt, 1); }},
      {"cut in the camera", V + Good + "1 2\n0 0 0 640 480 0 0 90 0\n" + Camera.substr(0, 10), 1, nullptr},
      {"cut in the reference records", V + Good + "1 2\n0\n" + Camera + Groups.substr(0, 20), 1, nullptr},
      {"cut in the clip line", V + Good + "1 2\n0\n" + Camera + Groups + "14 1 0 1 1 0\t1 0 0", 1, nullptr},
      {"cut after its last value", V + Good + Good.substr(0, Good.size() - 1), 1, nullptr},
      {"field beyond the palettes", V + Good + "1 2\n0 0 1 800 800 0 0 90 0\n" + Camera + Groups + Clip, 2,
       nullptr},
      {"over-long line", V + "1 2\n1 2 0" + std::string(3000, ' ') + "4 5 6 7\n" + Camera + Groups + Clip, 1,
       [](Heads h) { EXPECT_EQ(h[0]->Mode, 2); EXPECT_EQ(h[0]->ViewW, 800); EXPECT_EQ(h[0]->NbrEnt, 1); }},
      {"ten words", V + "1 2\n1 2 3 4 5 6 7 8 9 10\n" + Camera + Groups + Clip, 1,
       [](Heads h) { EXPECT_EQ(h[0]->Flags, 0); EXPECT_EQ(h[0]->NbrEnt, 1); }},
      {"window far off and huge",
       V + "1 2\n0 0 0 2147483647 2147483647 -2147483648 2147483647 90 0\n" + Camera + Groups + Clip, 1,
       [](Heads h) { EXPECT_EQ(windowOf(h[0]), (std::vector<int>{16384, 16384, -100000, 100000})); }},
      {"window empty, then just off the bounds",
       V + "1 2\n0 0 0 0 -7 -100001 -2147483647 90 0\n" + Camera + Groups + Clip, 1,
       [](Heads h) { EXPECT_EQ(windowOf(h[0]), (std::vector<int>{1, 1, -100000, -100000})); }},
      {"window on a screen", V + "1 2\n0 0 0 16384 1 -100000 99999 90 0\n" + Camera + Groups + Clip, 1,
       [](Heads h) { EXPECT_EQ(windowOf(h[0]), (std::vector<int>{16384, 1, -100000, 99999})); }},
      {"not a number", V + "1 2\n0 0 0\n0 0 nan " + Camera, 1,
       [](Heads h) { EXPECT_EQ(h[0]->View, nullptr); }},
      {"empty", "", 0, nullptr},
  };
  FakeHooks fake;
  for (const Case &c : cases) {
    SCOPED_TRACE(c.Name);
    TempFile file("hostile.state");
    ASSERT_TRUE(SaveText(file.Path, c.Text));
    s->State->NbrState = 0;
    CaptureStdout();
    const int read = zelLoadStateFromFile(s.get(), file.c_str());
    if (read != c.Count) {  // said once the capture has ended
      GetCapturedStdout();
      ADD_FAILURE() << read << " states read, not " << c.Count;
      continue;
    }
    if (c.Check) c.Check(s->State->Head);
    fake.Calls.clear();
    for (int i = 0; i < c.Count; i++) {
      s->ActFld = 0;
      EXPECT_EQ(setSavedState(s.get(), i), 1);
      EXPECT_EQ(s->ActFld, s->State->Head[i]->ActFld == 0 ? 0 : -1);
    }
    GetCapturedStdout();
    for (const FakeCall &call : fake.Calls) EXPECT_NE(call.Name, "setPlaneClip");
  }
  // A file with more states than room: 100 and the warning.
  std::string many = "V201506\n";
  for (int i = 0; i < 101; i++) many += Good;
  TempFile file("many.state");
  ASSERT_TRUE(SaveText(file.Path, many));
  std::string out = CaptureText([&] {
                      EXPECT_EQ(zelLoadStateFromFile(s.get(), file.c_str()), 100);
                      EXPECT_EQ(zelLoadStateFromFile(s.get(), "/no-such-folder-zelvane/x.state"), 0);
                    }).Out;
  EXPECT_CONTAINS(out, "###### WARNING : TOO MANY STATE SAVED (NBRSTATE = 100)\n");
}

}  // namespace
