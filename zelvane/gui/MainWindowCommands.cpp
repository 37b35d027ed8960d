// The main window's commands: opening, writing and reloading meshes, numbered series, layout,
// tool windows, sequences, saved views and states, keys and a few display toggles.
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QUrl>
#include <vector>
#include <cstdio>

#include "common/base/FunctionInterface.h"
#include "common/base/UserFile.h"
#include "common/load/FileNames.h"
#include "common/load/MeshLoad.h"
#include "common/load/MeshWriter.h"
#include "common/model/Mesh.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelBottom.h"
#include "zelvane/gui/ZelCommandRules.h"
#include "zelvane/gui/ZelDialogs.h"
#include "zelvane/gui/ZelMessage.h"
#include "zelvane/gui/ZelSaveWait.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/record/QZelAction.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelSavedState.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelState.h"
#include "zelvane/scene/ZelVisibility.h"

namespace {

using Slot = void (MainWindow::*)();

const std::pair<ZelAction, Slot> ActionSlots[] = {
    {ActAboutZel, &MainWindow::about},
    {ActOpen, &MainWindow::open},
    {ActWriteMesh, &MainWindow::writeMesh},
    {ActSaveImage, &MainWindow::saveImage},
    {ActOpenPref, &MainWindow::openPreferences},
    {ActClearTerm, &MainWindow::clearTerm},
    {ActSizeWin, &MainWindow::setWindowSize},
    {ActVisModu, &MainWindow::openVisuMenu},
    {ActSolModu, &MainWindow::openSolMenu},
    {ActInfModu, &MainWindow::openInfoMenu},
    {ActModModu, &MainWindow::openModifMenu},
    {ActMaxView, &MainWindow::maximizeView},
    {ActConsView, &MainWindow::setTerm},
    {ActBttnView, &MainWindow::setToolBar},
    {ActLoadSeq, &MainWindow::loadSequence},
    {ActPlaySeq, &MainWindow::playSequence},
    {ActPlayStep, &MainWindow::playSequenceByStep},
    {ActPlayRealTime, &MainWindow::playSequenceRealTime},
    {ActRecSeq, &MainWindow::recSequence},
    {ActFlushSeq, &MainWindow::flushSequence},
    {ActSaveState, &MainWindow::saveCurState},
    {ActRecState, &MainWindow::saveStatesInFile},
    {ActLoadState, static_cast<Slot>(&MainWindow::loadStatesFromFile)},
    {ActSaveView, &MainWindow::saveCurView},
    {ActRecView, &MainWindow::saveViewsInFile},
    {ActLoadView, &MainWindow::loadViewsFromFile},
    {ActShowHelp, &MainWindow::displayHelp},
    {ActAutoUpdate, &MainWindow::TimerSolUpdt},
    {ActUpdateMesh, static_cast<Slot>(&MainWindow::updateMesh)},
    {ActSelectSol, &MainWindow::selectSol},
    {ActCheckSol, &MainWindow::checkUpdateSol},
    {ActCenter, &MainWindow::centerScene},
    {ActMiniMesh, &MainWindow::miniMesh},
    {ActBigMesh, &MainWindow::bigMesh},
    {ActDrawNormals, &MainWindow::drawNormals},
    {ActDetectEdges, &MainWindow::openModifMenu},
    {ActSwapEdges, &MainWindow::openModifMenu},
    {ActChangeRef, &MainWindow::openModifMenu},
    {ActAddVertexType, &MainWindow::openModifMenu},
    {ActDelete, &MainWindow::openModifMenu},
    {ActAnimateSol, &MainWindow::animateSol},
};

// The page of the modification window each context-menu entry opens.
const std::pair<ZelAction, int> ModifPage[] = {
    {ActAddVertexType, 0}, {ActDetectEdges, 1}, {ActChangeRef, 2}, {ActDelete, 3}, {ActSwapEdges, 4}};

QString currentDir() { return QDir::current().absolutePath(); }

void warn(const char *text) { ZelMessage(text, QMessageBox::Warning, Qt::PlainText); }

// Writes the scene's states to temp ("<mesh>temp.state", which scripts may look for); empty
// when written, else why not.
QByteArray writeStateCopy(ZelScene *scene, const QByteArray &temp) {
  ClearUserFileWriteReason();
  ZelSavingFor saving(scene->Win);
  // Its name is made, not chosen, and a replay makes it too: never through a link.
  if (zelSaveStateInFile(scene, temp.constData(), UserFileNoFollow | UserFileQuiet)) return QByteArray();
  const char *why = UserFileWriteReason();
  return why ? QByteArray(why) : QByteArray("the file was not written");
}

void showTool(ZelTool *tool) {
  tool->showNormal();
  tool->setVisible(true);
  tool->raise();
}

}  // namespace

