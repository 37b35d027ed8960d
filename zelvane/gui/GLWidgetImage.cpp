// Images of the view: the interactive save with the images of its linked views, the save
// under a given name, and the replay of a recorded save.
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <cstdio>

#include "common/base/ShownName.h"
#include "common/base/UserFile.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/ZelCommandRules.h"
#include "zelvane/gui/ZelDialogs.h"
#include "zelvane/gui/ZelMessage.h"
#include "zelvane/gui/ZelSaveWait.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelScene.h"

namespace {
// Images of linked views written so far by this process; never reset, so that the images of
// later saves do not overwrite earlier ones.
int linkedImages = 0;
}  // namespace

int zelLinkedImageCounter() { return linkedImages; }

bool GLWidget::grabAndWrite(const QByteArray &name, const char *format, int quality, int how) {
  bool shown = false;
  const QImage image = grabScene(&shown);
  QString reason;
  ZelSavingFor saving(scene_ ? scene_->Win : nullptr);
  const bool written = zelWriteImage(image, name, format, quality, how | UserFileQuiet, &reason);
  ownSwap_ = true;
  // The back buffer holds the frame just painted: showing it is the repaint, without drawing
  // a large scene a second time. A view not on the screen was drawn off it.
  if (shown) {
    makeCurrent();
    swapBuffers();
  }
  // After the view is whole again: the box may stay up for long. The line on standard
  // output stays for the scripts that watch it.
  if (!written) {
    printf("### WARNING Can't save %s\n", ShownName(name.toStdString()).c_str());
    zelWarnWriteFailed(QFile::decodeName(name), reason);
  }
  return written;
}

void GLWidget::renderIntoPixmap() {
  const QSize size(sceneWidth(), sceneHeight());
  const QString name =
      zelDialogs().saveFileName(this, tr("Choose a file name"), lastImageDir_.absolutePath(),
                                tr("(*.jpg *.jpeg *.png *.ppm *.bmp)"));
  if (name.isEmpty()) return;
  lastImageDir_ = QFileInfo(name).dir();
  QString extension = zelImageExtension(name);
  if (server_) server_->addSaveImage(objectName(), extension, size, 100);
  // PNG data whatever the extension: readers recognise PNG by its content.
  if (!grabAndWrite(QFile::encodeName(name), "PNG", 100)) return;
  QString chosen = name;
  propagateSaveImage(chosen);
}

void GLWidget::renderIntoPixmap(QString &name) {
  const QSize size(sceneWidth(), sceneHeight());
  printf("  ** rendering  image in filename %s\n", ShownName(name.toLocal8Bit().toStdString()).c_str());
  if (name.isEmpty()) return;
  QString extension = zelImageExtension(name);
  if (server_) server_->addSaveImage(objectName(), extension, size, 100);
  grabAndWrite(QFile::encodeName(name), "PNG", 100);
}

void GLWidget::propagateSaveImage(QString &name) {
  auto save = [&](GLWidget *view) {
    if (!zelLnkSceneView(nullptr, scene_, view->scene_)) return;
    QString linked = zelLinkedImageName(name, linkedImages);
    view->renderIntoPixmap(linked);
    linkedImages++;
  };
  for (GLWidget *v = next_; v && v != this; v = v->next_) save(v);
  for (GLWidget *v = prev_; v && v != this; v = v->prev_) save(v);
}

void GLWidget::setSaveImage(int width, int height, int flag, const std::string &file) {
  fprintf(stderr, "(%d %d)  [%d %d]\n", sceneWidth(), sceneHeight(), width, height);
  // The window's name without its last extension, byte for byte, then the recorded ending.
  QByteArray name = windowName_.mid(windowName_.lastIndexOf('/') + 1);
  if (const int dot = name.lastIndexOf('.'); dot >= 0) name.truncate(dot);
  // A sequence file comes from anyone: its file part only ends the window's own name, never
  // leads out of the current folder, and a name no folder could hold is refused at once.
  const QString refused = zelImageEndingRefusal(name, file);
  if (!refused.isEmpty()) {
    const QString line = "Image save refused: " + refused;
    printf("### WARNING %s\n", line.toUtf8().constData());
    zelUnattendedSaveFailed(line);
    return;
  }
  name += QByteArray::fromStdString(file);
  printf(" SAVING IMAGE WITH NAME %s\n", ShownName(name.toStdString()).c_str());
  // The name comes from a sequence file: a link planted under it is refused, not followed.
  grabAndWrite(name, nullptr, flag, UserFileNoFollow);
}
