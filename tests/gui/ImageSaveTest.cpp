// Images of the view: the interactive save with the images of the linked views, its record,
// its replay in this process and in a new one.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <cstring>
#include <fstream>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QMouseEvent>
#include <QProcess>
#include <QRegularExpression>

#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/GLHarness.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/ZelCommandRules.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/record/QZelAction.h"
#include "zelvane/record/ZelSaveImageSequence.h"
#include "zelvane/record/ZelSequenceServer.h"

namespace {

QByteArray formatOf(const std::string &path) { return QImageReader(QString::fromStdString(path)).format(); }

// An image with more than one colour in it.
bool drawn(const QImage &img) {
  return !img.isNull() && img.width() * img.height() - countPixels(img, qRed(img.pixel(0, 0)), qGreen(img.pixel(0, 0)),
                                                                    qBlue(img.pixel(0, 0))) > 100;
}

ZelSaveImageSequence *lastSave(ZelSequenceServer *server, const char *file) {
  ZelSaveImageSequence *found = nullptr;
  for (const auto &r : server->recorded())
    if (auto *s = dynamic_cast<ZelSaveImageSequence *>(r.get()))
      if (s->file == file) found = s;
  return found;
}


}  // namespace

TEST(ImageSaving, AViewAndItsLinkedViewWritePngsUnderNumberedNamesAndTheSaveReplays) {
  WorkFolder folder;
  QDir().mkdir("xpng");
  Viewer v({"-in", dataFile("sample.meshb"), dataFile("sample.meshb")});
  GLWidget *view = v.view(0);
  const std::string shot = folder.file("xpng/shot.jpg");
  ScriptedDialogs dialogs({{QString::fromStdString(shot)}, {QString::fromStdString(shot)}});
  const int counter = zelLinkedImageCounter();
  v.window(0)->action(ActSaveImage)->trigger();
  EXPECT_EQ(dialogs.calls.at(0).caption, "Choose a file name");
  EXPECT_EQ(dialogs.calls.at(0).filter, "(*.jpg *.jpeg *.png *.ppm *.bmp)");
  EXPECT_EQ(formatOf(shot), "png");
  const QImage image(QString::fromStdString(shot));
  const qreal ratio = view->devicePixelRatioF();
  EXPECT_EQ(image.size(), QSize(int(view->sceneWidth() * ratio), int(view->sceneHeight() * ratio)));
  EXPECT_TRUE(drawn(image));
  const std::string linked = folder.file("xpng/shot_" + std::to_string(counter) + ".png");
  EXPECT_TRUE(drawn(QImage(QString::fromStdString(linked))));
  EXPECT_EQ(view->lastImageDir().absolutePath(), QString::fromStdString(folder.file("xpng")));

  ZelSaveImageSequence *rec = lastSave(v.app->server(), ".jpg");
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->name, "glWidget");
  EXPECT_EQ(rec->width, view->sceneWidth());
  EXPECT_EQ(rec->height, view->sceneHeight());
  EXPECT_EQ(rec->flag, 100);

  // The next save of the linked group goes on with the numbers.
  v.window(0)->action(ActSaveImage)->trigger();
  EXPECT_TRUE(QFile::exists(QString::fromStdString(folder.file("xpng/shot_" + std::to_string(counter + 1) + ".png"))));

  // Replayed: "[1] sample" and the recorded extension, in that format, here.
  rec->exec(view);
  EXPECT_EQ(formatOf("[1] sample.jpg"), "jpeg");

  // A folder that does not exist: the warning with the reason, no linked image, and the view
  // still paints.
  ScriptedDialogs missing({{"/no-such-folder/x.png"}});
  MessageLog log;
  CaptureStdout();
  v.window(0)->action(ActSaveImage)->trigger();
  EXPECT_CONTAINS(GetCapturedStdout(), "### WARNING Can't save /no-such-folder/x.png\n");
  ASSERT_EQ(log.shown.size(), 1u);
  EXPECT_EQ(log.shown[0].text, "Cannot write /no-such-folder/x.png: " + QString::fromLocal8Bit(strerror(ENOENT)));
  EXPECT_EQ(log.shown[0].icon, QMessageBox::Warning);
  EXPECT_EQ(zelLinkedImageCounter(), counter + 2);
  EXPECT_TRUE(view->ownSwap());
  EXPECT_TRUE(drawn(view->grabScene()));
}

