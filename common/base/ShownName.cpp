// File names as messages quote them: control bytes escaped, long names cut.
#include "common/base/ShownName.h"

#include <cstdint>
#include <vector>

namespace {

// Code points that steer a terminal or a line splitter without showing: the C1 controls
// (CSI, NEL ...), the line and paragraph separators, and the bidirectional marks, embeddings,
// overrides and isolates that reorder what follows them.
bool steering(uint32_t cp) {
  return (cp >= 0x80 && cp <= 0x9F) || cp == 0x061C || cp == 0x200E || cp == 0x200F || cp == 0x2028 ||
         cp == 0x2029 || (cp >= 0x202A && cp <= 0x202E) || (cp >= 0x2066 && cp <= 0x2069);
}

// The length of the UTF-8 character at text[i] and its code point; 0 when none starts there.
size_t utf8At(std::string_view text, size_t i, uint32_t *cp) {
  const auto b = static_cast<unsigned char>(text[i]);
  size_t n;
  uint32_t v, least;
  if (b < 0x80) n = 1, v = b, least = 0;
  else if ((b & 0xE0) == 0xC0) n = 2, v = b & 0x1F, least = 0x80;
  else if ((b & 0xF0) == 0xE0) n = 3, v = b & 0x0F, least = 0x800;
  else if ((b & 0xF8) == 0xF0) n = 4, v = b & 0x07, least = 0x10000;
  else return 0;
  if (i + n > text.size()) return 0;
  for (size_t k = 1; k < n; k++) {
    const auto c = static_cast<unsigned char>(text[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    v = (v << 6) | (c & 0x3F);
  }
  if (v < least || v > 0x10FFFF || (v >= 0xD800 && v <= 0xDFFF)) return 0;
  *cp = v;
  return n;
}

bool validUtf8(std::string_view text) {
  uint32_t cp;
  for (size_t i = 0, n; i < text.size(); i += n)
    if (!(n = utf8At(text, i, &cp))) return false;
  return true;
}

// Which bytes of a text a message shows as "\xHH": the control bytes (but a line feed where
// lines are kept), and what a terminal would read as a control. A text that is all UTF-8 is
// read so: its steering characters are escaped byte by byte. Any other text is read byte by
// byte as Latin-1 (the terminal widget's fallback, and an 8-bit terminal's reading), where the
// bytes 0x80-0x9F are the C1 controls.
std::vector<bool> escapedBytes(std::string_view text, bool keepLineFeeds) {
  std::vector<bool> escaped(text.size(), false);
  const bool utf8 = validUtf8(text);
  uint32_t cp;
  for (size_t i = 0, n = 1; i < text.size(); i += n) {
    const auto b = static_cast<unsigned char>(text[i]);
    n = 1;
    if (b < 0x80) {
      escaped[i] = (b < 0x20 && !(keepLineFeeds && b == '\n')) || b == 0x7F;
    } else if (!utf8) {
      escaped[i] = b <= 0x9F;
    } else {
      n = utf8At(text, i, &cp);
      if (steering(cp))
        for (size_t k = 0; k < n; k++) escaped[i + k] = true;
    }
  }
  return escaped;
}

// Whether byte c continues a UTF-8 character.
bool continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Appends text[from, to) with each byte marked in `escaped` written as "\xHH".
void appendShown(std::string &out, std::string_view text, const std::vector<bool> &escaped, size_t from, size_t to) {
  static const char Hex[] = "0123456789abcdef";
  for (size_t i = from; i < to; i++) {
    if (!escaped[i]) {
      out += text[i];
      continue;
    }
    const auto b = static_cast<unsigned char>(text[i]);
    out += "\\x";
    out += Hex[b >> 4];
    out += Hex[b & 15];
  }
}

}  // namespace

std::string ShownName(std::string_view name) {
  const std::vector<bool> escaped = escapedBytes(name, false);
  auto width = [&](size_t i) -> size_t { return escaped[i] ? 4 : 1; };
  size_t total = 0;
  for (size_t i = 0; i < name.size(); i++) total += width(i);
  std::string shown;
  if (total <= size_t(ShownNameMax)) {
    shown.reserve(total);
    appendShown(shown, name, escaped, 0, name.size());
    return shown;
  }
  constexpr size_t Dots = 3, Head = (ShownNameMax - Dots) / 2, Tail = ShownNameMax - Dots - Head;
  // The head and the tail each take whole shown characters up to their share; since the whole
  // is wider than both shares, they never meet.
  size_t head = 0, used = 0;
  while (used + width(head) <= Head) used += width(head++);
  size_t tail = name.size();
  used = 0;
  while (used + width(tail - 1) <= Tail) used += width(--tail);
  // A character is at most 4 bytes: past 3 continuation bytes the name is no UTF-8 and any
  // byte is a boundary.
  for (int k = 0; k < 3 && head > 0 && continuation(name[head]); k++) head--;
  for (int k = 0; k < 3 && tail < name.size() && continuation(name[tail]); k++) tail++;
  shown.reserve(ShownNameMax);
  appendShown(shown, name, escaped, 0, head);
  shown += "...";
  appendShown(shown, name, escaped, tail, name.size());
  return shown;
}

std::string ShownText(std::string_view text) {
  const std::vector<bool> escaped = escapedBytes(text, true);
  size_t count = 0;
  for (bool e : escaped) count += e;
  std::string shown;
  shown.reserve(text.size() + 3 * count);
  appendShown(shown, text, escaped, 0, text.size());
  return shown;
}
