#include "common/base/CommonOptions.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/base/Memory.h"
#include "common/base/ShownName.h"

namespace {

bool isOption(const char *arg) { return arg[0] == '-'; }

char *copyName(const char *name) { return strdup(name); }

void AddFileName(Memory_List *list, CommonOptions *opt, const char *name) {
  auto *bucket = static_cast<NameBucket *>(Alloc(list, nullptr, sizeof(NameBucket),
                                                 "A %s = %s IN FUNCTION %s LINE %d ", "new",
                                                 "sizeof(NameBucket)", "AddFileName", __LINE__));
  if (!bucket) return;
  bucket->Nam = copyName(name);
  bucket->Nxt = nullptr;
  if (opt->FilLstTail)
    opt->FilLstTail->Nxt = bucket;
  else
    opt->FilLstHead = bucket;
  opt->FilLstTail = bucket;
  opt->NbrFil++;
}

// Parses a whole decimal word; false when the word holds anything else or a number no int
// holds.
bool parseInt(const char *word, int *value) {
  if (!*word) return false;
  char *end = nullptr;
  errno = 0;
  long v = strtol(word, &end, 10);
  if (*end || errno || v < INT_MIN || v > INT_MAX) return false;
  *value = static_cast<int>(v);
  return true;
}

// Whether the word is a whole decimal number, however large: a value, never an option, even
// one no int holds ("-3000000000").
bool isDecimal(const char *word) {
  if (*word == '-' || *word == '+') word++;
  if (!*word) return false;
  for (; *word; word++)
    if (*word < '0' || *word > '9') return false;
  return true;
}

// The name options: word, field, warning when the word is last, and whether a second one is
// taken and named as such (else it is left to the caller, like any word not in the table).
struct NameOption {
  const char *word;
  char *CommonOptions::*field;
  const char *missing;
  bool namedTwice;
};

// A second -sol is a field the user expects to see: it is named for what it is, not left to be
// called a word no parser takes.
const NameOption nameOptions[] = {
    {"-out", &CommonOptions::OutNam, "  ## WARNING: PARSER: NO OUTPUT FILE NAME GIVEN ", false},
    {"-sol", &CommonOptions::SolNam, "  ## WARNING: PARSER: NO SOLUTION FILE NAME GIVEN ", true},
    {"-met", &CommonOptions::MetNam, "  ## WARNING: PARSER: NO SOLUTION FILE NAME GIVEN ", false},
    {"-cad", &CommonOptions::CadNam, "  ## WARNING: PARSER: NO CAD FILE NAME GIVEN ", false},
    {"-back", &CommonOptions::BckNam, "  ## WARNING: PARSER: NO BACKGROUND MESH FILE NAME GIVEN ", false},
};

// Words that set a field and take no argument.
struct FlagOption {
  const char *word;
  int CommonOptions::*field;
  int value;
};

const FlagOption flagOptions[] = {
    {"-profile", &CommonOptions::Profile, 1},
    {"-debug", &CommonOptions::Debug, 1},
    {"-nosort", &CommonOptions::Sort, 0},
};

// Words followed by a whole number of at least `least`. Their value is the next word unless it
// is another option (a word starting with '-' that is no number): without one the option is
// named on standard error and ignored. A value that is no such number is named once, as typed,
// and taken with its option (left over, it would be named again as a word no parser takes);
// the field keeps what it held.
struct NumberOption {
  const char *word;
  int CommonOptions::*field;
  int least;
};

const NumberOption numberOptions[] = {
    {"-nproc", &CommonOptions::NbrProc, 1},
    {"-v", &CommonOptions::Verbosity, INT_MIN},
    {"-O", &CommonOptions::OptLevel, INT_MIN},
};

int parseNumber(const NumberOption &no, int argc, char **argv, int i, CommonOptions *opt, int *isSet) {
  isSet[i] = 1;
  const char *word = i + 1 < argc ? argv[i + 1] : nullptr;
  int value = 0;
  if (!word || (isOption(word) && !isDecimal(word))) {
    fprintf(stderr, "  ## WARNING: PARSER: %s WITHOUT ITS NUMBER, IGNORED \n", no.word);
    return i + 1;
  }
  isSet[i + 1] = 1;
  if (parseInt(word, &value) && value >= no.least)
    opt->*no.field = value;
  else
    printf("  ## WARNING: PARSER: INVALID ARGUMENT FOR %s %s \n", no.word, ShownName(word).c_str());
  return i + 2;
}

// "-in": the first name, then every following word up to the next option as an extra input.
int parseInput(int argc, char **argv, int i, Memory_List *list, CommonOptions *opt, int *isSet) {
  isSet[i++] = 1;
  if (i >= argc) {
    printf("  ## WARNING : PARSER: NO FILE NAME GIVEN \n");
    return i;
  }
  if (isOption(argv[i])) {
    printf("  ## WARNING: PARSER: NO FILE NAME GIVEN \n");
    return i;
  }
  opt->InpNam = copyName(argv[i]);
  isSet[i++] = 1;
  while (i < argc && !isOption(argv[i])) {
    AddFileName(list, opt, argv[i]);
    isSet[i++] = 1;
  }
  return i;
}

// One word of the mesh library at argv[i] and what follows it: the index of the next word to
// look at, i + 1 without marking anything for a word left to the caller's own parser.
int parseWord(int argc, char **argv, int i, Memory_List *list, CommonOptions *opt, int *isSet) {
  const char *arg = argv[i];
  if (!std::strcmp(arg, "-in") && !opt->InpNam) return parseInput(argc, argv, i, list, opt, isSet);
  for (const NameOption &no : nameOptions) {
    if (std::strcmp(arg, no.word) || (opt->*no.field && !no.namedTwice)) continue;
    isSet[i] = 1;
    // Given again: the first name is kept.
    if (opt->*no.field) {
      if (i + 1 >= argc) {
        fprintf(stderr, "  ## WARNING: PARSER: %s GIVEN TWICE, IGNORED \n", no.word);
        return i + 1;
      }
      fprintf(stderr, "  ## WARNING: PARSER: %s GIVEN TWICE: %s IGNORED \n", no.word, ShownName(argv[i + 1]).c_str());
      isSet[i + 1] = 1;
      return i + 2;
    }
    if (i + 1 >= argc) {
      printf("%s\n", no.missing);
      return i + 1;
    }
    opt->*no.field = copyName(argv[i + 1]);
    isSet[i + 1] = 1;
    return i + 2;
  }
  for (const FlagOption &fo : flagOptions) {
    if (std::strcmp(arg, fo.word)) continue;
    opt->*fo.field = fo.value;
    isSet[i] = 1;
    return i + 1;
  }
  for (const NumberOption &no : numberOptions)
    if (!std::strcmp(arg, no.word)) return parseNumber(no, argc, argv, i, opt, isSet);
  int value = 0;
  if (!std::strncmp(arg, "-O", 2) && parseInt(arg + 2, &value)) {
    opt->OptLevel = value;
    isSet[i] = 1;
  }
  return i + 1;
}

// Without -out the output name is the input name cut at ".mesh" (looked for in its last path
// component: a folder may hold ".mesh" in its name), followed by ".o".
void defaultOutput(CommonOptions *opt) {
  if (opt->OutNam || !opt->InpNam) return;
  size_t len = std::strlen(opt->InpNam);
  const char *slash = std::strrchr(opt->InpNam, '/');
  const char *cut = std::strstr(slash ? slash + 1 : opt->InpNam, ".mesh");
  if (cut) len = static_cast<size_t>(cut - opt->InpNam);
  opt->OutNam = static_cast<char *>(std::malloc(len + 3));
  if (opt->OutNam) {
    std::memcpy(opt->OutNam, opt->InpNam, len);
    std::memcpy(opt->OutNam + len, ".o", 3);
  }
}

}  // namespace

