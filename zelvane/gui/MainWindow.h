// The top-level window of one opened mesh.
//
// It holds the central Window (view, terminal, bottom bar), the menu bar with its 41 actions,
// a context menu, and the four tool windows built from the page makers (ZelPageMakers.h) when
// it shows a scene: "%1-Visualisation", "%1-Solution" (only with a solution), "%1-Information"
// and "%1-Modification", %1 the window title "[n] file".
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

#include <QList>
#include <QMainWindow>
#include <QPoint>
#include <QString>

#include "zelvane/record/QZelObject.h"

class QMenu;
class QTimer;
class QZelAction;
class Window;
class Zelvane;
class ZelSequenceServer;
class ZelTool;
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
  void myShow(ZelScene *scene, const QString &name);
  void createVisuWidget(ZelScene *scene);
  void createSolWidget(ZelScene *scene);
  void createInfoWidget(ZelScene *scene);
  void createModifWidget(ZelScene *scene);
  void createWidget();
  // Deletes the four tool windows.
  void deleteTools();

  ZelScene *getScene() const;
  void setScene(ZelScene *scene);
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

  // Hooks of the recordable-object interface.
  void keyPressEvent(QKeyEvent *event) override;
  void zelResize(int width, int height) override;
  void zelMove(int dx, int dy) override;
  void zelSetWindowState(int state) override;

 protected:
  void contextMenuEvent(QContextMenuEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;
  void moveEvent(QMoveEvent *event) override;
  void resizeEvent(QResizeEvent *event) override;

 private:
  void createActions();
  void createMenus();
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
  QMenu *menus_[11] = {};
  QZelAction *actions_[ActCount] = {};
  QTimer *timer_ = nullptr;  // the solution auto-update timer
};
