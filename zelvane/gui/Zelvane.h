// The application object: one sequence server, one main window per input mesh, their links
// and the "Preferences" window.
//
// The normal constructor opens a window per input (one empty window without input) at its
// tiled place, loads the -view and -state files into every window opened so far after each
// new one (a file that cannot be read is left out, with one line), links consecutive views so
// that they turn together, builds the preferences window and finally loads and starts the
// -seq file once. The embedding constructor opens a mesh that
// a host program already holds, with display settings given as arguments. While a replay that
// ends the program runs, its messages go to standard error and to the terminal of the window
// the replay acts on instead of waiting in a box (ZelMessage.h), and its dialogs are cancelled
// (ZelDialogs.h). Such a run with a mesh it cannot read or nothing to replay does not start,
// and its end status says whether its replay did what it was asked (endStatus).
//
// Owned: the server and the main windows (deleted in creation order, then the server). Not
// owned: the options, memory list and pools. GUI thread only.
#pragma once

#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <string>

#include "zelvane/gui/ZelDialogs.h"
#include "zelvane/gui/ZelMessage.h"

class GLWidget;
class MainWindow;
class QApplication;
class ZelSequenceServer;
class ZelTool;
struct Common_MthParallel;
struct Geometric_Mesh;
struct Memory_List;
struct MeshRefusal;
typedef struct Zel_Options ZelvaneOptions;
typedef struct Zel_Scene ZelScene;

// Colour-map number of the solution display (10: the user table).
typedef int colormap_;

class Zelvane {
 public:
  Zelvane(Memory_List *memory, Common_MthParallel *pool, ZelvaneOptions *options);
  // mesh: shown in the first window (null: an empty window). isoLines, isoSurfaces: switch
  // them on when not 0; tessellation: that many raises of the curved elements' level, at most
  // 32; colourMap and colours (5 RGB rows, used with map 10): the first field's palette;
  // translation (3), angles (3, degrees), plane (a, b, c, d): the camera and a clip plane (a
  // plane with a zero normal is refused with a warning), each may be null; capping,
  // flag2048, flag32, invertBackground: 1 switches that display.
  Zelvane(Memory_List *memory, Common_MthParallel *pool, Geometric_Mesh *mesh, ZelvaneOptions *options,
          int isoLines, int isoSurfaces, int tessellation, colormap_ colourMap, float (*colours)[3],
          double *translation, double *angles, double *plane, int capping, int flag2048, int flag32,
          int invertBackground);
  ~Zelvane();
  Zelvane(const Zelvane &) = delete;
  Zelvane &operator=(const Zelvane &) = delete;

  // Window `index` of `count` at its tiled place, then zelOpen of the argc names. 1.
  int zelOpenInNewWindow(int count, int index, int argc, char **argv, char *solution);
  // The same place, then openMesh. 1.
  int zelOpenMeshInNewWindow(int count, int index, Geometric_Mesh *mesh, double *translation, double *angles,
                             double *plane, int capping, int flag2048, int flag32, int invertBackground);
  // Links the views of consecutive windows.
  void zelLinkScene();
  void zelUnLinkScene(GLWidget *view);
  // Takes window i out of the list, its view unlinked from the others; the caller deletes it.
  // Null for an index outside the list.
  MainWindow *takeWindow(int i);
  void createPreferenceBox();
  void openPreferences();
  void setLogFile() {}

  char *getInpNam() const { return inpNam_; }
  void setInpNam(char *name) { inpNam_ = name; }
  void clearWidget();
  ZelvaneOptions *options() const { return options_; }
  ZelSequenceServer *server() const { return server_; }
  const QList<MainWindow *> &windows() const { return windows_; }
  ZelTool *prefBox() const;
  // Before the event loop: 0 when it is to run; otherwise the program ends at once with this
  // status (an unattended run with a mesh it cannot read or nothing to replay,
  // ZelExitUnattended). After it: the status an unattended replay ended with (1, or
  // ZelExitIncomplete), 0 when none ended.
  int endStatus() const { return endStatus_; }

