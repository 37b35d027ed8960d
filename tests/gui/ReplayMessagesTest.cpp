// Messages met by a replayed sequence: a replay that ends the program has nobody to click, so
// their text goes to standard error and to the terminal of the window the replay acts on, and
// the replay goes on; an attended replay shows the box.
#include <gtest/gtest.h>

#include <QTest>
#include <string>

#include "common/model/ElementKind.h"
#include "tests/gui/GuiFixture.h"
#include "tests/support/CaptureText.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/ZelTerm.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/record/QZelComboBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/record/ZelSequenceServer.h"
#include "zelvane/scene/ZelScene.h"

namespace {

const char *const OutOfBound = "Out Of Bound\nMax Number of vertices = ";

// Looks up by the bottom bar of window n, as a user types them: an empty vertex number (the
// "Out Of Bound" box), then vertex 3.
void typeLookUps(Viewer &v, int n) {
  MainWindow *w = v.window(n - 1);
  QZelComboBox *kind = w->findChild<QZelComboBox *>(QString("Pick_%1").arg(n));
  QZelLineEdit *line = w->findChild<QZelLineEdit *>(QString("Input_%1").arg(n));
  ASSERT_TRUE(kind && line);
  kind->zelActivated(kind->findText("Vertex"));
  for (const char *text : {"", "3"}) {
    line->setText(text);
    QTest::keyClick(line, Qt::Key_Return);
  }
}

int count(const std::string &text, const std::string &part) {
  int n = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) n++;
  return n;
}

}  // namespace

TEST(ReplayMessages, AReplayThatEndsTheProgramWritesItsBoxesOutAndGoesOnWhileAnAttendedOneShowsThem) {
  WorkFolder folder;
  const std::string seq = folder.file("lookups.seq"), mesh = dataFile("sample.meshb");
  {
    Viewer rec({"-in", mesh, mesh});
    MessageLog log;
    typeLookUps(rec, 1);
    typeLookUps(rec, 2);
    ASSERT_EQ(log.shown.size(), 2u);
    ASSERT_TRUE(log.shown[1].text.startsWith(OutOfBound));
    rec.app->server()->saveSequences(seq.c_str());
  }
  const struct {
    const char *flag;  // besides -seq
    bool unattended;
  } rows[] = {{"-seq-exit", true}, {nullptr, false}};
  for (const auto &r : rows) {
    const std::string name = r.flag ? r.flag : "fast";
    std::vector<std::string> args{"-in", mesh, mesh, "-seq", seq};
    if (r.flag) args.push_back(r.flag);
    // No sink: a box not taken by the unattended road reaches the dialogs, which close it.
    ScriptedDialogs dialogs;
    const ZelMessageSink previous = zelSetMessageSink({});
    CaptureStderr();
    Viewer v(args);
    ZelSequenceServer *server = v.app->server();
    const bool finished = QTest::qWaitFor([&] { return server->finished() == 1; }, 60000);
    const std::string err = GetCapturedStderr();
    zelSetMessageSink(previous);
    ASSERT_TRUE(finished) << name;
    EXPECT_EQ(server->replayMode(), r.unattended ? 3 : 1) << name;

    int boxes = 0;
    for (const ScriptedDialogs::Call &c : dialogs.calls) boxes += c.filter.startsWith(OutOfBound);
    EXPECT_EQ(boxes, r.unattended ? 0 : 2) << name;
    EXPECT_EQ(count(err, OutOfBound), r.unattended ? 2 : 0) << err;
    for (int n = 1; n <= 2; n++) {
      // Each window's look-up wrote into its own terminal, and the one after it was replayed.
      const QString term = v.window(n - 1)->centralWindow()->term()->toPlainText();
      EXPECT_EQ(count(term.toStdString(), OutOfBound), r.unattended ? 1 : 0) << name << " " << n;
      const GeoHybridStack *picks = v.scene(n - 1)->Pck;
      ASSERT_EQ(picks->Top, 0) << name << " " << n;
      EXPECT_EQ(picks->Ent[0].Idx, 3);
      EXPECT_EQ(picks->Ent[0].Typ, KmfVertices);
    }
  }
}