void MainWindow::connectActions() {
  for (const auto &row : ActionSlots) connect(actions_[row.first], &QAction::triggered, this, row.second);
  connect(timer_, &QTimer::timeout, this, &MainWindow::autoUpdate);
  if (server_) connect(server_, &ZelSequenceServer::replayFinished, this, &MainWindow::replayEnded);
}

// ---- meshes

void MainWindow::dropScene() {
  // The old tool windows go now: their recorded widgets leave the server before the new
  // panels take the same names.
  deleteTools();
  if (ZelScene *old = getScene()) {
    window_->resetWindow();
    // Nothing may paint the old scene while it is freed.
    window_->scene = nullptr;
    window_->view()->setScene(nullptr);
    window_->bottom()->scene = nullptr;
    window_->term()->scene = nullptr;
    zelFreeScene(old->Mem, old);
  }
}

ZelScene *MainWindow::reopen(Memory_List *memory, Common_MthParallel *pools, const QStringList &files,
                             const QString &solution, bool countLine) {
  dropScene();
  std::vector<QByteArray> bytes;
  std::vector<char *> names;
  for (const QString &f : files) bytes.push_back(f.toLocal8Bit());
  for (QByteArray &b : bytes) names.push_back(b.data());
  if (countLine)
    ptermText(window_, "NbrFil %d Files %s\n", int(names.size()), ShownName(names.empty() ? "" : names[0]).c_str());
  else
    zelTermWelcome(window_);
  QByteArray sol = solution.toLocal8Bit();
  // zelOpen shows the new scene here (myShow); the bottom bar only needs its connections.
  ZelScene *scene = zelOpen(memory, pools, this, int(names.size()), names.data(),
                            solution.isEmpty() ? nullptr : sol.data());
  window_->connectBottom();
  return scene;
}

void MainWindow::open() {
  if (!window_) return;
  const QPoint at = geometry().topLeft();  // below a window manager's title bar
  const QStringList chosen = zelDialogs().openFileNames(this, tr("Select one or more files to open"), currentDir(),
                                                        tr("Mesh (*.mesh *.meshb)"));
  if (chosen.isEmpty()) return;
  QStringList files;
  for (const QString &f : chosen) files << QFileInfo(f).absoluteFilePath();
  reopen(nullptr, nullptr, files, QString(), true);
  setGeometry(at.x(), at.y(), width(), height());
}

void MainWindow::writeMesh() {
  ZelScene *scene = getScene();
  if (!scene || !scene->Msh) return;
  const QString name = zelDialogs().saveFileName(this, tr("Save Mesh"), currentDir(), tr("Mesh (*.mesh *.meshb)"));
  if (name.isEmpty()) return;
  Function_Interface fi;
  DefaultFunInterface(&fi, scene->Mem, scene->Par, "WRITE");
  ClearUserFileWriteReason();
  ZelSavingFor saving(window_);
  // Only a mesh that reached the disk whole is announced as written.
  if (WriteMesh(&fi, QFile::encodeName(name).constData(), scene->Msh))
    window_->printTerm(zelTermHtml("  Write " + zelShownName(name)));
  else
    zelWarnWriteFailed(name);
}

