// The sequence file: records written one per line and read back.
//
// Writing: each record's line (ZelSequence::save), then a last line "-1".
// Reading, line by line until "-1", the end of the stream or a type that is not a number:
//   - blank lines are passed over;
//   - a resize (3) on the line right after a window state (18) is skipped;
//   - types 0, 2, 3, 5..8, 18, 20 and the signal types build their record from their own line
//     alone; a record whose fields are missing or not numbers stops reading and is not kept;
//     fields left on the line after a whole record are ignored (and counted);
//   - a key press (0) whose line ends right after its name and one blank holds a line feed as
//     its raw character: its fields are on the next line;
//   - a signal record whose name holds "saveImg" in any case is printed and dropped;
//   - any other type is reported (" ignoring sequence <type>") and its line skipped.
// The caller opens the stream; numbers are spelled in the "C" locale whatever the stream's
// locale is, since both functions set it on the stream for their duration.
#pragma once

#include <ios>
#include <iosfwd>
#include <memory>
#include <vector>

class ZelSequence;

using ZelSequenceList = std::vector<std::unique_ptr<ZelSequence>>;

// What a read met besides its records; line numbers count from 1.
struct ZelSeqReadReport {
  long unreadLine = 0;     // the line of the record at which reading stopped because it could not
                           // be read (a type or a field that is not a number, a record cut short);
                           // 0 when reading ended at "-1" or at the end of the stream
  long trailingLine = 0;   // the first line holding fields after its whole record, 0 for none
  long trailingLines = 0;  // how many lines did
};

void zelWriteSequences(std::ostream &os, const ZelSequenceList &list);
// Appends what it reads to list. Returns the number of records appended. report, when not
// null, receives what the read met.
size_t zelReadSequences(std::istream &is, ZelSequenceList &list, ZelSeqReadReport *report = nullptr);
