// Tool windows and their boxes: names, order, lookups, refreshes, opening and closing by the
// header, keys passed to the main window, and header clicks that replay from a saved sequence.
#include <gtest/gtest.h>

#include <QDir>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <memory>
#include <string>
#include <vector>

#include "common/model/Mesh.h"
#include "tests/panels/PanelKit.h"
#include "tests/support/CaptureText.h"
#include "zelvane/gui/QZelBase.h"
#include "zelvane/gui/ZelTool.h"
#include "zelvane/gui/ZelToolBox.h"
#include "zelvane/panels/GeoBox.h"
#include "zelvane/panels/ZelCompute.h"
#include "zelvane/record/QZelCheckBox.h"
#include "zelvane/record/QZelObject.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/scene/ZelScene.h"

namespace {

// A page that logs the framework's calls.
struct LoggingPage : QZelBase {
  std::vector<std::string> *log;
  std::string name;
  LoggingPage(std::vector<std::string> *l, const char *n) : log(l), name(n) { setMinimumSize(200, 80); }
  void zelUpdate() override { log->push_back("update " + name); }
  void zelInit() override { log->push_back("init " + name); }
};

// A parent window that takes keys through its recordable key hook.
struct KeyedWindow : QWidget, QZelObject {
  std::vector<int> keys;
  void keyPressEvent(QKeyEvent *event) override { keys.push_back(event->key()); }
};

QStringList names(const ZelTool &tool) {
  QStringList n;
  for (const ZelToolBox *box : tool.boxes()) n << box->objectName();
  return n;
}

}  // namespace

TEST(ToolWindow, InsertedBoxComesFirstNamedByTheCountAndPagesAreFoundAndRefreshedInOrder) {
  ZelSequenceServer server(1);
  std::vector<std::string> log;
  ZelTool tool(&server, QRect(10, 20, 260, 150), "w", nullptr);
  // Empty: nothing to refresh or open, nothing found.
  tool.update();
  tool.zelInit();
  tool.setVisibleBox(true);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(tool.getZelBase("Lines"), nullptr);

  auto *clip = new LoggingPage(&log, "clip");
  auto *first = new LoggingPage(&log, "first");
  auto *second = new LoggingPage(&log, "second");
  tool.addWidget(clip, "Clip Planes", false);
  tool.addWidget(first, "Scalar [1]", false);
  tool.insertWidget(0, second, "Scalar [1]", false);

  EXPECT_EQ(names(tool), QStringList({"w_2", "w_0", "w_1"}));
  for (int i = 0; i < 3; i++) EXPECT_EQ(tool.layout()->itemAt(i)->widget(), tool.boxes()[i]) << i;
  EXPECT_EQ(tool.boxes()[0]->width(), 260);
  EXPECT_EQ(tool.getZelBase("clip planes"), clip);
  EXPECT_EQ(tool.getZelBase("Scalar [1]"), second);  // the first of two in list order
  EXPECT_EQ(tool.getZelBase("Lines"), nullptr);
  EXPECT_EQ(tool.getZelBase(1), clip);
  const Captured outside = CaptureText([&] { EXPECT_EQ(tool.getZelBase(3), nullptr); });
  EXPECT_EQ(outside.Out, " ### ERROR : ZELTOOL::GETZELBASE TOO MANY NUMBER OF WIDGET\n");

  tool.update();
  tool.zelInit();
  EXPECT_EQ(log, std::vector<std::string>({"update second", "update clip", "update first", "init second", "init clip",
                                           "init first"}));
  for (const ZelToolBox *box : tool.boxes()) EXPECT_TRUE(IsClosed(box)) << box->objectName().toStdString();

  tool.setVisibleBox(first, true);
  EXPECT_FALSE(IsClosed(tool.boxes()[2]));
  EXPECT_TRUE(IsClosed(tool.boxes()[0]));
  tool.setVisibleBox(7, true);  // outside the list: nothing
  tool.setVisibleBox(false);
  for (const ZelToolBox *box : tool.boxes()) EXPECT_TRUE(IsClosed(box));
}

