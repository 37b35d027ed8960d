// Speed of the sequence recorder: writing and reading a file of 100000 mixed records, a fast
// replay of 10000 zero-delay signal records onto a panel of spin boxes, and the cost of
// recording one relayed widget signal. The messages the recorder prints go to /dev/null while
// measured. Needs a display (scripts/with-display.sh).
//
//   SequenceBench [google benchmark flags]
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "zelvane/record/QZelSpinBox.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/record/ZelSignalSequence.h"

namespace {

constexpr int FileRecords = 100000;
constexpr int ReplayRecords = 10000;
constexpr int Spins = 16;

// Standard output sent to /dev/null for the scope.
class Quiet {
 public:
  Quiet() {
    std::cout.flush();
    std::fflush(stdout);
    saved_ = dup(1);
    int null = open("/dev/null", O_WRONLY);
    dup2(null, 1);
    close(null);
  }
  ~Quiet() {
    std::cout.flush();
    std::fflush(stdout);
    dup2(saved_, 1);
    close(saved_);
  }

 private:
  int saved_;
};

std::string filePath() {
  const char *dir = std::getenv("TMPDIR");
  return std::string(dir ? dir : "/tmp") + "/zel_sequence_bench.seq";
}

// Every kind of record a session makes, in turn, with names as the panels give them.
void recordMixed(ZelSequenceServer &server, int count) {
  QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QMouseEvent mouse(QEvent::MouseMove, QPointF(120.5, 80.25), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QMoveEvent move(QPoint(40, 30), QPoint(10, 10));
  QString file = ".png";
  for (int i = 0; i < count; i++) {
    const QString name = QString("entity:%1:srf").arg(i % 50);
    switch (i % 8) {
      case 0: server.addKeyPressEvent("glWidget", &key); break;
      case 1: server.addMouseMoveEvent("glWidget", &mouse); break;
      case 2: server.addValueChanged(name, i % 1000); break;
      case 3: server.addValueChanged(name, i * 0.001); break;
      case 4: server.addTextChanged(name, QString("iso %1").arg(i)); break;
      case 5: server.addStateChanged(name, 2 * (i & 1)); break;
      case 6: server.addMoveEvent("mainwindow:1", &move); break;
      default: server.addSaveImage("glWidget", file, QSize(800, 600), 100); break;
    }
  }
}

void BM_WriteFile(benchmark::State &state) {
  ZelSequenceServer server(1);
  recordMixed(server, FileRecords);
  const std::string path = filePath();
  for (auto _ : state) server.saveSequences(path.c_str());
  state.SetItemsProcessed(state.iterations() * FileRecords);
  std::remove(path.c_str());
}
BENCHMARK(BM_WriteFile)->Unit(benchmark::kMillisecond);

void BM_ReadFile(benchmark::State &state) {
  const std::string path = filePath();
  {
    ZelSequenceServer writer(1);
    recordMixed(writer, FileRecords);
    writer.saveSequences(path.c_str());
  }
  size_t read = 0;
  for (auto _ : state) {
    ZelSequenceServer server(1);
    Quiet quiet;
    server.loadSequences(path.c_str());
    read = server.loaded().size();
  }
  state.counters["records"] = double(read);
  state.SetItemsProcessed(state.iterations() * FileRecords);
  std::remove(path.c_str());
}
BENCHMARK(BM_ReadFile)->Unit(benchmark::kMillisecond);

void BM_ReplayFast(benchmark::State &state) {
  ZelSequenceServer server(1);
  std::vector<std::unique_ptr<QZelSpinBox>> spins;
  for (int k = 0; k < Spins; k++) {
    spins.emplace_back(new QZelSpinBox(QString("spin:%1").arg(k), &server));
    spins.back()->setRange(0, 1000);
  }
  for (int i = 0; i < ReplayRecords; i++)
    server.loaded().emplace_back(new ZelSignalSequence(13, QString("spin:%1").arg(i % Spins), i % 997));
  QEventLoop loop;
  QObject::connect(&server, &ZelSequenceServer::replayFinished, &loop, &QEventLoop::quit);
  for (auto _ : state) {
    Quiet quiet;
    server.execSequences(1);
    loop.exec();
  }
  state.SetItemsProcessed(state.iterations() * ReplayRecords);
}
BENCHMARK(BM_ReplayFast)->Unit(benchmark::kMillisecond);

// One user change on a spin box, without and with its record: the difference is the cost of
// recording one relayed signal.
void BM_SpinChange(benchmark::State &state) {
  ZelSequenceServer server(int(state.range(0)));
  QZelSpinBox spin("sol:mapBox:1:2:3", &server);
  spin.setRange(0, 1000);
  int v = 0;
  for (auto _ : state) spin.setValue(v = (v + 1) % 1000);
  state.counters["records"] = double(server.recorded().size());
}
BENCHMARK(BM_SpinChange)->ArgName("recording")->Arg(0)->Arg(1);

}  // namespace

int main(int argc, char **argv) {
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
