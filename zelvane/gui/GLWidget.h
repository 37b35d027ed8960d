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
// zelDisplayScene; the draw of every recorded tool that still exists; the picked item; the
// rotation centre (scene flag 0x200); the palette bar (flag 0x80, while the active field is one
// of the first solution's fields); the axis trihedron (flag 0x20) and the time (flag 0x80000);
// glFlush; the buffer swap while own swap is on. The overlays draw with the view's two texture
// fonts (heights 30 and 60, made in initializeGL) and the scene's bitmap font.
//
// The view size (W, H) is the camera's stored window size when the scene has a camera, else
// the widget's; device sizes are it times the device pixel ratio, truncated.
//
// All views register under the one name "glWidget": the server keeps the first, so recorded
// view events replay on the first window's view, and through its links on the others. A view
// unregisters itself when destroyed. GUI thread only.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QGLWidget>
#include <QList>
#include <QPointer>
#include <QString>

#include "zelvane/gui/ZelText.h"
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
  // The window's name, "[n] file", as bytes: a file name need not be text in any encoding, and
  // a replayed save writes under this name.
  void setWindowName(const QByteArray &name) { windowName_ = name; }
  const QByteArray &windowName() const { return windowName_; }
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
  bool ownSwap() const { return ownSwap_; }
  // Paints once without swapping and reads the frame back, without alpha, at the widget's
  // device size. A view whose window is not on the screen (not shown yet, not yet exposed,
  // minimised) paints into an off-screen buffer of the same size and sample count instead:
  // its window's buffers hold no defined picture. `shown` (may be null) tells whether the
  // picture is in the window's back buffer, ready to be swapped to the screen. A null image
  // when the view has no valid context or the off-screen buffer cannot be made.
  QImage grabScene(bool *shown = nullptr);
  // Whether the view is mapped and its window exposed: its buffers are the screen's.
  bool onScreen() const;

  // ---- images (GLWidgetImage.cpp)
  // Asks for a file ("Choose a file name", from the last image directory), records the save
  // (the chosen name's extension and the view size) and writes PNG data under the chosen name
  // whatever its extension; only when that succeeded, every linked view's image too. A
  // cancelled dialog writes and records nothing.
  void renderIntoPixmap();
  // Records the save and writes this view's image as PNG data into `name` (nothing for an
  // empty name); no linked view.
  void renderIntoPixmap(QString &name);
  // Every linked view with a scene (next links, then previous links) writes its image as
  // `name` without one trailing ".png" or ".jpg", then "_", the process-wide counter and
  // ".png"; the counter rises by one per linked image, written or not.
  void propagateSaveImage(QString &name);
  // Hook 19, a replayed save: the window name's complete base name followed by `file` (the
  // recorded extension), in the current folder, in the format of that extension, at quality
  // `flag`. The recorded size is only reported: the image has the view's size. A `file` that
  // is more than an ending or makes a name no folder holds (zelImageEndingRefusal) is refused
  // at once with one line that gives its length, and counts as a failed save of an unattended
  // run; so is a name that is a symbolic link: a replay never writes through one.
  void setSaveImage(int width, int height, int flag, const std::string &file) override;
  const QDir &lastImageDir() const { return lastImageDir_; }

  // ---- overlays (GLWidgetOverlays.cpp), each nothing without what it draws
  // The last picked element in red with its vertex numbers (none under scene flag 0x8000);
  // leaves the depth test off.
  void drawPickedItem();
  // The legend bar of the active field's palette at the top, five stops and five labels,
  // each whole inside the view at any size (zelPlacePaletteLabels); leaves lighting and the
  // depth test on and polygons filled.
  void drawPalette();
  // The trihedron of the camera's rotation in the lower right corner; leaves lighting off and
  // the viewport its own (the caller restores the full one).
  void drawAxis();
  // "Time: %.3E [s]" with the mesh's time at the lower left, smaller in a view too narrow for
  // it (zelPlaceTimeLabel); as drawPalette.
  void drawTime();
  // Text at (x, y, z) of the current matrices in the scene's bitmap font (at most 127 bytes of
  // its UTF-8); the font is not used.
  void renderText(float x, float y, float z, const QString &text, QFont &font);
  ZelText::font_data &smallFont() { return smallFont_; }
  ZelText::font_data &largeFont() { return largeFont_; }

  // ---- overlay geometry (GLWidgetGeometry.cpp)
  // The glyph of a metric at pos: in 2-D (met m11 m12 m22) an ellipse of radii scale /
  // sqrt(|lambda_k|) along the eigenvectors, in 3-D (six terms) a wire ellipsoid of radii
  // scale x max(1e-6, 0.5 / sqrt(lambda_k)); colour (120, 40, 40). eigVal and eigVec are
  // work space (2 and 4, or 3 and 9 doubles). Nothing when the eigen solver fails, a radius
  // is not finite, or the dimension is neither 2 nor 3; the model-view matrix is left as it was.
  static void drawMetricGlyph(const float pos[3], const double *met, double *eigVal, double *eigVec, int dim,
                              double scale);
  // The n^2 triangles of one quadratic patch (coefficient block of 18: cuu, cvv, cuv, cu, cv,
  // c0) into the caller's glBegin(GL_TRIANGLES): lattice normals, parameters shrunk toward
  // (0.333, 0.333) and points pulled toward centre by shrink. Nothing for level <= 0; a level
  // above 63 draws at 63.
  static void drawCurvedPatch(int level, const float coef[18], const float centre[3], float shrink);
  // The colour of value in colour map `palette` (2 to 9 the compiled-in tables, 10 the user
  // table of 5 rows) over 0..range: the scene's one lookup. A value that is not a number counts
  // as range, a range that is not a number as 0. 0 with the outputs untouched for a map
  // without table.
  static int paletteColor(int palette, float *r, float *g, float *b, const float (*user)[3], float value,
                          float range);

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
  // Repaints with own swap off, grabs the frame without alpha (grabScene: off the screen for a
  // view not on it) and writes it as `name` in `format` (null: by the name's extension) at
  // `quality` (zelWriteImage with the `how` bits: a failed write leaves the old file whole);
  // then own swap on and the painted frame shown.
  // A failed write prints "### WARNING Can't save %s\n" and shows the warning naming the file
  // and why. True when written.
  // The name is the file's bytes.
  bool grabAndWrite(const QByteArray &name, const char *format, int quality, int how = 0);
  // grabScene's off-screen road; the context is current and own swap off.
  QImage grabOffScreen();
  // The device-pixel ratio and the view size W, H of the overlays.
  qreal ratio() const { return devicePixelRatioF(); }

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
  QByteArray windowName_;
  QList<QPointer<QZelBase>> tools_;
  bool ownSwap_ = true;
  ZelText::font_data smallFont_, largeFont_;
  QDir lastImageDir_;
};

// Bridges of the scene engine. updateGlScene repaints the view of the scene's window at once,
// showGlScene shows it (both nothing for a null scene); zelMakeCurrent makes the view of a
// window (the scene's window pointer) current, nothing when the window, its view or the view's
// context is missing.
void updateGlSceneBody(ZelScene *scene);
void showGlScene(void *scene);
void zelMakeCurrentBody(void *window);
