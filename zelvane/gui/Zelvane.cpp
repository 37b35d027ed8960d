// The application object: windows per input, view and state files, links, the preferences
// window and the sequence given on the command line.
#include "zelvane/gui/Zelvane.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/base/CommonOptions.h"
#include "common/base/FunctionInterface.h"
#include "common/base/ShownName.h"
#include "common/model/Mesh.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/QZelBase.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelDialogs.h"
#include "zelvane/gui/ZelPageMakers.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelInput.h"
#include "zelvane/scene/ZelOptions.h"
#include "zelvane/scene/ZelPalette.h"
#include "zelvane/scene/ZelSavedState.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelView.h"

namespace {

// Columns are this wide, rows this far apart.
constexpr int TileWidth = 800, TileStep = 75;
// Raises of the tessellation level the embedding constructor makes at most.
constexpr int MaxTessellationRaises = 32;

QRect desktop() {
  const QScreen *screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
}

// The input names: the -in name first, then the further ones in order.
QList<char *> inputNames(const ZelvaneOptions *options) {
  QList<char *> names;
  const CommonOptions *com = options ? options->ComOpt : nullptr;
  if (!com) return names;
  if (com->InpNam) names.append(com->InpNam);
  for (const NameBucket *b = com->FilLstHead; b; b = b->Nxt) names.append(b->Nam);
  return names;
}

// Refreshes the tool windows of the main window registered under "" when a replay ends.
void refreshAfterReplay(QZelObject *object) {
  auto *mw = dynamic_cast<MainWindow *>(object);
  if (!mw) return;
  if (mw->visuTool()) mw->visuTool()->update();
  if (mw->solTool()) mw->solTool()->update();
}

}  // namespace

QPoint zelTilePosition(int count, int index, int width) {
  if (count == 1) return QPoint(std::max(0, width / 2 - 400), 160);
  // A desktop narrower than a column still gets one column.
  const int columns = std::max(1, width / TileWidth);
  return QPoint(((index - 1) % columns) * TileWidth, ((index - 1) / columns) * TileStep);
}

void Zelvane::begin() {
  QCoreApplication::setOrganizationName("Tavrel");
  QCoreApplication::setApplicationName("Zelvane");
  server_ = new ZelSequenceServer(1);
  server_->setReplayEndHook(refreshAfterReplay);
  // A replay that ends the program says in its status whether it did what it was asked.
  server_->setReplayExit([this](int) {
    endStatus_ = replayStatus();
    QCoreApplication::exit(endStatus_);
  });
  // Modal dialogs that do not come through zelDialogs() are cancelled as well while
  // unattended.
  if (QCoreApplication *app = QCoreApplication::instance()) app->installEventFilter(&guard_);
  previousUnattended_ = zelSetUnattended({[this] { return server_ && server_->unattended(); },
                                          [this](const QString &html) {
                                            MainWindow *w = replayWindow();
                                            if (w && w->centralWindow()) w->centralWindow()->printTerm(html);
                                          },
                                          [this] { failedSaves_++; }});
}

MainWindow *Zelvane::replayWindow() const {
  QObject *o = server_ ? dynamic_cast<QObject *>(server_->replayTarget()) : nullptr;
  while (o && !qobject_cast<MainWindow *>(o)) o = o->parent();
  if (auto *w = qobject_cast<MainWindow *>(o))
    if (windows_.contains(w)) return w;
  return windows_.isEmpty() ? nullptr : windows_.first();
}

Zelvane::Zelvane(Memory_List *memory, Common_MthParallel *pool, ZelvaneOptions *options)
    : options_(options), memory_(memory), pool_(pool) {
  begin();
  const QList<char *> names = inputNames(options_);
  const int n = names.size();
  if (n == 0) {
    if (options_) options_->ModuleMask = 19;
    zelOpenInNewWindow(1, 1, 0, nullptr, nullptr);
  }
  for (int i = 1; i <= n; i++) {
    inpNam_ = names[i - 1];
    if (options_) options_->ModuleMask = 19;
    zelOpenInNewWindow(n, i, 1, &inpNam_, i == 1 ? options_->ComOpt->SolNam : nullptr);
    if (endStatus_) return;
    loadViewAndState();
  }
  zelLinkScene();
  createPreferenceBox();
  startSequence();
}

int Zelvane::replayStatus() const {
  const std::string seq = options_ && options_->SeqNam ? ShownName(options_->SeqNam) : "the sequence";
  if (!server_->played()) {
    fprintf(stderr, "  ## ERROR: ZELVANE: EXITING WITH CODE %d: NO RECORD OF %s FOUND ITS WIDGET \n", ZelExitIncomplete,
            seq.c_str());
  } else if (failedSaves_) {
    fprintf(stderr, "  ## ERROR: ZELVANE: EXITING WITH CODE %d: %d REPLAYED SAVE%s OF %s FAILED \n", ZelExitIncomplete,
            failedSaves_, failedSaves_ > 1 ? "S" : "", seq.c_str());
  } else {
    return 1;
  }
  fflush(stderr);
  return ZelExitIncomplete;
}

