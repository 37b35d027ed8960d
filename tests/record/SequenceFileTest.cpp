// The sequence file: records made from real events and values read back as written, the
// reader's rules on hand-made files, and numbers in the "C" form under any locale.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QResizeEvent>
#include <QTest>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <locale>
#include <sstream>

#include "tests/support/CaptureText.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/MeshFixtures.h"
#include "zelvane/record/ZelKeyPressSequence.h"
#include "zelvane/record/ZelMouseSequence.h"
#include "zelvane/record/ZelMoveSequence.h"
#include "zelvane/record/ZelResizeSequence.h"
#include "zelvane/record/ZelSaveImageSequence.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/record/ZelSignalSequence.h"
#include "zelvane/record/ZelWindowStateSequence.h"

namespace {

std::string write(const ZelSequenceList &list) {
  std::ostringstream os;
  zelWriteSequences(os, list);
  return os.str();
}

ZelSequenceList read(const std::string &text, std::string *printed = nullptr, ZelSeqReadReport *report = nullptr) {
  ZelSequenceList list;
  std::istringstream is(text);
  CaptureStdout();
  zelReadSequences(is, list, report);
  std::string out = GetCapturedStdout();
  if (printed) *printed = out;
  return list;
}

template <class T>
const T &as(const std::unique_ptr<ZelSequence> &rec) {
  auto *p = dynamic_cast<const T *>(rec.get());
  EXPECT_NE(p, nullptr) << "record of type " << rec->type;
  return *p;
}

// Key presses made by the toolkit itself: each press is turned into a record as the view does.
class KeyTap : public QWidget {
 public:
  ZelSequenceList *out = nullptr;
  void keyPressEvent(QKeyEvent *e) override { out->emplace_back(new ZelKeyPressSequence("view", e)); }
};

}  // namespace

