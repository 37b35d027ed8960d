// Options shared by the mesh library, filled from the common words of the command line.
#pragma once

#include <cstdint>

struct Memory_List;

struct NameBucket {
  char *Nam;
  NameBucket *Nxt;
};

struct CommonOptions {
  int Flag16, Flag32;  // creation flags 16 and 32, handed on as option bits by GetBytOptions
  int OptLevel;        // -O
  int Reserved0;
  int Debug, Verbosity, Profile, Sort, NbrProc;
  int Reserved1;
  // Owned copies (system allocator) of the names given with -in, -met, -sol, -out, -cad, -back.
  char *InpNam, *MetNam, *SolNam, *OutNam, *CadNam, *BckNam;
  int NbrFil;  // extra input names after the first -in name
  NameBucket *FilLstHead, *FilLstTail;
};

CommonOptions *NewCommonOptions(Memory_List *list, int flags, int verbosity, int threads);
CommonOptions *FreeCommonOptions(Memory_List *list, CommonOptions *opt);

// Marks with 1 each argument it consumed; the caller frees the array through the memory list.
// A name option given twice keeps its first name; a second -sol is taken with its name and
// named on standard error ("## WARNING: PARSER: -sol GIVEN TWICE: <name> IGNORED"), a second
// of the others is left with its name to the caller. -nproc, -v and -O take the next word as
// their value unless it is another option (a word starting with '-' that is no number); without
// one the option is named on standard error ("  ## WARNING: PARSER: <option> WITHOUT ITS NUMBER,
// IGNORED") and the field left as it was. A value that is no whole number (for -nproc, none
// below 1) is taken all the same, the field left as it was, and named once as typed on standard
// output ("  ## WARNING: PARSER: INVALID ARGUMENT FOR <option> <value>").
int *ParseCommonOptions(int argc, char **argv, Memory_List *list, CommonOptions *opt);

uint32_t GetBytOptions(const CommonOptions *opt);

// Builds the list of input names (the -in name first, then the extra ones) into *names and
// returns its size. The caller releases it with FreeFileNameList.
int GetFileNameList(Memory_List *list, char ***names, const CommonOptions *opt);
void FreeFileNameList(Memory_List *list, char **names, int count);
