// The top-level window of one opened mesh.
//
// It holds the central Window (view, terminal, bottom bar), the menu bar with its 41 actions,
// a context menu, and the four tool windows built from the page makers (ZelPageMakers.h) when
// it shows a scene: "%1-Visualisation", "%1-Solution" (only with a solution, or once a solution
// command has given the mesh one), "%1-Information" and "%1-Modification", %1 the window title
// "[n] file".
//
// Recording: the window registers with the server under the empty name before it takes its
// object name "mainwindow:%1", so the first main window is the one found under "" (the end of
// a replay refreshes its tool windows); it reports its moves and resizes under its object
// name. Its actions are named with one leading character whose code is the window number, so
// the actions of different windows never share a name; six plain actions (lS, rS, recState,
// loadState, recView, loadView) are neither named nor recorded. The window unregisters itself
// when destroyed.
//
// Construction order: register, object name, central widget, position and size 800 x 800,
// the Window (with this window filtering its key presses), icon, actions, menus, focus.
// GUI thread only.
#pragma once

#include <QByteArray>
#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QString>
#include <QStringList>

#include "zelvane/gui/ZelCommandRules.h"
#include "zelvane/record/QZelObject.h"

class QMenu;
class QTimer;
class QZelAction;
class Window;
class Zelvane;
class ZelSequenceServer;
class ZelTool;
struct Common_MthParallel;
struct Memory_List;
typedef struct Zel_Scene ZelScene;

// The actions, in table order.
enum ZelAction : int {
  ActAboutZel, ActOpen, ActWriteMesh, ActSaveImage, ActOpenPref, ActClearTerm, ActSizeWin,
  ActVisModu, ActSolModu, ActInfModu, ActModModu, ActMaxView, ActConsView, ActBttnView,
  ActLoadSeq, ActPlaySeq, ActPlayStep, ActPlayRealTime, ActRecSeq, ActFlushSeq,
  ActSaveState, ActRecState, ActLoadState, ActSaveView, ActRecView, ActLoadView, ActShowHelp,
  ActAutoUpdate, ActUpdateMesh, ActSelectSol, ActCheckSol, ActCenter, ActMiniMesh, ActBigMesh,
  ActDrawNormals, ActDetectEdges, ActSwapEdges, ActChangeRef, ActAddVertexType, ActDelete,
  ActAnimateSol, ActCount
};

// The menus, in creation order (submenus after their menus).
enum ZelMenu : int {
  MenuFile, MenuEdit, MenuWindow, MenuTools, MenuLook, MenuSequences, MenuPlay, MenuSaveLoad, MenuState, MenuView,
  MenuHelp
};

// The context menu's enabled actions, from the scene: whether a pick exists, the kinds of the
// last two picks (0 when absent), the mini-mesh mode and bigMsh's current state.
struct ZelContextState {
  bool centre, mini, big, normals, detect, swap, change, addType, remove;
};
ZelContextState zelContextMenuState(int picks, int lastKind, int previousKind, bool miniMode, bool bigEnabled);

class MainWindow : public QMainWindow, public QZelObject {
  Q_OBJECT

 public:
  MainWindow(Zelvane *app, int index, QPoint position);
  ~MainWindow() override;

  // Titles the window "[index] file", hands the scene to the central window, builds the
  // display lists and the tool windows, sizes and shows the window and saves the first state.
  // The mesh takes its name from `file` (the name's bytes) when given, else from `name`: a
  // name that is no text in the locale keeps its bytes only the first way.
  void myShow(ZelScene *scene, const QString &name, const char *file = nullptr);
  void createVisuWidget(ZelScene *scene);
  void createSolWidget(ZelScene *scene);
  void createInfoWidget(ZelScene *scene);
  void createModifWidget(ZelScene *scene);
  void createWidget();
  // Deletes the four tool windows.
  void deleteTools();