TEST(SequenceFile, RecordsFromEventsAndValuesReadBackAsWritten) {
  ZelSequenceList list;
  KeyTap tap;
  tap.out = &list;
  for (Qt::Key k : {Qt::Key_A, Qt::Key_Left, Qt::Key_Return, Qt::Key_Space, Qt::Key_Asterisk}) QTest::keyClick(&tap, k);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(10.5, 20.4), Qt::LeftButton, Qt::LeftButton, Qt::ShiftModifier);
  list.emplace_back(new ZelMouseSequence(6, "view", &press));
  const QString spaced = "[1] m.meshb-Visualisation_0", tabbed = QString(QChar(9)) + "mainAction";
  list.emplace_back(new ZelSignalSequence(15, spaced, true));
  list.emplace_back(new ZelSignalSequence(9, tabbed, false));
  list.emplace_back(new ZelSignalSequence(13, "spin", 42));
  list.emplace_back(new ZelSignalSequence(14, "dspin", 0.1));
  list.emplace_back(new ZelSignalSequence(14, "dspin", 1234567.0));
  list.emplace_back(new ZelSignalSequence(23, "line", QString()));
  list.emplace_back(new ZelSignalSequence(23, "line", QString("two words")));
  QMoveEvent move(QPoint(30, 45), QPoint(10, 50));
  list.emplace_back(new ZelMoveSequence("mainwindow:1", &move));
  QResizeEvent resize(QSize(800, 600), QSize(640, 480));
  list.emplace_back(new ZelResizeSequence("mainwindow:1", &resize));
  list.emplace_back(new ZelWindowStateSequence("mainwindow:1", int(Qt::WindowMaximized)));
  list.emplace_back(new ZelSaveImageSequence("glWidget", "my shot.png", QSize(640, 480), 100));
  // Names that end in an escaped character.
  list.emplace_back(new ZelSignalSequence(15, "view 1 ", true));
  list.emplace_back(new ZelSignalSequence(13, "50%", 50));
  for (size_t i = 0; i < list.size(); i++) list[i]->delay = 0.25f * float(i);

  const std::string text = write(list);
  ZelSequenceList back = read(text);
  ASSERT_EQ(back.size(), list.size());
  EXPECT_EQ(write(back), text);  // every field is on the line: equal lines are equal records
  for (size_t i = 0; i < list.size(); i++) {
    EXPECT_EQ(back[i]->type, list[i]->type);
    EXPECT_EQ(back[i]->delay, list[i]->delay);
    EXPECT_EQ(back[i]->name, list[i]->name);
  }

  // Characters: unprintable keys are written as '*', which reads back as a blank, except
  // under the asterisk key.
  const char chars[] = {'a', ' ', ' ', ' ', '*'};
  for (int k = 0; k < 5; k++) {
    EXPECT_EQ(as<ZelKeyPressSequence>(back[k]).character, chars[k]) << k;
    EXPECT_EQ(as<ZelKeyPressSequence>(back[k]).count, 1);
  }
  EXPECT_EQ(as<ZelKeyPressSequence>(back[1]).key, int(Qt::Key_Left));
  const auto &mouse = as<ZelMouseSequence>(back[5]);
  EXPECT_EQ(std::vector<int>({mouse.x, mouse.y, mouse.button, mouse.modifiers}),
            std::vector<int>({11, 20, int(Qt::LeftButton), int(Qt::ShiftModifier)}));
  EXPECT_EQ(back[6]->name, spaced.toStdString());
  EXPECT_EQ(back[7]->name, "\tmainAction");
  const char *values[] = {"1", "0", "42", "0.1", "1.23457e+06", "", "twowords"};
  for (int k = 0; k < 7; k++) EXPECT_EQ(as<ZelSignalSequence>(back[6 + k]).value, values[k]) << k;
  EXPECT_EQ(as<ZelMoveSequence>(back[13]).dx, 20);
  EXPECT_EQ(as<ZelMoveSequence>(back[13]).dy, -5);
  EXPECT_EQ(as<ZelWindowStateSequence>(back[15]).state, int(Qt::WindowMaximized));
  EXPECT_EQ(as<ZelSaveImageSequence>(back[16]).file, "my shot.png");

  // A few lines as a person reads them.
  for (const char *line : {"\n0 0.5 view * 16777220 0 1\n", "\n0 0.75 view * 32 0 1\n", "\n15 1.5 [1]%20m.meshb-Visualisation_0 1\n",
                           "\n9 1.75 %09mainAction 0\n", "\n14 2.25 dspin 0.1\n", "\n14 2.5 dspin 1.23457e+06\n",
                           "\n23 2.75 line \n", "\n2 3.25 mainwindow:1 20 -5 \n", "\n3 3.5 mainwindow:1 800 600 \n",
                           "\n20 4 glWidget 640 480 100 my shot.png\n", "\n15 4.25 view%201%20 1\n",
                           "\n13 4.5 50%25 50\n-1\n"})
    EXPECT_CONTAINS(text, line);
  EXPECT_EQ(text.substr(text.size() - 4), "\n-1\n");
}

