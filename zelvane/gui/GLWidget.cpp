// The OpenGL view: set-up, painting, the rotation slots, the tools drawn over the scene, the
// linked views and the bridges of the scene engine.
#include "zelvane/gui/GLWidget.h"

#include <GL/gl.h>

#include <QOpenGLFramebufferObject>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <memory>

#include "common/model/Mesh.h"
#include "zelvane/gui/QZelBase.h"
#include "zelvane/gui/Window.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"

namespace {
const char *const ViewName = "glWidget";
// A full turn in sixteenths of a degree.
constexpr int FullTurn = 5760;

// Whether the active field is one of the fields of the mesh's first solution (vertices,
// tetrahedra, pyramids, prisms, hexahedra, triangles, quadrilaterals): the palette bar's
// condition besides its flag.
bool legendField(const ZelScene *scene) {
  const Geometric_Mesh *m = scene->Msh;
  if (!m) return false;
  for (const Geometric_Solution *s :
       {m->SolAtVer, m->SolAtTet, m->SolAtPyr, m->SolAtPri, m->SolAtHex, m->SolAtTri, m->SolAtQua})
    if (s) return scene->ActFld >= 0 && scene->ActFld < s->NbrFld;
  return false;
}
}  // namespace

GLWidget::GLWidget(QGLContext *context, ZelSequenceServer *server, ZelScene *scene, QWidget *parent)
    : QGLWidget(context, parent), server_(server), scene_(scene), lastImageDir_(QDir::current()) {
  if (parent) parent_ = parent;
  if (!isValid()) {
    printf("  ## NOTE: NO 8-SAMPLE OPENGL CONTEXT, THE VIEW USES THE DEFAULT FORMAT \n");
    setContext(new QGLContext(QGLFormat::defaultFormat()));
  }
  setObjectName(ViewName);
  if (server_) server_->addZelObject(ViewName, this);
  setAutoFillBackground(false);
  setContentsMargins(0, 0, 0, 0);
  setAutoBufferSwap(false);
}

GLWidget::~GLWidget() {
  // The tools are pages of the modification window, which deletes them: nothing to free.
  tools_.clear();
  if (smallFont_.list_base && isValid()) {
    makeCurrent();
    smallFont_.clean();
    largeFont_.clean();
  }
  unLinkGLWidget();
  if (server_) server_->remZelObject(ViewName, this);
}

int GLWidget::sceneWidth() const { return scene_ && scene_->View ? scene_->View->Width : width(); }
int GLWidget::sceneHeight() const { return scene_ && scene_->View ? scene_->View->Height : height(); }

void GLWidget::clearWidget() {
  server_ = nullptr;
  scene_ = nullptr;
  parent_ = nullptr;
  rot_[0] = rot_[1] = rot_[2] = 0;
  next_ = prev_ = nullptr;
}

void GLWidget::record(QZelBase *tool) { tools_.append(tool); }

void GLWidget::unrecord(QZelBase *tool) {
  tools_.erase(std::remove_if(tools_.begin(), tools_.end(), [tool](const QPointer<QZelBase> &t) { return t == tool; }),
               tools_.end());
}

// ---- rotation slots

void GLWidget::setRotation(int axis, int angle) {
  while (angle < 0) angle += FullTurn;
  while (angle > FullTurn) angle -= FullTurn;
  if (angle == rot_[axis]) return;
  const int change = angle - rot_[axis];
  rot_[axis] = angle;
  if (axis == 0) emit xRotationChanged(angle);
  if (axis == 1) emit yRotationChanged(angle);
  if (axis == 2) emit zRotationChanged(angle);
  if (scene_ && scene_->VieEvt) scene_->VieEvt->rotInc[axis] = change;
  updateGL();
}

void GLWidget::setXRotation(int angle) { setRotation(0, angle); }
void GLWidget::setYRotation(int angle) { setRotation(1, angle); }
void GLWidget::setZRotation(int angle) { setRotation(2, angle); }

// ---- GL

void GLWidget::initializeGL() {
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  glPolygonOffset(1.0f, 1.52587890625e-05f);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glShadeModel(GL_SMOOTH);
  for (GLenum cap : {GL_NORMALIZE, GL_LINE_SMOOTH, GL_POINT_SMOOTH, GL_DITHER, GL_CULL_FACE}) glDisable(cap);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
  glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, GL_FALSE);
  const GLfloat diffuse[4] = {1, 1, 1, 1}, ambient[4] = {0.1f, 0.1f, 0.1f, 1};
  glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
  glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
  glEnable(GL_LIGHT0);
  glEnable(GL_MULTISAMPLE);
  const qreal ratio = devicePixelRatioF();
  resizeGL(int(1280 * ratio), int(720 * ratio));
  // A new context (the toolkit may make one for a view again) starts without the old one's
  // textures and lists.
  smallFont_ = ZelText::font_data();
  largeFont_ = ZelText::font_data();
  smallFont_.init(30);
  largeFont_.init(60);
}

void GLWidget::resizeGL(int w, int h) {
  const qreal ratio = devicePixelRatioF();
  const int lw = int(w / ratio), lh = int(h / ratio);
  setGeometry(0, 0, lw, lh);
  if (scene_) zelReshapeScene(scene_, lw, lh);
}

