// The central window: layout of view, terminal and bottom bar, forwarding, and the window
// bridges of the scene engine.
#include "zelvane/gui/Window.h"

#include <QGLContext>
#include <QGLFormat>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QScreen>
#include <QSettings>
#include <QVBoxLayout>
#include <cstdio>

#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/ZelBottom.h"
#include "zelvane/gui/ZelMessage.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelState.h"

Window::Window(ZelSequenceServer *server, int index, QWidget *parent)
    : QZelBase(nullptr, server, index), number_(index), main_(parent) {
  setObjectName(QString("window_%1").arg(index));
  QGLFormat format;
  format.setSampleBuffers(true);
  format.setSamples(8);
  view_ = new GLWidget(new QGLContext(format), server, nullptr, this);
  container_ = new QWidget(this);
  viewLayout_ = new QHBoxLayout;
  viewLayout_->setContentsMargins(0, 0, 0, 0);
  viewLayout_->addWidget(view_);
  container_->setLayout(viewLayout_);
  // Horizontally the view may shrink below its size hint (1290 pixels), so that a window
  // still fits a desktop of 1280.
  container_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  setMinimumHeight(20);
  setMinimumWidth(20);
  createTerm();
  bottom_ = new ZelBottom(server, index, this);
  mainLayout_ = new QVBoxLayout;
  mainLayout_->setContentsMargins(0, 0, 0, 0);
  // The gap myShow counts below the view and below a docked terminal.
  mainLayout_->setSpacing(LayoutGap);
  mainLayout_->addWidget(container_);
  mainLayout_->addWidget(bottom_);
  setLayout(mainLayout_);
}

Window::~Window() {
  delete view_;
  delete term_;
  delete bottom_;
  delete viewLayout_;
  delete container_;
  delete mainLayout_;
  delete termTool_;
  if (scene) scene = zelFreeScene(scene->Mem, scene);
}

MainWindow *Window::mainWindow() const { return qobject_cast<MainWindow *>(main_); }

void Window::createTerm() {
  term_ = new ZelTerm(server, number_, this);
  termTool_ = new ZelTermTool(QString("Terminal %1").arg(number_), this);
}

void Window::readSettings(int mask) {
  if (!term_ || !termTool_) return;
  if (mask & ZelModTerm) {
    if (mask & ZelModDocked)
      mainLayout_->insertWidget(1, term_);
    else
      termTool_->addTerm(term_);
    termTool_->setVisible(!(mask & ZelModDocked));
  } else {
    term_->hide();
  }
  if (!(mask & ZelModBottom)) bottom_->hide();
}

void Window::insertTerm() {
  mainLayout_->insertWidget(1, term_);
  term_->show();
  termTool_->hide();
}

void Window::setTermToTool() {
  termTool_->addTerm(term_);
  termTool_->show();
}

QSize Window::myShow() {
  if (!term_ || !termTool_) return QSize(0, 0);
  QSettings settings;
  const int mask = settings.value("module", 19).toInt();
  readSettings(mask);
  if (main_) {
    QPoint corner = mapToGlobal(main_->pos());
    corner.rx() -= frameGeometry().width();
    termTool_->move(corner);
  }
  // The view's share of the window once the terminal has its place, not before.
  mainLayout_->activate();
  QSize size(view_->width(), view_->height());
  if ((mask & ZelModDocked) && !term_->isHidden()) size.rheight() += term_->height() + LayoutGap;
  if (!bottom_->isHidden()) size.rheight() += bottom_->height() + LayoutGap;
  return size;
}

void Window::setSceneAndBoxes(ZelScene *scn) {
  scene = scn;
  view_->setScene(scn);
  const qreal ratio = view_->devicePixelRatioF();
  if (view_->isValid()) view_->makeCurrent();
  view_->resizeGL(int(view_->width() * ratio), int(view_->height() * ratio));
  view_->update();
  bottom_->setSceneAndBoxes(scn);
  term_->scene = scn;
}

void Window::keyPressEvent(QKeyEvent *event) { view_->keyPressEvent(event); }
void Window::LinkWindow(Window *other) {
  if (other) view_->LinkGLWidget(other->view_);
}
void Window::saveImage() { view_->renderIntoPixmap(); }
void Window::setWindowName(const QByteArray &name) { view_->setWindowName(name); }
void Window::addNewView(int n) { bottom_->addNewView(n); }
void Window::addNewState(int n) { bottom_->addNewState(n); }
void Window::remLastState() { bottom_->remLastState(); }
void Window::connectBottom() { bottom_->connectButton(); }

