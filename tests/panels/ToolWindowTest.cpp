// Tool windows and their boxes: names, order, lookups, refreshes, opening and closing by the
// header, keys passed to the main window, header clicks that replay from a saved sequence; and
// the panels in the tool windows of real main windows, where the windows stand, and the
// application's "Preferences" window.
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>

#include "tests/panels/PanelKit.h"
#include "zelvane/gui/QZelBase.h"
#include "zelvane/panels/GeoBox.h"
#include "zelvane/panels/SelectBox.h"
#include "zelvane/panels/ZelCompute.h"
#include "zelvane/panels/ZelGenPref.h"
#include "zelvane/panels/ZelVerbose.h"

namespace {

// A page that logs the framework's calls.
struct LoggingPage : QZelBase {
  std::vector<std::string> *log;
  std::string name;
  LoggingPage(std::vector<std::string> *l, const char *n) : log(l), name(n) { setMinimumSize(200, 80); }
  void zelUpdate() override { log->push_back("update " + name); }
  void zelInit() override { log->push_back("init " + name); }
};

// The boxes' object names, or their titles.
QStringList Names(const ZelTool *tool, bool titles = false) {
  QStringList n;
  if (tool)
    for (const ZelToolBox *box : tool->boxes()) n << (titles ? box->title() : box->objectName());
  return n;
}

}  // namespace

TEST(ToolWindow, InsertedBoxComesFirstNamedByTheCountAndPagesAreFoundAndRefreshedInOrder) {
  ZelSequenceServer server(1);
  std::vector<std::string> log;
  ZelTool tool(&server, QRect(10, 20, 260, 150), "w", nullptr);
  auto *clip = new LoggingPage(&log, "clip");
  auto *first = new LoggingPage(&log, "first");
  auto *second = new LoggingPage(&log, "second");
  tool.addWidget(clip, "Clip Planes", false);
  tool.addWidget(first, "Scalar [1]", false);
  tool.insertWidget(0, second, "Scalar [1]", false);

  EXPECT_EQ(Names(&tool), QStringList({"w_2", "w_0", "w_1"}));
  for (int i = 0; i < 3; i++) EXPECT_EQ(tool.layout()->itemAt(i)->widget(), tool.boxes()[i]) << i;
  EXPECT_EQ(tool.getZelBase("clip planes"), clip);
  EXPECT_EQ(tool.getZelBase("Scalar [1]"), second);  // the first of two in list order
  EXPECT_EQ(tool.getZelBase("Lines"), nullptr);
  EXPECT_EQ(tool.getZelBase(1), clip);
  CaptureText([&] { EXPECT_EQ(tool.getZelBase(3), nullptr); });

  tool.update();
  tool.zelInit();
  EXPECT_EQ(log, std::vector<std::string>({"update second", "update clip", "update first", "init second", "init clip",
                                           "init first"}));
  for (const ZelToolBox *box : tool.boxes()) EXPECT_TRUE(IsClosed(box)) << box->objectName().toStdString();

  tool.setVisibleBox(first, true);
  EXPECT_FALSE(IsClosed(tool.boxes()[2]));
  EXPECT_TRUE(IsClosed(tool.boxes()[0]));
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
  EXPECT_TRUE(box->isChecked() && !box->isFlat() && page->isVisible() && page->isEnabled());
  QCoreApplication::processEvents();
  EXPECT_EQ(box->height(), openHeight);
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
    ASSERT_FALSE(IsClosed(tool.boxes()[0]) || IsClosed(tool.boxes()[1]));
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
  EXPECT_FALSE(IsClosed(tool.boxes()[0]) || IsClosed(tool.boxes()[1]));
  EXPECT_TRUE(Named<QZelCheckBox>(&tool, "ridEdg1")->isChecked());
  EXPECT_TRUE(scene->Flags & 0x2000000);
}

