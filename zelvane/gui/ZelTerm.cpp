// The terminal, its free window and the output behind pterm.
#include "zelvane/gui/ZelTerm.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QMenu>
#include <QRegularExpression>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QTextCodec>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>

#include "common/base/ScreenRange.h"
#include "common/base/ShownName.h"
#include "zelvane/gui/MainWindow.h"
#include "zelvane/gui/Window.h"
#include "zelvane/gui/Zelvane.h"
#include "zelvane/record/QZelAction.h"

namespace {
// Defaults of the settings read here: the terminal's height, the terminal window's side.
constexpr int DefaultTermHeight = 90, DefaultTermWindow = 800;
// What a new terminal shows.
const char *const Welcome = "Welcome to Zelvane, Release 2.0, Tavrel";

// The font of every text the terminal shows.
QFont termFont() {
  QFont font("Courier");
  font.setFixedPitch(true);
  font.setPointSize(12);
  return font;
}
}  // namespace

int zelStoredTermHeight() {
  bool number = false;
  const qlonglong h = QSettings().value("Terminal height", DefaultTermHeight).toLongLong(&number);
  if (!number) return DefaultTermHeight;
  return ClampScreenSize(int(std::clamp<qlonglong>(h, 0, ScreenSizeMax)));
}

QSize zelStoredTermWindowSize() {
  const QVariant stored = QSettings().value("size");
  // Anything but a size (missing, a word, a number) reads as the default.
  if (stored.type() != QVariant::Size) return QSize(DefaultTermWindow, DefaultTermWindow);
  const QSize size = stored.toSize();
  return QSize(ClampScreenSize(size.width()), ClampScreenSize(size.height()));
}

ZelTerm::ZelTerm(ZelSequenceServer *server, int index, QWidget *parent)
    : QTextEdit(parent), ZelBase(nullptr, server, index), window_(qobject_cast<Window *>(parent)) {
  setReadOnly(true);
  // Made in the font its output sets: the first line written, or a mesh read again, changes
  // nothing of the text already shown.
  setFont(termFont());
  vbar_ = new QScrollBar(Qt::Vertical, this);
  setVerticalScrollBar(vbar_);
  setPlainText(QString(Welcome) + " \n");
  copy_ = new QZelAction(QString("copy_%1").arg(index), server, "Copy selected text", this);
  copy_->setEnabled(false);
  detach_ = new QZelAction(QString("detach_%1").arg(index), server, "Free Terminal", this);
  connect(copy_, &QAction::triggered, this, &QTextEdit::copy);
  connect(this, &QTextEdit::copyAvailable, copy_, &QAction::setEnabled);
  connect(detach_, &QAction::triggered, this, &ZelTerm::setTermPosition);
  termHeight_ = zelStoredTermHeight();
  setFixedHeight(termHeight_);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
  auto *layout = new QVBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  setLayout(layout);
}

ZelTerm::~ZelTerm() {
  delete copy_;
  delete detach_;
}

int ZelTerm::moduleMask() const {
  MainWindow *mw = window_ ? window_->mainWindow() : nullptr;
  return mw ? mw->moduleMask() : 0;
}

void ZelTerm::setModuleMask(int mask) {
  if (MainWindow *mw = window_ ? window_->mainWindow() : nullptr) mw->setModuleMask(mask);
}

ZelvaneOptions *ZelTerm::options() const {
  MainWindow *mw = window_ ? window_->mainWindow() : nullptr;
  return mw && mw->app() ? mw->app()->options() : nullptr;
}

void ZelTerm::setTermPosition() {
  int mask = moduleMask();
  setFree((mask & ZelModDocked) != 0);
  setModuleMask(mask ^ ZelModDocked);
}

void ZelTerm::setFree(bool free) {
  if (!window_) return;
  if (free) {
    detach_->setText("Lock Terminal");
    setMinimumHeight(termHeight_);
    QScreen *screen = QGuiApplication::primaryScreen();
    setMaximumHeight(screen ? screen->geometry().height() : QWIDGETSIZE_MAX);
    window_->setTermToTool();
    return;
  }
  detach_->setText("Free Terminal");
  window_->insertTerm();
  setFixedHeight(termHeight_);
}

