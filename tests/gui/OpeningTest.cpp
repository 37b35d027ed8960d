// Opening meshes into windows: no file, a name without its ending, unreadable files, the
// embedding form with its tessellation and clip plane, and the server-root launch.
#include <gtest/gtest.h>
#include <signal.h>

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <fstream>

#include "common/model/Mesh.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/ZelStartup.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/sample/ZelSample.h"
#include "zelvane/scene/ZelCamera.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelSceneOptions.h"

TEST(Opening, WindowsAreTitledByTheirFileOrEmptyAndNeverShowABox) {
  const std::string broken = runDir() + "/broken.meshb";
  std::ofstream(broken) << "not a mesh file at all";
  struct Row {
    std::vector<std::string> args;
    const char *title;
    bool mesh;
  };
  const Row rows[] = {
      {{}, "[1] Empty", false},
      {{"-in", dataDir() + "/wing"}, "[1] wing.meshb", true},
      {{"-in", runDir() + "/missing/nothing.meshb"}, "[1] Empty", false},
      {{"-in", broken}, "[1] Empty", false},
  };
  // Without a file there is no base name to look for "<base>.zelvane": a file named
  // ".zelvane" in the working folder is not the options of an empty window.
  const QString cwd = QDir::currentPath(), here = QString::fromStdString(runDir()) + "/options";
  QDir().mkpath(here);
  std::ofstream((here + "/.zelvane").toStdString()) << "verbose 77\n";
  QDir::setCurrent(here);
  for (const Row &r : rows) {
    MessageLog log;
    Viewer v(r.args);
    EXPECT_EQ(v.scene(0)->opt->verbose, 0) << r.title;
    EXPECT_EQ(v.scene(0)->RndSet, 0) << r.title;
    ASSERT_EQ(v.app->windows().size(), 1);
    EXPECT_EQ(v.window(0)->windowTitle(), r.title);
    EXPECT_EQ(v.scene(0)->Msh != nullptr, r.mesh) << r.title;
    EXPECT_TRUE(log.shown.empty());
    if (r.mesh) {
      EXPECT_STREQ(v.scene(0)->Msh->MshNam, (dataDir() + "/wing").c_str());
    }
  }
  QDir::setCurrent(cwd);
}

TEST(Opening, TheEmbeddingFormRaisesTheTessellationAtMost32TimesAndRefusesAZeroPlane) {
  auto box = [](Memory_List *mem) { return zelMakeSampleBox(mem, 3); };
  {
    CaptureStdout();
    Viewer v(box, 40);
    const std::string out = GetCapturedStdout();
    EXPECT_EQ(v.window(0)->windowTitle(), "[0] mesh in memory");
    EXPECT_EQ(v.scene(0)->Rnd.TessLevel, 32);
    // The render setting a host's scene carries; a scene read from a file has it 0.
    EXPECT_EQ(v.scene(0)->RndSet, 1);
    EXPECT_NE(out.find("Max tesselation reached"), std::string::npos);
  }
  double zero[4] = {0, 0, 0, 1};
  {
    CaptureStdout();
    Viewer v(box, 0, zero);
    const std::string out = GetCapturedStdout();
    EXPECT_NE(out.find("CLIP PLANE WITH A ZERO NORMAL"), std::string::npos);
    EXPECT_EQ(v.scene(0)->ZelMsh->Pla->On, 0);
  }
  double plane[4] = {2, 0, 0, -1};
  Viewer v(box, 0, plane);
  const ZelPlaEntity *pla = v.scene(0)->ZelMsh->Pla;
  EXPECT_EQ(pla->On, 1);
  for (int c = 0; c < 4; c++) EXPECT_EQ(pla->Pla[pla->Cur][c], plane[c]);
  // The frame moves to the point of the plane nearest the origin, (a, b, c) d / |n|^2.
  EXPECT_DOUBLE_EQ(pla->FrmMat[3], -0.5);
}

TEST(Opening, TheServerRootLineReachesTheProgramWordForWordAndItsInstanceEnds) {
  const QString dir = QString::fromStdString(runDir()) + "/with blank's";
  QDir().mkpath(dir);
  const QString script = dir + "/rec ord.sh", args = dir + "/args.txt";
  {
    std::ofstream s(script.toStdString());
    s << "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$(dirname \"$0\")/args.tmp\"\n"
      << "mv \"$(dirname \"$0\")/args.tmp\" \"$(dirname \"$0\")/args.txt\"\n"
      // Then it stays up as an instance does, holding none of the test's streams.
      << "exec sleep 600 </dev/null >/dev/null 2>&1\n";
  }
  QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  const std::string mesh = dir.toStdString() + "/sample one.meshb";
  CaptureStdout();
  long pid = 0;
  const int result = zelLaunchServerRoot(script.toStdString(), mesh, 4321, &pid);
  EXPECT_EQ(GetCapturedStdout(), "  SYSTEM RETURNED 0 \n");
  EXPECT_EQ(result, 0);
  QElapsedTimer clock;
  clock.start();
  while (!QFile::exists(args) && clock.elapsed() < 10000) QThread::msleep(20);
  QFile file(args);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QStringList words = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
  EXPECT_EQ(words, QStringList({"-in", QString::fromStdString(mesh), "-server-root", "-port", "4321"}));
  // Its process id is known, and ending it leaves at most a process to be reaped.
  auto runs = [pid] {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const size_t close = line.rfind(')');  // "pid (name) state": the name may hold blanks
    return close != std::string::npos && line.compare(close, 3, ") Z") != 0;
  };
  ASSERT_GT(pid, 0);
  EXPECT_TRUE(runs());
  zelEndServerRoot(pid);
  EXPECT_FALSE(runs());
  if (runs()) kill(pid_t(pid), SIGKILL);
}

TEST(Opening, ViewFilesLoadIntoEveryWindowOpenedSoFarAfterEachNewOne) {
  const std::string file = runDir() + "/two.view";
  {
    Viewer one({"-in", dataFile("sample.meshb")});
    ASSERT_EQ(zelSaveView(one.scene(0)), 1);
    ASSERT_EQ(zelSaveView(one.scene(0)), 2);
    ASSERT_TRUE(zelSaveViewInFile(one.scene(0), file.c_str()));
  }
  Viewer v({"-in", dataFile("sample.meshb"), dataFile("edges.meshb"), "-view", file});
  // The first window takes the file again after the second one opens.
  EXPECT_EQ(v.scene(0)->BakView->NbrView, 4);
  EXPECT_EQ(v.scene(1)->BakView->NbrView, 2);
  EXPECT_EQ(v.window(0)->findChild<QComboBox *>("View_1")->count(), 5);
  EXPECT_EQ(v.window(1)->findChild<QComboBox *>("View_2")->itemText(2), "View 2");

  CaptureStderr();
  Viewer bad({"-in", dataFile("sample.meshb"), dataFile("edges.meshb"), "-view", runDir() + "/none.view"});
  EXPECT_NE(GetCapturedStderr().find("Impossible to load View File " + runDir() + "/none.view"), std::string::npos);
  // The file is left out and start-up goes on: the second window, the links, the preferences.
  EXPECT_EQ(bad.app->windows().size(), 2);
  EXPECT_TRUE(bad.app->prefBox());
}
