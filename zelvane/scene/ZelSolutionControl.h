// Solution display controls and reload: the bridge between the palettes and a living scene.
//
// The scene's solution-display bits (ZelScene::SolFlags) say which solution displays the
// user switched on; setActSolOptions turns them into the solution word of a display record.
// zel_updateSol reloads the solution file of an open mesh, rebuilds the palettes and the lists
// and asks the view to repaint: the solution-update timer of the window, the panels and the
// key commands call them. GUI thread only.
#pragma once

#include <cstdint>
#include <string>

typedef struct Zel_Scene ZelScene;

// The record solution word matching the scene's bits: 0x20, 0x40, 0x80 give 1, 2, 4; 0x100
// gives 16; 0x200 gives 8; 0x40000 gives 32; other bits nothing. 0 for a null scene. Writes
// nothing: the caller stores the word in the records it chooses.
uint32_t setActSolOptions(const ZelScene *scene);

// Reloads the solution the mesh holds from file (ReloadSolution): the file is read into new
// arrays that replace the old ones only when it was read whole, so a refused or unfinished file
// (result 2: not written to its end yet) leaves counts, values, ranges and palettes exactly as
// they were. After a successful load every palette is rebuilt with 5 iso values (the arrays
// are reused; a mesh that had no solution gets its solution view then, one default palette per
// field), all lists are rebuilt with mask 1 and the view repaints; the loader's notices
// (a file of values for fewer entities than the mesh has) go to the scene's terminal. Returns
// the loader's result (1 loaded, 2 not complete yet, 0 refused), 0 without a scene mesh or a
// file name. *readTime, when given, receives ReloadSolution's: the modification time of the
// file as it was read.
int zel_updateSol(ZelScene *scene, const char *file, int64_t *readTime = nullptr);

// Shows the loader's notices and refusals (LoadNotices.h, lines ended by line feeds) in the
// terminal of window as plain text, one terminal line each (ptermText), which echoes them on
// standard output; without a window they are printed there.
void zelShowLoadNotices(void *window, const std::string &notices);