void ZelTerm::contextMenuEvent(QContextMenuEvent *event) {
  QMenu menu(this);
  menu.addAction(copy_);
  menu.addAction(detach_);
  menu.exec(event->globalPos());
}

ZelTermTool::ZelTermTool(const QString &title, QWidget *parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(title);
  resize(zelStoredTermWindowSize());
  layout_ = new QVBoxLayout;
  layout_->setContentsMargins(5, 10, 5, 10);
  layout_->setSizeConstraint(QLayout::SetMinAndMaxSize);
  setLayout(layout_);
}

ZelTermTool::~ZelTermTool() { delete layout_; }

void ZelTermTool::addTerm(ZelTerm *term) {
  term_ = term;
  layout_->insertWidget(0, term);
  term->show();
}

void ZelTermTool::keyPressEvent(QKeyEvent *event) {
  auto *window = qobject_cast<Window *>(parentWidget());
  MainWindow *mw = window ? window->mainWindow() : nullptr;
  if (mw) mw->keyPressEvent(event);
}

// ---- output

void zelTermAppend(ZelTerm *term, const QString &text) {
  term->setFont(termFont());
  term->append(text);
}

QString zelTermDecode(const QByteArray &bytes) {
  QTextCodec *utf8 = QTextCodec::codecForName("UTF-8");
  QTextCodec::ConverterState state;
  QString text = utf8->toUnicode(bytes.constData(), bytes.size(), &state);
  if (state.invalidChars == 0 && state.remainingChars == 0) return text;
  return QString::fromLatin1(bytes);
}

QString zelTermEcho(const QString &html) {
  static const QRegularExpression lineBreak("<br/>"), tag("<[^>]*>");
  QString echo = html;
  echo.replace(lineBreak, "\n");
  echo.remove(tag);
  return echo;
}

namespace {

// Shows html in the window's terminal and echoes `echo` after the window number. A control
// byte other than the line feed (a name's escape sequence or carriage return that reached the
// line unescaped) shows as ShownName writes it in both.
void termShow(void *window, const char *text, QString (*html)(const QString &), QString (*echo)(const QString &)) {
  auto *win = static_cast<Window *>(window);
  if (!win || !text || !win->term()) return;
  const QString decoded = zelTermDecode(QByteArray::fromStdString(ShownText(text)));
  zelTermAppend(win->term(), html(decoded));
  const QByteArray line = ("[" + QString::number(win->number()) + "] " + echo(decoded)).toUtf8();
  fwrite(line.constData(), 1, size_t(line.size()), stdout);
  fputc('\n', stdout);
  fflush(stdout);
}

QString same(const QString &text) { return text; }

}  // namespace

void zelTermWrite(void *window, const char *text) { termShow(window, text, same, zelTermEcho); }

void zelTermWelcome(void *window) {
  auto *win = static_cast<Window *>(window);
  if (!win || !win->term()) return;
  // As the terminal was made: its text alone.
  win->term()->setPlainText(QString(Welcome) + " \n");
  printf("[%d] %s\n", win->number(), Welcome);
  fflush(stdout);
}

void zelTermWriteText(void *window, const char *text) { termShow(window, text, zelTermHtml, same); }

QString zelTermHtml(const QString &text) {
  // The paragraph tag also makes the terminal read the text as rich text, which it would not
  // for a text without "<" ("a&amp;b" would show as typed).
  return "<p style='white-space: pre-wrap;'>" + text.toHtmlEscaped() + "</p>";
}

QString zelShownText(const QString &text) {
  return QString::fromUtf8(QByteArray::fromStdString(ShownText(text.toUtf8().toStdString())));
}

QString zelShownName(const QString &name) {
  const QByteArray bytes = QFile::encodeName(name);
  const std::string shown = ShownName(std::string_view(bytes.constData(), size_t(bytes.size())));
  return QFile::decodeName(QByteArray::fromStdString(shown));
}