 private:
  void begin();
  // The -view and -state files loaded into every window so far. A file that cannot be read
  // is named in one line on standard error and left out from then on.
  void loadViewAndState();
  void startSequence();
  // The status of an unattended replay that ran to its end: 1, or ZelExitIncomplete with one
  // line on standard error when not one record found its widget or a replayed save failed.
  int replayStatus() const;
  // The window a message of an unattended replay concerns: the one holding what the replay
  // acts on, else the first; null without windows.
  MainWindow *replayWindow() const;

  ZelvaneOptions *options_ = nullptr;
  ZelSequenceServer *server_ = nullptr;
  QList<MainWindow *> windows_;
  Memory_List *memory_ = nullptr;
  Common_MthParallel *pool_ = nullptr;
  char *inpNam_ = nullptr;
  QPointer<ZelTool> prefBox_;
  ZelUnattended previousUnattended_;  // given back when the object goes
  ZelUnattendedGuard guard_;           // on the application while the object lives
  int endStatus_ = 0;
  int failedSaves_ = 0;  // saves that wrote nothing while unattended
};

// The status of an unattended run (-seq-exit) that cannot start: a command line refused, a
// mesh named on it that cannot be read, nothing to replay. A run that replays its sequence
// ends with 1. Each such end but a refused command line is said in one closing line on
// standard error, its status before anything else: "  ## ERROR: ZELVANE: EXITING WITH CODE
// <status>: <what>", so that no file name quoted in <what> can pass for the status.
constexpr int ZelExitUnattended = 2;
// The status of an unattended run whose replay ran to its end without doing what it was asked:
// a replayed save wrote nothing, or not one record found the widget it names.
constexpr int ZelExitIncomplete = 3;

// Top-left corner of window `index` (1-based) of `count` on a desktop `width` pixels wide: a
// lone window centred at y 160, else columns of 800 pixels (at least one) in rows 75 apart.
QPoint zelTilePosition(int count, int index, int width);

// The start-up warning box: "Close" gives 0, "Launch zelvane" 1.
int zelMessageBox(QApplication *app, int argc, char **argv, const QString &text);

// Opening a mesh into a window: loads the files into one mesh with its solution, builds the
// display mesh and the scene and shows it in the window (titled "[n] file", "Empty" when
// nothing was loaded). memory and pools may be null. Problems while loading are the loader's
// messages on the standard streams; no box is shown. *loadStatus, when given, receives the
// loader's status bits, STATUS_MESH_UNREADABLE among them when a mesh file was refused or no
// mesh could be made. Returns the new scene (owned by the window's central window).
ZelScene *zelOpen(Memory_List *memory, Common_MthParallel *pools, MainWindow *window, int count, char **names,
                  char *solution, int *loadStatus = nullptr);
// zelOpen in two steps, so that a window can keep its scene until a new mesh has loaded:
// reading the files into a new mesh, touching no window (null when no mesh could be made;
// *status: the loader's status bits, STATUS_FILE_UNREADABLE when a file or the solution was
// refused on the way, STATUS_MESH_UNREADABLE too when a mesh file was; *notices, when given,
// receives the loader's notices instead of standard output; *refused, when given, the first
// mesh file refused and why, MeshLoad.h), then the scene of that mesh (which it takes) shown
// in the window, whose terminal then shows the notices.
Geometric_Mesh *zelReadMeshFiles(Memory_List *memory, Common_MthParallel *pools, int count, char **names,
                                  char *solution, int *status, std::string *notices = nullptr,
                                  MeshRefusal *refused = nullptr);
ZelScene *zelShowMeshFiles(Memory_List *memory, Common_MthParallel *pools, MainWindow *window, Geometric_Mesh *mesh,
                           int status, int count, char **names, char *solution,
                           const std::string &notices = std::string());
// The same for a mesh already in memory (the scene takes it), with the embedding arguments.
ZelScene *openMesh(Memory_List *memory, Common_MthParallel *pools, MainWindow *window, Geometric_Mesh *mesh,
                   double *translation, double *angles, double *plane, int capping, int flag2048, int flag32,
                   int invertBackground);
