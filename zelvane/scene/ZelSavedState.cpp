// Saved states of a scene.
//
// Sections: the group blocks of a bucket; saving a state; applying one; removing the last;
// writing state files; reading them.
#include "zelvane/scene/ZelSavedState.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/base/ScreenRange.h"
#include "common/base/ShownName.h"
#include "common/base/UserFile.h"
#include "common/model/ElementKind.h"
#include "common/model/Mesh.h"
#include "zelvane/scene/ZelAllocFailure.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelDisplayInternal.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelTextFile.h"

namespace {

// The entity kind of each group-kind code; the code of the clip line follows them.
constexpr int GroupKinds[] = {KmfVertices,  KmfEdges,        KmfVolumeEdges,      KmfTriangles,
                              KmfQuadrilaterals, KmfTetrahedra, KmfPyramids,     KmfPrisms,
                              KmfHexahedra, KmfEdgesP2,      KmfTrianglesP2,      KmfQuadrilateralsQ2,
                              KmfTetrahedraP2, KmfHexahedraQ2};
constexpr int NbrGroupKinds = 14, ClipLineCode = 14;
constexpr int RecordWords = 5;  // reference, flags, render word, solution word, width x 10

// The nine words of a state's second line, in file order.
constexpr int32_t ZelStateBucket::*NineWords[9] = {
    &ZelStateBucket::Flags,  &ZelStateBucket::Mode, &ZelStateBucket::ActFld,
    &ZelStateBucket::ViewW,  &ZelStateBucket::ViewH, &ZelStateBucket::WinX,
    &ZelStateBucket::WinY,   &ZelStateBucket::WinAux, &ZelStateBucket::WinState};

void tooManyStates(int n) { printf("###### WARNING : TOO MANY STATE SAVED (NBRSTATE = %d)\n", n); }

// A bucket with the defaults of a state read from a file: nothing set, planes off.
ZelStateBucket *newBucket(Memory_List *mem, const char *function, const char *array) {
  auto *b = static_cast<ZelStateBucket *>(MEM_ALLOC(mem, b, sizeof(ZelStateBucket)));
  if (!b) zelAllocFailure(function, array);
  std::memset(b, 0, sizeof(*b));
  b->ActFld = -1;
  b->ViewW = b->ViewH = 800;
  b->WinAux = 90;
  b->ClipCur = -1;
  return b;
}

ZelViewBucket *newViewBucket(Memory_List *mem, const char *function, const char *array) {
  auto *v = static_cast<ZelViewBucket *>(MEM_ALLOC(mem, v, sizeof(ZelViewBucket)));
  if (!v) zelAllocFailure(function, array);
  return v;
}

// Group blocks laid out back to back: kind code, n, then n records of RecordWords.
struct Groups {
  std::vector<int32_t> ints;
  int count = 0, records = 0;
};

// Gives the bucket its blocks: the pointer array and the one buffer they point into.
void setBlocks(Memory_List *mem, ZelStateBucket *b, const Groups &g, const char *function) {
  b->NbrEnt = g.count;
  b->NbrRec = g.records;
  if (g.count == 0) return;
  b->EntState = static_cast<int32_t **>(MEM_ALLOC(mem, b->EntState, sizeof(int32_t *) * g.count));
  b->EntBuf = static_cast<int32_t *>(MEM_ALLOC(mem, b->EntBuf, sizeof(int32_t) * g.ints.size()));
  if (!b->EntState || !b->EntBuf) zelAllocFailure(function, "head->EntState");
  std::memcpy(b->EntBuf, g.ints.data(), sizeof(int32_t) * g.ints.size());
  size_t at = 0;
  for (int k = 0; k < g.count; k++) {
    b->EntState[k] = b->EntBuf + at;
    at += 2 + static_cast<size_t>(RecordWords) * b->EntBuf[at + 1];
  }
}

// The flags a state keeps of a record: a Delete's hiding is an edit of the mesh, which the
// files shown next may not hold.
uint32_t stateFlags(uint32_t flags) {
  return flags & ZelLstHiddenByEdit ? flags & ~(ZelLstHidden | ZelLstHiddenByEdit) : flags;
}

// Stores a new bucket in slot i, releasing one left there by a load the caller did not count.
void putBucket(Memory_List *mem, ZelStateList *list, int i, ZelStateBucket *b) {
  list->Head[i] = zelFreeStateBucket(mem, list->Head[i]);
  list->Head[i] = b;
}

}  // namespace

// Saving --------------------------------------------------------------------------------------

