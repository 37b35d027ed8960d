// The user's preferences: the keys of the settings store, their defaults, and the mesh
// preferences applied to a scene when its display lists are set up.
//
// The store is the toolkit's QSettings opened without arguments (the application sets the
// organisation "Tavrel" and the application "Zelvane"). A missing key reads as its default.
//
//   key                type           default    written by           read when
//   "size"             size (w, h)    800 x 800  General page         a terminal window is made
//   "Terminal height"  int, pixels    90         General page         a terminal is made
//   "module"           int, bits      19         General page         a main window shows a mesh
//   "Lines Pref"       render word    7          Mesh page            display lists are set up
//   "Surf Pref"        render word    23         Mesh page            display lists are set up
//   "Vol Pref"         render word    23         Mesh page            display lists are set up
//   "Show Vol"         int            0          nothing              display lists are set up
//   "Show Sol"         int            0          Mesh page            display lists are set up
//   "verbose"          int, bits      0          Terminal page        a Verbosity panel is made
//
// "module": 1 terminal shown, 2 bottom bar shown, 16 terminal locked into the main window
// (else in its own window). The mesh keys hold a render word of which only the face mode
// (bits 1-3) and the line mode (bits 4-6) are applied. "Show Vol" 0x20000 draws the volume
// kinds from the start; "Show Sol" 64 shows the first field as a colour map from the start.
// "verbose" holds bits of the pick report's verbose mask.
//
// GUI thread only.
#pragma once

#include <cstdint>

typedef struct Zel_Scene ZelScene;

extern const char *const ZelKeySize;
extern const char *const ZelKeyTermHeight;
extern const char *const ZelKeyModule;
extern const char *const ZelKeyLinesPref;
extern const char *const ZelKeySurfPref;
extern const char *const ZelKeyVolPref;
extern const char *const ZelKeyShowVol;
extern const char *const ZelKeyShowSol;
extern const char *const ZelKeyVerbose;

enum : int {
  ZelDefaultWidth = 800,
  ZelDefaultHeight = 800,
  ZelDefaultTermHeight = 90,
  ZelDefaultModule = 19,
  ZelDefaultLinesPref = 7,
  ZelDefaultSurfPref = 23,
  ZelDefaultVolPref = 23,
};

enum : uint32_t {
  ZelShowVolumes = 0x20000,  // "Show Vol"
  ZelShowSolution = 64,      // "Show Sol"
};

// Bits of the verbose mask beside those of the pick report (ZelVrb*, ZelReport.h).
enum : uint32_t {
  ZelVerboseFields = 0x1,        // stored "verbose": every solution field (live: field i is 1 << i)
  ZelVerboseLengths = 0x400000,  // distances between an element's vertices (the Verbosity
                                 // panel's "Distance", stored as ZelVrbDistance)
  ZelVerboseQuality = 0x800000,  // quality of the picked element
};

// Applies the stored mesh preferences to every display record of the scene: "Lines Pref" the
// line mode of edges and P2 edges, "Surf Pref" the line and then the face mode of triangles,
// P2 triangles, quadrilaterals and Q2 quadrilaterals, "Vol Pref" the face mode of the volume
// kinds; "Show Vol" sets or clears the scene's volume display mode; "Show Sol" 64 turns the
// colour map of field 0 on (scene bit 0x20, active field 0, time shown, the colour-map flag of
// every edge, face and volume record), else only hides the time. Rebuilds nothing. Nothing for
// a null scene or one without display mesh. Installed as the scene's display-preferences hook.
void zelApplyDisplayPreferences(ZelScene *scene);