void MainWindow::updateMesh() { reload(sourceFiles_, sourceSolution_); }

void MainWindow::updateMesh(const QString &name) {
  if (name.isEmpty())
    reload(sourceFiles_, sourceSolution_);
  else
    reload({QFile::encodeName(name)}, QByteArray());
}

void MainWindow::reload(const QList<QByteArray> &sources, const QByteArray &sourceSolution) {
  ZelScene *scene = getScene();
  if (!scene || !scene->Msh || sources.isEmpty()) return;
  // Copies: the new scene's own sources replace the window's.
  QList<QByteArray> files = sources;
  QByteArray solution = sourceSolution;
  std::vector<char *> names;
  for (QByteArray &f : files) names.push_back(f.data());
  Memory_List *memory = scene->Mem;
  Common_MthParallel *pools = scene->Par;
  // The mesh's own name, byte for byte, whatever the locale makes of it as text.
  const QByteArray temp = QByteArray(scene->Msh->MshNam) + "temp.state";
  const int k = zelSaveState(scene);
  QByteArray unwritten;
  if (k > 0) {
    window_->addNewState(k);
    unwritten = writeStateCopy(scene, temp);
  }
  // Read while the old scene stays: a mesh file cut short, or being rewritten, leaves the
  // window as it was instead of empty. A solution refused does not: the mesh read whole shows
  // without it, as an opening shows it, with the line that says why.
  int status = 0;
  std::string notices;
  MeshRefusal refused;
  Geometric_Mesh *mesh =
      zelReadMeshFiles(memory, pools, int(names.size()), names.data(), solution.isEmpty() ? nullptr : solution.data(),
                       &status, &notices, &refused);
  if (!mesh || (status & STATUS_MESH_UNREADABLE)) {
    if (mesh) FreeCommonMesh(memory, mesh);
    if (k > 0) {
      zelRemoveLastState(scene);
      window_->remLastState();
    }
    // After the loader's own lines on standard error: which file, and why, in the terminal too.
    const std::string line = "  Update Mesh: " + ShownName(refused.File.empty() ? names[0] : refused.File.c_str()) +
                             " was not read whole (" +
                             (refused.Why != MeshTaken ? MeshWhyWords(refused.Why) : "NOT READ") +
                             "); the window keeps the mesh it shows\n";
    ptermText(window_, "%s", line.c_str());
    fputs(line.c_str(), stderr);
    fflush(stderr);
    return;
  }
  // A camera of the other dimension would show the new mesh edge-on or from a side it has not.
  const int before = scene->Msh->Dim == 2 ? 2 : 3, after = mesh->Dim == 2 ? 2 : 3;
  // The states go across in memory, whatever the folder lets be written.
  ZelStateList *carried = zelTakeStates(scene, 1);
  dropScene();
  zelTermWelcome(window_);
  // zelShowMeshFiles shows the new scene here (myShow); the bottom bar only needs its
  // connections.
  ZelScene *fresh = zelShowMeshFiles(memory, pools, this, mesh, status, int(names.size()), names.data(),
                                     solution.isEmpty() ? nullptr : solution.data(), notices);
  window_->connectBottom();
  // Said once the new scene shows: the old terminal's text went with the old scene.
  if (!unwritten.isEmpty())
    ptermText(window_, "  Update Mesh: %s not written (%s); the states are carried in memory\n",
              ShownName(temp.constData()).c_str(), unwritten.constData());
  if (!fresh || !fresh->State) {
    zelFreeState(memory, carried);
    return;
  }
  const int n = zelPutStates(fresh, carried);
  for (int i = 0; i < n; i++) window_->addNewState(++fresh->State->NbrState);
  // Without the state saved above (a full list) the new scene keeps its own first look.
  if (k <= 0 || n != k - 1) return;
  if (before == after) {
    zelApplyCarriedState(fresh, fresh->State->NbrState - 1);
    updateGlScene(fresh);
  } else {
    pterm(window_, "  Update Mesh: the new mesh is %d-D, the one shown was %d-D: the view was not carried\n", after,
          before);
  }
  zelRemoveLastState(fresh);
  window_->remLastState();
}

