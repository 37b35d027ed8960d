// The main window: construction, actions, menus, the context menu, showing a scene, the tool
// windows and the recording of its moves and resizes.
#include "zelvane/gui/MainWindow.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

#include "common/base/ScreenRange.h"
#include "common/model/Mesh.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/QZelBase.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelBottom.h"
#include "zelvane/gui/ZelPageMakers.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/record/QZelAction.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelOptions.h"
#include "zelvane/scene/ZelPicking.h"
#include "zelvane/scene/ZelSavedState.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// A shortcut as the table can hold it before the application exists: a standard key, else a
// key combination, else none.
struct Shortcut {
  QKeySequence::StandardKey standard = QKeySequence::UnknownKey;
  int keys = 0;
  QKeySequence sequence() const { return standard != QKeySequence::UnknownKey ? QKeySequence(standard) : QKeySequence(keys); }
};

struct ActionRow {
  const char *name;
  const char *text;
  Shortcut shortcut;
  bool plain;    // neither named nor registered: never recorded
  bool enabled;  // at start
};

const ActionRow ActionRows[ActCount] = {
    {"aboutZel", "&About", {}, false, true},
    {"openAct", "&Open...", {QKeySequence::Open}, false, true},
    {"writAct", "&Write Mesh...", {QKeySequence::Close}, false, true},
    {"saveImg", "&Save Image...", {QKeySequence::Save}, false, true},
    {"openPref", "&Open Preferences...", {}, false, true},
    {"clrTerm", "&Clear Terminal...", {}, false, true},
    {"sizeWin", "&Window &Size...", {}, false, true},
    {"visModu", "&Mesh Visualisation...", {QKeySequence::UnknownKey, Qt::ALT + Qt::Key_F1}, false, true},
    {"solModu", "&Solution Inspector...", {QKeySequence::UnknownKey, Qt::ALT + Qt::Key_F2}, false, true},
    {"infModu", "&Mesh Information...", {QKeySequence::UnknownKey, Qt::ALT + Qt::Key_F3}, false, true},
    {"modModu", "&Mesh Modification...", {QKeySequence::UnknownKey, Qt::ALT + Qt::Key_F4}, false, true},
    {"maxView", "&Maximize...", {}, false, true},
    {"consView", "&Terminal...", {}, false, true},
    {"bttnView", "&ToolBar...", {}, false, true},
    {"lS", "Load Sequences ...", {}, true, true},
    {"pS", "Fast ...", {}, false, false},
    {"pSbS", "By step ...", {}, false, true},
    {"pSrT", "Real time ...", {}, false, true},
    {"rS", "&Save Sequences...", {}, true, true},
    {"fS", "&Flush Sequences...", {}, false, false},
    {"saveState", "&Save Current State", {}, false, true},
    {"recState", "Save States in File ...", {}, true, true},
    {"loadState", "Load States from File ...", {}, true, true},
    {"savView", "Save Current View ...", {}, false, true},
    {"recView", "Save Views in File ...", {}, true, true},
    {"loadView", "Load Views from File ...", {}, true, true},
    {"showHelp", "&Show Help...", {QKeySequence::UnknownKey, Qt::Key_H}, false, true},
    {"autUpd", "&Start Auto Update Sol", {}, false, true},
    {"updScn", "&Update Mesh", {}, false, true},
    {"updSol", "&Select Solution", {}, false, true},
    {"chkNewSol ", "&Check for new solution file", {}, false, true},
    {"ctrScn", "&Center Scene", {}, false, false},
    {"minMsh", "&Mini Mesh", {}, false, false},
    {"bigMsh", "&Mesh", {}, false, false},
    {"drawNor", "&Draw Normals", {}, false, false},
    {"detectR", "&Edges Detection", {}, false, false},
    {"modTopo", "&Swap Edges", {}, false, false},
    {"changeR", "&Change References", {}, false, false},
    {"addVerT", "&Add Type on Vertex", {}, false, false},
    {"deleteR", "&Delete Elements", {}, false, false},
    {"aniSol ", "&Activate solution files switch", {}, false, true},
};


// Pages of a tool window, in order, and when each is made.
struct PageRow {
  ZelPage page;
  const char *title;
  bool (*when)(const ZelScene *scene);
};

bool always(const ZelScene *) { return true; }