int zelSaveState(ZelScene *scene) {
  if (!scene || !scene->ZelMsh || !scene->ZelMsh->Pla || !scene->State) return 0;
  ZelStateList *list = scene->State;
  if (list->NbrState >= list->MaxState) {
    tooManyStates(list->NbrState);
    return 0;
  }
  Memory_List *mem = scene->Mem;
  if (!scene->View) {
    printf("###### WARNING : IMPOSSIBLE TO SAVE CURRENT VIEW IN SAVESTATE");
    return 0;
  }
  ZelStateBucket *b = newBucket(mem, "zelSaveState", "head");
  b->Flags = static_cast<int32_t>(scene->Flags);
  b->Mode = static_cast<int32_t>(scene->Mode);
  b->ActFld = scene->ActFld;
  zelSaveWindowState(scene->Win, b);

  b->View = newViewBucket(mem, "zelSaveState", "head->View");
  zelViewToBucket(scene->View, b->View);

  Groups g;
  for (int code = 0; code < NbrGroupKinds; code++) {
    const int n = zeldl::recordCount(scene->ZelMsh, GroupKinds[code]);
    if (n == 0) continue;
    g.ints.push_back(code);
    g.ints.push_back(n);
    zeldl::forEachRecord(scene->ZelMsh, GroupKinds[code], [&](const ZelEntDisplayList *r) {
      const int32_t rec[RecordWords] = {r->Ref, static_cast<int32_t>(stateFlags(r->Flags)),
                                        static_cast<int32_t>(r->Opt.Render),
                                        static_cast<int32_t>(r->Opt.Solution),
                                        static_cast<int32_t>(r->Opt.LineWidth * 10)};
      g.ints.insert(g.ints.end(), rec, rec + RecordWords);
    });
    g.count++;
    g.records += n;
  }
  setBlocks(mem, b, g, "zelSaveState");
  list->NbrEnt = b->NbrEnt;
  list->NbrRec = b->NbrRec;

  const ZelPlaEntity *pla = scene->ZelMsh->Pla;
  if (pla->On && pla->Cur >= 0 && pla->Cur < ZelMaxPlanes) {
    b->ClipOn = pla->On;
    b->ClipCur = pla->Cur;
    b->ClipAct = static_cast<int32_t>(pla->ActMsk);
    b->ClipShw = static_cast<int32_t>(pla->ShwMsk);
    b->ClipMode = pla->Mode;
    std::memcpy(b->Pla, pla->Pla, sizeof(double) * 4 * (pla->Cur + 1));
  }
  putBucket(mem, list, list->NbrState, b);
  return ++list->NbrState;
}

// Applying ------------------------------------------------------------------------------------

