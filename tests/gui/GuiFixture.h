// Shared ground of the shell's tests: the settings store in a temporary folder, every hook
// table installed, the GL utility toolkit and the images; viewers built from a command line or
// from a mesh in memory; warnings recorded instead of shown; the generated mesh files; the
// programs of the build for tests that run them.
#pragma once

#include <QString>
#include <QMessageBox>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zelvane/gui/ZelMessage.h"

class GLWidget;
class MainWindow;
class Zelvane;
struct Common_MthParallel;
struct CommonOptions;
struct Geometric_Mesh;
struct Memory_List;
typedef struct Zel_Options ZelvaneOptions;
typedef struct Zel_Scene ZelScene;

// The application object with its services, as the program's entry builds them.
struct Viewer {
  Memory_List *mem = nullptr;
  Common_MthParallel *pool = nullptr;
  CommonOptions *com = nullptr;
  ZelvaneOptions *opt = nullptr;
  std::unique_ptr<Zelvane> app;

  // args without the program name, as typed after "zelvane".
  explicit Viewer(const std::vector<std::string> &args);
  // The embedding form on the mesh `make` builds on the viewer's memory list (the scene takes
  // it): iso-lines and iso-surfaces off, no colour table, no camera arguments.
  Viewer(const std::function<Geometric_Mesh *(Memory_List *)> &make, int tessellation, double *plane = nullptr);
  ~Viewer();

  MainWindow *window(int i) const;
  GLWidget *view(int i) const;
  ZelScene *scene(int i) const;

 private:
  void services();
};

// Every ZelMessage shown while it lives: text, icon and format, in order.
struct MessageLog {
  struct Message {
    QString text;
    QMessageBox::Icon icon;
    Qt::TextFormat format;
  };
  std::vector<Message> shown;
  MessageLog();
  ~MessageLog();

 private:
  ZelMessageSink previous_;
};

// Generated files in the run's temporary folder (made once): "sample.meshb" and
// "sample.solb" (a 6-cell box of tetrahedra and its field), "edges.meshb" (a grid of triangles
// with its boundary edges, no solution), "wing.meshb" (the sample box again).
std::string dataDir();
std::string dataFile(const char *name);
// The run's temporary folder, which also holds the settings store.
std::string runDir();
// A program of the build tree ("zelvane", "zelvane-sample").
QString buildProgram(const char *name);

// Pumps the event loop until nothing is pending.
void settle();