const PageRow VisuPages[] = {
    {ZelPageGeometry, "Geometry", [](const ZelScene *s) { return (s->Rnd.Kinds & ZelKindsFeatures) != 0; }},
    {ZelPageNormals, "Normals", [](const ZelScene *s) { return s->Msh && (s->Msh->GeoFlags & GEO_NORMALS); }},
    {ZelPageLines, "Lines", [](const ZelScene *s) { return (s->Rnd.Kinds & ZelKindsEdges) != 0; }},
    {ZelPageSurfaces, "Surfaces", [](const ZelScene *s) { return (s->Rnd.Kinds & ZelKindsFaces) != 0; }},
    {ZelPageVolumes, "Volumes", [](const ZelScene *s) { return (s->Rnd.Kinds & ZelKindsVolumes) != 0; }},
    {ZelPageClipPlanes, "Clip Planes", [](const ZelScene *s) { return s->Msh != nullptr; }},
};
const PageRow InfoPages[] = {{ZelPageVerbosity, "Verbosity", always}, {ZelPageComputation, "Computation", always}};
const PageRow ModifPages[] = {{ZelPageAddVertexType, "Add Vertex Type", always},
                              {ZelPageEdgeDetection, "Edges Detection", always},
                              {ZelPageChangeRef, "Change References", always},
                              {ZelPageDelete, "Delete", always},
                              {ZelPageSwap, "Swap", always}};

struct MadePage {
  QZelBase *page;
  const char *title;
};

template <size_t N>
QList<MadePage> makePages(const PageRow (&rows)[N], const ZelScene *scene, const ZelPageArgs &args) {
  QList<MadePage> made;
  for (const PageRow &row : rows)
    if (row.when(scene))
      if (QZelBase *page = zelMakePage(row.page, args)) made.append({page, row.title});
  return made;
}

// Largest width and height of the pages' minimum size hints, never below 0.
QSize largestHint(const QList<MadePage> &pages) {
  QSize size(0, 0);
  for (const MadePage &p : pages) size = size.expandedTo(p.page->minimumSizeHint());
  return size;
}

// The solution the tool windows show: the first present at vertices, tetrahedra, prisms,
// pyramids, hexahedra, triangles, quadrilaterals.
const Geometric_Solution *toolSolution(const Geometric_Mesh *m) {
  if (!m) return nullptr;
  for (const Geometric_Solution *s : {m->SolAtVer, m->SolAtTet, m->SolAtPri, m->SolAtPyr, m->SolAtHex, m->SolAtTri,
                                      m->SolAtQua})
    if (s) return s;
  return nullptr;
}

const char *fieldTitle(int type) {
  switch (type) {
    case SOL_SCALAR: return "Scalar [1]";
    case SOL_VECTOR: return "Vector [2]";
    case SOL_SYMMAT: return "Tensor[3]";
    case SOL_MATRIX: return "Matrix [4]";
  }
  return "Unknown Solution Type";
}

}  // namespace

ZelContextState zelContextMenuState(int picks, int last, int previous, bool miniMode, bool bigEnabled) {
  ZelContextState s{};
  if (picks <= 0) {
    s.big = miniMode;
    return s;
  }
  s.centre = s.mini = s.normals = s.change = s.remove = true;
  s.big = bigEnabled;
  const bool sides = picks >= 2 && last == previous && (last == KmfFaceEdges || last == KmfFaceP2Edges);
  s.detect = s.swap = sides;
  s.addType = !sides && last == KmfVertices;
  return s;
}

MainWindow::MainWindow(Zelvane *app, int index, QPoint position)
    : QMainWindow(nullptr), app_(app), server_(app ? app->server() : nullptr), index_(index) {
  if (app && app->options()) module_ = app->options()->ModuleMask;
  // Registered under the empty name first: the first window is the one found under "".
  if (server_) server_->addZelObject(objectName(), this);
  setObjectName(QString("mainwindow:%1").arg(index));
  central_ = new QWidget;
  setCentralWidget(central_);
  zelMove(position.x(), position.y());
  zelResize(800, 800);
  window_ = new Window(server_, index, this);
  window_->installEventFilter(this);
  auto *layout = new QVBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(window_);
  central_->setLayout(layout);
  setWindowIcon(QIcon(":/images/zelvane.png"));
  createActions();
  createMenus();
  timer_ = new QTimer(this);
  connectActions();
  setFocus();
}