TEST(MainWindowPanels, CornersGiveTheGeometryBoxFirstAndASolutionItsSelectionBox) {
  ClearStore();
  auto v = QuietViewer([](Memory_List *mem) { return FlaggedGrid(mem, GEO_CORNERS, {1, 2}); });
  ZelTool *visu = v->window(0)->visuTool();
  ASSERT_TRUE(visu && !visu->boxes().isEmpty());
  EXPECT_EQ(visu->boxes()[0]->title(), "Geometry");
  EXPECT_NE(dynamic_cast<GeoBox *>(visu->getZelBase("Geometry")), nullptr);
  ZelTool *sol = v->window(0)->solTool();
  ASSERT_TRUE(sol && !sol->boxes().isEmpty());
  ZelToolBox *selectBox = sol->boxes()[0];
  EXPECT_EQ(selectBox->title(), "Select Active Solution");
  EXPECT_FALSE(selectBox->isCheckable());
  auto *select = dynamic_cast<SelectBox *>(selectBox->panel());
  ASSERT_NE(select, nullptr);
  EXPECT_TRUE(select->solTool() == sol && !select->isHidden());
  EXPECT_EQ(select->solutionCombo()->count(), 3);
  // A box that cannot close ignores a close; keys pressed in a tool window reach its main
  // window (F5: shrinking on).
  selectBox->setVisibleBox(false);
  EXPECT_TRUE(!select->isHidden() && !selectBox->isFlat());
  sol->show();
  CaptureText([&] { QTest::keyClick(sol, Qt::Key_F5); });
  EXPECT_EQ(v->scene(0)->Rnd.Shrink, 0.95f);

  auto plain = QuietViewer([](Memory_List *mem) { return FlaggedGrid(mem, 0); });
  EXPECT_FALSE(Names(plain->window(0)->visuTool(), true).contains("Geometry"));
  EXPECT_EQ(plain->window(0)->solTool(), nullptr);
}

TEST(MainWindowPanels, InformationStandsLeftOfItsWindowAndPreferencesHoldThreeClosedPages) {
  ClearStore();
  // As wide as the Verbosity page's two groups side by side (the vertex group widens for a
  // field list: 1 + 170 + 1 + 190 + 5), never below the pages' least width, 310.
  const struct {
    std::vector<int> fields;
    int width;
  } rows[] = {{{}, 310}, {{1}, 367}};
  for (const auto &r : rows) {
    auto v = QuietViewer([&](Memory_List *mem) { return FlaggedGrid(mem, 0, r.fields); });
    MainWindow *mw = v->window(0);
    ZelTool *info = mw->infoTool();
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(Names(info, true), QStringList({"Verbosity", "Computation"}));
    EXPECT_NE(dynamic_cast<ZelVerbose *>(info->getZelBase("Verbosity")), nullptr);
    EXPECT_NE(dynamic_cast<ZelCompute *>(info->getZelBase("Computation")), nullptr);
    EXPECT_EQ(info->x(), mw->x() - 20 - r.width) << r.width;
    EXPECT_EQ(info->boxes()[0]->width(), r.width);
    // A third of the height the main window had when it built its tool windows: its starting
    // 800 (it grows afterwards to hold the terminal and the bottom bar).
    EXPECT_EQ(info->y(), mw->y() + 800 / 3);
  }

  auto v = QuietViewer([](Memory_List *mem) { return FlaggedGrid(mem, 0); });

  ZelTool *prefs = v->app->prefBox();
  ASSERT_NE(prefs, nullptr);
  EXPECT_EQ(prefs->windowTitle(), "Preferences");
  EXPECT_EQ(prefs->pos(), QPoint(0, QGuiApplication::primaryScreen()->geometry().height() / 3));
  EXPECT_EQ(Names(prefs, true), QStringList({"General", "Mesh", "Terminal"}));
  for (const ZelToolBox *box : prefs->boxes()) EXPECT_TRUE(IsClosed(box)) << box->title().toStdString();
  EXPECT_NE(dynamic_cast<ZelGenPref *>(prefs->getZelBase("general")), nullptr);
}