TEST(ToolWindow, HeaderClicksCloseAndReopenABoxAndAnEmptyBoxOpensFlat) {
  ZelSequenceServer server(1);
  std::vector<std::string> log;
  ZelTool tool(&server, QRect(0, 0, 260, 150), "w", nullptr);
  auto *page = new LoggingPage(&log, "page");
  tool.addWidget(page, "Page", true);
  tool.addWidget(new LoggingPage(&log, "closed"), "Closed", false);
  tool.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&tool));
  ZelToolBox *box = tool.boxes()[0];
  EXPECT_FALSE(IsClosed(box));
  EXPECT_TRUE(IsClosed(tool.boxes()[1]));  // still 20 pixels once laid out and shown
  const int openHeight = box->height();
  EXPECT_GT(openHeight, 80);

  ClickHeader(box);
  EXPECT_TRUE(IsClosed(box));
  ClickHeader(box);
  EXPECT_TRUE(box->isChecked());
  EXPECT_FALSE(box->isFlat());
  EXPECT_TRUE(page->isVisible());
  EXPECT_TRUE(page->isEnabled());
  QCoreApplication::processEvents();
  EXPECT_EQ(box->height(), openHeight);

  ZelToolBox empty("e", QSize(100, 100), &server);
  EXPECT_EQ(empty.title(), "Empty e");
  empty.setVisibleBox(true);
  EXPECT_TRUE(empty.isChecked());
  EXPECT_TRUE(empty.isFlat());
  EXPECT_EQ(empty.height(), 20);
}

TEST(ToolWindow, AnUncheckableBoxAlwaysShowsItsPageAndKeysGoToTheParentsHook) {
  std::vector<std::string> log;
  KeyedWindow main;
  ZelTool tool(nullptr, QRect(0, 0, 260, 150), "w", &main);
  auto *page = new LoggingPage(&log, "select");
  tool.addUnCheckableWidget(page, "Select Active Solution", true);
  ZelToolBox *box = tool.boxes()[0];
  EXPECT_FALSE(box->isCheckable());
  EXPECT_FALSE(box->isFlat());
  box->setVisibleBox(false);  // a box that cannot close ignores it
  EXPECT_FALSE(page->isHidden());
  EXPECT_TRUE(page->isEnabled());

  tool.show();
  QTest::keyClick(&tool, Qt::Key_F5);
  EXPECT_EQ(main.keys, std::vector<int>({Qt::Key_F5}));
}

// Two header clicks and a switch, recorded in a window whose title has blanks, saved, then
// replayed into a new window of the same number: the boxes end as recorded, the switch too.
TEST(ToolWindow, RecordedHeaderClicksAndASwitchReplayIntoANewWindow) {
  PanelScene scene([](Memory_List *mem) { return FlaggedGrid(mem, GEO_RIDGES); }, false);
  QTemporaryDir dir;
  const std::string file = QDir(dir.path()).filePath("clicks.seq").toStdString();
  const QString title = "[1] my cube.mesh";
  // Window 1's information-like window: the geometry and computation pages, both closed.
  const auto window = [&](ZelSequenceServer *server) {
    auto tool = std::make_unique<ZelTool>(server, QRect(0, 0, 360, 200), title, nullptr);
    CaptureText([&] {
      tool->addWidget(new GeoBox(server, scene.get(), 1), "Geometry", false);
      tool->addWidget(new ZelCompute(server, scene.get(), 1), "Computation", false);
    });
    tool->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(tool.get()));
    return tool;
  };
  {
    ZelSequenceServer server(1);
    std::unique_ptr<ZelTool> recorded = window(&server);
    ZelTool &tool = *recorded;
    ClickHeader(tool.boxes()[0]);
    ClickHeader(tool.boxes()[1]);
    ClickCheck(Named<QZelCheckBox>(&tool, "ridEdg1"));
    ASSERT_FALSE(IsClosed(tool.boxes()[0]));
    ASSERT_FALSE(IsClosed(tool.boxes()[1]));
    ASSERT_TRUE(scene->Flags & 0x2000000);
    server.saveSequences(file.c_str());
  }
  scene->Flags &= ~0x2000000u;

  ZelSequenceServer server(1);
  std::unique_ptr<ZelTool> replayed = window(&server);
  ZelTool &tool = *replayed;
  CaptureText([&] {
    server.loadSequences(file.c_str());
    server.execSequences(0);
  });
  ASSERT_EQ(server.loaded().size(), 3u);
  EXPECT_FALSE(IsClosed(tool.boxes()[0]));
  EXPECT_FALSE(IsClosed(tool.boxes()[1]));
  EXPECT_TRUE(Named<QZelCheckBox>(&tool, "ridEdg1")->isChecked());
  EXPECT_TRUE(scene->Flags & 0x2000000);
}