void Zelvane::loadViewAndState() {
  if (!options_) return;
  // Views and states load the same way: the file read into each window's list, the list's
  // count raised once per item read, and a bottom-bar entry per item.
  struct Kind {
    char *&file;
    int (*load)(ZelScene *, const char *, bool named);
    int *(*count)(ZelScene *);
    void (MainWindow::*add)(int);
    const char *failure;
  };
  const Kind kinds[] = {
      {options_->ViewNam, [](ZelScene *s, const char *f, bool) { return zelLoadView(s, f); },
       [](ZelScene *s) { return &s->BakView->NbrView; }, &MainWindow::addNewView, "Impossible to load View File"},
      {options_->StateNam, zelLoadStateFromFile, [](ZelScene *s) { return &s->State->NbrState; },
       &MainWindow::addNewState, "Impossible to load State File"},
  };
  for (const Kind &kind : kinds) {
    for (MainWindow *w : windows_) {
      ZelScene *scene = w->getScene();
      if (!kind.file || !scene) continue;
      // What the file holds is said on standard error at its first load, into the first
      // window; every window's terminal says it each time.
      const int read = kind.load(scene, kind.file, windows_.size() == 1);
      if (read < 1) {
        // A file that cannot be read is left out for every window, said once; start-up goes
        // on without it.
        fprintf(stderr, "%s %s\n", kind.failure, ShownName(kind.file).c_str());
        fflush(stderr);
        std::free(kind.file);
        kind.file = nullptr;
        break;
      }
      for (int k = 0; k < read; k++) (w->*kind.add)(++*kind.count(scene));
    }
  }
}

// Loaded and started once for all windows: loading it per window would replay every record
// as many times as there are windows.
void Zelvane::startSequence() {
  if (!options_) return;
  const bool unattended = zelSeqReplayMode(options_) == 3;
  if (options_->SeqNam) server_->loadSequences(options_->SeqNam);
  if (server_->loaded().empty()) {
    // A run that is to end after its replay and has nothing to replay would wait for ever.
    if (!unattended) return;
    if (options_->SeqNam)
      fprintf(stderr, "  ## ERROR: ZELVANE: EXITING WITH CODE %d: NOTHING TO REPLAY IN %s \n", ZelExitUnattended,
              ShownName(options_->SeqNam).c_str());
    else
      fprintf(stderr, "  ## ERROR: ZELVANE: EXITING WITH CODE %d: -seq-exit WITHOUT A SEQUENCE TO REPLAY \n",
              ZelExitUnattended);
    fflush(stderr);
    endStatus_ = ZelExitUnattended;
    return;
  }
  // A replay may change the scenes before their first frame: the picking lists their first
  // build left waiting are made first, from the scenes as they were shown.
  for (MainWindow *w : windows_)
    if (ZelScene *scene = w->getScene()) zelBuildPendingPicking(scene);
  server_->execSequences(zelSeqReplayMode(options_));
}

Zelvane::Zelvane(Memory_List *memory, Common_MthParallel *pool, Geometric_Mesh *mesh, ZelvaneOptions *options,
                 int isoLines, int isoSurfaces, int tessellation, colormap_ colourMap, float (*colours)[3],
                 double *translation, double *angles, double *plane, int capping, int flag2048, int flag32,
                 int invertBackground)
    : options_(options), memory_(memory), pool_(pool) {
  begin();
  const int n = inputNames(options_).size();
  if (n == 0) {
    if (options_) options_->ModuleMask = 19;
    zelOpenMeshInNewWindow(1, 0, mesh, translation, angles, plane, capping, flag2048, flag32, invertBackground);
  }
  for (int i = 1; i <= n; i++) {
    if (options_) options_->ModuleMask = 19;
    zelOpenMeshInNewWindow(n, i, mesh, translation, angles, plane, capping, flag2048, flag32, invertBackground);
  }
  ZelScene *scene = windows_.isEmpty() ? nullptr : windows_.first()->getScene();
  if (mesh && scene) {
    if (scene->VieSol && scene->VieSol->NbrFld > 0) {
      ZelPalette &pal = scene->VieSol->ZelPal[0];
      pal.ColMap = colourMap;
      pal.Grey = colourMap == ZelMapGray;
      if (colourMap == 10) pal.UsrCol = colours;
    }
    if (!switch_colormap(scene, nullptr, nullptr)) printf("Warning: impossible to switch colormap\n");
    if (isoLines && !switch_isolines(scene, nullptr, nullptr)) printf("Warning: impossible to switch isolines\n");
    if (isoSurfaces && !switch_isosurfaces(scene, nullptr, nullptr))
      printf("Warning: impossible to switch isosurfaces\n");
    scene->RndSet = 1;
    for (int t = 0; t < tessellation; t++) {
      if (t == MaxTessellationRaises) {
        printf("Max tesselation reached\n");
        break;
      }
      if (!increase_tesselation(scene, nullptr)) printf("Warning: impossible to increase tesselation\n");
    }
  }
  zelLinkScene();
  createPreferenceBox();
}

