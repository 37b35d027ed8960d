// The one table through which the scene engine calls the layers above it.
//
// The scene engine knows neither windows nor list builders nor panels: it calls the names
// below, each a thin forwarder to one slot of the table. The higher side writes the bodies
// under file-local names and installs them once at start-up, before any scene exists:
// zelInstallShellHooks() (gui), zelInstallListHooks() (lists), zelInstallPanelHooks()
// (panels). An empty slot makes its forwarder do nothing and return 0. A body receives the
// arguments as given, null windows included, and answers for them itself.
//
// Installing happens on the GUI thread before scenes exist; every call comes from the GUI
// thread, with the scene's GL context current where a builder draws.
#pragma once

#include <cstdint>

struct Function_Interface;
struct ZelEntDisplayList;
struct ZelStateBucket;
typedef struct Zel_Scene ZelScene;

// Rebuild mask of the list builders (which lists to compile) and selection mask of their
// direct-draw entries.
typedef uint32_t ZelListMask;

typedef int (*ZelListHook)(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);

enum : int { ZelHookKinds = 50 };  // builder slots, indexed by element kind code

struct ZelHooks {
  // Shell: the window layer. Windows are opaque.
  void (*term)(void *window, const char *html);      // show and echo one formatted text
  void (*termText)(void *window, const char *text);  // show one plain text as text, echo it unchanged
  void (*makeCurrent)(void *window);
  void (*updateWidgetState)(void *window);
  void (*updateQWidgetState)(void *window);
  void (*updateClipBox)(void *window);
  void (*updateGlScene)(ZelScene *scene);
  void (*saveWindowState)(void *window, ZelStateBucket *bucket);
  void (*loadWindowState)(void *window, ZelStateBucket *bucket);
  // Lists: builders by kind code, and the clipping services.
  ZelListHook update[ZelHookKinds];
  ZelListHook directDraw[ZelHookKinds];
  int (*setPlaneClip)(Function_Interface *fi, ZelScene *scene, int plane);
  void (*setFrameClip)(ZelScene *scene, int plane);
  void (*setFrameBox)(ZelScene *scene, int plane);
  int (*setCapClip)(ZelScene *scene);
  // Panels.
  void (*displayPreferences)(ZelScene *scene);
};

// The table of the process; all slots empty until installed.
ZelHooks &zelHooks();

// Shell bridges.
// printf-style text, HTML allowed, formatted whole whatever its length and handed to the
// terminal of the window.
void pterm(void *window, const char *format, ...) __attribute__((format(printf, 2, 3)));
// printf-style plain text, formatted the same way and handed to the terminal of the window as
// text: every character shows as it is (a file name holding "<" or "&" is no markup), and the
// echo on standard output is the text unchanged. Every line that quotes a name goes this way.
void ptermText(void *window, const char *format, ...) __attribute__((format(printf, 2, 3)));
void zelMakeCurrent(void *window);
void zelUpdateWidgetState(void *window);
void zelUpdateQWidgetState(void *window);
void zelUpdateClipBox(void *window);
void updateGlScene(ZelScene *scene);
void zelSaveWindowState(void *window, ZelStateBucket *bucket);
void zelLoadWindowState(void *window, ZelStateBucket *bucket);

// Clipping services.
int zelSetPlaneClip(Function_Interface *fi, ZelScene *scene, int plane);
void zelSetFrameClip(ZelScene *scene, int plane);
void zelSetFrameBox(ZelScene *scene, int plane);
int zelSetCapClip(ZelScene *scene);

// Builders: the update entry and the direct-draw entry of a kind code (0 for a code without a
// slot or an empty one). The named entries below forward to them.
int zelUpdateList(int kind, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawList(int kind, ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);

int zelUpdateVerticesList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);        // 4
int zelUpdateBdyEdgeList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);         // 5
int zelUpdateTriangleList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);        // 6
int zelUpdateQuadrilateralList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);   // 7
int zelUpdateTetrahedronList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);     // 8
int zelUpdatePrismList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);           // 9
int zelUpdateHexahedronList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);      // 10
int zelUpdateNormalList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);          // 20
int zelUpdateP2TriangleList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);      // 24
int zelUpdateP2BdyEdgeList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);       // 25
int zelUpdateP2QuadrilateralList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record); // 27
int zelUpdateP2TetrahedronList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);   // 30
int zelUpdateP2HexahedronList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);    // 33
int zelUpdatePyramidList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);         // 49

int zelDirectDrawVerticesList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawBdyEdgeList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawTriangleList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawQuadrilateralList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawTetrahedronList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawPrismList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawHexahedronList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawNormalList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawP2TriangleList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawP2BdyEdgeList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawP2QuadrilateralList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawP2TetrahedronList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawP2HexahedronList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);
int zelDirectDrawPyramidList(ZelListMask mask, ZelScene *scene, ZelEntDisplayList *record);

// Panels: applies the stored display preferences to every display record of the scene.
void zelUpdateAllTypeDisplayListsOptions2(ZelScene *scene);
