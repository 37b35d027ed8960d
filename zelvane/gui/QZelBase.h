// The base of every panel, editing tool and preference page, and of the shell's own windows
// that know a scene (Window, ZelTerm, ZelBottom).
//
// ZelBase is the plain data part: the scene of the main window, the sequence server, the main
// window's number (every object name of the panel's widgets carries it) and a function
// interface for the mesh-library calls the panel makes. QZelBase adds the widget and four
// virtual operations the framework calls:
//   zelUpdate      refresh the widgets from the scene (after picks, keys, state loads, replays)
//   zelInit        initialise the panel
//   connectButton  connect the panel's widget signals to its slots
//   draw           draw the panel's overlay into the view's current GL context
// Each default prints "  warning: virtual function <name> not implemented   " on standard
// output; draw prints it only when the panel has a view, else does nothing.
//
// Three constructor forms: the default (preference pages: no scene, server or id), the panel
// form (no parent: the tool box that receives the panel becomes its parent) and the tool form
// (with the view it draws into and a parent). Panels hold the scene and the server without
// owning them. GUI thread only.
#pragma once

#include <QWidget>

#include "common/base/FunctionInterface.h"

class GLWidget;
class ZelSequenceServer;
typedef struct Zel_Scene ZelScene;

struct ZelBase {
  ZelScene *scene = nullptr;
  ZelSequenceServer *server = nullptr;
  int id = 0;
  // Named "BASE" on the scene's memory list and pools; filled only when a scene is given.
  Function_Interface fi{};

  ZelBase() = default;
  ZelBase(ZelScene *scene, ZelSequenceServer *server, int id);
};

class QZelBase : public QWidget, public ZelBase {
  Q_OBJECT

 public:
  QZelBase();
  QZelBase(ZelScene *scene, ZelSequenceServer *server, int id);
  QZelBase(ZelScene *scene, ZelSequenceServer *server, int id, GLWidget *view, QWidget *parent);

  virtual void zelUpdate();
  virtual void zelInit();
  virtual void connectButton();
  virtual void draw();

  // The view a tool draws into; null for panels and pages.
  GLWidget *glView() const { return view_; }

 protected:
  // The default line of an operation a class does not override:
  // "  warning: virtual function <name> not implemented   " on standard output.
  static void notImplemented(const char *name);

  GLWidget *view_ = nullptr;
};
