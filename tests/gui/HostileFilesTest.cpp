// The shell against hostile files: endless inputs named on the command line or by the
// solution-update control file, image saves that cannot succeed or fail midway, and recorded
// saves whose file part would lead out of the folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <random>

#include "common/load/SolutionLoad.h"
#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/LoadFixtures.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/ZelCommandRules.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/record/ZelSequenceServer.h"

using namespace fixtures;

namespace {

QByteArray bytesOf(const QString &path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

bool writeBytes(const QString &path, const QByteArray &bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// An image that compresses badly: its PNG is far larger than a small file-size limit.
QImage noise(int side) {
  QImage img(side, side, QImage::Format_RGB32);
  std::mt19937 gen(7);
  for (int y = 0; y < side; y++)
    for (int x = 0; x < side; x++) img.setPixel(x, y, gen() | 0xff000000u);
  return img;
}

}  // namespace

// The control file, or the solution it names, as a FIFO, a link to /dev/zero or a folder: the
// poll ends at once, refusing it with one line; a refused solution stops auto-update instead
// of being waited for as one still being written. Each poll runs in a child process with a
// deadline.
TEST(HostileFiles, TheControlFileAndItsSolutionAreRefusedAtOnceWhenNotRegularFiles) {
  WorkFolder folder;
  LoadContext ctx;
  Geometric_Mesh *msh = ctx.Load({dataFile("sample.meshb")}, dataFile("sample.solb").c_str());
  ASSERT_TRUE(msh && msh->SolAtVer);
  auto load = [&](const char *name, int64_t *) {
    msh->NbrSolVer = 0;
    return LoadSolution(ctx.Fi, name, msh);
  };
  for (Endless kind : AllEndless) {
    for (bool control : {true, false}) {
      const std::string endless = folder.file(control ? "m_UpdSol.zelvane" : "e.solb");
      ASSERT_TRUE(MakeEndless(endless, kind));
      if (!control) {
        ASSERT_TRUE(SaveText(folder.file("m_UpdSol.zelvane"), endless + "\n"));
      }
      const ZelPoll want = control ? ZelPoll::NoControl : ZelPoll::Unreadable;
      const int v = RunInChild([&] {
        ZelPollTrack last;
        ZelPoll got = ZelPoll::Loaded;
        const Captured c = CaptureText([&] { got = zelPollSolution(folder.file("m_UpdSol.zelvane").c_str(), &last, load); });
        if (got != want) return 1;
        return c.Err.find(endless + " IS A") == std::string::npos ? 2 : 0;
      });
      EXPECT_EQ(v, 0) << (control ? "control file as " : "solution as ") << EndlessName(kind)
                      << (v == -1 ? ": still reading at the deadline" : v == 2 ? ": no line names it" : "");
      RemoveEndless(endless);
      QFile::remove("m_UpdSol.zelvane");
    }
  }
  ctx.Free(msh);
}

// A format the image writer has no writer for touches nothing; a write that fails midway
// leaves the old file whole and no partial one; a save that works replaces it.
TEST(HostileFiles, AnImageSaveThatCannotSucceedOrFailsMidwayLeavesTheOldFileWhole) {
  ScratchFolder dir("image-saves");
  const QByteArray old = "the bytes of an older file of that name";
  const QImage small = noise(16), big = noise(400);
  for (const char *name : {"shot.gif", "shot.mesh", "shot.notaformat"}) {
    const QString path = QString::fromStdString(dir.path(name));
    ASSERT_TRUE(writeBytes(path, old));
    EXPECT_FALSE(zelWriteImage(small, QFile::encodeName(path), nullptr, 100)) << name;
    EXPECT_EQ(bytesOf(path), old) << name;
  }
  const QString png = QString::fromStdString(dir.path("shot.png"));
  ASSERT_TRUE(writeBytes(png, old));
  {
    FileSizeLimit full(65536);
    ASSERT_TRUE(full.active());
    EXPECT_FALSE(zelWriteImage(big, QFile::encodeName(png), "PNG", 100));
  }
  EXPECT_EQ(bytesOf(png), old);
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"shot.gif", "shot.mesh", "shot.notaformat", "shot.png"}));
  ASSERT_TRUE(zelWriteImage(big, QFile::encodeName(png), nullptr, 100));
  EXPECT_EQ(QImage(png), big);
}