TEST(SequenceFile, ReaderRules) {
  const std::string big(300, 'v');
  struct Case {
    const char *what;
    std::string text;
    std::vector<int> types;  // of the records kept
    const char *printed;     // part of what reading prints
  } cases[] = {
      {"a resize right after a window state is skipped, a later one is kept",
       "18 0 w 4\n3 0 w 10 20 \n3 0 w 30 40 \n-1\n", {18, 3}, " Seq: w 30 h 40"},
      {"types that are no records are reported and the next line still read",
       "1 0 a\n4 x y z\n24 0 a 1\n-5 0 a\n13 0 s 7\n-1\n", {13}, " ignoring sequence -5"},
      {"image saves asked by a widget signal are dropped", "9 0 mySAVEIMGbtn 1\n21 0 saveImg 0\n13 0 s 7\n-1\n", {13},
       "sequence mySAVEIMGbtn"},
      {"a file without its end line is read to its end", "13 0 s 7\n23 0 line", {13, 23}, " Seq: val 7"},
      {"a bad number stops reading and drops that record", "13 0 s 7\n2 0 w 5 x \n13 0 s 8\n-1\n", {13}, ""},
      {"a bad delay stops reading", "13 0 s 7\n13 soon s 8\n-1\n", {13}, ""},
      {"nothing after the end line is read", "-1\n13 0 s 7\n", {}, ""},
      {"line ends of another system are no part of a value", "13 0 s 7\r\n23 0 line two \r\n-1\r\n", {13, 23},
       " Seq: val two\n"},
      {"a long value is kept whole", "23 0 line " + big + "\n-1\n", {23}, ""},
      {"key counts are kept within reason", "0 0 v * 42 0 5000\n0 0 v * 42 0 -3\n-1\n", {0, 0}, "  repeat 1000"},
      {"a '%' without two hex digits stays", "13 0 a%20b%zz%4 1\n-1\n", {13}, "obj: a b%zz%4 "},
  };
  for (const Case &c : cases) {
    std::string printed;
    ZelSequenceList list = read(c.text, &printed);
    std::vector<int> types;
    for (const auto &r : list) types.push_back(r->type);
    EXPECT_EQ(types, c.types) << c.what;
    EXPECT_CONTAINS(printed, c.printed) << c.what;
  }
  EXPECT_EQ(as<ZelSignalSequence>(read(cases[8].text)[0]).value, big);
  ZelSequenceList keys = read(cases[9].text);
  EXPECT_EQ(as<ZelKeyPressSequence>(keys[0]).count, 1000);
  EXPECT_EQ(as<ZelKeyPressSequence>(keys[1]).count, 0);
}

// One record per line: fields after a whole record are ignored and counted, never read as
// records of their own; a key press whose raw character is a blank or a line feed (as a writer
// of the raw byte leaves it) reads back whole.
TEST(SequenceFile, EachRecordIsReadFromItsOwnLine) {
  std::string numbers;
  for (int i = 0; i < 200000; i++) numbers += " 20";
  struct Case {
    const char *what;
    std::string text;
    std::vector<int> types;
    long trailingLine, trailingLines;
    std::string firstValue;  // the first record's character and key
  } const cases[] = {
      {"an image save after a key press on its line", "0 0.05 glWidget z 90 0 1 20 0.05 glWidget 800 600 100 _x.png\n-1\n",
       {0}, 1, 1, "z 90"},
      {"a key press followed by many numbers", "0 0 ghost z 90 0 1" + numbers + "\n13 0 s 7\n-1\n", {0, 13}, 1, 1,
       "z 90"},
      {"a raw blank", "0 0.5 view   32 0 1\n13 0 s 7 8 9\n-1\n", {0, 13}, 2, 1, "  32"},
      {"a raw line feed", "0 0.5 view \n 10 0 1\n13 0 s 7 x\n23 0 t a b\n-1\n", {0, 13, 23}, 3, 2, "\n 10"},
      {"blanks typed before the character", "0 0 view  a 65 0 1\n-1\n", {0}, 0, 0, "a 65"},
      {"blanks typed before a digit", "0 0 view  5 53 0 1\n-1\n", {0}, 0, 0, "5 53"},
  };
  for (const Case &c : cases) {
    ZelSeqReadReport report;
    const ZelSequenceList list = read(c.text, nullptr, &report);
    std::vector<int> types;
    for (const auto &r : list) types.push_back(r->type);
    EXPECT_EQ(types, c.types) << c.what;
    EXPECT_EQ(report.unreadLine, 0) << c.what;
    EXPECT_EQ(std::vector<long>({report.trailingLine, report.trailingLines}),
              std::vector<long>({c.trailingLine, c.trailingLines}))
        << c.what;
    const auto &key = as<ZelKeyPressSequence>(list.at(0));
    EXPECT_EQ(key.character + (" " + std::to_string(key.key)), c.firstValue) << c.what;
  }
}

