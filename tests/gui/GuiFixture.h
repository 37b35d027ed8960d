// Shared ground of the shell's tests: the settings store in a temporary folder, every hook
// table installed, the GL utility toolkit and the images; viewers built from a command line or
// from a mesh in memory; warnings recorded instead of shown; the generated mesh files; the
// programs of the build for tests that run them.
#pragma once

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QStringList>
#include <QString>
#include <QMessageBox>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "zelvane/gui/ZelDialogs.h"
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

// Answers the program's dialogs while it lives, in order: each file dialog takes the next
// name (an empty one cancels), a text box the next text (ok unless it is null), a modal box
// closes at once. Every call's caption and filter are kept. Outside of one, the tests' default
// provider cancels every dialog, so that no test waits on a box.
struct ScriptedDialogs : ZelDialogs {
  struct Call {
    QString caption, dir, filter;
  };
  std::vector<QStringList> answers;
  std::vector<Call> calls;
  ScriptedDialogs(std::vector<QStringList> answers = {});
  ~ScriptedDialogs() override;
  QString openFileName(QWidget *, const QString &caption, const QString &dir, const QString &filter) override;
  QStringList openFileNames(QWidget *, const QString &caption, const QString &dir, const QString &filter) override;
  QString saveFileName(QWidget *, const QString &caption, const QString &dir, const QString &filter) override;
  QString text(QWidget *, const QString &title, const QString &label, const QString &text, bool *ok) override;
  int execBox(QMessageBox &box) override;

 private:
  QStringList next(const QString &caption, const QString &dir, const QString &filter);
  ZelDialogs *previous_;
};

// A fresh folder under the run's folder, current while it lives (the previous one comes back).
struct WorkFolder {
  WorkFolder();
  ~WorkFolder();
  std::string path;
  std::string file(const std::string &name) const { return path + "/" + name; }
  // Copies a generated file (dataFile) in under another name.
  void copy(const char *generated, const std::string &name) const;

 private:
  QString previous_;
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

// The screen an Xvfb started with -fbdir keeps in its file (Xvfb_screen0): an XWD image of
// 32-bit pixels; a null image when the file is missing or not of that form.
QImage readXwd(const QString &path);
// Starts Xvfb with the given arguments (screen, frame-buffer folder...) on a display number
// the server picks itself, so tests running at once never share one; returns that number
// once the server accepts connections, -1 when it did not start.
int startXvfb(QProcess &xvfb, const QStringList &args);

// A left-button drag in the view: a press at its centre, three moves of `step` each, a release.
void dragView(GLWidget *view, QPoint step);

// Pumps the event loop until nothing is pending.
void settle();
// Right-clicks the window and chooses the entry with this text in the menu that opens, by the
// keyboard as a user does. False when the entry is missing or disabled (the menu then closes).
bool chooseInContextMenu(MainWindow *w, const QString &text);
// Waits until the volume neighbours of every window's mesh are complete (volume faces show
// only then).
void waitTopology(const Zelvane &app);