// The replay of a recorded save: a format the writer cannot write prints "Can't save" and is
// warned of, naming the file, and leaves the file it names as it was; a file part that holds a folder separator or ".." is
// refused with one line, nothing is written outside the folder, and the replay goes on with
// the next record.
TEST(HostileFiles, ReplayedSavesStayInTheFolderAndNeverTruncateAFile) {
  WorkFolder folder;
  Viewer v({"-in", dataFile("sample.meshb")});
  ASSERT_TRUE(v.view(0));
  // The window's own name is "[1] sample.meshb": its images are "[1] sample" and the ending.
  QDir().mkdir("[1] sample");
  const QString escaped = QDir::cleanPath(QString::fromStdString(folder.path) + "/../escaped.png");
  QFile::remove(escaped);
  const QByteArray old = "an older file the replay must not truncate";
  ASSERT_TRUE(writeBytes("[1] sample.gif", old));
  const std::string seq = folder.file("hostile.seq");
  ASSERT_TRUE(SaveText(seq,
                       "20 0 glWidget 64 48 100 .gif\n"
                       "20 0 glWidget 64 48 100 /../../escaped.png\n"
                       "20 0 glWidget 64 48 100 ..png\n"
                       "20 0 glWidget 64 48 100 .png\n"
                       "-1\n"));
  ZelSequenceServer *server = v.app->server();
  MessageLog log;
  CaptureStdout();
  server->loadSequences(seq.c_str());
  server->execSequences(0);
  const std::string out = GetCapturedStdout();
  EXPECT_CONTAINS(out, "### WARNING Can't save [1] sample.gif\n");
  ASSERT_EQ(log.shown.size(), 1u);
  EXPECT_TRUE(log.shown[0].text.startsWith("Cannot write [1] sample.gif: ")) << log.shown[0].text.toStdString();
  EXPECT_EQ(bytesOf("[1] sample.gif"), old);
  // Each refused by its length, never quoted.
  EXPECT_CONTAINS(out, "the recorded ending (18 bytes) holds a folder separator");
  EXPECT_CONTAINS(out, "the recorded ending (5 bytes) holds a folder separator");
  EXPECT_FALSE(QFile::exists(escaped));
  EXPECT_FALSE(QFile::exists("[1] sample..png"));
  // The record after them still ran.
  EXPECT_FALSE(QImage("[1] sample.png").isNull());
  EXPECT_EQ(QDir("[1] sample").entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
}

// The three commands that never got past reading: a mesh or an SU2 file that is a link to
// /dev/zero, and a saved state that is one. The viewer says at once why it refused the file
// and goes on; with a sequence to replay and end on, it exits as after any replay. (A refused
// state file stops the start-up before the sequence: there the refusal line is the sign.)
TEST(HostileFiles, TheViewerStartsOnEndlessInputsAndSaysWhy) {
  WorkFolder folder;
  folder.copy("sample.meshb", "box.meshb");
  for (const char *name : {"endless.mesh", "endless.su2", "endless.state"})
    ASSERT_EQ(symlink("/dev/zero", folder.file(name).c_str()), 0);
  // An unattended run on a mesh it cannot read ends before its replay.
  ASSERT_TRUE(SaveText(folder.file("end.seq"), "9 0 noSuchWidget 1\n-1\n"));
  struct Row {
    QStringList args;
    const char *refused;  // the name the refusal line gives
    bool exits;           // the process ends at once with the status of a run that cannot start
  };
  const Row rows[] = {
      {{"-in", "endless.mesh", "-seq", "end.seq", "-seq-exit"}, "endless.mesh", true},
      {{"-in", "endless.su2", "-seq", "end.seq", "-seq-exit"}, "endless.su2", true},
      {{"-in", "box.meshb", "-state", "endless.state"}, "endless.state", false},
  };
  for (const Row &r : rows) {
    const QByteArray line = QByteArray(r.refused) + " IS A CHARACTER DEVICE";
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("ASAN_OPTIONS", "detect_leaks=0:allocator_may_return_null=1");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(QString::fromStdString(folder.path));
    p.start(buildProgram("zelvane"), r.args);
    ASSERT_TRUE(p.waitForStarted());
    QByteArray err;
    bool done = false;
    QElapsedTimer clock;
    clock.start();
    // Generous: the sanitizer build starts slowly on a loaded machine.
    while (!done && clock.elapsed() < 120000) {
      p.waitForReadyRead(200);
      err += p.readAllStandardError();
      done = r.exits ? p.state() == QProcess::NotRunning : err.contains(line);
    }
    const bool exited = p.state() == QProcess::NotRunning;
    if (!exited) {
      p.kill();
      p.waitForFinished();
    }
    err += p.readAllStandardError();
    const std::string what = r.args.join(' ').toStdString();
    EXPECT_TRUE(done) << what << ": still reading at the deadline";
    if (r.exits) {
      EXPECT_TRUE(exited && p.exitCode() == ZelExitUnattended) << what;
    }
    EXPECT_TRUE(err.contains(line)) << what << "\n" << err.toStdString();
  }
}
