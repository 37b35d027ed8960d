// Locale-free numbers for the view and state files, and the camera line both share.
#include "zelvane/scene/ZelTextFile.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "common/base/UserFile.h"
#include "zelvane/scene/ZelView.h"

namespace {

constexpr size_t WordLimit = 255;

bool isBlank(int ch) {
  return ch == ' ' || ch == '\t' || ch == '\n' || ch == '\r' || ch == '\v' || ch == '\f';
}

// The whole word must convert; a leading '+' is taken as printf-style input allows it.
template <typename T>
bool convert(const std::string &w, T *value) {
  const char *beg = w.c_str(), *end = beg + w.size();
  if (beg != end && *beg == '+' && end - beg > 1 && beg[1] != '-') beg++;
  if (beg == end) return false;
  auto res = std::from_chars(beg, end, *value);
  return res.ec == std::errc() && res.ptr == end;
}

}  // namespace

ZelTextWriter &ZelTextWriter::num(double v) {
  char buf[64];
  // Shortest form at six significant digits, exactly as "%g" prints in the C locale.
  auto res = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::general, 6);
  out_.append(buf, res.ptr);
  return *this;
}

ZelTextWriter &ZelTextWriter::num(int v) {
  char buf[16];
  auto res = std::to_chars(buf, buf + sizeof(buf), v);
  out_.append(buf, res.ptr);
  return *this;
}

ZelTextWriter &ZelTextWriter::put(const char *text) {
  out_ += text;
  return *this;
}

int zelWriteTextFile(const char *path, const std::string &text, int how) {
  return WriteUserFile(path, text.data(), text.size(), how);
}

bool ZelTextReader::word(std::string *w) {
  w->clear();
  int ch;
  do ch = getc(f_);
  while (ch != EOF && isBlank(ch));
  if (ch == EOF) return false;
  while (ch != EOF && !isBlank(ch)) {
    if (w->size() < WordLimit + 1) w->push_back(static_cast<char>(ch));
    ch = getc(f_);
  }
  // The separator stays: a line read next starts where the word ended.
  if (ch != EOF) ungetc(ch, f_);
  return true;
}

bool ZelTextReader::readInt(int *v) {
  std::string w;
  return word(&w) && w.size() <= WordLimit && convert(w, v);
}

bool ZelTextReader::readDouble(double *v) {
  std::string w;
  return word(&w) && w.size() <= WordLimit && convert(w, v) && std::isfinite(*v);
}

void ZelTextReader::skipLine() {
  int ch;
  do ch = getc(f_);
  while (ch != EOF && ch != '\n');
}

bool ZelTextReader::line(std::string *text, size_t limit) {
  text->clear();
  int ch = getc(f_);
  if (ch == EOF) return false;
  for (; ch != EOF && ch != '\n'; ch = getc(f_))
    if (text->size() < limit) text->push_back(static_cast<char>(ch));
  return true;
}

int zelScanInts(const std::string &text, int *out, int max) {
  int n = 0;
  size_t i = 0;
  while (n <= max) {
    while (i < text.size() && isBlank(static_cast<unsigned char>(text[i]))) i++;
    size_t j = i;
    while (j < text.size() && !isBlank(static_cast<unsigned char>(text[j]))) j++;
    int v;
    if (i == j || !convert(text.substr(i, j - i), &v)) break;
    if (n < max) out[n] = v;
    n++;
    i = j;
  }
  return n;
}

void zelPutViewLine(ZelTextWriter &w, const ZelViewBucket &v) {
  w.num(v.Trn[0]).put(" ").num(v.Trn[1]).put(" ").num(v.Trn[2]).put("\t");
  w.num(v.Ctr[0]).put(" ").num(v.Ctr[1]).put(" ").num(v.Ctr[2]).put("\t");
  w.num(v.Fov).put("\t").num(v.Near).put("\t").num(v.Far).put("\t");
  for (double m : v.Mat) w.num(m).put(" ");
  w.put("\n");
}

bool zelReadViewLine(ZelTextReader &r, ZelViewBucket *v) {
  double *fields[9] = {&v->Trn[0], &v->Trn[1], &v->Trn[2], &v->Ctr[0], &v->Ctr[1],
                       &v->Ctr[2], &v->Fov,    &v->Near,   &v->Far};
  for (double *f : fields)
    if (!r.readDouble(f)) return false;
  for (double &m : v->Mat)
    if (!r.readDouble(&m)) return false;
  return true;
}
