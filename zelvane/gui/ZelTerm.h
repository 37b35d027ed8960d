// The terminal of a window: a read-only text area in which the program reports to the user
// (pick reports, lookups of the bottom bar, paths, messages of the window), docked in the
// window between the view and the bottom bar or free in a window of its own (ZelTermTool).
//
// Every report arrives through pterm (the scene engine's printf-style output, ZelHooks.h): the
// text is appended as one paragraph, rich text allowed, and echoed without its tags, prefixed
// with "[n] " (n the window number), on standard output. A line that quotes a name arrives
// through ptermText instead: it is shown as the characters it holds (zelTermHtml) and echoed
// unchanged. Either way a control byte other than the line feed shows as "\xHH" (ShownText),
// in the terminal and in the echo, so that no line of the echo is split or drives the user's
// terminal. The text is read as UTF-8 when it is valid UTF-8, else as Latin-1, and shown and
// echoed whole whatever its length: the names in it are cut and escaped where the line is made
// (zelShownName), since a line feed in a name cannot be told from the line's own, and one word
// of megabytes costs the text layout time that grows with the square of its length.
//
// The terminal is made in the font every text it shows is written in (family "Courier", fixed
// pitch, 12 points): no line written, no mesh read again, changes its font.
//
// Settings: "Terminal height" (default 90), the terminal's fixed height while docked and its
// least height while free; "size" (default 800 x 800), the terminal window's size. A stored
// value is a user's file like any other: sizes are brought within the bounds of a screen
// (ScreenRange.h), a value that is no number or no size reads as the default. GUI thread only.
#pragma once

#include <QTextEdit>

#include "zelvane/gui/QZelBase.h"

class QScrollBar;
class QVBoxLayout;
class QZelAction;
class Window;
typedef struct Zel_Options ZelvaneOptions;

// The stored "Terminal height" and "size", within the bounds of a screen.
int zelStoredTermHeight();
QSize zelStoredTermWindowSize();

class ZelTerm : public QTextEdit, public ZelBase {
  Q_OBJECT

 public:
  // parent: the owning Window.
  ZelTerm(ZelSequenceServer *server, int index, QWidget *parent);
  ~ZelTerm() override;

  // Docks (false) or frees (true) the terminal; nothing without a window.
  void setFree(bool free);
  int termHeight() const { return termHeight_; }
  QZelAction *copyAction() const { return copy_; }
  QZelAction *detachAction() const { return detach_; }

  // The main window's module mask (0 without one) and the application's viewer options (null
  // without them), through the owning window.
  int moduleMask() const;
  void setModuleMask(int mask);
  ZelvaneOptions *options() const;

 public slots:
  // The detach action: frees a docked terminal, docks a free one, and toggles the docked bit
  // (16) of the module mask.
  void setTermPosition();

 protected:
  void contextMenuEvent(QContextMenuEvent *event) override;

 private:
  QScrollBar *vbar_ = nullptr;
  QZelAction *copy_ = nullptr;
  QZelAction *detach_ = nullptr;
  int termHeight_ = 90;
  Window *window_ = nullptr;
};

// The free terminal's own top-level window, child of the Window. Its size comes from the
// settings key "size" (default 800 x 800); keys typed in it act on the main window.
class ZelTermTool : public QWidget {
  Q_OBJECT

 public:
  ZelTermTool(const QString &title, QWidget *parent);
  ~ZelTermTool() override;
  // Takes the terminal at the top of its layout.
  void addTerm(ZelTerm *term);
  ZelTerm *term() const { return term_; }

 protected:
  void keyPressEvent(QKeyEvent *event) override;

 private:
  ZelTerm *term_ = nullptr;
  QVBoxLayout *layout_ = nullptr;
};

// Appends an already formatted text to a terminal in its font (family "Courier", fixed pitch,
// 12 points), without echo.
void zelTermAppend(ZelTerm *term, const QString &text);
// The body of pterm: shows the text in the terminal of the window (a Window*) and echoes it,
// control bytes but the line feed escaped (ShownText); nothing when the window, the text or
// the terminal is null.
void zelTermWrite(void *window, const char *text);
// Puts the terminal of the window (a Window*) back as a new one shows it, "Welcome to Zelvane,
// Release 2.0, Tavrel" alone, and echoes that line as pterm does; nothing when the window or
// its terminal is null.
void zelTermWelcome(void *window);
// The body of ptermText: shows the plain text in the terminal of the window (zelTermHtml) and
// echoes it, control bytes but the line feed escaped (ShownText); nothing when the window, the
// text or the terminal is null.
void zelTermWriteText(void *window, const char *text);
// The terminal text (rich text) that shows a plain text as it is: its markup characters
// escaped, its blanks and line breaks kept, one paragraph. Every plain text put into the
// terminal goes through it.
QString zelTermHtml(const QString &text);
// A name as a terminal line or a box quotes it: control characters escaped, cut to a bounded
// length (ShownName, common/base/ShownName.h).
QString zelShownName(const QString &name);
// A text as a message shows it: control characters but the line feed escaped (ShownText).
QString zelShownText(const QString &text);
// The echo of a terminal text: every "<br/>" a line break, every tag removed, entities kept.
QString zelTermEcho(const QString &html);
// The text of raw bytes: UTF-8 when they are valid UTF-8, else Latin-1.
QString zelTermDecode(const QByteArray &bytes);