// Positions and sizes of a file from elsewhere end within what a screen holds (positions in
// -100000..100000, sizes in 1..16384), so that no later difference or sum of them overflows.
TEST(SequenceFile, PositionsAndSizesAreBroughtOntoAScreen) {
  const std::string text =
      "7 0 glWidget 0 1 0 -2147483648 2147483647\n7 0 glWidget 0 1 0 478 -99999\n"
      "2 0 w -2147483647 2147483647 \n3 0 w 2147483647 0 \n3 0 w 640 -5 \n"
      "20 0 glWidget 2147483647 -2147483648 100 .png\n-1\n";
  ZelSequenceList list = read(text);
  ASSERT_EQ(list.size(), 6u);
  struct Row {
    const char *what;
    std::vector<int> got, want;
  } const rows[] = {
      {"a mouse move far off", {as<ZelMouseSequence>(list[0]).x, as<ZelMouseSequence>(list[0]).y}, {-100000, 100000}},
      {"a mouse move on a screen", {as<ZelMouseSequence>(list[1]).x, as<ZelMouseSequence>(list[1]).y}, {478, -99999}},
      {"a window move", {as<ZelMoveSequence>(list[2]).dx, as<ZelMoveSequence>(list[2]).dy}, {-100000, 100000}},
      {"a huge and an empty resize", {as<ZelResizeSequence>(list[3]).width, as<ZelResizeSequence>(list[3]).height},
       {16384, 1}},
      {"a negative height", {as<ZelResizeSequence>(list[4]).width, as<ZelResizeSequence>(list[4]).height}, {640, 1}},
      {"an image size", {as<ZelSaveImageSequence>(list[5]).width, as<ZelSaveImageSequence>(list[5]).height},
       {16384, 1}},
  };
  for (const Row &r : rows) EXPECT_EQ(r.got, r.want) << r.what;
}

TEST(SequenceFile, ServerFilesAppendAndKeepTheCLocale) {
  // A locale with a decimal comma, as a process may have set it for its own streams.
  struct Comma : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  const std::locale old = std::locale::global(std::locale(std::locale::classic(), new Comma));
  const std::string path = testing::TempDir() + "zel_seq_locale.seq";
  ZelSequenceServer server(1);
  server.setClock([] { return qint64(250); });
  server.addValueChanged("dspin", 2.5);
  server.saveSequences(path.c_str());
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  EXPECT_EQ(line, "14 0.25 dspin 2.5");
  CaptureStdout();
  server.loadSequences(path.c_str());
  server.loadSequences(path.c_str());
  server.loadSequences((path + ".missing").c_str());
  GetCapturedStdout();
  std::locale::global(old);
  ASSERT_EQ(server.loaded().size(), 2u);  // each load appends
  EXPECT_EQ(server.loaded()[1]->delay, 0.25f);
  std::remove(path.c_str());
}

TEST(SequenceFile, EveryCutOfAFileReadsAPrefix) {
  const std::string text =
      "0 0.5 view a 65 0 1\n2 1 w 3 4 \n18 0 w 2\n3 0 w 5 6 \n6 0 glWidget 1 1 0 11 20\n23 0 l two\n"
      "20 0 glWidget 64 48 100 a b.png\n-1\n";
  const size_t full = read(text).size();
  size_t last = 0;
  for (size_t n = 0; n <= text.size(); n++) {
    size_t got = read(text.substr(0, n)).size();
    EXPECT_GE(got, last) << n;
    EXPECT_LE(got, full) << n;
    last = got;
  }
  EXPECT_EQ(last, full);
}