void GLWidget::paintGL() {
  const qreal ratio = devicePixelRatioF();
  const int W = sceneWidth(), H = sceneHeight();
  zelReshapeScene(scene_, W, H);
  glViewport(0, 0, int(W * ratio), int(H * ratio));
  if (scene_)
    glClearColor(scene_->Back[0] / 255.0f, scene_->Back[1] / 255.0f, scene_->Back[2] / 255.0f, 1.0f);
  else
    glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  ZelEvent *E = scene_ ? scene_->VieEvt : nullptr;
  ZelView *C = scene_ ? scene_->View : nullptr;
  if (!E || !C) {
    if (ownSwap_) swapBuffers();
    return;
  }
  // Fold this gesture's increment into the camera matrix once: the event keeps its pan, and
  // what was applied is remembered, so the next paint adds only what came since.
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslated(E->panX, E->panY, 0);
  if (scene_->Dim != 2) glRotated(E->angle, E->axis[0], E->axis[1], E->axis[2]);
  glTranslated(-E->appliedPanX, -E->appliedPanY, 0);
  glMultMatrixd(C->Mat);
  glGetDoublev(GL_MODELVIEW_MATRIX, C->Mat);
  glPopMatrix();
  E->angle = 0;
  E->appliedPanX = E->panX;
  E->appliedPanY = E->panY;
  scene_->Flags &= ~ZelFlgViewApplied;

  glLoadIdentity();
  glMultMatrixd(C->Mat);
  glTranslated(-C->Ctr[0], -C->Ctr[1], -C->Ctr[2]);
  zelDisplayScene(scene_);
  for (const QPointer<QZelBase> &tool : tools_)
    if (tool) tool->draw();
  drawPickedItem();
  if (scene_->Flags & ZelFlgCentre) drawSceneCenter();
  if ((scene_->Flags & ZelFlgLegend) && legendField(scene_)) drawPalette();
  if (scene_->Flags & ZelFlgAxis) {
    drawAxis();
    glViewport(0, 0, int(W * ratio), int(H * ratio));
  }
  if (scene_->Flags & ZelFlgTime) drawTime();
  glFlush();
  if (ownSwap_) swapBuffers();
  // The picking lists the first build of the scene's lists left waiting, once this frame is
  // on the screen.
  if (scene_->PckPending)
    QTimer::singleShot(0, this, [this] {
      if (scene_) zelBuildPendingPicking(scene_);
    });
}

void GLWidget::drawSceneCenter() {
  if (!scene_) return;
  glEnable(GL_DEPTH_TEST);
  zelDisplaySceneCenter(scene_);
  glDisable(GL_DEPTH_TEST);
}

bool GLWidget::onScreen() const {
  // The toolkit paints only a mapped view (updateGL), and a window's buffers hold a defined
  // picture only once the window is exposed.
  const QWindow *window = windowHandle();
  return testAttribute(Qt::WA_Mapped) && window && window->isExposed();
}

QImage GLWidget::grabScene(bool *shown) {
  const bool visible = onScreen();
  if (shown) *shown = visible && isValid();
  if (!isValid()) return QImage();
  makeCurrent();
  const bool own = ownSwap_;
  ownSwap_ = false;
  QImage image;
  if (visible) {
    updateGL();
    image = grabFrameBuffer(false);
  } else {
    image = grabOffScreen();
  }
  ownSwap_ = own;
  return image;
}

QImage GLWidget::grabOffScreen() {
  const qreal r = devicePixelRatioF();
  const QSize size(int(width() * r), int(height() * r));
  if (size.isEmpty()) return QImage();
  // As many samples as the window has, so that the picture is the one it would show; a
  // multisampled buffer is read through a plain one it is resolved into.
  QOpenGLFramebufferObjectFormat drawnFormat;
  drawnFormat.setAttachment(QOpenGLFramebufferObject::CombinedDepthStencil);
  drawnFormat.setSamples(format().sampleBuffers() ? std::max(0, format().samples()) : 0);
  QOpenGLFramebufferObject drawn(size, drawnFormat);
  std::unique_ptr<QOpenGLFramebufferObject> resolved;
  if (drawn.format().samples() > 0) resolved = std::make_unique<QOpenGLFramebufferObject>(size);
  if (!drawn.isValid() || (resolved && !resolved->isValid()) || !drawn.bind()) return QImage();
  // glDraw paints whether or not the widget is mapped; updateGL would not.
  glDraw();
  if (resolved) {
    QOpenGLFramebufferObject::blitFramebuffer(resolved.get(), &drawn);
    resolved->bind();
  }
  // Read as the window's frame is read: the same size, alpha dropped the same way.
  QImage image = grabFrameBuffer(false);
  QOpenGLFramebufferObject::bindDefault();
  return image;
}

// ---- bridges

namespace {
GLWidget *viewOf(void *window) { return window ? static_cast<Window *>(window)->view() : nullptr; }
}  // namespace

void updateGlSceneBody(ZelScene *scene) {
  if (GLWidget *view = scene ? viewOf(scene->Win) : nullptr) view->updateGL();
}

void showGlScene(void *scene) {
  if (GLWidget *view = scene ? viewOf(static_cast<ZelScene *>(scene)->Win) : nullptr) view->show();
}

void zelMakeCurrentBody(void *window) {
  GLWidget *view = viewOf(window);
  if (view && view->isValid()) view->makeCurrent();
}
