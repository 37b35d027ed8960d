// The name of a file as every message shows it: bounded in length and on one line; and the
// same escaping for whole texts.
//
// Names come from command lines, sequences and other files: they may be megabytes long or
// hold a line feed or a terminal's escape sequence. Quoted raw, the first makes a line that
// long, the others split the line a script reads or drive the user's terminal. Plain words:
// no allocation through the memory list; any thread may call it.
#pragma once

#include <string>
#include <string_view>

// Longest name a message quotes, in bytes as shown: what is longer is shown cut.
enum : int { ShownNameMax = 256 };

// The name as every message shows it. Each control byte (0x00-0x1F, 0x7F) is written as the
// four characters "\xHH" (a line feed "\x0a", an escape "\x1b"), and so is every byte a
// terminal would take as a control: in a name that is all UTF-8, each byte of a C1 control
// (U+0080-U+009F), a line or paragraph separator (U+2028, U+2029) or a bidirectional mark,
// embedding, override or isolate (U+061C, U+200E, U+200F, U+202A-U+202E, U+2066-U+2069); in any
// other name, which a terminal reads byte by byte (as Latin-1), each byte 0x80-0x9F. Every
// other byte, a backslash included, stands as it is, so that a name of plain bytes shows as
// itself. A name that takes at most ShownNameMax bytes so written is shown whole; a longer one
// shows its head and its tail around "..." (ShownNameMax bytes in all, the tail, which holds
// the file's own name, the longer), never cutting a UTF-8 character or an escaped byte in two.
std::string ShownName(std::string_view name);

// A text of one or more lines as a message shows it, for a line that may hold a name nobody
// escaped: every byte ShownName would escape, but the line feed, written as it writes it (the
// text judged whole: one byte that is no UTF-8 makes all of it read as Latin-1), nothing cut.
std::string ShownText(std::string_view text);