namespace {

bool carriesSolution(const Geometric_Mesh *msh) {
  return msh && (msh->SolAtVer || msh->SolAtTet || msh->SolAtPyr || msh->SolAtPri || msh->SolAtHex ||
                 msh->SolAtQua || msh->SolAtTri);
}

// field: the scene has an active field after the state; without one, the records' field
// displays are let go, as switching the last of them off does, or the builders would leave
// out faces for a colour map that has nothing to show.
void applyGroups(ZelScene *scene, const ZelStateBucket *b, bool field) {
  for (int k = 0; k < b->NbrEnt; k++) {
    const int32_t *blk = b->EntState[k];
    if (blk[0] < 0 || blk[0] >= NbrGroupKinds) continue;
    ZelEntity *ent = zelGetEntity(scene->ZelMsh, GroupKinds[blk[0]]);
    if (!ent || !ent->DspLst) continue;
    const int n = blk[1] < ent->NbrLst ? blk[1] : ent->NbrLst;
    for (int d = 1; d <= n; d++) {
      const int32_t *w = blk + 2 + RecordWords * (d - 1);
      ZelEntDisplayList &r = ent->DspLst[d];
      r.Ref = w[0];
      r.Flags = static_cast<uint32_t>(w[1]) & ~ZelLstHiddenByEdit;
      r.Opt.Render = static_cast<uint32_t>(w[2]);
      r.Opt.Solution = field ? static_cast<uint32_t>(w[3]) : 0;
      r.Opt.LineWidth = static_cast<float>(w[4]) / 10.0f;
    }
  }
}

void applyClip(ZelScene *scene, const ZelStateBucket *b) {
  ZelPlaEntity *pla = scene->ZelMsh->Pla;
  if (!pla) {
    printf("###### WARNING : IMPOSSIBLE TO LOAD PLANE STATE");
    return;
  }
  const int cur = b->ClipCur;
  if (b->ClipOn == 0 || cur < 0 || cur >= ZelMaxPlanes) {
    // Planes off. A state saved with them off names no plane (-1): the scene's own current
    // plane leaves the masks then, as F1 takes it out, or its outline would stay drawn over a
    // mesh that nothing cuts.
    pla->Mode = 0;
    const int off = cur >= 0 && cur < ZelMaxPlanes ? cur : pla->Cur;
    if (off >= 0 && off < ZelMaxPlanes) {
      pla->ShwMsk &= ~(1u << off);
      pla->ActMsk &= ~(1u << off);
    }
    pla->On = 0;
    scene->Mode = 0;
    zelUpdateAllDisplayListsOptions(ZelOptClipped, ~ZelLstClipped, 0, scene);
    return;
  }
  pla->On = b->ClipOn;
  pla->Cur = cur;
  pla->ActMsk = static_cast<uint32_t>(b->ClipAct);
  pla->ShwMsk = static_cast<uint32_t>(b->ClipShw);
  pla->Mode = b->ClipMode;
  std::memcpy(pla->Pla, b->Pla, sizeof(double) * 4 * (cur + 1));
  Function_Interface fi;
  DefaultFunInterface(&fi, scene->Mem, scene->Par, "CLIPPING");
  zelSetPlaneClip(&fi, scene, cur);
}

int applyState(ZelScene *scene, int i, bool ownKinds) {
  if (!scene || !scene->ZelMsh || !scene->State) return 0;
  ZelStateList *list = scene->State;
  if (i < 0 || i >= list->MaxState) {
    printf("###### WARNING : INVALID NBRSTATE (%d) MUST BE LESS THAN OR EQUAL TO %d\n", i, list->MaxState);
    return 0;
  }
  ZelStateBucket *b = list->Head[i];
  if (!b) return 0;
  scene->Flags = static_cast<uint32_t>(b->Flags);
  scene->Mode = static_cast<uint32_t>(b->Mode);
  scene->ActFld = b->ActFld;
  if (!carriesSolution(scene->Msh)) {
    printf("  ###### WARNING: No solution file attached to the mesh -> state parameter about Solution set "
           "to 0 ");
    scene->ActFld = -1;
    // Nothing to time either: no solution, no time under the mesh.
    scene->Flags &= ~(ZelFlgLegend | ZelFlgTime);
  } else if (!scene->VieSol || scene->ActFld < 0 || scene->ActFld >= scene->VieSol->NbrFld) {
    scene->ActFld = -1;
  }
  zelLoadWindowState(scene->Win, b);
  if (scene->View && b->View)
    zelApplyViewBucket(scene, b->View);
  else
    printf("  ###### WARNING : IMPOSSIBLE TO LOAD VIEW STATE");
  applyGroups(scene, b, scene->ActFld >= 0);
  applyClip(scene, b);
  if (ownKinds) zelSetKindDisplayDefaults(scene);
  // Every list of the display mode restored: what zelUpdateClipDisplayLists rebuilds for the
  // restored plane is among them.
  zelUpdateAllDisplayLists(1, scene);
  zelUpdateWidgetState(scene->Win);
  return 1;
}

}  // namespace

int setSavedState(ZelScene *scene, int i) { return applyState(scene, i, false); }

int zelApplyCarriedState(ZelScene *scene, int i) { return applyState(scene, i, true); }

void zelRemoveLastState(ZelScene *scene) {
  if (!scene || !scene->State || scene->State->NbrState <= 0) return;
  ZelStateList *list = scene->State;
  list->NbrState--;
  list->Head[list->NbrState] = zelFreeStateBucket(scene->Mem, list->Head[list->NbrState]);
}

// Carrying states to another scene --------------------------------------------------------------

ZelStateList *zelTakeStates(ZelScene *scene, int first) {
  if (!scene || !scene->State || first < 0 || first >= scene->State->NbrState) return nullptr;
  ZelStateList *from = scene->State, *taken = zelNewState(scene->Mem);
  for (int i = first; i < from->NbrState; i++) {
    taken->Head[taken->NbrState++] = from->Head[i];
    from->Head[i] = nullptr;
  }
  from->NbrState = first;
  return taken;
}

