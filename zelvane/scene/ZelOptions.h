// The viewer's own command-line options, on top of the mesh library's common options.
#pragma once

struct Memory_List;
struct CommonOptions;

typedef struct Zel_Options {
  CommonOptions *ComOpt;  // not owned
  char *SeqNam;           // -seq
  int SeqExit;            // -seq-exit: end the program after replaying the sequence
  int Fast;               // 1 replay as fast as possible, 0 in real time (-seq-realtime)
  char *ViewNam;          // -view
  char *StateNam;         // -state
  int ServerMode;         // 0 none, 1 -server-root, 2 -server
  int Port;               // -port
  int Ced;                // -ced
  int ModuleMask;         // window-module mask handed to each new main window
} ZelvaneOptions;

ZelvaneOptions *zelNewOptions(Memory_List *mem, CommonOptions *com);
int zelFreeOptions(Memory_List *mem, ZelvaneOptions *opt);
// The common words (ParseCommonOptions), then the viewer's own from the words left. taken,
// when not null, is an array of argc ints that receives 1 for each word one of the two took
// (a value word with its option), 0 for the others. 1; 0 for null options. A "-port"
// without its number (the last word, or one followed by another option) or with one that is
// not a port of 1-65535 (taken with it) is warned of on standard output and named once on
// standard error; the port stays 0.
int zelParse(int argc, char **argv, Memory_List *mem, ZelvaneOptions *opt, int *taken = nullptr);
[[noreturn]] void zelParseFile();

// Sequence replay mode derived from the options: 3 exit after replay, 2 real time, 1 fast.
int zelSeqReplayMode(const ZelvaneOptions *opt);
