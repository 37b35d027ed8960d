// How a main window shares its height between the view, the terminal and the bottom bar: a
// saved state brings back its own layout and view size, and Edit > Window Size gives the view
// the size typed while the terminal and the bottom bar keep theirs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "zelvane/gui/GLWidget.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelBottom.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/record/QZelAction.h"
#include "zelvane/record/QZelComboBox.h"

namespace {

// A layout as the module mask holds it: terminal shown, bottom bar shown, terminal docked.
struct Layout {
  const char *name;
  bool term, bottom, docked;
  int mask() const { return (term ? ZelModTerm : 0) | (bottom ? ZelModBottom : 0) | (docked ? ZelModDocked : 0); }
};

const Layout kLayouts[] = {
    {"terminal docked, no bottom bar", true, false, true},
    {"bottom bar, terminal hidden", false, true, true},
    {"free terminal, bottom bar", true, true, false},
    {"free terminal, no bottom bar", true, false, false},
    {"neither", false, false, true},
};

// The window's parts where the user sees them, in the main window's coordinates.
QRect inMain(MainWindow *w, QWidget *part) { return QRect(part->mapTo(w, QPoint(0, 0)), part->size()); }

std::string text(QSize s) { return std::to_string(s.width()) + " x " + std::to_string(s.height()); }

// The terminal's own "Free Terminal" / "Lock Terminal" entry.
void detach(MainWindow *w) {
  QZelAction *a = w->findChild<QZelAction *>(QString("detach_%1").arg(w->centralWindow()->number()));
  ASSERT_TRUE(a);
  a->trigger();
}

// Brings a main window of the default layout (terminal docked and shown, bottom bar shown)
// to `l` through its menu actions, as a user would.
void arrange(MainWindow *w, const Layout &l) {
  ASSERT_EQ(w->moduleMask() & (ZelModTerm | ZelModBottom | ZelModDocked), ZelModTerm | ZelModBottom | ZelModDocked);
  if (!l.docked) detach(w);
  if (!l.term) w->setTerm();
  if (!l.bottom) w->setToolBar();
  settle();
}

// What the user sees of a layout: each part shown or not, the terminal in the main window or
// in its own window, and the mask that a state saved now would keep.
void expectLayout(MainWindow *w, const Layout &l, const std::string &where) {
  Window *win = w->centralWindow();
  EXPECT_EQ(w->moduleMask() & 0x13, l.mask()) << where;
  EXPECT_EQ(win->bottom()->isVisible(), l.bottom) << where;
  if (l.docked) {
    EXPECT_EQ(win->term()->isVisible(), l.term) << where;
    EXPECT_EQ(win->term()->parentWidget(), win) << where;
    EXPECT_FALSE(win->termTool()->isVisible()) << where;
  } else {
    EXPECT_EQ(win->term()->parentWidget(), win->termTool()) << where;
    EXPECT_TRUE(win->termTool()->isVisible()) << where;
  }
}

// The view above the docked terminal above the bottom bar, none overlapping, one gap apart,
// all within the main window.
void expectStacked(MainWindow *w, const std::string &where) {
  Window *win = w->centralWindow();
  std::vector<QRect> parts{inMain(w, win->view())};
  if (win->term()->isVisible() && win->term()->parentWidget() == win) parts.push_back(inMain(w, win->term()));
  if (win->bottom()->isVisible()) parts.push_back(inMain(w, win->bottom()));
  for (size_t i = 0; i + 1 < parts.size(); i++)
    EXPECT_EQ(parts[i + 1].top() - parts[i].bottom() - 1, Window::LayoutGap) << where << ", part " << i + 1;
  EXPECT_LE(parts.back().bottom(), w->height() - 1) << where;
}

}  // namespace

// Each state keeps the layout it was saved in; the window shown in the default layout and of
// another size takes that layout back, the view the size it had, whichever parts were shown.
TEST(WindowLayout, ASavedStateBringsBackItsTerminalBottomBarAndViewSizeWhenTheyDiffer) {
  for (const Layout &l : kLayouts) {
    SCOPED_TRACE(l.name);
    Viewer v({"-in", dataFile("sample.meshb")});
    MainWindow *w = v.window(0);
    ASSERT_TRUE(w);
    arrange(w, l);
    expectLayout(w, l, "arranged");
    w->resize(700, 760);
    settle();
    const QSize view = v.view(0)->size();
    const QPoint at = w->geometry().topLeft();
    w->action(ActSaveState)->trigger();
    QZelComboBox *states = w->findChild<QZelComboBox *>("State_1");
    ASSERT_TRUE(states);
    ASSERT_EQ(states->count(), 2);

    // Back to the default layout, another size and place.
    if (!l.docked) detach(w);
    if (!l.term) w->setTerm();
    if (!l.bottom) w->setToolBar();
    w->setGeometry(at.x() + 30, at.y() + 20, 820, 640);
    settle();
    expectLayout(w, {"default", true, true, true}, "default again");

    CaptureStdout();  // restoring says "1"
    states->zelActivated(1);
    GetCapturedStdout();
    settle();
    expectLayout(w, l, "restored");
    EXPECT_EQ(text(v.view(0)->size()), text(view));
    EXPECT_EQ(w->geometry().topLeft(), at);
    expectStacked(w, "restored");
  }
}

// The size typed is the view's: the window grows by what the docked terminal, the bottom bar
// and the menu bar take, each keeping its own height; the view never runs under the terminal.
TEST(WindowLayout, WindowSizeGivesTheViewTheSizeTypedAndTheOtherPartsKeepTheirs) {
  std::vector<Layout> layouts{{"default", true, true, true}};
  layouts.insert(layouts.end(), std::begin(kLayouts), std::end(kLayouts));
  for (const Layout &l : layouts) {
    SCOPED_TRACE(l.name);
    Viewer v({"-in", dataFile("sample.meshb")});
    MainWindow *w = v.window(0);
    ASSERT_TRUE(w);
    arrange(w, l);
    Window *win = w->centralWindow();
    const int term = win->term()->height(), bottom = win->bottom()->height();
    for (QSize typed : {QSize(640, 480), QSize(900, 700)}) {
      const std::string where = text(typed);
      ScriptedDialogs answer({{QString("%1 x %2").arg(typed.width()).arg(typed.height())}});
      w->action(ActSizeWin)->trigger();
      settle();
      ASSERT_EQ(answer.calls.size(), 1u);
      EXPECT_EQ(answer.calls[0].caption, "Window Size");
      EXPECT_EQ(text(v.view(0)->size()), text(typed));
      EXPECT_EQ(win->term()->height(), term) << where;
      EXPECT_EQ(win->bottom()->height(), bottom) << where;
      expectLayout(w, l, where);
      expectStacked(w, where);
    }
    // An answer that is no size changes nothing.
    const QRect before = w->geometry();
    ScriptedDialogs answer({{"big"}});
    w->action(ActSizeWin)->trigger();
    settle();
    EXPECT_EQ(w->geometry(), before);
  }
}