void Window::resetWindow() {
  term_->clear();
  bottom_->resetBottom();
}

void Window::printTerm(const QString &text) { zelTermAppend(term_, text); }

void Window::setSolution(int field) {
  MainWindow *mw = mainWindow();
  if (!mw || !mw->getScene()) return;
  if (ZelTool *sol = mw->solTool()) {
    sol->setVisible(true);
    mw->getScene()->ActFld = field;
    sol->update();
    return;
  }
  ZelMessage("Menu Solution Option not created", QMessageBox::Warning, Qt::PlainText);
}

void Window::clearWidget() {
  view_ = nullptr;
  main_ = nullptr;
  container_ = nullptr;
  viewLayout_ = nullptr;
  mainLayout_ = nullptr;
  bottom_ = nullptr;
  term_ = nullptr;
  termTool_ = nullptr;
}

// ---- bridges

void zelSaveWindowStateBody(Window *window, ZelStateBucket *state) {
  MainWindow *mw = window ? window->mainWindow() : nullptr;
  if (!mw || !state) return;
  state->WinState = mw->moduleMask();
  if (!(mw->windowState() & Qt::WindowMaximized)) {
    // The top of the window's own area, below a window manager's title bar when there is one
    // (22 pixels on the usual desktops): setGeometry takes the same point back.
    state->WinX = mw->geometry().x();
    state->WinY = mw->geometry().y();
    state->ViewW = window->view()->width();
    state->ViewH = window->view()->height();
    return;
  }
  const QScreen *screen = QGuiApplication::primaryScreen();
  const QRect desk = screen ? screen->availableGeometry() : QRect();
  state->WinX = desk.x();
  state->WinY = desk.y();
  state->ViewW = desk.width();
  state->ViewH = desk.height();
  state->WinState |= ZelModMaximised;
}

void zelLoadWindowStateBody(Window *window, ZelStateBucket *state) {
  MainWindow *mw = window ? window->mainWindow() : nullptr;
  if (!mw || !state) return;
  printf("1\n");
  const int mask = state->WinState;
  mw->setModuleMask(mask);
  window->bottom()->setVisible(mask & ZelModBottom);
  if (mask & ZelModDocked) {
    window->term()->setFree(false);
    window->term()->setVisible(mask & ZelModTerm);
  } else {
    window->term()->setFree(true);
  }
  int width = state->ViewW, height = state->ViewH;
  if ((mask & ZelModDocked) && !window->term()->isHidden()) height += window->term()->height() + Window::LayoutGap;
  if (!window->bottom()->isHidden()) height += window->bottom()->height() + Window::LayoutGap;
  // The menu bar comes on top of view, terminal and bottom bar.
  if (const QWidget *central = mw->centralWidget()) {
    width += mw->width() - central->width();
    height += mw->height() - central->height();
  }
  if (mask & ZelModMaximised)
    mw->zelSetWindowState(Qt::WindowMaximized);
  else
    mw->setGeometry(state->WinX, state->WinY, width, height);
}

void zelUpdateWidgetStateBody(Window *window) {
  MainWindow *mw = window ? window->mainWindow() : nullptr;
  if (!mw) return;
  if (mw->visuTool()) mw->visuTool()->update();
  if (mw->solTool()) mw->solTool()->update();
  window->bottom()->zelUpdate();
}

namespace {
void updateClipPage(MainWindow *mw) {
  if (!mw->visuTool()) return;
  if (QZelBase *clip = mw->visuTool()->getZelBase("Clip Planes")) clip->zelUpdate();
}
}  // namespace

void zelUpdateQWidgetStateBody(Window *window) {
  MainWindow *mw = window ? window->mainWindow() : nullptr;
  if (!mw) return;
  if (mw->modifTool()) mw->modifTool()->update();
  updateClipPage(mw);
}

void zelUpdateClipBoxBody(Window *window) {
  if (MainWindow *mw = window ? window->mainWindow() : nullptr) updateClipPage(mw);
}
