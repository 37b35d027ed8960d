// The OpenGL view of one scene.
//
// Every Window has one view. It sets the GL state up once per context, paints the scene on
// every repaint in a fixed order, turns the toolkit's key and mouse events into the scene's
// event records and lets the scene engine act on them (ZelInput.h), then replays the same
// event on the views linked to it, so that linked windows turn together. Only the receiving
// view reports an event to the sequence server; replayed records come back as posted toolkit
// events (getQObject returns the view) and run through the same handlers.
//
// Paint order: reshape and viewport; clear to the background (black without a scene); fold
// the view event's pending rotation and pan into the camera matrix exactly once (no rotation
// for a 2-D scene); model-view = camera matrix, then minus the rotation centre;
// zelDisplayScene; the draw of every recorded tool that still exists; the rotation centre
// (scene flag 0x200); glFlush; the buffer swap while own swap is on.
//
// The view size (W, H) is the camera's stored window size when the scene has a camera, else
// the widget's; device sizes are it times the device pixel ratio, truncated.
//
// All views register under the one name "glWidget": the server keeps the first, so recorded
// view events replay on the first window's view, and through its links on the others. A view
// unregisters itself when destroyed. GUI thread only.
#pragma once

#include <QDir>
#include <QGLWidget>
#include <QList>
#include <QPointer>

#include "zelvane/record/QZelObject.h"

class QZelBase;
class ZelSequenceServer;
typedef struct Zel_Event ZelEvent;
typedef struct Zel_Scene ZelScene;

class GLWidget : public QGLWidget, public QZelObject {
  Q_OBJECT

 public:
  // An invalid context (no 8-sample visual) is replaced by one of the default format, with a
  // note on standard output.
  GLWidget(QGLContext *context, ZelSequenceServer *server, ZelScene *scene, QWidget *parent);
  ~GLWidget() override;

  QSize sizeHint() const override { return QSize(1290, 800); }
  QSize minimumSizeHint() const override { return QSize(50, 50); }

  void setScene(ZelScene *scene) { scene_ = scene; }
  ZelScene *getScene() const { return scene_; }
  GLWidget *getNxt() const { return next_; }
  GLWidget *getPrv() const { return prev_; }
  int sceneWidth() const;
  int sceneHeight() const;
  void setWindowName(const QString &name) { windowName_ = name; }
  const QString &windowName() const { return windowName_; }
  void clearWidget();

  // Tools drawing into the view after the scene; a tool may be recorded twice and is then
  // drawn twice. The view does not own them: a tool deleted elsewhere is skipped.
  void record(QZelBase *tool);
  void unrecord(QZelBase *tool);

  // Linked views: this view's next becomes `other` and other's previous this view.
  void LinkGLWidget(GLWidget *other);
  // Joins the neighbours around this view and clears its own links.
  void unLinkGLWidget();

  // Replays an event copy on the linked views: next links first, then previous links.
  void propagateMousePressEvent(ZelEvent *event, int x, int y);
  void propagateMouseMoveEvent(ZelEvent *event, int x, int y);
  void propagateMouseReleaseEvent(ZelEvent *event);
  void propagateKeyPressEvent(ZelEvent *event);

  // Own swap off: paintGL leaves the picture in the back buffer to be read (image grabs).
  void setOwnSwap(bool on) { ownSwap_ = on; }
  // Paints once without swapping and reads the frame back, without alpha.
  QImage grabScene();

  void drawSceneCenter();

  QObject *getQObject() override { return this; }
  // Hook 15 and the toolkit's key handler.
  void keyPressEvent(QKeyEvent *event) override;
  void resizeGL(int w, int h) override;

 public slots:
  // Angles in sixteenths of a degree, brought into 0..5760 by whole turns.
  void setXRotation(int angle);
  void setYRotation(int angle);
  void setZRotation(int angle);

 signals:
  void xRotationChanged(int angle);
  void yRotationChanged(int angle);
  void zRotationChanged(int angle);

 protected:
  void mousePressEvent(QMouseEvent *event) override;
  void mouseReleaseEvent(QMouseEvent *event) override;
  void mouseMoveEvent(QMouseEvent *event) override;
  void initializeGL() override;
  void paintGL() override;

 private:
  enum class Kind { Press, Move, Release, Key };
  void propagate(Kind kind, ZelEvent *event, int x, int y);
  // One linked view's share of a propagation; false stops the whole propagation.
  bool replayOn(GLWidget *view, Kind kind, ZelEvent *event, int x, int y);
  void setRotation(int axis, int angle);

  ZelSequenceServer *server_ = nullptr;
  ZelScene *scene_ = nullptr;
  QWidget *parent_ = nullptr;
  int rot_[3] = {0, 0, 0};
  GLWidget *next_ = nullptr;
  GLWidget *prev_ = nullptr;
  QString windowName_;
  QList<QPointer<QZelBase>> tools_;
  bool ownSwap_ = true;
  QDir lastImageDir_;
};

// Bridges of the scene engine. updateGlScene repaints the view of the scene's window at once,
// showGlScene shows it (both nothing for a null scene); zelMakeCurrent makes the view of a
// window (the scene's window pointer) current, nothing when the window, its view or the view's
// context is missing.
void updateGlSceneBody(ZelScene *scene);
void showGlScene(void *scene);
void zelMakeCurrentBody(void *window);
