// The shell tests' environment, viewers, message log and generated files.
#include "tests/gui/GuiFixture.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>
#include <cstdio>
#include <cstdlib>

#include <unistd.h>

#include "common/base/Clock.h"
#include "common/base/CommonOptions.h"
#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/load/MeshWriter.h"
#include "common/model/Mesh.h"
#include "common/pool/MthParallel.h"
#include "resources/ZelResources.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelStartup.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/sample/ZelSample.h"
#include "zelvane/scene/ZelOptions.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/tools/ZelInstallTools.h"

namespace {

QTemporaryDir &runFolder() {
  static QTemporaryDir dir;
  return dir;
}

// Once for the program: the settings store in the run's folder (also for the programs the
// tests start), every hook table, the toolkit of bitmap fonts and the images.
class ShellEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // No box waits for a click: dialogs cancel, messages are echoed.
    static ScriptedDialogs cancelAll;
    zelSetMessageSink([](const QString &text, QMessageBox::Icon, Qt::TextFormat) {
      fprintf(stderr, "  (box) %s\n", text.toLocal8Bit().constData());
    });
    const QString dir = runFolder().path() + "/settings";
    QDir().mkpath(dir);
    for (QSettings::Format f : {QSettings::NativeFormat, QSettings::IniFormat})
      QSettings::setPath(f, QSettings::UserScope, dir);
    qputenv("XDG_CONFIG_HOME", dir.toLocal8Bit());
    zelInstallAllHooks();
    zelInitGlut();
    zelInitResources();
  }
  void TearDown() override { zelExitGlut(); }
};
const auto *const environment = ::testing::AddGlobalTestEnvironment(new ShellEnvironment);

}  // namespace

std::string runDir() { return runFolder().path().toStdString(); }

std::string dataDir() {
  static const std::string dir = [] {
    const std::string d = runDir() + "/data";
    QDir().mkpath(QString::fromStdString(d));
    Memory_List *mem = NewMemory(100);
    Function_Interface fi;
    DefaultFunInterface(&fi, mem, nullptr, "TEST");
    Geometric_Mesh *box = zelMakeSampleBox(mem, 6);
    zelWriteSample(&fi, (d + "/sample.meshb").c_str(), (d + "/sample.solb").c_str(), box);
    zelWriteSample(&fi, (d + "/wing.meshb").c_str(), nullptr, box);
    FreeCommonMesh(mem, box);
    Geometric_Mesh *grid = MakeStructuredMesh(mem, 4, 3, 1, GEN_TRI | GEN_EFR);
    WriteMesh(&fi, (d + "/edges.meshb").c_str(), grid);
    FreeCommonMesh(mem, grid);
    FreeMemory(mem);
    return d;
  }();
  return dir;
}

std::string dataFile(const char *name) { return dataDir() + "/" + name; }

QString buildProgram(const char *name) { return QString(ZELVANE_BIN_DIR "/") + name; }

QImage readXwd(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QImage();
  const QByteArray d = f.readAll();
  if (d.size() < 100) return QImage();
  auto word = [&](int i) { return qFromBigEndian<quint32>(reinterpret_cast<const uchar *>(d.constData()) + 4 * i); };
  const quint32 headerSize = word(0), width = word(4), height = word(5), byteOrder = word(7), bits = word(11),
                perLine = word(12), colours = word(19);
  const qint64 start = qint64(headerSize) + 12 * qint64(colours);
  if (bits != 32 || width > 8192 || height > 8192 || start + qint64(perLine) * height > d.size()) return QImage();
  QImage img(int(width), int(height), QImage::Format_RGB32);
  for (quint32 y = 0; y < height; y++) {
    const uchar *line = reinterpret_cast<const uchar *>(d.constData()) + start + qint64(perLine) * y;
    for (quint32 x = 0; x < width; x++) {
      const quint32 p = byteOrder == 0 ? qFromLittleEndian<quint32>(line + 4 * x) : qFromBigEndian<quint32>(line + 4 * x);
      img.setPixel(int(x), int(y), p | 0xff000000u);
    }
  }
  return img;
}

int startXvfb(QProcess &xvfb, const QStringList &args) {
  // -displayfd 1: the number comes on standard output when the server is ready. -noreset:
  // the server would reset when its last client leaves and drop one that connects meanwhile.
  xvfb.start("Xvfb", QStringList{"-displayfd", "1", "-nolisten", "tcp", "-noreset"} + args);
  if (!xvfb.waitForStarted()) return -1;
  QByteArray out;
  QElapsedTimer clock;
  clock.start();
  while (!out.contains('\n') && clock.elapsed() < 60000 && xvfb.state() == QProcess::Running) {
    xvfb.waitForReadyRead(500);
    out += xvfb.readAllStandardOutput();
  }
  bool ok = false;
  const int n = out.trimmed().toInt(&ok);
  return ok ? n : -1;
}

void dragView(GLWidget *view, QPoint step) {
  const QPoint c(view->width() / 2, view->height() / 2);
  auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    QMouseEvent e(type, at, view->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(view, &e);
  };
  send(QEvent::MouseButtonPress, c, Qt::LeftButton);
  for (int k = 1; k <= 3; k++) send(QEvent::MouseMove, c + k * step, Qt::LeftButton);
  send(QEvent::MouseButtonRelease, c + 3 * step, Qt::NoButton);
}