MainWindow::~MainWindow() {
  if (server_) {
    server_->remZelObject(QString(), this);
    server_->remZelObject(objectName(), this);
  }
  deleteTools();
  // Submenus come after their menus in the array: deleting backwards frees each once.
  for (int i = int(std::size(menus_)) - 1; i >= 0; i--) {
    delete menus_[i];
    menus_[i] = nullptr;
  }
  for (QZelAction *&a : actions_) {
    delete a;
    a = nullptr;
  }
  delete window_;
  window_ = nullptr;
  delete central_;
  central_ = nullptr;
}

void MainWindow::createActions() {
  for (int i = 0; i < ActCount; i++) {
    const ActionRow &row = ActionRows[i];
    const QString text = QCoreApplication::translate("MainWindow", row.text);
    QZelAction *a = row.plain ? new QZelAction(QString(), nullptr, text, this)
                              : new QZelAction(QString(QChar(index_)) + row.name, server_, text, this);
    const QKeySequence shortcut = row.shortcut.sequence();
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    a->setEnabled(row.enabled);
    actions_[i] = a;
  }
}

void MainWindow::createMenus() {
  auto add = [this](QMenu *menu, std::initializer_list<ZelAction> list) {
    for (ZelAction a : list) menu->addAction(actions_[a]);
  };
  QMenuBar *bar = menuBar();
  menus_[MenuFile] = bar->addMenu(tr("&File"));
  add(menus_[MenuFile], {ActOpen, ActWriteMesh, ActSaveImage, ActOpenPref});
  menus_[MenuEdit] = bar->addMenu(tr("&Edit"));
  add(menus_[MenuEdit], {ActClearTerm, ActSizeWin});
  menus_[MenuWindow] = bar->addMenu(tr("&Window"));
  menus_[MenuTools] = menus_[MenuWindow]->addMenu(tr("&Open &Tools"));
  add(menus_[MenuTools], {ActVisModu, ActSolModu, ActInfModu, ActModModu});
  menus_[MenuLook] = menus_[MenuWindow]->addMenu(tr("&Manage &Appearance"));
  add(menus_[MenuLook], {ActMaxView, ActConsView, ActBttnView});
  menus_[MenuSequences] = bar->addMenu(tr("&Sequences"));
  add(menus_[MenuSequences], {ActLoadSeq});
  menus_[MenuPlay] = menus_[MenuSequences]->addMenu(tr("Play"));
  add(menus_[MenuPlay], {ActPlaySeq, ActPlayRealTime});
  menus_[MenuPlay]->setEnabled(false);  // until a sequence file is loaded
  add(menus_[MenuSequences], {ActRecSeq, ActFlushSeq});
  menus_[MenuSaveLoad] = bar->addMenu(tr("&Save/&Load"));
  menus_[MenuState] = menus_[MenuSaveLoad]->addMenu(tr("&State.."));
  add(menus_[MenuState], {ActSaveState, ActRecState, ActLoadState});
  menus_[MenuView] = menus_[MenuSaveLoad]->addMenu(tr("&View.."));
  add(menus_[MenuView], {ActSaveView, ActRecView, ActLoadView});
  menus_[MenuHelp] = bar->addMenu(tr("&Help"));
  add(menus_[MenuHelp], {ActAboutZel, ActShowHelp});
  for (int top : {MenuFile, MenuEdit, MenuWindow, MenuSequences, MenuSaveLoad, MenuHelp}) menus_[top]->addSeparator();
}

// ---- showing a scene

void MainWindow::myShow(ZelScene *scene, const QString &name, const char *file) {
  title_ = QString("[%1] %2").arg(index_).arg(QFileInfo(name).fileName());
  setWindowTitle(title_);
  if (!window_) {
    show();
    return;
  }
  window_->setSceneAndBoxes(scene);
  show();
  raise();
  if (scene) {
    scene->Win = window_;
    // The view's copy keeps the file name's bytes: a replayed image save is named after it.
    const QByteArray bytes = file ? QByteArray(file) : QFile::encodeName(name);
    window_->setWindowName("[" + QByteArray::number(index_) + "] " + bytes.mid(bytes.lastIndexOf('/') + 1));
    GLWidget *view = window_->view();
    if (view->isValid()) view->makeCurrent();
    zelSetColorRange(scene);
    zelSetupDisplayLists(scene->Mem, scene);
    zelUpdateFirstDisplayLists(scene);
  }
  Geometric_Mesh *mesh = scene ? scene->Msh : nullptr;
  if (mesh) {
    actions_[ActVisModu]->setEnabled(true);
    getBaseName(file ? file : name.toLocal8Bit().constData(), mesh->MshNam, sizeof(mesh->MshNam));
    if (toolSolution(mesh)) actions_[ActSolModu]->setEnabled(true);
  } else {
    actions_[ActVisModu]->setEnabled(false);
    actions_[ActSolModu]->setEnabled(false);
  }
  createWidget();
  // s is what view, terminal and bottom bar need; the menu bar comes on top of it.
  const QSize s = window_->myShow();
  if (s.width() > 0 && s.height() > 0) setGeometry(QRect(pos(), s + (size() - central_->size())));
  if (scene) zelSaveState(scene);
  show();
}

