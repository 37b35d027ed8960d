// Recording times and timed replay, driven by a replaced clock and timer so that no test waits:
// the delays, the waits armed per mode, the end of a replay, replays that must not restart
// themselves, and key and mouse records delivered as events.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <cmath>
#include <sstream>

#include "tests/support/CaptureText.h"
#include "zelvane/record/QZelAction.h"
#include "zelvane/record/QZelSpinBox.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/record/ZelSignalSequence.h"

namespace {

// A server whose clock, timer and exit are the test's.
struct Rig {
  ZelSequenceServer server{1};
  qint64 now = 0;
  std::vector<int> armed;
  std::vector<int> exits;
  int finishedSignals = 0;

  Rig() {
    server.setClock([this] { return now; });
    server.setTimerArm([this](int ms) { armed.push_back(ms); });
    server.setReplayExit([this](int status) { exits.push_back(status); });
    QObject::connect(&server, &ZelSequenceServer::replayFinished, [this] { finishedSignals++; });
  }
  void load(int type, const char *name, const char *value, float delay = 0.0f) {
    auto *rec = new ZelSignalSequence(type, name, QString(value));
    rec->delay = delay;
    server.loaded().emplace_back(rec);
  }
  void load(const std::string &text) {
    std::istringstream is(text);
    zelReadSequences(is, server.loaded());
  }
  // Ticks until the replay ends; returns what was printed.
  std::string play(int mode) {
    CaptureStdout();
    server.execSequences(mode);
    for (int guard = 0; server.replaying() && guard < 1000; guard++) server.run();
    return GetCapturedStdout();
  }
};

}  // namespace

TEST(ReplayTiming, DelaysCountFromConstructionAndFiltersKeepTheClock) {
  Rig rig;
  QMoveEvent still(QPoint(5, 5), QPoint(5, 5)), moved(QPoint(9, 5), QPoint(5, 5));
  struct Step {
    qint64 ms;
    std::function<void(ZelSequenceServer &)> act;
    float delay;  // NaN: no record
  } steps[] = {
      {1500, [](ZelSequenceServer &s) { s.addValueChanged("spin", 3); }, 1.5f},
      {1750, [](ZelSequenceServer &s) { s.addTriggered("recordSeq", false); }, NAN},
      {1800, [](ZelSequenceServer &s) { s.addTriggered("recordSeqA", false); }, 0.3f},
      {2000, [&](ZelSequenceServer &s) { s.addMoveEvent("w", &still); }, NAN},
      {2100, [](ZelSequenceServer &s) { s.addTriggered("RecordSeq", true); }, 0.3f},
      {2600, [&](ZelSequenceServer &s) { s.addMoveEvent("w", &moved); }, 0.5f},
  };
  for (const Step &st : steps) {
    rig.now = st.ms;
    size_t before = rig.server.recorded().size();
    st.act(rig.server);
    ASSERT_EQ(rig.server.recorded().size(), before + (std::isnan(st.delay) ? 0 : 1)) << st.ms;
    if (!std::isnan(st.delay)) {
      EXPECT_NEAR(rig.server.recorded().back()->delay, st.delay, 1e-4) << st.ms;
    }
  }
}

TEST(ReplayTiming, WaitsArmedPerModeStayValid) {
  struct Case {
    float delay;
    int mode, ms;
  } cases[] = {{5.0f, 2, 5000},     {5.0f, 1, 100},  {5.0f, 3, 100}, {0.0625f, 1, 62}, {0.0625f, 2, 62},
               {0.0625f, 3, 62},    {-3.0f, 2, 0},   {NAN, 2, 0},    {1e30f, 2, 86400000},
               {1e30f, 1, 100}};
  for (const Case &c : cases) {
    Rig rig;
    QZelSpinBox spin("spin", &rig.server);
    rig.load(13, "spin", "4", c.delay);
    rig.play(c.mode);
    ASSERT_EQ(rig.armed.size(), 1u);
    EXPECT_EQ(rig.armed[0], c.ms) << c.delay << " mode " << c.mode;
    EXPECT_EQ(spin.value(), 4);
  }
  Rig idle;
  idle.server.execSequences(1);  // nothing loaded: nothing armed, nothing finished
  EXPECT_TRUE(idle.armed.empty());
  EXPECT_FALSE(idle.server.replaying());
}

