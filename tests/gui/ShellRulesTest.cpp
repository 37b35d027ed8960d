// The shell's rules that need no window: input encodings, tiling, the context menu's
// enabled actions, the terminal's decoding and echo, and the shell quoting of the
// server-root line.
#include <gtest/gtest.h>

#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/ZelStartup.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/gui/ZelViewInput.h"
#include "zelvane/gui/Zelvane.h"

TEST(ViewInput, KeysModifiersButtonsAndPositionsEncodeAsTheSceneReadsThem) {
  struct KeyRow {
    int key;
    uint32_t bits;
  };
  const KeyRow keys[] = {{Qt::Key_F6, 128},       {Qt::Key_F7, 512},      {Qt::Key_F12, 16384},
                         {Qt::Key_Shift, 0x10000}, {Qt::Key_Left, 0x40000}, {Qt::Key_Space, 0x200000},
                         {Qt::Key_A, 0},           {Qt::Key_Escape, 0}};
  for (const KeyRow &r : keys) EXPECT_EQ(zelKeyBits(r.key), r.bits) << r.key;
  // Printable keys, the function and cursor keys, the multimedia keys: none gives 256.
  for (int first : {0, 0x01000000, 0x01100000})
    for (int key = first; key < first + 0x1000; key++) ASSERT_NE(zelKeyBits(key), 256u) << key;

  const Qt::KeyboardModifiers shiftControl = Qt::ShiftModifier | Qt::ControlModifier;
  EXPECT_EQ(zelPressModifierBits(shiftControl), 0x10001u);
  EXPECT_EQ(zelMoveModifierBits(shiftControl), 0u);
  EXPECT_EQ(zelMoveModifierBits(Qt::AltModifier), 0x8000u);
  EXPECT_EQ(zelPressModifierBits(Qt::NoModifier), 0u);

  EXPECT_EQ(zelButtonCode(Qt::LeftButton | Qt::MiddleButton), 1);
  EXPECT_EQ(zelButtonCode(Qt::RightButton | Qt::MiddleButton), 2);
  EXPECT_EQ(zelButtonCode(Qt::BackButton), 0);

  EXPECT_EQ(zelDevicePosition(QPointF(10.5, 20.4), 2.0), QPoint(22, 40));
  EXPECT_EQ(zelDevicePosition(QPointF(-0.5, 3.49), 1.0), QPoint(0, 3));
}

TEST(Tiling, OneWindowIsCentredOthersFillColumnsOf800) {
  struct Row {
    int count, index, width;
    QPoint at;
  };
  const Row rows[] = {
      {1, 1, 1920, {560, 160}},  {5, 1, 2560, {0, 0}},    {5, 2, 2560, {800, 0}}, {5, 3, 2560, {1600, 0}},
      {5, 4, 2560, {0, 75}},     {5, 5, 2560, {800, 75}}, {2, 2, 1280, {0, 75}},  {3, 3, 700, {0, 150}},
      {1, 1, 700, {0, 160}},
  };
  for (const Row &r : rows) EXPECT_EQ(zelTilePosition(r.count, r.index, r.width), r.at) << r.count << " " << r.index;
}

TEST(ContextMenu, EnabledActionsFollowThePicks) {
  // picks, last, previous kind, mini mode, bigMsh enabled -> centre, mini, big, detect, swap, addType
  struct Row {
    int picks, last, previous;
    bool mini, big;
    bool centre, bigOut, detect, addType;
  };
  const Row rows[] = {
      {0, 0, 0, true, false, false, true, false, false},    // no pick in mini mode: "&Mesh" only
      {0, 0, 0, false, true, false, false, false, false},   // no pick: everything off
      {2, 200, 200, false, true, true, true, true, false},  // two edges on faces
      {2, 201, 201, false, false, true, false, true, false},
      {2, 200, 201, false, false, true, false, false, false},
      {1, 4, 0, false, false, true, false, false, true},    // one vertex
      {1, 200, 0, false, false, true, false, false, false},
  };
  for (const Row &r : rows) {
    const ZelContextState s = zelContextMenuState(r.picks, r.last, r.previous, r.mini, r.big);
    EXPECT_EQ(s.centre, r.centre);
    EXPECT_EQ(s.mini, r.centre);
    EXPECT_EQ(s.big, r.bigOut);
    EXPECT_EQ(s.detect, r.detect);
    EXPECT_EQ(s.swap, r.detect);
    EXPECT_EQ(s.addType, r.addType);
    EXPECT_EQ(s.change, r.picks > 0);
  }
}

TEST(Terminal, TextsAreReadAsUtf8WhenValidElseLatin1AndEchoedWithoutTags) {
  EXPECT_EQ(zelTermDecode("d\xc3\xa9j\xc3\xa0"), QString::fromUtf8("d\xc3\xa9j\xc3\xa0"));
  EXPECT_EQ(zelTermDecode("caf\xe9"), QString::fromLatin1("caf\xe9"));
  EXPECT_EQ(zelTermDecode("cut \xc3"), QString::fromLatin1("cut \xc3"));
  EXPECT_EQ(zelTermEcho("<p>a<br/>b</p>"), "a\nb");
  EXPECT_EQ(zelTermEcho("<span style=\"color:blue\">x</span> &lt;"), "x &lt;");
}

TEST(ServerRoot, WordsAreQuotedForTheShell) {
  EXPECT_EQ(zelShellQuote("a b"), "'a b'");
  EXPECT_EQ(zelShellQuote("it's"), "'it'\\''s'");
  EXPECT_EQ(zelServerRootCommand("/x y/zelvane", "/x y/sample.meshb", 4242),
            "'/x y/zelvane' -in '/x y/sample.meshb' -server-root -port 4242 &");
  // No port given, none passed on: the instance would warn of a word nobody typed.
  EXPECT_EQ(zelServerRootCommand("/x y/zelvane", "/x y/sample.meshb", 0), "'/x y/zelvane' -in '/x y/sample.meshb' -server-root &");
}
