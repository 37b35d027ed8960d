// The central window of a main window: the OpenGL view of the scene above the bottom bar,
// with the terminal docked between them or free in its own window. It owns the scene shown.
//
// The scene engine reaches the widgets only through the scene's window pointer, which points
// here (set by MainWindow::myShow): pterm writes into this window's terminal, and the five
// window bridges copy window geometry into and out of saved states and refresh the tool
// windows after a scene change (zelInstallShellHooks installs them, ZelShellHooks.h).
//
// Layout is driven by the main window's module mask (settings key "module", default 19):
// bit 1 terminal shown, 2 bottom bar shown, 16 terminal docked (clear: in its own window), 32
// in a saved state only: the window was maximised. GUI thread only.
#pragma once

#include <QSize>

#include "zelvane/gui/QZelBase.h"
#include "zelvane/record/QZelObject.h"

class QHBoxLayout;
class QVBoxLayout;
class MainWindow;
class ZelBottom;
class ZelTerm;
class ZelTermTool;
struct ZelStateBucket;

// Bits of the module mask.
enum : int { ZelModTerm = 0x1, ZelModBottom = 0x2, ZelModDocked = 0x10, ZelModMaximised = 0x20 };

class Window : public QZelBase, public QZelObject {
  Q_OBJECT

 public:
  // Builds the view (on an 8-sample context), the terminal, its window and the bottom bar.
  // parent: the owning main window (its layout takes this window). Not registered with the
  // server.
  Window(ZelSequenceServer *server, int index, QWidget *parent);
  ~Window() override;

  void createTerm();
  // Places the terminal and the bottom bar from a module mask; nothing without terminal or
  // terminal window.
  void readSettings(int mask);
  // Docks the terminal between the view and the bottom bar and hides its window.
  void insertTerm();
  // Hands the terminal to its window and shows it.
  void setTermToTool();
  // Gap between the view, a docked terminal and the bottom bar.
  static constexpr int LayoutGap = 10;
  // Applies the stored module mask, lays the window out again and returns the size its main
  // window's central area should take: the view, plus the docked visible terminal's height +
  // LayoutGap, plus the visible bottom bar's height + LayoutGap. (0, 0) without terminal or
  // terminal window.
  QSize myShow();
  // Shows `scene` here: the view, the bottom bar and the terminal take it (not freed: the
  // caller frees a scene it replaces).
  void setSceneAndBoxes(ZelScene *scene);
  ZelScene *getScene() const { return scene; }
  QVBoxLayout *getVLayout() const { return mainLayout_; }

  // Hook 15 and the toolkit's key handler: the key goes to the view.
  void keyPressEvent(QKeyEvent *event) override;
  void LinkWindow(Window *other);
  // The view's interactive image save (GLWidget::renderIntoPixmap).
  void saveImage();
  void setWindowName(const QByteArray &name);
  void addNewView(int n);
  void addNewState(int n);
  void remLastState();
  void connectBottom();
  // Empties the terminal and the bottom bar.
  void resetWindow();
  // Appends a formatted text to the terminal (no echo).
  void printTerm(const QString &text);
  // Shows field `field` (-1 none) and opens the solution tool window; warns when the main
  // window has none.
  void setSolution(int field);
  void clearWidget();

  int number() const { return number_; }
  MainWindow *mainWindow() const;
  GLWidget *view() const { return view_; }
  ZelTerm *term() const { return term_; }
  ZelTermTool *termTool() const { return termTool_; }
  ZelBottom *bottom() const { return bottom_; }

 private:
  int number_ = 0;
  QWidget *main_ = nullptr;
  GLWidget *view_ = nullptr;
  QWidget *container_ = nullptr;
  QHBoxLayout *viewLayout_ = nullptr;
  QVBoxLayout *mainLayout_ = nullptr;
  ZelBottom *bottom_ = nullptr;
  ZelTerm *term_ = nullptr;
  ZelTermTool *termTool_ = nullptr;
};

// Window bridges of the scene engine (each takes the scene's window pointer; nothing for
// null): the window words of a state saved or restored, and the refreshes after a change.
void zelSaveWindowStateBody(Window *window, ZelStateBucket *state);
void zelLoadWindowStateBody(Window *window, ZelStateBucket *state);
void zelUpdateWidgetStateBody(Window *window);
void zelUpdateQWidgetStateBody(Window *window);
void zelUpdateClipBoxBody(Window *window);
