// Names, texts and the solution poll behind the main window's commands.
#include "zelvane/gui/ZelCommandRules.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QRegularExpression>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <memory>

#include "common/base/ScreenRange.h"
#include "common/base/UserFile.h"
#include "common/load/FileNames.h"
#include "common/load/LoadNotices.h"
#include "common/load/SolutionLoad.h"

QString zelImageExtension(const QString &name) {
  const int dot = name.lastIndexOf('.');
  return dot < 0 ? name : name.mid(dot);
}

QString zelLinkedImageName(const QString &name, int counter) {
  QString base = name;
  if (base.endsWith(".png") || base.endsWith(".jpg")) base.chop(4);
  return base + "_" + QString::number(counter) + ".png";
}

bool zelWriteImage(const QImage &image, const QByteArray &name, const char *format, int quality, int how,
                   QString *reason) {
  QString why;
  const QByteArray file = name.mid(name.lastIndexOf('/') + 1);
  const int dot = file.lastIndexOf('.');
  QByteArray fmt = format ? QByteArray(format) : dot >= 0 ? file.mid(dot + 1).toLower() : QByteArray();
  // A format without a writer cannot succeed: nothing is created or truncated for it.
  if (!QImageWriter::supportedImageFormats().contains(fmt.toLower())) {
    const std::string shown = ShownName(fmt.constData());
    why = QString("no image writer for the format \"%1\"").arg(QString::fromLatin1(shown.c_str()));
  } else {
    // Encoded in memory first: the file layer then sees every failed write and its reason.
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, fmt);
    writer.setQuality(quality);
    if (!writer.write(image))
      why = "the image could not be encoded: " + writer.errorString();
    else if (WriteUserFile(name.constData(), data.constData(), size_t(data.size()), how) != 1)
      why = QString::fromLocal8Bit(UserFileWriteReason() ? UserFileWriteReason() : "the write was not completed");
  }
  if (why.isEmpty()) return true;
  if (reason) *reason = why;
  return false;
}

QString zelImageEndingRefusal(const QByteArray &base, const std::string &file) {
  // Said by its length: an ending read from a file may be megabytes long, or not be text.
  const QString ending = QString("the recorded ending (%1 bytes)").arg(qulonglong(file.size()));
  // The length first: a name no folder can hold is refused before its bytes are looked at.
  const size_t name = size_t(base.size()) + file.size();
  if (name > NAME_MAX)
    return QString("%1 would make a file name of %2 bytes, more than the %3 a file name may have")
        .arg(ending)
        .arg(qulonglong(name))
        .arg(NAME_MAX);
  for (const char c : file)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return ending + " holds a NUL or control byte";
  if (file.find('/') != std::string::npos || file.find("..") != std::string::npos)
    return ending + " holds a folder separator or \"..\"";
  return QString();
}

bool zelParseWindowSize(const QString &text, int *width, int *height) {
  static const QRegularExpression form("\\A([0-9]+) *x *([0-9]+)\\z");
  const QRegularExpressionMatch m = form.match(text);
  if (!m.hasMatch()) return false;
  bool okW = false, okH = false;
  const int w = m.captured(1).toInt(&okW), h = m.captured(2).toInt(&okH);
  if (!okW || !okH) return false;  // beyond an int
  // The window adds its bars to the height and the view is painted at this size.
  *width = ClampScreenSize(w);
  *height = ClampScreenSize(h);
  return true;
}

namespace {
bool allDigits(const QString &s) {
  for (QChar c : s)
    if (!c.isDigit() || c.unicode() > 127) return false;
  return true;
}
// Differences this large are never a neighbour.
constexpr qint64 FarAway = 1000000;
}  // namespace

QString zelSeriesNeighbour(const QString &meshName, const QStringList &files, bool next, bool *numbered) {
  const QStringList parts = meshName.split('.');
  *numbered = allDigits(parts.last());
  if (!*numbered) return QString();
  const qint64 c = parts.last().toLongLong();
  static const QRegularExpression ending(".meshb|.mesh");
  QString best;
  qint64 bestGap = FarAway;
  for (const QString &file : files) {
    const QRegularExpressionMatch m = ending.match(file);
    if (!m.hasMatch() || m.capturedStart() <= 0) continue;
    const QStringList fp = file.split('.');
    if (fp.size() != parts.size() + 1) continue;
    bool same = true;
    for (int i = 0; i + 1 < parts.size() && same; i++) same = fp[i] == parts[i];
    const QString number = fp[fp.size() - 2];
    if (!same || number.isEmpty() || !allDigits(number) || number.size() > 18) continue;
    const qint64 m2 = number.toLongLong();
    if (m2 == c || (next ? m2 < c : m2 > c)) continue;
    const qint64 gap = next ? m2 - c : c - m2;
    if (gap < bestGap) {
      bestGap = gap;
      best = file;
    }
  }
  return best;
}

