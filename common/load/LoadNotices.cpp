// Notices of the loaders, printed or kept by the calling thread's collector.
#include "common/load/LoadNotices.h"

#include <cstdarg>
#include <cstdio>

#include "common/load/FileNames.h"

namespace {
thread_local LoadNoticeCollector *current = nullptr;

void print(FILE *stream, const std::string &text) {
  fputs(text.c_str(), stream);
  fflush(stream);
}

std::string formatted(const char *format, va_list args) {
  va_list again;
  va_copy(again, args);
  const int len = vsnprintf(nullptr, 0, format, args);
  std::string line(len > 0 ? static_cast<size_t>(len) : 0, '\0');
  if (len > 0) vsnprintf(&line[0], line.size() + 1, format, again);
  va_end(again);
  return line;
}
}  // namespace

LoadNoticeCollector::LoadNoticeCollector() : outer_(current) { current = this; }

LoadNoticeCollector::~LoadNoticeCollector() { current = outer_; }

std::string LoadNoticeCollector::take() {
  std::string text;
  text.swap(text_);
  pending_.clear();
  return text;
}

void LoadNoticeCollector::passOn() {
  const std::string pending = pending_;
  const std::string text = take();
  if (outer_) {
    outer_->text_.append(text);
    outer_->pending_.append(pending);
  } else if (!pending.empty()) {
    print(stdout, pending);
  }
}

// Keeps a line in the calling thread's collector; printed: it is on standard error already.
void keepLoadLine(const std::string &line, bool printed) {
  current->text_.append(line);
  if (!printed) current->pending_.append(line);
}

void LoadNotice(const char *format, ...) {
  va_list args;
  va_start(args, format);
  const std::string line = formatted(format, args);
  va_end(args);
  if (current)
    keepLoadLine(line, false);
  else
    print(stdout, line);
}

namespace {
// Refusals and warnings: on standard error at once, whoever collects, and kept for a terminal.
void printAndKeep(const char *format, va_list args) {
  const std::string line = formatted(format, args);
  print(stderr, line);
  if (current) keepLoadLine(line, true);
}
}  // namespace

void LoadRefusal(const char *format, ...) {
  va_list args;
  va_start(args, format);
  printAndKeep(format, args);
  va_end(args);
}

void LoadWarning(const char *format, ...) {
  va_list args;
  va_start(args, format);
  printAndKeep(format, args);
  va_end(args);
}

void NoticeShortSolution(const char *fun, const char *file, int64_t given, int64_t entities, const char *kind) {
  if (given >= entities) return;
  // A field short of its mesh shows zeros a user could take for values: said where refusals are.
  LoadWarning("  ## WARNING: %s: %s HOLDS VALUES FOR %lld OF THE %lld %s, THE OTHER %lld ARE SET TO 0 \n", fun,
             ShownName(file ? file : "").c_str(), static_cast<long long>(given), static_cast<long long>(entities),
             kind, static_cast<long long>(entities - given));
}

void NoticeNonFinite(const char *fun, const char *file, int64_t count) {
  if (count <= 0) return;
  LoadNotice("  ## WARNING: %s: %lld VALUES OF %s ARE NAN OR INFINITE, LEFT OUT OF THE FIELD RANGES \n", fun,
             static_cast<long long>(count), ShownName(file ? file : "").c_str());
}