int zelPutStates(ZelScene *scene, ZelStateList *taken) {
  if (!scene || !taken) return 0;
  int count = 0;
  if (scene->State) {
    ZelStateList *list = scene->State;
    for (int i = 0; i < taken->NbrState; i++) {
      if (list->NbrState + count >= list->MaxState) {
        tooManyStates(list->NbrState + count);
        break;
      }
      ZelStateBucket *b = taken->Head[i];
      taken->Head[i] = nullptr;
      putBucket(scene->Mem, list, list->NbrState + count, b);
      list->NbrEnt = b->NbrEnt;
      list->NbrRec = b->NbrRec;
      count++;
    }
  }
  zelFreeState(scene->Mem, taken);
  return count;
}

// Writing -------------------------------------------------------------------------------------

namespace {

void putState(ZelTextWriter &w, const ZelScene *scene, const ZelStateBucket *b) {
  w.num(b->NbrEnt).put(" ").num(b->NbrRec).put("\n");
  for (int k = 0; k < 9; k++) w.num(b->*NineWords[k]).put(k < 8 ? " " : "\n");
  // A state read without a usable camera keeps the scene's own when written.
  ZelViewBucket cam{};
  if (b->View)
    cam = *b->View;
  else if (scene->View)
    zelViewToBucket(scene->View, &cam);
  zelPutViewLine(w, cam);
  for (int k = 0; k < b->NbrEnt; k++) {
    const int32_t *blk = b->EntState[k];
    w.num(blk[0]).put(" ").num(blk[1]).put("\t");
    for (int r = 0; r < blk[1]; r++) {
      const int32_t *rec = blk + 2 + RecordWords * r;
      for (int j = 0; j < RecordWords; j++) w.num(rec[j]).put(j < RecordWords - 1 ? " " : "\t");
    }
    w.put("\n");
  }
  w.num(ClipLineCode).put(" ").num(b->ClipOn).put(" ").num(b->ClipCur).put(" ");
  w.num(b->ClipAct).put(" ").num(b->ClipShw).put(" ").num(b->ClipMode).put("\t");
  if (b->ClipCur < 0) w.put("0 0 0 0");
  for (int p = 0; p <= b->ClipCur && p < ZelMaxPlanes; p++)
    for (int j = 0; j < 4; j++) w.num(b->Pla[p][j]).put(j < 3 ? " " : "\t");
  w.put("\n");
}

// States first..last-1 into the file.
int writeStates(ZelScene *scene, const char *path, int first, int last, bool announce, int how) {
  const ZelStateList *list = scene->State;
  ZelTextWriter w;
  w.put("V201506\n");
  int done = 1;
  for (int i = first; i < last; i++) {
    if (announce) printf(" saving state %i  \n", i);
    if (!list->Head[i]) {
      done = 0;
      break;
    }
    putState(w, scene, list->Head[i]);
  }
  return zelWriteTextFile(path, w.str(), how) && done;
}

}  // namespace

int zelSaveStateInFile(ZelScene *scene, const char *path, int how) {
  if (!scene || !scene->ZelMsh || !scene->State) return 0;
  return writeStates(scene, path, 1, scene->State->NbrState, true, how);
}

int zelSaveLastStateInFile(ZelScene *scene, const char *path) {
  if (!scene || !scene->ZelMsh || !scene->State || scene->State->NbrState <= 0) return 0;
  const int last = scene->State->NbrState;
  return writeStates(scene, path, last - 1, last, false, 0);
}

// Reading -------------------------------------------------------------------------------------

namespace {

class StateReader {
 public:
  StateReader(ZelTextReader &in, bool older, Memory_List *mem) : in_(in), older_(older), mem_(mem) {}

  // The rest of a state whose first number was nbrEnt. False when a number could not be read
  // or broke a limit: what was read before stays, the rest keeps its defaults.
  bool read(int nbrEnt, ZelStateBucket *b) {
    int total;
    if (!in_.readInt(&total) || nbrEnt < 0 || nbrEnt > NbrGroupKinds || total < 0) return false;
    in_.skipLine();
    std::string text;
    if (!in_.line(&text, 1024)) return false;
    int words[9];
    const int n = zelScanInts(text, words, 9);
    if (n <= 9)
      for (int k = 0; k < n; k++) b->*NineWords[k] = words[k];
    // The window layer adds bars to these and hands them to the toolkit: keep them on a screen.
    b->ViewW = ClampScreenSize(b->ViewW);
    b->ViewH = ClampScreenSize(b->ViewH);
    b->WinX = ClampScreenPos(b->WinX);
    b->WinY = ClampScreenPos(b->WinY);
    ZelViewBucket cam;
    if (!zelReadViewLine(in_, &cam)) return false;
    b->View = newViewBucket(mem_, "loadViewStateFromFile", "savState->View");
    *b->View = cam;
    Groups g;
    const bool groups = readGroups(nbrEnt, total, &g);
    setBlocks(mem_, b, g, "zelLoadStateFromFile");
    return groups && readClip(b);
  }