bool MainWindow::stepSeries(bool next) {
  ZelScene *scene = getScene();
  if (!scene || !scene->Msh) return false;
  // Dots of the folders are not the series' parts: only the file name is split.
  const QString base = QFileInfo(QString::fromLocal8Bit(scene->Msh->MshNam)).fileName();
  bool numbered = false;
  const QString file = zelSeriesNeighbour(base, QDir::current().entryList(QDir::Files, QDir::Unsorted), next,
                                          &numbered);
  if (file.isEmpty()) {
    printf("  ** next mesh : no file number found in input string \n");
    return false;
  }
  updateMesh(file);
  return true;
}

bool MainWindow::nextMesh() { return stepSeries(true); }
bool MainWindow::prevMesh() { return stepSeries(false); }

// ---- keys

void MainWindow::keyPressEvent(QKeyEvent *event) {
  const QString s = event->text();
  GLWidget *view = window_ ? window_->view() : nullptr;
  if (event->key() == Qt::Key_Escape || s == "q") {
    close();
  } else if (s == ">") {
    nextMesh();
  } else if (s == "<") {
    prevMesh();
  } else if (s == "V") {
    if (view) view->keyPressEvent(event);
  } else if (event->key() == Qt::Key_F1 && event->modifiers() == Qt::AltModifier) {
    // The visualisation action's shortcut.
  } else if (window_) {
    window_->keyPressEvent(event);
  }
}

void MainWindow::closeEvent(QCloseEvent *event) {
  QMainWindow::closeEvent(event);
  if (!event->isAccepted() || !window_) return;
  if (GLWidget *view = window_->view()) view->unLinkGLWidget();
}

void MainWindow::centerScene() {
  QKeyEvent key(QEvent::KeyPress, Qt::Key_V, Qt::ShiftModifier, "V");
  keyPressEvent(&key);
}

// ---- layout

void MainWindow::setWindowSize() {
  ZelScene *scene = getScene();
  if (!scene || !scene->opt) return;
  GLWidget *view = window_->view();
  bool ok = false;
  const QString answer = zelDialogs().text(this, tr("Window Size"), tr("Enter size:"),
                                           QString("%1 x %2").arg(view->width()).arg(view->height()), &ok);
  int w = 0, h = 0;
  if (!ok || !zelParseWindowSize(answer, &w, &h)) return;
  int height = h;
  if ((module_ & ZelModDocked) && !window_->term()->isHidden()) height += window_->term()->height() + Window::LayoutGap;
  if (!window_->bottom()->isHidden()) height += window_->bottom()->height() + Window::LayoutGap;
  // The menu bar (and any frame of the central area) comes on top, as when a state is
  // restored: without it the view would run under the terminal by the menu bar's height.
  int width = w;
  if (const QWidget *central = centralWidget()) {
    width += this->width() - central->width();
    height += this->height() - central->height();
  }
  resize(width, height);
  view->resize(w, h);
}

void MainWindow::maximizeView() {
  if (!window_) return;
  const bool show = (module_ & (ZelModTerm | ZelModBottom)) != (ZelModTerm | ZelModBottom);
  window_->term()->setVisible(show);
  window_->bottom()->setVisible(show);
  actions_[ActMaxView]->setText(show ? tr("Maximize view") : tr("Minimize view"));
  module_ = show ? module_ | ZelModTerm | ZelModBottom : module_ & ~(ZelModTerm | ZelModBottom);
}

void MainWindow::setTerm() {
  if (!window_) return;
  module_ |= ZelModDocked;
  const bool show = !(module_ & ZelModTerm);
  window_->term()->setVisible(show);
  module_ = show ? module_ | ZelModTerm : module_ & ~ZelModTerm;
  actions_[ActMaxView]->setText((module_ & (ZelModTerm | ZelModBottom)) ? tr("Maximize view") : tr("Minimize view"));
}

