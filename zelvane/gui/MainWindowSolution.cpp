// The solution commands: the poll of the control file a solver rewrites, choosing a solution
// file, checking the control file once and stepping to a numbered solution.
#include <QDir>
#include <QTimer>
#include <cstdio>
#include <string>

#include "common/base/ShownName.h"
#include "common/model/Mesh.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/ZelCommandRules.h"
#include "zelvane/gui/ZelDialogs.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/record/QZelAction.h"
#include "zelvane/scene/ZelHooks.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelSolutionControl.h"

namespace {
// The rendezvous with a solver: the control file's name beside the mesh.
QByteArray controlFile(const ZelScene *scene) {
  return QByteArray(scene->Msh->MshNam) + "_UpdSol.zelvane";
}
ZelScene *meshScene(ZelScene *scene) { return scene && scene->Msh ? scene : nullptr; }
}  // namespace

void MainWindow::TimerSolUpdt() {
  if (!meshScene(getScene())) return;
  if (!autoStopped_) {
    stopAutoUpdate();
    return;
  }
  actions_[ActAutoUpdate]->setText(tr("Stop Auto Update Sol"));
  autoStopped_ = false;
  timer_->start(100);
}

int MainWindow::loadSolution(ZelScene *scene, const char *file, int64_t *readTime) {
  const int r = zel_updateSol(scene, file, readTime);
  if (r != 1) return r;
  adoptSolution(scene);
  // Every palette was spread again over the new values: the solution window shows them, as
  // one opened on the file would.
  if (solTool_ && scene == getScene()) solTool_->update();
  return r;
}

int MainWindow::loadSolutionSaying(ZelScene *scene, const char *file) {
  int r = 0;
  const std::string said = zelTapStderr([&] { r = loadSolution(scene, file); });
  fwrite(said.data(), 1, said.size(), stderr);
  fflush(stderr);
  // What a file that was taken warns of, the reload shows itself; a refusal is all here.
  if (r == 0) zelShowLoadNotices(window_, said);
  return r;
}

void MainWindow::stopAutoUpdate() {
  actions_[ActAutoUpdate]->setText(tr("Start Auto Update Sol"));
  autoStopped_ = true;
  timer_->stop();
  track_ = ZelPollTrack();
}

void MainWindow::autoUpdate() {
  ZelScene *scene = meshScene(getScene());
  if (!scene) return;
  std::string say, why;
  const ZelPoll poll = zelPollSolution(
      controlFile(scene).constData(), &track_,
      [this, scene](const char *f, int64_t *readTime) { return loadSolution(scene, f, readTime); },
      window_ ? &say : nullptr, &why);
  // In the terminal, which echoes it on standard output.
  zelShowLoadNotices(window_, say);
  if (poll == ZelPoll::NoControl || poll == ZelPoll::Unreadable) stopAutoUpdate();
  // The updates stop for good only on a whole file that is refused: the window says why, a
  // terminal line (echoed with the window's number) for each line of standard error's.
  if (poll == ZelPoll::Unreadable && window_) zelShowLoadNotices(window_, why);
}

int MainWindow::updateSol(char *SolFile) {
  ZelScene *scene = meshScene(getScene());
  return scene ? loadSolution(scene, SolFile) : 0;
}

void MainWindow::selectSol() {
  ZelScene *scene = meshScene(getScene());
  if (!scene) return;
  const QByteArray name = zelDialogs()
                              .openFileName(this, tr("Select one solution file to open"), QDir::current().absolutePath(),
                                            tr("Solution (*.sol *.solb)"))
                              .toLocal8Bit();
  const int r = loadSolutionSaying(scene, name.constData());
  const std::string shown = ShownName(name.toStdString());
  if (r == 2) printf(" \n%%%% WARNING: Solution file  %s not ready, wait untill its fully writen\n", shown.c_str());
  if (r == 0) printf(" \n%%%% WARNING: Solution file  %s not readable, check terminal for error \n", shown.c_str());
}

void MainWindow::checkUpdateSol() {
  ZelScene *scene = meshScene(getScene());
  if (!scene) return;
  const QByteArray control = controlFile(scene);
  char word[4096];
  if (!zelControlWord(control.constData(), word)) return;
  if (loadSolutionSaying(scene, word) == 0) {
    printf(" \n%%%% WARNING: Solution file  %s not readable, might be used by an other programm \n",
           ShownName(word).c_str());
    printf(" \n%%%% WARNING: Otherwise check name in %s or existence in folder  \n",
           ShownName(control.toStdString()).c_str());
  }
}

void MainWindow::animateSol() {
  // A mesh without a solution may be given one this way too.
  ZelScene *scene = meshScene(getScene());
  if (!scene) return;
  bool ok = false;
  const QString answer =
      zelDialogs().text(this, tr("Animated solution "), tr("Initial sol file number ?"), QString(), &ok);
  // Only an answer with nothing in it is refused: letters still name a file.
  if (answer.trimmed().isEmpty()) {
    fprintf(stderr, "WARNING: Incorrect value you should put an integer \n");
    return;
  }
  const QByteArray name = QByteArray(scene->Msh->MshNam) + "." + answer.toLocal8Bit();
  printf("nom sol = %s \n", ShownName(name.toStdString()).c_str());
  const int r = loadSolutionSaying(scene, name.constData());
  printf("upd ok ");
  if (r)
    solutionNumber_ = answer;
  else
    printf("%%%% WARNING: Solution file doesn't exist! \n ");
}