QString zelSolutionFileName(const QString &word) {
  if (word.contains(".solb") || word.endsWith(".sol")) return word;
  return word + ".solb";
}

bool zelControlWord(const char *control, char (&word)[4096]) {
  word[0] = '\0';
  // The control file is read up to its size at opening; a FIFO or a device is refused.
  std::unique_ptr<FILE, int (*)(FILE *)> f(OpenUserFile(control, UserFileBounded, nullptr), fclose);
  if (!f) {
    printf(" \n%%%% WARNING: No file %s found in folder. \n", ShownName(control).c_str());
    printf(" %%%% WARNING: Check that you're executing zelvane in the right folder\n");
    return false;
  }
  if (fscanf(f.get(), "%4095s", word) != 1) word[0] = '\0';
  return true;
}

std::string zelTapStderr(const std::function<void()> &f) {
  std::fflush(stderr);
  FILE *scratch = std::tmpfile();
  const int saved = scratch ? dup(2) : -1;
  if (saved < 0 || dup2(fileno(scratch), 2) < 0) {
    if (saved >= 0) close(saved);
    if (scratch) std::fclose(scratch);
    f();
    return std::string();
  }
  f();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  std::string text;
  char buf[4096];
  std::rewind(scratch);
  for (size_t n; (n = std::fread(buf, 1, sizeof(buf), scratch)) > 0;) text.append(buf, n);
  std::fclose(scratch);
  return text;
}

ZelPoll zelPollSolution(const char *control, ZelPollTrack *track, const ZelSolutionLoad &load, std::string *say,
                        std::string *why) {
  char word[4096];
  if (!zelControlWord(control, word)) return ZelPoll::NoControl;
  const QByteArray name = zelSolutionFileName(QString::fromLocal8Bit(word)).toLocal8Bit();
  struct stat st;
  const bool timed = stat(name.constData(), &st) == 0;
  const int absent = timed ? 0 : errno;
  const int64_t t = timed ? int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec : 0;
  if (timed && track->LastTime >= t) return ZelPoll::Unchanged;
  // A solver that removes its file before writing the new one: after a load, a missing file
  // is one about to come back.
  const bool between = !timed && absent == ENOENT && track->LastTime > 0;
  // Said once for as long as the file stays so: a solver writes for seconds, or died halfway.
  auto notReady = [&] {
    if (track->Waiting != name.constData()) {
      track->Waiting = name.constData();
      const std::string line =
          "%% WARNING: Solution file " + ShownName(name.constData()) + " not ready, waiting untill its fully writen";
      if (say)
        *say = line;
      else
        printf(" \n%s\n", line.c_str());
    }
    return ZelPoll::NotReady;
  };
  int r = 2;
  int64_t readTime = 0;
  std::string reason;
  LoadNoticeCollector notices;
  if (!between) reason = zelTapStderr([&] { r = load(name.constData(), &readTime); });
  // What the loader said of a file being written is no error: only a whole file's refusal is.
  auto passOn = [&] {
    notices.passOn();
    if (reason.empty()) return;
    std::fwrite(reason.data(), 1, reason.size(), stderr);
    std::fflush(stderr);
  };
  if (r == 2) return notReady();
  if (r != 0) {
    passOn();
    track->Waiting.clear();
    if (readTime > 0 || timed) track->LastTime = readTime > 0 ? readTime : t;
    return ZelPoll::Loaded;
  }
  // Refused, but removed or replaced since it was looked at: the solver is at work on it.
  struct stat now;
  const bool still = stat(name.constData(), &now) == 0;
  const bool moved = still ? !timed || now.st_ino != st.st_ino || now.st_dev != st.st_dev ||
                                 now.st_ctim.tv_sec != st.st_ctim.tv_sec || now.st_ctim.tv_nsec != st.st_ctim.tv_nsec
                           : errno == ENOENT && track->LastTime > 0;
  if (moved) return notReady();
  notices.passOn();
  // The line that the updates stopped comes first, then the loader's reasons it announces: on
  // standard error, and in the window's terminal (*why).
  const std::string stopped = "%% WARNING: auto update stopped, the solution file is refused:\n" + reason;
  std::fputs(stopped.c_str(), stderr);
  std::fflush(stderr);
  const std::string shown = ShownName(name.toStdString());
  const int at = SolPathWhy(name.constData());
  if (at == SolTaken) {
    // There and readable: what it holds was refused, and the reasons say what.
    printf(" \n%%%% WARNING: Solution file  %s is there but refused: see the reasons in the terminal or on standard "
           "error \n",
           shown.c_str());
  } else {
    printf(" \n%%%% WARNING: Solution file  %s not readable (%s) \n", shown.c_str(), SolWhyWords(at));
    printf(" \n%%%% WARNING: Check name in %s or existence in folder  \n", ShownName(control).c_str());
  }
  if (why) *why = stopped;
  return ZelPoll::Unreadable;
}