ZelTool *MainWindow::newTool(const QString &title) { return new ZelTool(server_, QRect(), title, this); }

void MainWindow::createVisuWidget(ZelScene *scene) {
  if (!scene) return;
  visuTool_ = newTool(QString("%1-Visualisation").arg(title_));
  const ZelPageArgs args{server_, scene, index_, window_->view(), &toolList_, visuTool_, -1};
  const QList<MadePage> pages = makePages(VisuPages, scene, args);
  const QSize hint = largestHint(pages);
  visuTool_->setRect(QRect(x() - 10 - hint.width(), y(), hint.width(), hint.height()));
  for (const MadePage &p : pages) visuTool_->addWidget(p.page, p.title, false);
}

void MainWindow::createSolWidget(ZelScene *scene) {
  const Geometric_Solution *sol = scene ? toolSolution(scene->Msh) : nullptr;
  if (!sol) return;
  solTool_ = newTool(QString("%1-Solution").arg(title_));
  ZelPageArgs args{server_, scene, index_, window_->view(), &toolList_, solTool_, -1};
  QZelBase *select = zelMakePage(ZelPageSelect, args);
  QList<MadePage> fields;
  for (int f = 0; f < sol->NbrFld; f++) {
    args.field = f;
    if (QZelBase *page = zelMakePage(ZelPageSolution, args)) fields.append({page, fieldTitle(sol->SizFld[f])});
  }
  QSize size(400, 200);
  if (select) size = size.expandedTo(select->minimumSizeHint());
  if (!fields.isEmpty()) size = size.expandedTo(fields.first().page->minimumSizeHint());
  solTool_->setRect(QRect(x() + width(), y(), size.width(), size.height()));
  if (select) solTool_->addUnCheckableWidget(select, "Select Active Solution", true);
  for (const MadePage &p : fields) {
    solTool_->addWidget(p.page, p.title, false);
    p.page->setEnabled(false);
  }
}

void MainWindow::adoptSolution(ZelScene *scene) {
  const Geometric_Solution *sol = scene ? toolSolution(scene->Msh) : nullptr;
  if (solTool_ || !sol || !window_ || scene != getScene()) return;
  createSolWidget(scene);
  actions_[ActSolModu]->setEnabled(true);
  window_->bottom()->setSolBox(sol);
}

void MainWindow::createInfoWidget(ZelScene *scene) {
  if (!scene) return;
  infoTool_ = newTool(QString("%1-Information").arg(title_));
  const ZelPageArgs args{server_, scene, index_, window_->view(), &toolList_, infoTool_, -1};
  const QList<MadePage> pages = makePages(InfoPages, scene, args);
  // As wide as the pages' hints ask (their groups side by side), never below a page's own
  // least width.
  QSize size = largestHint(pages);
  for (const MadePage &p : pages) size = size.expandedTo(p.page->minimumSize());
  infoTool_->setRect(QRect(x() - 20 - size.width(), y() + this->height() / 3, size.width(), size.height()));
  for (const MadePage &p : pages) infoTool_->addWidget(p.page, p.title, false);
}

void MainWindow::createModifWidget(ZelScene *scene) {
  if (!scene) return;
  modifTool_ = newTool(QString("%1-Modification").arg(title_));
  toolList_ = {visuTool_};
  const ZelPageArgs args{server_, scene, index_, window_->view(), &toolList_, modifTool_, -1};
  const QList<MadePage> pages = makePages(ModifPages, scene, args);
  const QSize hint = largestHint(pages);
  modifTool_->setRect(QRect(x() - 10 - hint.width(), y(), hint.width(), hint.height()));
  for (const MadePage &p : pages) modifTool_->addWidget(p.page, p.title, false);
}

