// The sequence server: registry of recordable objects, recording of their actions with
// timing, sequence files, and replay all at once or one record per timer tick.
#include "zelvane/record/ZelSequenceServer.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QResizeEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>
#include <string>

#include "common/base/ShownName.h"
#include "common/base/UserFile.h"
#include "zelvane/record/QZelObject.h"
#include "zelvane/record/ZelKeyPressSequence.h"
#include "zelvane/record/ZelMouseSequence.h"
#include "zelvane/record/ZelMoveSequence.h"
#include "zelvane/record/ZelResizeSequence.h"
#include "zelvane/record/ZelSaveImageSequence.h"
#include "zelvane/record/ZelSeqText.h"
#include "zelvane/record/ZelSignalSequence.h"

namespace {
// Room reserved in each list, so that recording seldom reallocates.
constexpr size_t ListReserve = 10000;
// A day: longer recorded waits are broken files.
constexpr float MaxDelay = 86400.0f;
// Longest wait of a fast replay, in milliseconds.
constexpr int FastCap = 100;
}  // namespace

ZelSequenceServer::ZelSequenceServer(int mode) : recordMode_(mode) {
  recorded_.reserve(ListReserve);
  loaded_.reserve(ListReserve);
  clockStart_.start();
  clock_ = [this] { return clockStart_.elapsed(); };
  arm_ = [this](int ms) {
    timer_.setSingleShot(true);
    timer_.start(ms);
  };
  exit_ = [](int status) { QCoreApplication::exit(status); };
  connect(&timer_, &QTimer::timeout, this, &ZelSequenceServer::run);
}

ZelSequenceServer::~ZelSequenceServer() = default;

// ---- registry

void ZelSequenceServer::addZelObject(const QString &name, QZelObject *object) {
  registry_.emplace(zelSeqUtf8(name), object);
}

void ZelSequenceServer::remZelObject(const QString &name, QZelObject *object) {
  auto it = registry_.find(zelSeqUtf8(name));
  if (it != registry_.end() && it->second == object) registry_.erase(it);
}

void ZelSequenceServer::remAllZelObject() { registry_.clear(); }

QZelObject *ZelSequenceServer::findZelObject(const QString &name) const { return find(zelSeqUtf8(name)); }

QZelObject *ZelSequenceServer::find(const std::string &name) const {
  auto it = registry_.find(name);
  return it == registry_.end() ? nullptr : it->second;
}

// ---- recording

void ZelSequenceServer::record(ZelSequence *rec) {
  float now = float(clock_() * 0.001);
  rec->delay = now - previousTime_;
  previousTime_ = now;
  recorded_.emplace_back(rec);
}

void ZelSequenceServer::addTriggered(const QString &name, bool state) {
  // The record action itself: recording it would replay a save of the recording.
  if (recordMode_ == 1 && name != QLatin1String("recordSeq")) record(new ZelSignalSequence(9, name, state));
}

void ZelSequenceServer::addActivated(const QString &name, int index) {
  if (recordMode_ == 1) record(new ZelSignalSequence(10, name, index));
}

void ZelSequenceServer::addReturnPressed(const QString &name, const QString &text) {
  if (recordMode_ == 1) record(new ZelSignalSequence(11, name, text));
}

void ZelSequenceServer::addEditingFinished(const QString &name, const QString &text) {
  if (recordMode_ == 1) record(new ZelSignalSequence(12, name, text));
}

void ZelSequenceServer::addValueChanged(const QString &name, int value) {
  if (recordMode_ == 1) record(new ZelSignalSequence(13, name, value));
}

void ZelSequenceServer::addValueChanged(const QString &name, double value) {
  if (recordMode_ == 1) record(new ZelSignalSequence(14, name, value));
}

void ZelSequenceServer::addClicked(const QString &name, bool state) {
  if (recordMode_ == 1) record(new ZelSignalSequence(15, name, state));
}

void ZelSequenceServer::addStateChanged(const QString &name, int state) {
  if (recordMode_ == 1) record(new ZelSignalSequence(17, name, state));
}

void ZelSequenceServer::addItemSelectionChanged(const QString &name, bool state) {
  if (recordMode_ == 1) record(new ZelSignalSequence(21, name, state));
}

void ZelSequenceServer::addTextChanged(const QString &name, const QString &text) {
  if (recordMode_ == 1) record(new ZelSignalSequence(23, name, text));
}

void ZelSequenceServer::addKeyPressEvent(const QString &name, QKeyEvent *event) {
  if (recordMode_ == 1) record(new ZelKeyPressSequence(name, event));
}

void ZelSequenceServer::addMoveEvent(const QString &name, QMoveEvent *event) {
  if (recordMode_ == 1 && event->pos() != event->oldPos()) record(new ZelMoveSequence(name, event));
}

void ZelSequenceServer::addResizeEvent(const QString &name, QResizeEvent *event) {
  if (recordMode_ == 1 && event->size() != event->oldSize()) record(new ZelResizeSequence(name, event));
}

void ZelSequenceServer::addMousePressEvent(const QString &name, QMouseEvent *event) {
  if (recordMode_ == 1) record(new ZelMouseSequence(6, name, event));
}

void ZelSequenceServer::addMouseMoveEvent(const QString &name, QMouseEvent *event) {
  if (recordMode_ == 1) record(new ZelMouseSequence(7, name, event));
}

void ZelSequenceServer::addMouseReleaseEvent(const QString &name, QMouseEvent *event) {
  if (recordMode_ == 1) record(new ZelMouseSequence(8, name, event));
}

