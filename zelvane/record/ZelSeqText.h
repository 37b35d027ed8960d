// Text helpers of the sequence recorder: the one output of its messages and the spelling of
// names, values and lines in the sequence file.
//
// The file is plain text in the classic "C" locale, one record per line: "type delay name "
// followed by the record's own fields. Names and free texts need care to stay one line and
// to read back as written:
//   - a name is written with every byte up to 0x20, 0x7F and '%' as "%XX" (two upper-case hex
//     digits), so that names holding blanks or control bytes read back as one word; reading
//     decodes "%XX" and keeps a '%' that is not followed by two hex digits;
//   - a signal value is written with its blanks removed and read back as one word, so that
//     what follows it on its line is no part of it; a line without it reads as an empty text.
#pragma once

#include <iosfwd>
#include <string>

class QString;

// Where every message of the recorder goes (standard output). One message per line.
std::ostream &zelSeqOut();

// A name as it is written in the file.
std::string zelSeqEscapeName(const std::string &name);
// The name a written word stands for.
std::string zelSeqUnescapeName(const std::string &word);
// A signal value as it is written: the UTF-8 text without blanks or line breaks.
std::string zelSeqPackValue(const std::string &value);

// Reads the rest of the current line (the line feed is consumed) with the blanks at both ends
// trimmed. A last line without line feed is read to the end of the stream; only a stream that
// is already failed fails.
bool zelSeqReadRest(std::istream &is, std::string &rest);
// Reads the next word of the current line; a line with no word left gives an empty word. Only
// a stream that is already failed fails.
bool zelSeqReadWord(std::istream &is, std::string &word);

// UTF-8 bytes of a toolkit text.
std::string zelSeqUtf8(const QString &text);