CommonOptions *NewCommonOptions(Memory_List *list, int flags, int verbosity, int threads) {
  auto *opt = static_cast<CommonOptions *>(MEM_ALLOC(list, ComOpt, sizeof(CommonOptions)));
  if (!opt) return nullptr;
  std::memset(opt, 0, sizeof(CommonOptions));
  opt->Flag16 = (flags & 16) ? 1 : 0;
  opt->Flag32 = (flags & 32) ? 1 : 0;
  opt->OptLevel = 0;
  opt->Debug = (flags & 4) ? 1 : 0;
  opt->Verbosity = verbosity;
  opt->Profile = (flags & 1) ? 1 : 0;
  opt->Sort = (flags & 8) ? 1 : 0;
  opt->NbrProc = threads;
  return opt;
}

CommonOptions *FreeCommonOptions(Memory_List *list, CommonOptions *opt) {
  if (!opt) return nullptr;
  char *CommonOptions::*names[] = {&CommonOptions::InpNam, &CommonOptions::MetNam,
                                   &CommonOptions::SolNam, &CommonOptions::OutNam,
                                   &CommonOptions::CadNam, &CommonOptions::BckNam};
  for (auto field : names) std::free(opt->*field);
  for (NameBucket *b = opt->FilLstHead; b;) {
    NameBucket *nxt = b->Nxt;
    std::free(b->Nam);
    MEM_FREE(list, b);
    b = nxt;
  }
  MEM_FREE(list, opt);
  return nullptr;
}

int *ParseCommonOptions(int argc, char **argv, Memory_List *list, CommonOptions *opt) {
  if (!opt || argc < 2 || !argv) return nullptr;
  int *isSet = static_cast<int *>(MEM_ALLOC(list, isSet, sizeof(int) * argc));
  if (!isSet) return nullptr;
  std::memset(isSet, 0, sizeof(int) * argc);
  for (int i = 1; i < argc;) i = parseWord(argc, argv, i, list, opt, isSet);
  defaultOutput(opt);
  return isSet;
}

uint32_t GetBytOptions(const CommonOptions *opt) {
  if (!opt) return 0;
  uint32_t bits = 0;
  if (opt->Profile) bits += 1;
  if (opt->Debug) bits += 4;
  if (opt->Flag16) bits += 16;
  if (opt->Flag32) bits += 32;
  if (opt->Sort) bits |= 8;
  return bits;
}

int GetFileNameList(Memory_List *list, char ***names, const CommonOptions *opt) {
  if (names) *names = nullptr;
  if (!opt) return 0;
  int NbrFilNam = opt->NbrFil + (opt->InpNam ? 1 : 0);
  if (!names || NbrFilNam == 0) return NbrFilNam;
  char **NameList = static_cast<char **>(MEM_ALLOC(list, NameList, sizeof(char **) * NbrFilNam));
  if (!NameList) {
    fprintf(stderr, "  ## ERROR: %s: ALLOCATION FAILED FOR ARRAY %s \n", "GetFileNameList", "NameList");
    myexit("ALLOCATION FAILURE", 100);
  }
  int k = 0;
  if (opt->InpNam) NameList[k++] = copyName(opt->InpNam);
  for (NameBucket *b = opt->FilLstHead; b && k < NbrFilNam; b = b->Nxt) NameList[k++] = copyName(b->Nam);
  *names = NameList;
  return NbrFilNam;
}

void FreeFileNameList(Memory_List *list, char **names, int count) {
  if (!names) return;
  for (int i = 0; i < count; i++) std::free(names[i]);
  MEM_FREE(list, names);
}