// A sequence file is someone else's as often as a mesh: a FIFO, a link to /dev/zero or a
// folder gives no record at once, with one line naming it (the load runs in a child process
// with a deadline, so that a reader that waits for ever fails instead of hanging the suite).
TEST(SequenceFile, ANameThatIsNotARegularFileGivesNoRecordAtOnce) {
  fixtures::ScratchFolder dir("seq-endless");
  ZelSequenceServer server(1);
  for (fixtures::Endless kind : fixtures::AllEndless) {
    const std::string path = dir.path("e" + std::to_string(int(kind)) + ".seq");
    ASSERT_TRUE(fixtures::MakeEndless(path, kind));
    const int v = fixtures::RunInChild([&] {
      const Captured c = CaptureText([&] { server.loadSequences(path.c_str()); });
      if (!server.loaded().empty()) return 1;
      return c.Err.find(path + " IS A") == std::string::npos ? 2 : 0;
    });
    EXPECT_EQ(v, 0) << fixtures::EndlessName(kind)
                    << (v == -1 ? ": still reading at the deadline" : v == 2 ? ": no line names it" : "");
  }
}

// A save whose disk fills up midway leaves the file it was to replace as it was.
TEST(SequenceFile, ASaveThatFailsMidwayLeavesTheOldFileWhole) {
  fixtures::ScratchFolder dir("seq-full");
  const std::string path = dir.path("kept.seq"), old = "20 0 glWidget 64 48 100 .png\n-1\n";
  ASSERT_TRUE(fixtures::SaveText(path, old));
  ZelSequenceServer server(1);
  server.setClock([] { return qint64(0); });
  for (int i = 0; i < 2000; i++) server.addValueChanged("a_rather_long_widget_name", i);
  {
    fixtures::FileSizeLimit full(8192);
    ASSERT_TRUE(full.active());
    server.saveSequences(path.c_str());
  }
  std::ifstream in(path);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()), old);
  EXPECT_EQ(dir.names(), std::vector<std::string>{"kept.seq"});
  // With room it is replaced.
  server.saveSequences(path.c_str());
  CaptureStdout();
  server.loadSequences(path.c_str());
  GetCapturedStdout();
  EXPECT_EQ(server.loaded().size(), 2000u);
}

// Reading stops at the first record it cannot read: one line on standard error names the
// file and that line, once; a file read to its end or to "-1" says nothing.
TEST(SequenceFile, TheFirstLineThatCannotBeReadIsNamedOnce) {
  fixtures::ScratchFolder dir("seq-unread");
  struct Case {
    const char *what;
    std::string text;
    size_t records;
    int line;  // 0: no line named
  } const cases[] = {
      {"a whole file", "13 0 s 7\n\n23 0 line two\n-1\n", 2, 0},
      {"a file without its end line", "13 0 s 7\n23 0 line", 2, 0},
      {"a field that is not a number after blank lines", "13 0 s 7\n\n\n2 0 w 5 x \n13 0 s 8\n-1\n", 1, 4},
      {"a type that is not a number", "13 0 s 7\n13 0 s 8\nseven 0 s 9\n13 0 s 9\n-1\n", 2, 3},
      {"the first record cut short", "6 0 glWidget 1 1\n-1\n", 0, 1},
      {"a bad delay after skipped lines", "1 0 a\n99 0 b\n13 soon s 8\n-1\n", 0, 3},
  };
  for (const Case &c : cases) {
    const std::string path = dir.path("unread.seq");
    ASSERT_TRUE(fixtures::SaveText(path, c.text));
    ZelSequenceServer server(1);
    const Captured got = CaptureText([&] { server.loadSequences(path.c_str()); });
    EXPECT_EQ(server.loaded().size(), c.records) << c.what;
    const std::string named = "LINE " + std::to_string(c.line) + " OF " + path + " NOT READ";
    size_t lines = 0;
    for (size_t at = got.Err.find("NOT READ"); at != std::string::npos; at = got.Err.find("NOT READ", at + 1)) lines++;
    EXPECT_EQ(lines, c.line ? 1u : 0u) << c.what << "\n" << got.Err;
    if (c.line) {
      EXPECT_CONTAINS(got.Err, named) << c.what;
    }
  }
}