void ZelSequenceServer::addSaveImage(const QString &name, QString &file, QSize size, int flag) {
  if (recordMode_ == 1) record(new ZelSaveImageSequence(name, file, size, flag));
}

// ---- files

int ZelSequenceServer::saveSequences(const char *path) {
  std::ostringstream out;
  zelWriteSequences(out, recorded_);
  const std::string text = out.str();
  return WriteUserFile(path, text.data(), text.size(), UserFileQuiet);
}

void ZelSequenceServer::loadSequences(const char *path) {
  zelSeqOut() << " ***** Sequence Scheduler is running ****** " << '\n';
  // A sequence file is someone else's as often as a mesh: a regular file only, read as far
  // as it reached when opened.
  FILE *f = path ? OpenUserFile(path, UserFileBounded, nullptr) : nullptr;
  if (!f) return;
  std::string text;
  char buf[65536];
  for (size_t n; (n = fread(buf, 1, sizeof(buf), f)) > 0;) text.append(buf, n);
  fclose(f);
  std::istringstream in(text);
  std::string().swap(text);  // the stream holds its own copy
  ZelSeqReadReport report;
  zelReadSequences(in, loaded_, &report);
  // Reading stops at a record it cannot read; the records after it would be dropped unseen.
  const std::string shown = ShownName(path);
  if (report.unreadLine)
    fprintf(stderr, "  ## WARNING: LOADSEQUENCES: LINE %ld OF %s NOT READ, NOR THOSE AFTER IT \n", report.unreadLine,
            shown.c_str());
  if (report.trailingLines == 1)
    fprintf(stderr, "  ## WARNING: LOADSEQUENCES: WHAT FOLLOWS THE RECORD ON LINE %ld OF %s IS IGNORED \n",
            report.trailingLine, shown.c_str());
  else if (report.trailingLines > 1)
    fprintf(stderr, "  ## WARNING: LOADSEQUENCES: WHAT FOLLOWS THE RECORDS ON %ld LINES OF %s IS IGNORED (THE FIRST: LINE %ld) \n",
            report.trailingLines, shown.c_str(), report.trailingLine);
  fflush(stderr);
}

// ---- replay

int ZelSequenceServer::replayInterval(float delay, int mode) {
  float d = delay >= 0.0f ? std::min(delay, MaxDelay) : 0.0f;  // NaN fails the comparison
  int ms = int(d * 1000.0f);
  return mode == 2 ? ms : std::min(ms, FastCap);
}

void ZelSequenceServer::arm(size_t index) { arm_(replayInterval(loaded_[index]->delay, replayMode_)); }

void ZelSequenceServer::execSequences(int mode) {
  if (replaying_) return;
  replayMode_ = mode;
  played_ = 0;
  if (mode < 1 || mode > 3) {
    replaying_ = true;
    // By index: a replayed record may load a file, which grows the list.
    for (size_t i = 0; i < loaded_.size(); i++) {
      ZelSequence *rec = loaded_[i].get();
      QZelObject *object = find(rec->name);
      if (!object) continue;
      zelSeqOut() << " running sequence " << i << " on widget " << ShownName(rec->name) << '\n';
      rec->exec(object);
      played_++;
    }
    replaying_ = false;
    return;
  }
  next_ = 0;
  if (loaded_.empty()) return;
  finished_ = 0;
  replaying_ = true;
  skipAbsent();
  // With nothing left the first tick ends the replay, from the event loop.
  if (next_ < loaded_.size())
    arm(next_);
  else
    arm_(0);
}

void ZelSequenceServer::skipAbsent() {
  // Nobody watches an unattended replay: a record that would only be skipped costs no wait.
  if (replayMode_ != 3) return;
  while (next_ < loaded_.size() && !find(loaded_[next_]->name)) next_++;
}

void ZelSequenceServer::run() {
  timer_.stop();
  if (!replaying_) return;
  if (next_ >= loaded_.size()) {
    endReplay();
    return;
  }
  ZelSequence *rec = loaded_[next_].get();
  if (QZelObject *object = find(rec->name)) {
    zelSeqOut() << " running sequence " << next_ << " on widget " << ShownName(rec->name) << '\n';
    rec->exec(object);
    played_++;
    QCoreApplication::processEvents();
    zelSeqOut() << " end exec " << '\n';
  }
  next_++;
  skipAbsent();
  if (next_ >= loaded_.size()) {
    endReplay();
    return;
  }
  zelSeqOut() << " iSeq " << next_ << " size sequence " << loaded_.size() << '\n';
  arm(next_);
}

QZelObject *ZelSequenceServer::replayTarget() const {
  if (!replaying_ || replayMode_ < 1 || replayMode_ > 3 || next_ >= loaded_.size()) return nullptr;
  return find(loaded_[next_]->name);
}

void ZelSequenceServer::endReplay() {
  finished_ = 1;
  replaying_ = false;
  if (endHook_) {
    auto first = registry_.find(std::string());
    if (first != registry_.end()) endHook_(first->second);
  }
  emit replayFinished();
  if (replayMode_ == 3) exit_(1);
}

// ---- seams

void ZelSequenceServer::setReplayEndHook(std::function<void(QZelObject *)> hook) { endHook_ = std::move(hook); }
void ZelSequenceServer::setClock(std::function<qint64()> clock) { clock_ = std::move(clock); }
void ZelSequenceServer::setTimerArm(std::function<void(int)> arm) { arm_ = std::move(arm); }
void ZelSequenceServer::setReplayExit(std::function<void(int)> exit) { exit_ = std::move(exit); }