void settle() {
  for (int i = 0; i < 5; i++) QCoreApplication::processEvents();
}

bool chooseInContextMenu(MainWindow *w, const QString &text) {
  bool chosen = false;
  int tries = 0;
  std::function<void()> choose = [&] {
    QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
    if (!menu) {
      if (++tries < 500) QTimer::singleShot(10, choose);
      return;
    }
    for (QAction *a : menu->actions())
      if (a->text() == text && a->isEnabled()) {
        menu->setActiveAction(a);
        QTest::keyClick(menu, Qt::Key_Return);
        chosen = true;
        return;
      }
    menu->close();
  };
  QTimer::singleShot(0, choose);
  const QPoint at(w->width() / 2, w->height() / 2);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, w->mapToGlobal(at));
  QApplication::sendEvent(w, &event);
  settle();
  return chosen;
}

// The volume neighbours of every window's mesh complete: the background pass reports its time
// on standard output, and that line must not land in what a test captures next.
void waitTopology(const Zelvane &app) {
  for (MainWindow *w : app.windows()) {
    const ZelScene *scene = w ? w->getScene() : nullptr;
    const Geometric_Mesh *msh = scene ? scene->Msh : nullptr;
    while (msh && msh->TopoThread && !TopoDoneLoad(msh)) usleep(1000);
  }
}

// ---- viewers

void Viewer::services() {
  mem = NewMemory(10000);
  pool = NewMthParallel(2, 1, 1);
  com = NewCommonOptions(mem, 56, 1, 1);
  opt = zelNewOptions(mem, com);
}

Viewer::Viewer(const std::vector<std::string> &args) {
  services();
  std::vector<std::string> words{"zelvane"};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (std::string &w : words) argv.push_back(&w[0]);
  zelParse(int(argv.size()), argv.data(), mem, opt);
  app.reset(new Zelvane(mem, pool, opt));
  settle();
  waitTopology(*app);
}

Viewer::Viewer(const std::function<Geometric_Mesh *(Memory_List *)> &make, int tessellation, double *plane) {
  services();
  app.reset(new Zelvane(mem, pool, make(mem), opt, 0, 0, tessellation, 0, nullptr, nullptr, nullptr, plane, 0, 0, 0,
                        0));
  settle();
  waitTopology(*app);
}

Viewer::~Viewer() {
  app.reset();
  zelFreeOptions(mem, opt);
  FreeCommonOptions(mem, com);
  FreeMthParallel(pool);
  FreeMemory(mem);
}

MainWindow *Viewer::window(int i) const { return app->windows().value(i); }
GLWidget *Viewer::view(int i) const { return window(i)->centralWindow()->view(); }
ZelScene *Viewer::scene(int i) const { return window(i)->getScene(); }

// ---- folders

WorkFolder::WorkFolder() : previous_(QDir::currentPath()) {
  static int made = 0;
  path = runDir() + "/work" + std::to_string(++made);
  QDir().mkpath(QString::fromStdString(path));
  QDir::setCurrent(QString::fromStdString(path));
}

WorkFolder::~WorkFolder() { QDir::setCurrent(previous_); }

void WorkFolder::copy(const char *generated, const std::string &name) const {
  QFile::copy(QString::fromStdString(dataFile(generated)), QString::fromStdString(file(name)));
}

// ---- dialogs and messages

ScriptedDialogs::ScriptedDialogs(std::vector<QStringList> a) : answers(std::move(a)), previous_(zelSetDialogs(this)) {}
ScriptedDialogs::~ScriptedDialogs() { zelSetDialogs(previous_); }

QStringList ScriptedDialogs::next(const QString &caption, const QString &dir, const QString &filter) {
  calls.push_back({caption, dir, filter});
  if (answers.empty()) return {};
  QStringList a = answers.front();
  answers.erase(answers.begin());
  return a;
}
QString ScriptedDialogs::openFileName(QWidget *, const QString &c, const QString &d, const QString &f) {
  return next(c, d, f).value(0);
}
QStringList ScriptedDialogs::openFileNames(QWidget *, const QString &c, const QString &d, const QString &f) {
  QStringList a = next(c, d, f);
  a.removeAll(QString());
  return a;
}
QString ScriptedDialogs::saveFileName(QWidget *, const QString &c, const QString &d, const QString &f) {
  return next(c, d, f).value(0);
}
QString ScriptedDialogs::text(QWidget *, const QString &title, const QString &label, const QString &, bool *ok) {
  const QStringList a = next(title, QString(), label);
  if (ok) *ok = !a.isEmpty();
  return a.value(0);
}
int ScriptedDialogs::execBox(QMessageBox &box) {
  calls.push_back({box.windowTitle(), QString(), box.text()});
  return 0;
}

// ---- messages

MessageLog::MessageLog() {
  previous_ = zelSetMessageSink(
      [this](const QString &text, QMessageBox::Icon icon, Qt::TextFormat format) { shown.push_back({text, icon, format}); });
}

MessageLog::~MessageLog() { zelSetMessageSink(previous_); }
