// The ten recordable widgets on a small panel: what a user does is recorded once, and replayed
// onto a fresh panel under the same names it runs the panel's slots once each with the
// recorded values and leaves the widgets showing them.
#include <gtest/gtest.h>

#include <QListWidget>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>
#include <tuple>

#include "tests/support/CaptureText.h"
#include "zelvane/record/QZelAction.h"
#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelDoubleSpinBox.h"
#include "zelvane/record/QZelGroupBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/record/QZelListWidget.h"
#include "zelvane/record/QZelPushButton.h"
#include "zelvane/record/QZelSlider.h"
#include "zelvane/record/QZelSpinBox.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/record/ZelSignalSequence.h"

namespace {

// A panel as a creator builds one: the wrappers first, then its own slots on their signals.
// Every slot run is logged with its value and with the number of records made by then.
struct Panel {
  QWidget root;
  QZelAction *action;
  QZelLineEdit *line;
  QZelComboBox *combo;
  QZelPushButton *push;
  QZelCheckBox *check;
  QZelDoubleSpinBox *dspin;
  QZelGroupBox *group;
  QZelSpinBox *spin;
  QZelListWidget *list;
  QZelSlider *slider;
  QToolButton *tool;
  std::vector<std::string> calls;
  std::vector<size_t> recordsAtCall;

  explicit Panel(ZelSequenceServer *server, bool checked = false) {
    auto *lay = new QVBoxLayout(&root);
    action = new QZelAction("act", server, "Act", &root);
    tool = new QToolButton;
    tool->setDefaultAction(action);
    line = new QZelLineEdit("line", server);
    combo = new QZelComboBox("combo", server);
    combo->addItems({"a", "b", "c"});
    push = new QZelPushButton("push", server, "Push");
    check = new QZelCheckBox("check", server, "Check");
    check->setChecked(checked);
    dspin = new QZelDoubleSpinBox("dspin", server);
    dspin->setSingleStep(0.1);
    group = new QZelGroupBox("group", server, "Group");
    group->setCheckable(true);
    group->setChecked(false);
    spin = new QZelSpinBox("spin", server);
    list = new QZelListWidget("list", server);
    list->addItems({"x", "y"});
    slider = new QZelSlider("slider", server, Qt::Horizontal);
    for (QWidget *w : std::initializer_list<QWidget *>{tool, line, combo, push, check, dspin, group, spin, list, slider})
      lay->addWidget(w);
    auto log = [this, server](const std::string &what) {
      calls.push_back(what);
      recordsAtCall.push_back(server->recorded().size());
    };
    QObject::connect(action, &QAction::triggered, [log](bool b) { log("act " + std::to_string(b)); });
    QObject::connect(line, &QLineEdit::textChanged, [log](const QString &t) { log("text " + t.toStdString()); });
    QObject::connect(line, &QLineEdit::returnPressed, [log, this] { log("return " + line->text().toStdString()); });
    QObject::connect(line, &QLineEdit::editingFinished, [log, this] { log("done " + line->text().toStdString()); });
    QObject::connect(combo, qOverload<int>(&QComboBox::activated), [log](int i) { log("combo " + std::to_string(i)); });
    QObject::connect(push, &QPushButton::clicked, [log](bool b) { log("push " + std::to_string(b)); });
    QObject::connect(check, &QCheckBox::stateChanged, [log](int s) { log("check " + std::to_string(s)); });
    QObject::connect(dspin, qOverload<double>(&QDoubleSpinBox::valueChanged),
                     [log](double v) { log("dspin " + QString::number(v).toStdString()); });
    QObject::connect(group, &QGroupBox::clicked, [log](bool b) { log("group " + std::to_string(b)); });
    QObject::connect(spin, qOverload<int>(&QSpinBox::valueChanged), [log](int v) { log("spin " + std::to_string(v)); });
    QObject::connect(list, &QListWidget::itemSelectionChanged, [log] { log("list"); });
    QObject::connect(slider, &QSlider::valueChanged, [log](int v) { log("slider " + std::to_string(v)); });
    root.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&root));
  }
};

using Record = std::tuple<int, std::string, std::string>;  // type, name, value

std::vector<Record> records(const ZelSequenceList &list, size_t from = 0) {
  std::vector<Record> out;
  for (size_t i = from; i < list.size(); i++) {
    auto *sig = dynamic_cast<const ZelSignalSequence *>(list[i].get());
    out.push_back({list[i]->type, list[i]->name, sig ? sig->value : "?"});
  }
  return out;
}

}  // namespace

