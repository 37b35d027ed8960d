// The table through which the panels and tools libraries give the shell their pages.
//
// The shell builds the tool windows of every main window (visualisation, solution,
// information, modification) and the application's "Preferences" window, but knows none of
// their pages: each page comes from one maker of this table, which the panels and tools
// libraries fill at start-up (zelInstallPanelHooks, zelInstallToolHooks), before the first
// window. A missing maker leaves its page out; with no maker at all the windows are empty
// containers. The bottom bar's "New Ref" input calls the tools' triangle-reference change
// through the same table; an empty slot does nothing.
//
// GUI thread only; filled once, before any window.
#pragma once

class GLWidget;
class QWidget;
class QZelBase;
class ZelSequenceServer;
class ZelTool;
template <typename T> class QList;
typedef struct Zel_Scene ZelScene;

// The pages, in the order their windows list them.
enum ZelPage : int {
  // "%1-Visualisation"
  ZelPageGeometry,      // "Geometry"
  ZelPageNormals,       // "Normals"
  ZelPageLines,         // "Lines"
  ZelPageSurfaces,      // "Surfaces"
  ZelPageVolumes,       // "Volumes"
  ZelPageClipPlanes,    // "Clip Planes"
  // "%1-Solution"
  ZelPageSelect,        // "Select Active Solution"
  ZelPageSolution,      // one per field, titled by the field's type
  // "%1-Information"
  ZelPageVerbosity,     // "Verbosity"
  ZelPageComputation,   // "Computation"
  // "%1-Modification"
  ZelPageAddVertexType, // "Add Vertex Type"
  ZelPageEdgeDetection, // "Edges Detection"
  ZelPageChangeRef,     // "Change References"
  ZelPageDelete,        // "Delete"
  ZelPageSwap,          // "Swap"
  // "Preferences"
  ZelPageGeneralPref,   // "General"
  ZelPageMeshPref,      // "Mesh"
  ZelPageTermPref,      // "Terminal"
  ZelPageCount
};

// What a maker is given. Preference pages get nulls and zeros.
struct ZelPageArgs {
  ZelSequenceServer *server;
  ZelScene *scene;
  int index;               // the main window's number (the panel's id)
  GLWidget *view;          // the main window's view (editing tools draw into it)
  QList<ZelTool *> *tools; // the main window's tool windows the editing tools refresh
  ZelTool *host;           // the tool window being built (editing tools keep it)
  int field;               // solution pages: the field index; else -1
};

// Builds one page; null leaves the page out. The shell adds the page to its box at once.
typedef QZelBase *(*ZelPageMaker)(const ZelPageArgs &args);

struct ZelPageMakers {
  ZelPageMaker make[ZelPageCount];
  // Changes the reference of the triangles around triangle `element` (the bottom bar's
  // "New Ref"); the result is not used.
  int (*chgRefTri)(ZelScene *scene, int element, int ref);
};

// The table of the process; every slot empty until installed.
ZelPageMakers &zelPageMakers();

// The page from its maker, or null when it has none.
QZelBase *zelMakePage(ZelPage page, const ZelPageArgs &args);