TEST(ReplayTiming, ReplaySkipsUnknownNamesAndATimedOneEndsOnceThroughTheSeams) {
  Rig rig;
  QZelSpinBox spin("spin", &rig.server);
  std::vector<int> seen;
  QObject::connect(&spin, qOverload<int>(&QSpinBox::valueChanged), [&seen](int v) { seen.push_back(v); });
  QZelObject mainWindow;
  rig.server.addZelObject("", &mainWindow);
  std::vector<QZelObject *> refreshed;
  rig.server.setReplayEndHook([&refreshed](QZelObject *o) { refreshed.push_back(o); });
  rig.load(13, "spin", "3", 0.5f);
  rig.load(13, "ghost", "4");
  rig.load(13, "spin", "5", 0.01f);

  // All at once: one line per record found, no timer, no end.
  std::string out = rig.play(0);
  EXPECT_CONTAINS(out, " running sequence 2 on widget spin\n");
  EXPECT_EQ(out.find("ghost"), std::string::npos);
  EXPECT_TRUE(rig.armed.empty());
  EXPECT_EQ(rig.server.finished() + rig.finishedSignals, 0);

  rig.play(2);
  EXPECT_EQ(rig.server.finished(), 1);
  EXPECT_EQ(rig.armed, std::vector<int>({500, 0, 10}));
  EXPECT_TRUE(rig.exits.empty());

  CaptureStdout();
  rig.server.execSequences(3);
  EXPECT_EQ(rig.server.finished(), 0);  // a new replay does not look finished
  for (int guard = 0; rig.server.replaying() && guard < 10; guard++) {
    EXPECT_EQ(rig.server.finished(), 0);
    rig.server.run();
  }
  GetCapturedStdout();
  EXPECT_EQ(rig.server.finished(), 1);
  EXPECT_EQ(rig.finishedSignals, 2);
  EXPECT_EQ(refreshed, std::vector<QZelObject *>({&mainWindow, &mainWindow}));
  EXPECT_EQ(rig.exits, std::vector<int>({1}));
  // Unattended, the ghost costs no wait: a file of millions of them must not last for days.
  EXPECT_EQ(rig.armed, std::vector<int>({500, 0, 10, 100, 10}));
  EXPECT_EQ(rig.server.played(), 2u);
  EXPECT_EQ(seen, std::vector<int>({3, 5, 3, 5, 3, 5}));
  rig.server.run();  // a stray tick after the end does nothing
  EXPECT_EQ(rig.finishedSignals, 2);
}

TEST(ReplayTiming, AReplayedRecordCannotRestartTheReplay) {
  for (int mode : {0, 1, 2}) {
    Rig rig;
    QZelAction play("play", &rig.server, "Play", nullptr);
    int plays = 0;
    QObject::connect(&play, &QAction::triggered, [&] {
      plays++;
      rig.server.execSequences(mode);
      rig.server.execSequences(mode == 0 ? 1 : 0);
    });
    QZelSpinBox spin("spin", &rig.server);
    int spins = 0;
    QObject::connect(&spin, qOverload<int>(&QSpinBox::valueChanged), [&spins] { spins++; });
    rig.load(9, "play", "0");
    rig.load(13, "spin", "7");
    rig.play(mode);
    EXPECT_EQ(plays, 1) << mode;
    EXPECT_EQ(spins, 1) << mode;
    EXPECT_EQ(rig.armed.size(), mode == 0 ? 0u : 2u) << mode;
    EXPECT_EQ(rig.finishedSignals, mode == 0 ? 0 : 1) << mode;
  }
}

TEST(ReplayTiming, KeyAndMouseRecordsArriveAsEvents) {
  Rig rig;
  QZelSpinBox view("view", &rig.server);
  std::vector<std::string> keys;
  std::vector<std::vector<int>> mice;
  struct Filter : QObject {
    std::function<bool(QEvent *)> f;
    bool eventFilter(QObject *, QEvent *e) override { return f(e); }
  } filter;
  filter.f = [&](QEvent *e) {
    if (e->type() == QEvent::KeyPress) {
      keys.push_back(static_cast<QKeyEvent *>(e)->text().toStdString());
      return true;
    }
    if (auto *m = dynamic_cast<QMouseEvent *>(e)) {
      mice.push_back({int(m->type()), m->x(), m->y(), int(m->button()), int(m->buttons())});
      return true;
    }
    return false;
  };
  view.installEventFilter(&filter);
  CaptureStdout();
  rig.load("0 0 view a 65 0 3\n0 0 view * 16777234 0 1\n0 0 view * 42 0 1\n"
           "5 0 view 0 0 0 11 20\n6 0 view 1 1 0 11 20\n7 0 view 0 1 0 12 21\n8 0 view 1 0 0 12 21\n-1\n");
  GetCapturedStdout();
  rig.play(1);
  EXPECT_EQ(keys, std::vector<std::string>({"a", "a", "a", " ", "*"}));
  EXPECT_EQ(mice, std::vector<std::vector<int>>({{int(QEvent::None), 11, 20, 0, 0},
                                                 {int(QEvent::MouseButtonPress), 11, 20, 1, 1},
                                                 {int(QEvent::MouseMove), 12, 21, 0, 1},
                                                 {int(QEvent::MouseButtonRelease), 12, 21, 1, 0}}));
}