void MainWindow::setToolBar() {
  if (!window_) return;
  const bool show = window_->bottom()->isHidden();
  window_->bottom()->setVisible(show);
  module_ = show ? module_ | ZelModBottom : module_ & ~ZelModBottom;
  const bool both = !window_->term()->isHidden() && !window_->bottom()->isHidden();
  actions_[ActMaxView]->setText(both ? tr("Minimize view") : tr("Maximize view"));
}

void MainWindow::clearTerm() {
  if (window_) window_->term()->clear();
}

void MainWindow::saveImage() {
  if (window_) window_->saveImage();
}

// ---- tool windows

void MainWindow::openVisuMenu() {
  if (visuTool_ && actions_[ActVisModu]->isEnabled())
    showTool(visuTool_);
  else
    warn("Menu Visualisation Option not created");
}

void MainWindow::openSolMenu() {
  if (solTool_ && actions_[ActSolModu]->isEnabled()) {
    solTool_->showNormal();
    solTool_->setVisible(true);
    solTool_->update();
    solTool_->raise();
  } else {
    warn("Menu Solution Option not created");
  }
}

void MainWindow::openInfoMenu() {
  if (infoTool_)
    showTool(infoTool_);
  else
    warn("Menu Information Option not created");
}

void MainWindow::openModifMenu() {
  if (!modifTool_) {
    warn("Menu Modification Option not created");
    return;
  }
  for (const auto &row : ModifPage)
    if (sender() == actions_[row.first]) modifTool_->setVisibleBox(row.second, true);
  showTool(modifTool_);
}

void MainWindow::openPreferences() {
  if (app_) app_->openPreferences();
}

// ---- sequences

void MainWindow::loadSequence() {
  if (!server_) return;
  const QStringList files = zelDialogs().openFileNames(this, tr("Select one or more files to open"), currentDir(),
                                                       tr("Zelvane Sequences (*.seq)"));
  for (const QString &f : files) server_->loadSequences(f.toLocal8Bit().constData());
  if (!server_->loaded().empty()) menus_[MenuPlay]->setEnabled(true);
}

void MainWindow::recSequence() {
  if (!server_) return;
  const QString name = zelDialogs().saveFileName(this, tr("Choose a file name"), ".", tr("(*.seq)"));
  if (name.isEmpty()) return;
  ClearUserFileWriteReason();
  ZelSavingFor saving(window_);
  if (!server_->saveSequences(QFile::encodeName(name).constData())) zelWarnWriteFailed(name);
}

void MainWindow::playSequence() {
  if (server_) server_->execSequences(1);
}

void MainWindow::playSequenceRealTime() {
  if (!server_ || server_->replaying()) return;
  // Only a replay started here ends with the box, and only when it has records to play.
  realTimeReplay_ = !server_->loaded().empty();
  server_->execSequences(2);
}

void MainWindow::replayEnded() {
  if (!realTimeReplay_) return;
  realTimeReplay_ = false;
  ZelMessage(tr("Play Sequence ended"), QMessageBox::Information, Qt::PlainText);
}

void MainWindow::playSequenceByStep() {}
void MainWindow::flushSequence() {}

// ---- saved views and states

void MainWindow::saveCurView() {
  ZelScene *scene = getScene();
  if (!scene || !scene->Msh) return;
  if (const int n = zelSaveView(scene))
    window_->addNewView(n);
  else
    warn("Impossible to save the current view");
}

void MainWindow::saveCurState() {
  ZelScene *scene = getScene();
  if (!scene || !scene->Msh) return;
  if (const int n = zelSaveState(scene))
    window_->addNewState(n);
  else
    warn("Impossible to save the current state");
}