 private:
  bool readGroups(int nbrEnt, int total, Groups *g) {
    for (int k = 0; k < nbrEnt; k++) {
      int code, n;
      if (!in_.readInt(&code) || code < 0 || code >= NbrGroupKinds || !in_.readInt(&n) || n < 0 ||
          n > total - g->records)
        return false;
      const size_t start = g->ints.size();
      g->ints.push_back(code);
      g->ints.push_back(n);
      for (int r = 0; r < n; r++) {
        int rec[RecordWords] = {0, 0, 0, 0, 10};
        for (int j = 0; j < (older_ ? RecordWords - 1 : RecordWords); j++)
          if (!in_.readInt(&rec[j])) {
            g->ints.resize(start);  // a group is kept whole or not at all
            return false;
          }
        g->ints.insert(g->ints.end(), rec, rec + RecordWords);
      }
      g->count++;
      g->records += n;
    }
    return true;
  }

  bool readClip(ZelStateBucket *b) {
    int code, w[5] = {0, 0, 0, 0, 0};
    if (!in_.readInt(&code) || code != ClipLineCode) return false;
    for (int j = 0; j < (older_ ? 4 : 5); j++)
      if (!in_.readInt(&w[j])) return false;
    if (w[1] < -1 || w[1] >= ZelMaxPlanes) return false;
    b->ClipOn = w[0];
    b->ClipCur = w[1];
    b->ClipAct = w[2];
    b->ClipShw = w[3];
    b->ClipMode = w[4];
    double dropped[4];
    for (int p = 0; p <= (b->ClipCur < 0 ? 0 : b->ClipCur); p++)
      for (int j = 0; j < 4; j++)
        if (!in_.readDouble(b->ClipCur < 0 ? &dropped[j] : &b->Pla[p][j])) return false;
    return true;
  }

  ZelTextReader &in_;
  bool older_;
  Memory_List *mem_;
};

}  // namespace

int zelLoadStateFromFile(ZelScene *scene, const char *path, bool named) {
  if (!scene || !scene->ZelMsh || !scene->State) return 0;
  ZelStateList *list = scene->State;
  if (list->NbrState >= list->MaxState) {
    tooManyStates(list->NbrState);
    return 0;
  }
  FILE *f = path ? OpenUserFile(path, UserFileBounded, nullptr) : nullptr;
  if (!f) {
    printf("  ## WARNING: NO STATE FILE %s FOUND ! \n", ShownName(path ? path : "").c_str());
    return 0;
  }
  ZelTextReader in(f);
  std::string first;
  const bool older = !in.word(&first) || first.find('V') == std::string::npos;
  if (older) in.rewind();
  StateReader reader(in, older, scene->Mem);
  int count = 0, nbrEnt;
  bool cut = false;
  while (in.readInt(&nbrEnt)) {
    ZelStateBucket *b = newBucket(scene->Mem, "zelLoadStateFromFile", "state->Head[nbrState]");
    const bool whole = reader.read(nbrEnt, b);
    // A state whose reading met the end of the file was cut short: it ends before a value,
    // or within its last one when no blank follows that. Half of it would apply as a whole.
    if (in.atEnd()) {
      zelFreeStateBucket(scene->Mem, b);
      cut = true;
      break;
    }
    putBucket(scene->Mem, list, list->NbrState + count, b);
    list->NbrEnt = b->NbrEnt;
    list->NbrRec = b->NbrRec;
    count++;
    if (list->NbrState + count >= list->MaxState) {
      tooManyStates(list->NbrState + count);
      break;
    }
    if (!whole) break;
  }
  std::fclose(f);
  // With nothing kept, the caller names the file as one that cannot be read.
  if (cut && count > 0) {
    const std::string line = "  ## WARNING: STATE FILE " + ShownName(path) + " IS CUT SHORT IN ITS STATE " +
                             std::to_string(count + 1) + ": THAT STATE IS LEFT OUT, THE " + std::to_string(count) +
                             " BEFORE IT ARE KEPT \n";
    if (named) {
      fputs(line.c_str(), stderr);
      fflush(stderr);
    }
    ptermText(scene->Win, "%s", line.c_str());
  }
  return count;
}
