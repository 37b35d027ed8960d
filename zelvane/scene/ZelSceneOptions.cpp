#include "zelvane/scene/ZelSceneOptions.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/base/Memory.h"
#include "common/base/ShownName.h"
#include "common/base/UserFile.h"
#include "zelvane/scene/ZelAllocFailure.h"

ZelSceneOptions *zelNewSceneOpt(Memory_List *mem) {
  auto *opt = static_cast<ZelSceneOptions *>(MEM_ALLOC(mem, opt, sizeof(ZelSceneOptions)));
  if (!opt) zelAllocFailure("zelNewSceneOpt", "opt");
  std::memset(opt, 0, sizeof(ZelSceneOptions));
  return opt;
}

ZelSceneOptions *zelFreeSceneOpt(Memory_List *mem, ZelSceneOptions *opt) {
  if (opt) MEM_FREE(mem, opt);
  return nullptr;
}

namespace {

// Longest word kept; the rest of a longer word is skipped, so it still counts as one word.
constexpr size_t WordSize = 256;

class WordReader {
 public:
  explicit WordReader(FILE *f) : f_(f) {}

  // Next whitespace-separated word into w (NUL-terminated); false at end of file.
  bool next(char (&w)[WordSize]) {
    int ch;
    do ch = getc(f_);
    while (ch != EOF && std::isspace(ch));
    if (ch == EOF) return false;
    size_t n = 0;
    while (ch != EOF && !std::isspace(ch)) {
      if (n + 1 < WordSize) w[n++] = static_cast<char>(ch);
      ch = getc(f_);
    }
    w[n] = '\0';
    // The separator is left in the stream: a comment word must not swallow the next line.
    if (ch != EOF) ungetc(ch, f_);
    return true;
  }

  void skipLine() {
    int ch;
    do ch = getc(f_);
    while (ch != EOF && ch != '\n');
  }

 private:
  FILE *f_;
};

// The whole word must convert; from_chars ignores the locale's decimal separator.
template <typename T>
bool convert(const char *w, T *value) {
  const char *beg = (w[0] == '+' && w[1] != '-') ? w + 1 : w;
  const char *end = w + std::strlen(w);
  if (beg == end) return false;
  auto res = std::from_chars(beg, end, *value);
  return res.ec == std::errc() && res.ptr == end;
}

// Infinities and NaNs would defeat the ordering of the palette and the box: not numbers here.
bool convertFinite(const char *w, double *value) { return convert(w, value) && std::isfinite(*value); }

enum ReadResult { Missing, Bad, Good };

// Reads one double for keyword kwd, with a message when it is missing or bad.
ReadResult readDouble(WordReader &in, const char *kwd, double *value) {
  char w[WordSize];
  if (!in.next(w)) {
    fprintf(stderr, "  ## ERROR: ZELVANE: %s: MISSING DOUBLE VALUE \n", kwd);
    return Missing;
  }
  if (!convertFinite(w, value)) {
    fprintf(stderr, "  ## ERROR: ZELVANE: %s: ERROR WHILE READING DOUBLE VALUE(%s)\n", kwd, ShownName(w).c_str());
    return Bad;
  }
  return Good;
}

void readVerbose(WordReader &in, const char *kwd, ZelSceneOptions *opt) {
  char w[WordSize];
  if (!in.next(w)) {
    fprintf(stderr, "  ## ERROR: ZELVANE: %s: MISSING INTEGER VALUE \n", kwd);
    return;
  }
  int v;
  if (!convert(w, &v)) {
    fprintf(stderr, "  ## ERROR: ZELVANE: %s: ERROR WHILE READING INTEGER VALUE(%s)\n", kwd, ShownName(w).c_str());
    return;
  }
  opt->verbose = v;
}

// Six values; the box is taken only when all six are good, so a broken line never leaves a
// half-written box in use.
void readBox(WordReader &in, const char *kwd, ZelSceneOptions *opt) {
  static const char *const names[6] = {"xmin", "ymin", "zmin", "xmax", "ymax", "zmax"};
  double box[6];
  bool good = true;
  for (int i = 0; i < 6; i++) {
    ReadResult r = readDouble(in, kwd, &box[i]);
    if (r == Good)
      printf("  bounding box %s %lg \n", names[i], box[i]);
    else
      good = false;
    if (r == Missing) break;  // end of file: nothing more to read
  }
  if (!good) return;
  std::memcpy(opt->box, box, sizeof(box));
  opt->hasBox = 1;
}

void invalidPalette(ZelSceneOptions *opt) {
  fprintf(stderr, "  ##ERROR please provide a valid palette !\n  Default values used");
  opt->palCount = 0;
}

// Five non-decreasing values; anything less leaves no palette (count 0).
void readPalette(WordReader &in, const char *kwd, ZelSceneOptions *opt) {
  opt->palCount = 5;
  for (int i = 0; i < 5; i++) {
    double v;
    if (readDouble(in, kwd, &v) != Good) {
      invalidPalette(opt);
      return;
    }
    opt->pal[i] = v;
    for (int j = 0; j < i; j++)
      if (opt->pal[j] > opt->pal[i]) invalidPalette(opt);
    if (opt->palCount == 0) return;
  }
}

}  // namespace

void zelReadZelSceneOptions(const char *baseName, ZelSceneOptions *opt) {
  if (!opt) return;
  std::string name = std::string(baseName ? baseName : "") + ".zelvane";
  // A name that is not a regular file is refused like a missing one.
  FILE *f = baseName ? OpenUserFile(name.c_str(), UserFileBounded, nullptr) : nullptr;
  if (!f) {
    name = "DEFAULT.zelvane";
    f = OpenUserFile(name.c_str(), UserFileBounded, nullptr);
  }
  if (!f) {
    printf("  %%%% WARNING: NO PARAMETER FILE FOUND.");
    printf(" USE DEFAULT VALUES\n");
    return;
  }
  printf("  %% %s OPENED\n", ShownName(name).c_str());

  WordReader in(f);
  char w[WordSize];
  while (in.next(w)) {
    if (w[0] == '#') {
      in.skipLine();
      continue;
    }
    for (char *c = w; *c; c++) *c = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    if (!std::strcmp(w, "verbose"))
      readVerbose(in, w, opt);
    else if (!std::strcmp(w, "boundingbox"))
      readBox(in, w, opt);
    else if (!std::strcmp(w, "palette"))
      readPalette(in, w, opt);
  }
  fclose(f);
}