void MainWindow::saveStatesInFile() {
  ZelScene *scene = getScene();
  if (!scene) return;
  const QString name = zelDialogs().saveFileName(this, tr("Choose a file name"), ".", tr("(*.state)"));
  if (name.isEmpty()) return;
  ClearUserFileWriteReason();
  ZelSavingFor saving(window_);
  if (!zelSaveStateInFile(scene, QFile::encodeName(name).constData(), UserFileQuiet)) zelWarnWriteFailed(name);
}

void MainWindow::saveViewsInFile() {
  ZelScene *scene = getScene();
  if (!scene) return;
  const QString name = zelDialogs().saveFileName(this, tr("Choose a file name"), ".", tr("(*.view)"));
  if (name.isEmpty()) return;
  ClearUserFileWriteReason();
  ZelSavingFor saving(window_);
  if (!zelSaveViewInFile(scene, QFile::encodeName(name).constData(), UserFileQuiet)) zelWarnWriteFailed(name);
}

void MainWindow::loadStatesFromFile() {
  ZelScene *scene = getScene();
  if (!scene || !scene->State) return;
  const QStringList files = zelDialogs().openFileNames(this, tr("Select one or more files to open"), currentDir(),
                                                       tr("Zelvane State (*.state)"));
  for (const QString &f : files)
    if (!loadStatesFromFile(f)) break;
}

int MainWindow::loadStatesFromFile(const QString &filename) {
  ZelScene *scene = getScene();
  if (!scene || !scene->State) return 0;
  const int n = zelLoadStateFromFile(scene, QFile::encodeName(filename).constData());
  if (n < 1) {
    warn("Impossible to load State File");
    return 0;
  }
  for (int k = 0; k < n; k++) window_->addNewState(++scene->State->NbrState);
  return n;
}

void MainWindow::loadViewsFromFile() {
  ZelScene *scene = getScene();
  if (!scene || !scene->BakView) return;
  const QStringList files = zelDialogs().openFileNames(this, tr("Select one or more files to open"), currentDir(),
                                                       tr("Zelvane View (*.view)"));
  for (const QString &f : files) {
    const int n = zelLoadView(scene, f.toLocal8Bit().constData());
    if (n < 1) {
      warn("Impossible to load View File");
      break;
    }
    for (int k = 0; k < n; k++) window_->addNewView(++scene->BakView->NbrView);
  }
}

// ---- help and display toggles

void MainWindow::about() {
  QMessageBox box(this);
  box.setWindowTitle(tr("About Menu"));
  box.setTextFormat(Qt::RichText);
  box.setIconPixmap(windowIcon().pixmap(64, 64));
  box.setText(tr("<b>Zelvane</b> is an interactive mesh visualization software.<br/>Tavrel, Zelvane Release 2.0"));
  zelDialogs().execBox(box);
}

void MainWindow::displayHelp() {
  ZelMessage(QString("Documentation available at :<br/> <a href=\"%1\">%1</a>")
                 .arg(QUrl::fromLocalFile(ZELVANE_SOURCE_DIR "/README.md").toString()),
             QMessageBox::Information, Qt::RichText);
}

void MainWindow::miniMesh() {
  ZelScene *scene = getScene();
  if (!scene) return;
  scene->Flags |= ZelFlgMiniMesh;
  zelInitMiniMesh(scene);
  zelUpdateAllDisplayLists(1, scene);
  actions_[ActBigMesh]->setEnabled(true);
  updateGlScene(scene);
}

void MainWindow::bigMesh() {
  ZelScene *scene = getScene();
  if (!scene || !scene->Msh) return;
  scene->Flags &= ~ZelFlgMiniMesh;
  zelSetAllVisible(scene->Msh);
  zelUpdateAllDisplayLists(1, scene);
  actions_[ActBigMesh]->setEnabled(false);
  updateGlScene(scene);
}

void MainWindow::drawNormals() {
  ZelScene *scene = getScene();
  if (!scene) return;
  scene->Flags = PermBit(scene->Flags, ZelFlgPickNormals);
  updateGlScene(scene);
}