  ZelScene *getScene() const;
  void setScene(ZelScene *scene);
  // The files the shown scene was read from and its solution file (empty: the files' own),
  // as zelOpen was given them, byte for byte; "Update Mesh" reads the same again. None for a
  // mesh handed over in memory.
  void setSource(const QList<QByteArray> &files, const QByteArray &solution);
  const QList<QByteArray> &sourceFiles() const { return sourceFiles_; }
  const QByteArray &sourceSolution() const { return sourceSolution_; }
  void clearWidget();
  void addNewView(int n);
  void addNewState(int n);
  void zelUpdateBottom();

  Zelvane *app() const { return app_; }
  ZelSequenceServer *server() const { return server_; }
  Window *centralWindow() const { return window_; }
  int index() const { return index_; }
  const QString &title() const { return title_; }
  int moduleMask() const { return module_; }
  void setModuleMask(int mask) { module_ = mask; }
  ZelTool *visuTool() const { return visuTool_; }
  ZelTool *solTool() const { return solTool_; }
  ZelTool *infoTool() const { return infoTool_; }
  ZelTool *modifTool() const { return modifTool_; }
  QZelAction *action(ZelAction a) const { return actions_[a]; }
  QMenu *menu(int i) const { return menus_[i]; }

  // The solution auto-update: stopped, and the modification time (nanoseconds since the
  // epoch) of the last solution it loaded, as read, 0 until one.
  bool autoStopped() const { return autoStopped_; }
  qint64 lastTime() const { return track_.LastTime; }
  QTimer *solutionTimer() const { return timer_; }
  // The number of the solution animateSol last loaded, as typed.
  const QString &solutionNumber() const { return solutionNumber_; }

  // Hooks of the recordable-object interface. Keys: Escape and "q" close the window, ">" and
  // "<" step to the next and previous mesh of a numbered series, Alt+F1 is the action's, every
  // other key goes to the view.
  void keyPressEvent(QKeyEvent *event) override;
  void zelResize(int width, int height) override;
  void zelMove(int dx, int dy) override;
  void zelSetWindowState(int state) override;

 public slots:
  // ---- commands (MainWindowCommands.cpp). Each needs a scene (and where it reads one, a
  // mesh) and otherwise does nothing; the tool-window commands warn instead. Dialogs and
  // boxes go through zelDialogs() and ZelMessage.
  void about();
  // Reads the chosen files into one mesh shown here (no memory list, no pools: the scene runs
  // serially); the old tool windows go at once, so that their recorded widgets unregister
  // before the new ones register. A cancelled dialog changes nothing.
  void open();
  void writeMesh();
  void saveImage();
  void openPreferences();
  void clearTerm();
  void openVisuMenu();
  void openSolMenu();
  void openInfoMenu();
  // The page of the action that sent it (the context menu's modification entries).
  void openModifMenu();
  void maximizeView();
  void setTerm();
  void setToolBar();
  void setWindowSize();
  void recSequence();
  void playSequence();
  void playSequenceByStep();
  // Replays in real time; "Play Sequence ended" when that replay ends.
  void playSequenceRealTime();
  void flushSequence();
  // Loads sequence files; "Play" is enabled once the server holds a record.
  void loadSequence();
  void saveCurState();
  void saveCurView();
  void saveViewsInFile();
  void loadViewsFromFile();
  void saveStatesInFile();
  void loadStatesFromFile();
  // Loads the states of one file into the scene and the bottom bar; the number loaded (0 with
  // the warning box).
  int loadStatesFromFile(const QString &filename);
  void displayHelp();
  // Reloads the mesh (name: that file, with its own solution; empty: the files and solution
  // the scene was read from, whatever their endings) keeping the camera and display options:
  // the current state is saved, carried with the saved states to the new scene in memory,
  // applied with what the new mesh's own kinds need to show (volumes alone are shown as
  // volumes) and dropped again. Across a change of dimension the new mesh is shown as opened,
  // with one line saying so; the saved states still come along. The new mesh is read while
  // the old scene stays: only a mesh read whole replaces it; otherwise one line, and the
  // window is as it was (mesh, camera, states, edits). The states are also written to
  // "<mesh>temp.state", never through a symbolic link (its name is made, not chosen, and
  // replays make it too); a folder that takes no file costs one line, not the view. Nothing
  // for a mesh that came from no file.
  void updateMesh();
  void updateMesh(const QString &name);
  void centerScene();
  void miniMesh();
  void bigMesh();
  void drawNormals();
  // The next or previous mesh of a numbered series in the current folder; false when none.
  bool nextMesh();
  bool prevMesh();

