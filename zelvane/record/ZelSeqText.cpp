// Spelling of names and values in the sequence file, and the recorder's message output.
#include "zelvane/record/ZelSeqText.h"

#include <QString>
#include <iostream>

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::ostream &zelSeqOut() { return std::cout; }

std::string zelSeqEscapeName(const std::string &name) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    auto b = static_cast<unsigned char>(c);
    if (b <= 0x20 || b == 0x7F || c == '%') {
      out += '%';
      out += hex[b >> 4];
      out += hex[b & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::string zelSeqUnescapeName(const std::string &word) {
  std::string out;
  out.reserve(word.size());
  for (size_t i = 0; i < word.size(); i++) {
    int hi = -1, lo = -1;
    if (word[i] == '%' && i + 2 < word.size() && (hi = hexDigit(word[i + 1])) >= 0 &&
        (lo = hexDigit(word[i + 2])) >= 0) {
      out += static_cast<char>(hi * 16 + lo);
      i += 2;
    } else {
      out += word[i];
    }
  }
  return out;
}

std::string zelSeqPackValue(const std::string &value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value)
    if (!isBlank(c)) out += c;
  return out;
}

bool zelSeqReadRest(std::istream &is, std::string &rest) {
  rest.clear();
  if (!is) return false;
  // A last line without line feed: getline meets the end at once and fails; that is still an
  // empty rest, not a broken record.
  if (!std::getline(is, rest) && is.eof() && !is.bad()) is.clear(std::ios::eofbit);
  size_t b = 0, e = rest.size();
  while (b < e && isBlank(rest[b])) b++;
  while (e > b && isBlank(rest[e - 1])) e--;
  // In place: a line may be megabytes long.
  rest.erase(e);
  rest.erase(0, b);
  return !is.fail();
}

bool zelSeqReadWord(std::istream &is, std::string &word) {
  word.clear();
  if (!is) return false;
  if (is.eof() || (is >> std::ws).eof()) return true;
  return bool(is >> word);
}

std::string zelSeqUtf8(const QString &text) {
  QByteArray b = text.toUtf8();
  return std::string(b.constData(), static_cast<size_t>(b.size()));
}