// A replayed save is named after the mesh's file name byte for byte, whether or not that name
// is text in any encoding.
TEST(ImageSaving, AReplayedSaveKeepsTheBytesOfTheMeshName) {
  WorkFolder folder;
  const std::string mesh = "bad\377\376name.meshb";
  std::ofstream(mesh, std::ios::binary) << std::ifstream(dataFile("sample.meshb"), std::ios::binary).rdbuf();
  Viewer v({"-in", mesh});
  CaptureStdout();
  ZelSaveImageSequence(QString("glWidget"), QString(".png"), QSize(64, 48), 100).exec(v.view(0));
  GetCapturedStdout();
  struct stat st;
  EXPECT_EQ(stat("[1] bad\377\376name.png", &st), 0);
}

// A replayed save of a step of a series keeps its number: only the last ending goes.
TEST(ImageSaving, AReplayedSaveOfAStepOfASeriesKeepsItsNumber) {
  WorkFolder folder;
  folder.copy("sample.meshb", "wing.12.meshb");
  Viewer v({"-in", "wing.12.meshb"});
  CaptureStdout();
  ZelSaveImageSequence(QString("glWidget"), QString(".png"), QSize(64, 48), 100).exec(v.view(0));
  GetCapturedStdout();
  EXPECT_TRUE(QFile::exists("[1] wing.12.png"));
}

TEST(ImageSaving, ARecordedDragAndSaveReplayInANewProcessThatWritesTheTurnedView) {
  WorkFolder folder;
  folder.copy("sample.meshb", "sample.meshb");
  auto record = [&](bool withDrag, const std::string &seq) {
    Viewer v({"-in", "sample.meshb"});
    if (withDrag) dragView(v.view(0), QPoint(30, 10));
    ScriptedDialogs dialogs({{QString::fromStdString(folder.file("shot.png"))}});
    v.window(0)->action(ActSaveImage)->trigger();
    v.app->server()->saveSequences(seq.c_str());
  };
  record(true, folder.file("drag.seq"));
  record(false, folder.file("still.seq"));

  auto replay = [&](const char *seq, const char *dir) {
    QDir().mkdir(dir);
    QFile::copy("sample.meshb", QString(dir) + "/sample.meshb");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ASAN_OPTIONS", "detect_leaks=0:allocator_may_return_null=1");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(dir);
    p.start(buildProgram("zelvane"), {"-in", "sample.meshb", "-seq", QString::fromStdString(folder.file(seq)),
                                      "-seq-exit"});
    EXPECT_TRUE(p.waitForFinished(60000));
    EXPECT_EQ(p.exitCode(), 1) << p.readAllStandardOutput().toStdString();
    // The view's size at the replay is reported on the error stream: "(W H)  [w h]".
    const QString err = p.readAllStandardError();
    const QRegularExpressionMatch m = QRegularExpression("\\((\\d+) (\\d+)\\)  \\[\\d+ \\d+\\]").match(err);
    EXPECT_TRUE(m.hasMatch()) << err.toStdString();
    QImage img(QString(dir) + "/[1] sample.png");
    EXPECT_EQ(img.size(), QSize(m.captured(1).toInt(), m.captured(2).toInt()));
    return img;
  };
  const QImage turned = replay("drag.seq", "a"), still = replay("still.seq", "b");
  EXPECT_TRUE(drawn(turned));
  EXPECT_TRUE(drawn(still));
  EXPECT_NE(turned, still);
}
