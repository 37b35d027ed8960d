// File names as messages quote them: control bytes escaped, long names cut.
#include "common/base/ShownName.h"

namespace {

bool control(char c) {
  const auto b = static_cast<unsigned char>(c);
  return b < 0x20 || b == 0x7F;
}

bool controlInText(char c) { return c != '\n' && control(c); }

// Bytes the character takes once shown.
size_t shownWidth(char c) { return control(c) ? 4 : 1; }

// Whether byte c continues a UTF-8 character.
bool continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// Appends part with each byte for which escaped(byte) holds written as "\xHH".
void appendShown(std::string &out, std::string_view part, bool (*escaped)(char) = control) {
  static const char Hex[] = "0123456789abcdef";
  for (char c : part) {
    if (!escaped(c)) {
      out += c;
      continue;
    }
    const auto b = static_cast<unsigned char>(c);
    out += "\\x";
    out += Hex[b >> 4];
    out += Hex[b & 15];
  }
}

}  // namespace

std::string ShownName(std::string_view name) {
  size_t width = 0;
  for (char c : name) width += shownWidth(c);
  std::string shown;
  if (width <= size_t(ShownNameMax)) {
    shown.reserve(width);
    appendShown(shown, name);
    return shown;
  }
  constexpr size_t Dots = 3, Head = (ShownNameMax - Dots) / 2, Tail = ShownNameMax - Dots - Head;
  // The head and the tail each take whole shown characters up to their share; since the whole
  // is wider than both shares, they never meet.
  size_t head = 0, used = 0;
  while (used + shownWidth(name[head]) <= Head) used += shownWidth(name[head++]);
  size_t tail = name.size();
  used = 0;
  while (used + shownWidth(name[tail - 1]) <= Tail) used += shownWidth(name[--tail]);
  // A character is at most 4 bytes: past 3 continuation bytes the name is no UTF-8 and any
  // byte is a boundary.
  for (int k = 0; k < 3 && head > 0 && continuation(name[head]); k++) head--;
  for (int k = 0; k < 3 && tail < name.size() && continuation(name[tail]); k++) tail++;
  shown.reserve(ShownNameMax);
  appendShown(shown, name.substr(0, head));
  shown += "...";
  appendShown(shown, name.substr(tail));
  return shown;
}

std::string ShownText(std::string_view text) {
  size_t controls = 0;
  for (char c : text) controls += controlInText(c);
  std::string shown;
  shown.reserve(text.size() + 3 * controls);
  appendShown(shown, text, controlInText);
  return shown;
}