Zelvane::~Zelvane() {
  zelSetUnattended(previousUnattended_);
  // The preferences window is a child of the first main window and goes with it.
  for (MainWindow *w : windows_) delete w;
  windows_.clear();
  delete server_;
}

void Zelvane::clearWidget() {
  options_ = nullptr;
  server_ = nullptr;
  memory_ = nullptr;
  pool_ = nullptr;
}

ZelTool *Zelvane::prefBox() const { return prefBox_.data(); }

int Zelvane::zelOpenInNewWindow(int count, int index, int argc, char **argv, char *solution) {
  auto *w = new MainWindow(this, index, zelTilePosition(count, index, desktop().width()));
  windows_.append(w);
  int status = 0;
  zelOpen(memory_, pool_, w, argc, argv, solution, &status);
  // An unattended run would replay on an empty window, or a part of the mesh, and make
  // pictures of nothing: it ends before its replay.
  if (zelSeqReplayMode(options_) == 3 && argc > 0 && (status & STATUS_MESH_UNREADABLE)) {
    fprintf(stderr, "  ## ERROR: ZELVANE: EXITING WITH CODE %d: CANNOT READ THE MESH %s \n", ZelExitUnattended,
            ShownName(argv[0]).c_str());
    fflush(stderr);
    endStatus_ = ZelExitUnattended;
  }
  return 1;
}

int Zelvane::zelOpenMeshInNewWindow(int count, int index, Geometric_Mesh *mesh, double *translation, double *angles,
                                    double *plane, int capping, int flag2048, int flag32, int invertBackground) {
  auto *w = new MainWindow(this, index, zelTilePosition(count, index, desktop().width()));
  windows_.append(w);
  openMesh(memory_, pool_, w, mesh, translation, angles, plane, capping, flag2048, flag32, invertBackground);
  return 1;
}

void Zelvane::zelLinkScene() {
  for (int i = 0; i + 1 < windows_.size(); i++) {
    Window *a = windows_[i]->centralWindow(), *b = windows_[i + 1]->centralWindow();
    if (!a && !b) break;
    if (b) b->setFocus();
    if (a) a->setFocus();
    if (a && a->view() && b) a->view()->LinkGLWidget(b->view());
  }
}

void Zelvane::zelUnLinkScene(GLWidget *view) {
  if (view) view->unLinkGLWidget();
}

MainWindow *Zelvane::takeWindow(int i) {
  if (i < 0 || i >= windows_.size()) return nullptr;
  MainWindow *w = windows_.takeAt(i);
  if (Window *central = w->centralWindow()) zelUnLinkScene(central->view());
  return w;
}

void Zelvane::createPreferenceBox() {
  if (windows_.isEmpty()) return;
  const ZelPageArgs args{nullptr, nullptr, 0, nullptr, nullptr, nullptr, -1};
  const std::pair<ZelPage, const char *> rows[] = {
      {ZelPageGeneralPref, "General"}, {ZelPageMeshPref, "Mesh"}, {ZelPageTermPref, "Terminal"}};
  QList<std::pair<QZelBase *, const char *>> pages;
  QSize size(0, 0);
  for (const auto &row : rows)
    if (QZelBase *page = zelMakePage(row.first, args)) {
      pages.append({page, row.second});
      size = size.expandedTo(page->minimumSizeHint());
    }
  prefBox_ = new ZelTool(server_, QRect(0, desktop().height() / 3, size.width(), size.height()), "Preferences",
                         windows_.first());
  for (const auto &p : pages) prefBox_->addWidget(p.first, p.second, false);
}

void Zelvane::openPreferences() {
  if (prefBox_) prefBox_->setVisible(true);
}

int zelMessageBox(QApplication *, int, char **, const QString &text) {
  QMessageBox box;
  box.setWindowTitle("QMessageBox::warning()");
  box.setIcon(QMessageBox::Warning);
  box.setText(text);
  box.setStandardButtons(QMessageBox::NoButton);
  QPushButton *close = box.addButton("Close", QMessageBox::RejectRole);
  QPushButton *launch = box.addButton("Launch zelvane", QMessageBox::AcceptRole);
  box.setFocus();
  box.show();
  box.raise();
  zelDialogs().execBox(box);
  if (box.clickedButton() == launch) return 1;
  if (box.clickedButton() == close) return 0;
  printf("ERROR in zelMessageBox\n");
  return 0;
}