  // ---- solution commands (MainWindowSolution.cpp)
  // Starts or stops the 100 ms poll of "<mesh>_UpdSol.zelvane".
  void TimerSolUpdt();
  // One poll: a newer complete solution named by the control file is loaded; a missing
  // control file or an unreadable solution stops the polling.
  void autoUpdate();
  int updateSol(char *SolFile);
  void selectSol();
  void checkUpdateSol();
  void animateSol();

 protected:
  // However the window closes (Escape, "q", the window manager), its view leaves the chain of
  // linked views: a closed window neither turns with the others nor has its image saved
  // with theirs. The others stay linked to each other.
  void closeEvent(QCloseEvent *event) override;
  void contextMenuEvent(QContextMenuEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  void createActions();
  void createMenus();
  // Connects every action to its command and the timer to the poll.
  void connectActions();
  // A new scene read from the files (and the solution file, empty for the files' own) into
  // this window in place of the current one, after the terminal line (countLine: "NbrFil %d
  // Files %s", else the welcome line).
  ZelScene *reopen(Memory_List *memory, Common_MthParallel *pools, const QStringList &files, const QString &solution,
                   bool countLine);
  bool stepSeries(bool next);
  // Update Mesh of the given files and solution (empty: the files' own).
  void reload(const QList<QByteArray> &files, const QByteArray &solution);
  // Tool windows, terminal and bottom bar cleared, the scene freed.
  void dropScene();
  void stopAutoUpdate();
  // zel_updateSol of a file into the scene, by every solution command. A solution loaded onto
  // a mesh opened without one then gets what an opening with it gets (adoptSolution).
  int loadSolution(ZelScene *scene, const char *file, int64_t *readTime = nullptr);
  // loadSolution for a command given once (Select Solution, Check for new solution file, the
  // switch): the lines the loader writes on standard error about a file it refuses (its
  // reasons, then the refusal) show in the terminal as well, once each.
  int loadSolutionSaying(ZelScene *scene, const char *file);
  // The solution window, its menu entry and the bottom bar's fields, for a scene whose mesh
  // has just been given a solution; nothing when the window has its solution window already.
  void adoptSolution(ZelScene *scene);
  void replayEnded();
  // A tool window titled `title` holding the pages made for it; the rectangle comes from
  // the pages' sizes once they exist.
  ZelTool *newTool(const QString &title);

  Zelvane *app_ = nullptr;
  ZelSequenceServer *server_ = nullptr;
  QWidget *central_ = nullptr;
  Window *window_ = nullptr;
  int index_ = 0;
  int module_ = 19;
  ZelTool *visuTool_ = nullptr, *solTool_ = nullptr, *infoTool_ = nullptr, *modifTool_ = nullptr;
  // The tool windows the editing tools refresh after a change: the visualisation window.
  QList<ZelTool *> toolList_;
  QString title_ = "Untitled";
  QList<QByteArray> sourceFiles_;
  QByteArray sourceSolution_;
  QMenu *menus_[11] = {};
  QZelAction *actions_[ActCount] = {};
  QTimer *timer_ = nullptr;  // the solution auto-update timer
  bool autoStopped_ = true;
  ZelPollTrack track_;  // what the polls of the running auto-update keep
  bool realTimeReplay_ = false;  // a replay "Real time ..." started is running
  QString solutionNumber_;
};