void MainWindow::createWidget() {
  ZelScene *scene = getScene();
  createVisuWidget(scene);
  createSolWidget(scene);
  createInfoWidget(scene);
  createModifWidget(scene);
}

void MainWindow::deleteTools() {
  // The modification pages may be recorded in the view; they go first, the view skips them.
  for (ZelTool **tool : {&modifTool_, &infoTool_, &solTool_, &visuTool_}) {
    delete *tool;
    *tool = nullptr;
  }
  toolList_.clear();
}

ZelScene *MainWindow::getScene() const { return window_ ? window_->getScene() : nullptr; }
void MainWindow::setScene(ZelScene *scene) {
  if (window_) window_->setSceneAndBoxes(scene);
}

void MainWindow::setSource(const QList<QByteArray> &files, const QByteArray &solution) {
  sourceFiles_ = files;
  sourceSolution_ = solution;
}

void MainWindow::clearWidget() {
  app_ = nullptr;
  server_ = nullptr;
  central_ = nullptr;
  window_ = nullptr;
  index_ = 0;
  title_ = "Untitled";
  visuTool_ = solTool_ = infoTool_ = modifTool_ = nullptr;
  for (QMenu *&m : menus_) m = nullptr;
  for (QZelAction *&a : actions_) a = nullptr;
}

void MainWindow::addNewView(int n) {
  ZelScene *scene = getScene();
  if (scene && scene->Msh) window_->addNewView(n);
}

void MainWindow::addNewState(int n) {
  ZelScene *scene = getScene();
  if (scene && scene->Msh) window_->addNewState(n);
}

void MainWindow::zelUpdateBottom() {
  if (window_) window_->bottom()->zelUpdate();
}

// ---- events

void MainWindow::contextMenuEvent(QContextMenuEvent *event) {
  ZelScene *scene = getScene();
  if (!scene) return;
  for (ZelAction a : {ActAutoUpdate, ActUpdateMesh, ActSelectSol, ActCheckSol, ActAnimateSol})
    actions_[a]->setEnabled(true);
  const GeoHybridStack *pick = scene->Pck;
  const int picks = pick ? pick->Top + 1 : 0;
  const int last = picks >= 1 ? pick->Ent[pick->Top].Typ : 0;
  const int previous = picks >= 2 ? pick->Ent[pick->Top - 1].Typ : 0;
  const ZelContextState s = zelContextMenuState(picks, last, previous, (scene->Flags & ZelFlgMiniMesh) != 0,
                                                actions_[ActBigMesh]->isEnabled());
  const std::pair<ZelAction, bool> states[] = {
      {ActCenter, s.centre},     {ActMiniMesh, s.mini},    {ActBigMesh, s.big},
      {ActDrawNormals, s.normals}, {ActDetectEdges, s.detect}, {ActSwapEdges, s.swap},
      {ActChangeRef, s.change},  {ActAddVertexType, s.addType}, {ActDelete, s.remove}};
  for (const auto &st : states) actions_[st.first]->setEnabled(st.second);
  QMenu menu(this);
  for (ZelAction a : {ActAutoUpdate, ActUpdateMesh, ActSelectSol, ActCheckSol, ActCenter, ActMiniMesh, ActBigMesh,
                      ActDrawNormals, ActDetectEdges, ActSwapEdges, ActChangeRef, ActAddVertexType, ActDelete,
                      ActAnimateSol})
    menu.addAction(actions_[a]);
  menu.exec(event->globalPos());
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event) {
  if (watched == window_ && event->type() == QEvent::KeyPress) {
    keyPressEvent(static_cast<QKeyEvent *>(event));
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}


void MainWindow::moveEvent(QMoveEvent *event) {
  if (server_) server_->addMoveEvent(objectName(), event);
  QMainWindow::moveEvent(event);
}

void MainWindow::resizeEvent(QResizeEvent *event) {
  if (server_) server_->addResizeEvent(objectName(), event);
  QMainWindow::resizeEvent(event);
}

void MainWindow::zelResize(int width, int height) { resize(width, height); }
void MainWindow::zelMove(int dx, int dy) {
  // Replayed offsets add up: the window stays where a screen can show it.
  move(ClampScreenPos(pos().x() + dx), ClampScreenPos(pos().y() + dy));
}
void MainWindow::zelSetWindowState(int state) { setWindowState(Qt::WindowStates(state)); }