TEST(Wrappers, UserActionsAreRecordedOnceAndReplayOnceOntoAFreshPanel) {
  ZelSequenceServer server(1);
  auto a = std::make_unique<Panel>(&server);
  struct Act {
    std::function<void()> act;
    std::vector<Record> expect;
  } acts[] = {
      {[&] { QTest::mouseClick(a->tool, Qt::LeftButton); }, {{9, "act", "0"}}},
      {[&] { QTest::keyClick(a->line, Qt::Key_X); }, {{23, "line", "x"}}},
      {[&] { QTest::keyClick(a->line, Qt::Key_Return); }, {{11, "line", "x"}, {12, "line", "x"}}},
      {[&] { QTest::keyClick(a->combo, Qt::Key_Down); }, {{10, "combo", "1"}}},
      {[&] { QTest::mouseClick(a->push, Qt::LeftButton); }, {{15, "push", "0"}}},
      {[&] { QTest::keyClick(a->check, Qt::Key_Space); }, {{17, "check", "2"}}},
      {[&] { QTest::keyClick(a->check, Qt::Key_Space); }, {{17, "check", "0"}}},
      {[&] { QTest::keyClick(a->dspin, Qt::Key_Up); }, {{14, "dspin", "0.1"}}},
      {[&] { QTest::keyClick(a->group, Qt::Key_Space); }, {{15, "group", "1"}}},
      {[&] { QTest::keyClick(a->spin, Qt::Key_Up); }, {{13, "spin", "1"}}},
      {[&] { QTest::mouseClick(a->list->viewport(), Qt::LeftButton, {}, a->list->visualItemRect(a->list->item(1)).center()); },
       {{21, "list", "0"}}},
      {[&] { QTest::keyClick(a->slider, Qt::Key_PageUp); }, {{13, "slider", "10"}}},
  };
  for (auto &act : acts) {
    size_t before = server.recorded().size();
    act.act();
    EXPECT_EQ(records(server.recorded(), before), act.expect) << std::get<1>(act.expect[0]);
  }
  // The relay runs before the creator's slot: each slot saw its own record already made.
  ASSERT_EQ(a->calls.size(), server.recorded().size());
  for (size_t i = 0; i < a->calls.size(); i++) EXPECT_EQ(a->recordsAtCall[i], i + 1) << a->calls[i];

  const std::string path = testing::TempDir() + "zel_wrappers.seq";
  server.saveSequences(path.c_str());
  CaptureStdout();
  server.loadSequences(path.c_str());
  GetCapturedStdout();
  std::remove(path.c_str());
  const std::vector<std::string> userCalls = a->calls;
  a.reset();
  for (const char *name : {"act", "line", "combo", "push", "check", "dspin", "group", "spin", "list", "slider"})
    EXPECT_EQ(server.findZelObject(name), nullptr) << name;

  // The check box of the new panel already shows the first recorded state.
  Panel b(&server, true);
  const size_t before = server.recorded().size();
  CaptureStdout();
  server.execSequences(0);
  GetCapturedStdout();
  EXPECT_EQ(b.calls, userCalls);
  EXPECT_EQ(records(server.recorded(), before), records(server.loaded()));
  EXPECT_EQ(b.line->text(), "x");
  EXPECT_EQ(b.combo->currentIndex(), 1);
  EXPECT_FALSE(b.check->isChecked());
  EXPECT_DOUBLE_EQ(b.dspin->value(), 0.1);
  EXPECT_EQ(b.spin->value(), 1);
  EXPECT_EQ(b.slider->value(), 10);
  EXPECT_FALSE(b.group->isChecked());  // replayed clicks leave the box to its creator

  // A row the combo does not have changes nothing and emits nothing.
  const size_t calls = b.calls.size();
  b.combo->zelActivated(3);
  b.combo->zelActivated(-1);
  EXPECT_EQ(b.calls.size(), calls);
  EXPECT_EQ(b.combo->currentIndex(), 1);
}

TEST(Wrappers, RegistrationFollowsTheRecordModeAndNeverOutlivesTheWrapper) {
  struct Case {
    int mode;  // -1: no server
    bool registered, recorded;
  } cases[] = {{-1, false, false}, {0, false, false}, {1, true, true}, {2, true, false}};
  for (const Case &c : cases) {
    std::unique_ptr<ZelSequenceServer> server(c.mode < 0 ? nullptr : new ZelSequenceServer(c.mode));
    auto *spin = new QZelSpinBox("spin", server.get());
    EXPECT_EQ(spin->objectName(), c.registered ? "spin" : "") << c.mode;
    if (!server) {
      delete spin;
      continue;
    }
    EXPECT_EQ(server->findZelObject("spin"), c.registered ? spin : nullptr) << c.mode;
    spin->setValue(4);
    EXPECT_EQ(server->recorded().size(), c.recorded ? 1u : 0u) << c.mode;
    delete spin;
    EXPECT_EQ(server->findZelObject("spin"), nullptr) << c.mode;
  }

  // A name keeps its first wrapper; the second one's end does not free it.
  ZelSequenceServer server(1);
  auto *first = new QZelComboBox("combo", &server);
  auto *second = new QZelComboBox("combo", &server);
  EXPECT_EQ(server.findZelObject("combo"), first);
  delete second;
  EXPECT_EQ(server.findZelObject("combo"), first);
  delete first;
  EXPECT_EQ(server.findZelObject("combo"), nullptr);
  QZelComboBox third("combo", &server);
  EXPECT_EQ(server.findZelObject("combo"), &third);
  server.remAllZelObject();
  EXPECT_EQ(server.findZelObject("combo"), nullptr);
}

TEST(Wrappers, UnimplementedHooksWarnAndUpdateConnectionsEndsTheProcess) {
  QZelObject bare;
  CaptureStdout();
  bare.zelToggled(true);
  bare.zelSetWindowState(2);
  EXPECT_EQ(GetCapturedStdout(), "  warning: empty toggled signal sent   \n");
  EXPECT_EXIT({
    CaptureStdout();
    bare.updateConnections();
  }, testing::ExitedWithCode(1), "");
}
