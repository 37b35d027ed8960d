// Saved states: snapshots of everything the user has set on a scene (flag word, interaction
// mode, active field, window geometry, camera, the options of every display record, clip
// planes), applied again on demand and kept in a text file.
//
// States live in the scene's ZelStateList (ZelState.h). The window saves state 0 when it first
// shows a scene and one more per user request; it fills and applies the window words through
// zelSaveWindowState and zelLoadWindowState. Each bucket keeps its own group and record
// counts, so states saved at different times, or read from another mesh's file, are written
// back exactly.
//
// State file: "V201506", then per state
//   "%d %d\n"                 group kinds, records
//   nine "%d" words, "\n"     flag word, mode, active field, the six window words
//   the camera line           as in the view file, without the index
//   per group kind            "%d %d\t" (kind code, n), n x "%d %d %d %d %d\t" (reference,
//                             flags, render word, solution word, line width x 10), "\n";
//                             a record hidden by Delete is kept as shown (ZelMesh.h)
//   the clip line             "%d %d %d %d %d %d\t" (14, on/off, current plane, active mask,
//                             shown mask, further word), planes 0..current "%lg %lg %lg %lg\t"
//                             each, or "0 0 0 0" when the current plane is -1, "\n".
// Group-kind codes: 0 vertices, 1 edges, 2 volume edges, 3 triangles, 4 quadrilaterals,
// 5 tetrahedra, 6 pyramids, 7 prisms, 8 hexahedra, 9 P2 edges, 10 P2 triangles, 11 Q2
// quadrilaterals, 12 P2 tetrahedra, 13 Q2 hexahedra. The older format has no first line, four
// numbers per record (width 1) and five on the clip line. Numbers are written and read the same
// whatever the process locale. GUI thread only.
#pragma once

typedef struct Zel_Scene ZelScene;
struct ZelStateList;

// Appends a snapshot of the scene; the new number of states, 0 when the list is full
// ("###### WARNING : TOO MANY STATE SAVED (NBRSTATE = %d)\n"), without camera ("###### WARNING
// : IMPOSSIBLE TO SAVE CURRENT VIEW IN SAVESTATE") or without display mesh, planes or list.
int zelSaveState(ZelScene *scene);
// Applies state i: flag word, mode, active field (-1 when the mesh carries no solution, with
// a warning and the legend and time taken away, or when the field is not one of the palettes),
// window words, camera (as setSavedView), the options of the records it names (without their
// field displays when no field is active then), the clip planes (recomputed through
// zelSetPlaneClip, or turned off for a state saved with planes off or without current plane),
// then every list rebuilt with mask 1 and the widgets refreshed. An index outside 0..MaxState-1
// prints "###### WARNING : INVALID NBRSTATE (%d) MUST BE LESS THAN OR EQUAL TO %d\n". 1 applied,
// 0 when nothing was.
int setSavedState(ZelScene *scene, int i);
// setSavedState for a state saved on another mesh: what the scene's own kinds ask of it to
// show anything (zelSetKindDisplayDefaults) is laid over the state before the lists are
// rebuilt, so that a surface's state never hides a mesh of volumes alone.
int zelApplyCarriedState(ZelScene *scene, int i);
// Frees the last state and lowers NbrState; nothing on an empty list.
void zelRemoveLastState(ZelScene *scene);
// Moves states first..NbrState-1 out of the scene's list into a new list on the scene's memory
// list, whole (nothing is written or read again), and lowers NbrState to first; null when there
// is none to move.
ZelStateList *zelTakeStates(ZelScene *scene, int first);
// Stores the taken states in the scene's slots from NbrState on, as zelLoadStateFromFile stores
// what it reads, and returns how many; the caller raises NbrState by that count. States past a
// full list are dropped with the TOO MANY warning. Frees `taken`, which must come from a scene
// on the same memory list; without a scene, nothing (taken stays the caller's).
int zelPutStates(ZelScene *scene, ZelStateList *taken);
// Writes states 1..NbrState-1 (" saving state %i  \n" each), whatever room the list has left.
// 1 written; 0 without display mesh or list, at a missing state, or when the file cannot be
// created or written. how: the bits of the write (common/base/UserFile.h).
int zelSaveStateInFile(ZelScene *scene, const char *path, int how = 0);
// Writes the last state only; 0 also for an empty list.
int zelSaveLastStateInFile(ZelScene *scene, const char *path);
// Reads the states of a file into the slots from NbrState on and returns how many it stored;
// the caller raises NbrState by that count. A state whose numbers stop being readable or break
// a limit (group kinds 0..14, records >= 0, kind codes 0..13, each group's count >= 0 and all
// within the records, current plane -1..31, clip line opened by 14) keeps what came before at
// its defaults and still counts; the reading ends there, at the end of the file, or when the
// list fills up (the TOO MANY warning). A state the file ends in, before its last value or
// within it (no blank after it), is cut short: it is left out and the reading ends; when whole
// states came before it, one line names the file and that state ("  ## WARNING: STATE FILE
// <name> IS CUT SHORT IN ITS STATE <n>: THAT STATE IS LEFT OUT, THE <n - 1> BEFORE IT ARE
// KEPT"), in the scene's terminal and, when named, on standard error (a caller loading the
// same file into another window has named it there already). A full list warns and gives 0; a
// file that cannot be opened prints "  ## WARNING: NO STATE FILE %s FOUND ! \n" and gives 0.
int zelLoadStateFromFile(ZelScene *scene, const char *path, bool named = true);
