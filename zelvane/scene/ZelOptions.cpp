#include "zelvane/scene/ZelOptions.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/base/CommonOptions.h"
#include "common/base/Memory.h"
#include "common/base/ShownName.h"

ZelvaneOptions *zelNewOptions(Memory_List *mem, CommonOptions *com) {
  if (!com) {
    fprintf(stderr, "  ## ERROR: ZELNEWOPTIONS: COMMON OPTIONS IS NULL \n");
    myexit("INTERNAL ERROR ", 100);
  }
  auto *opt = static_cast<ZelvaneOptions *>(MEM_ALLOC(mem, opt, sizeof(ZelvaneOptions)));
  if (!opt) return nullptr;
  std::memset(opt, 0, sizeof(ZelvaneOptions));
  opt->ComOpt = com;
  opt->Fast = 1;
  return opt;
}

int zelFreeOptions(Memory_List *mem, ZelvaneOptions *opt) {
  if (!opt) return 0;
  opt->ComOpt = nullptr;
  std::free(opt->SeqNam);
  std::free(opt->ViewNam);
  std::free(opt->StateNam);
  MEM_FREE(mem, opt);
  return 0;
}

namespace {

// "-seq", "-view" and "-state": the first one given wins, the next word is its file name.
bool takeFileName(int argc, char **argv, int *isSet, int &i, char **field, const char *missing) {
  if (*field) return false;
  isSet[i] = 1;
  if (i + 1 >= argc) {
    printf("%s\n", missing);
    return true;
  }
  *field = strdup(argv[i + 1]);
  isSet[++i] = 1;
  return true;
}

// "-port" at word i and its value, the next word unless there is none, a parser took it, or
// it is another option (a word starting with '-' that is no number). A value that is not a
// whole number of 1 to 65535 cannot be listened on; it is taken with "-port" (a number left
// over would be named an unknown option) and, like a missing value, named once on standard
// error, where the other parser warnings go, the port staying 0.
void takePort(int argc, char **argv, int *isSet, int &i, int *port) {
  const char *word = i + 1 < argc && isSet[i + 1] != 1 ? argv[i + 1] : nullptr;
  char *end = nullptr;
  errno = 0;
  const long value = word ? strtol(word, &end, 10) : 0;
  // Only a whole number: "1e3" or "80.5" would otherwise be read as their first digits.
  const bool number = word && end != word && *end == '\0';
  if (word && word[0] == '-' && !number) word = nullptr;
  if (!word) {
    fprintf(stderr, "  ## WARNING: PARSER: -port WITHOUT ITS PORT NUMBER, IGNORED \n");
    return;
  }
  isSet[++i] = 1;
  if (number && errno == 0 && value >= 1 && value <= 65535) {
    *port = static_cast<int>(value);
    return;
  }
  const std::string shown = ShownName(word);
  fprintf(stderr, "  ## WARNING: PARSER: -port %s: %s, IGNORED \n", shown.c_str(),
          number ? "A PORT OUT OF 1-65535" : "NOT A PORT NUMBER (1-65535)");
}

}  // namespace

int zelParse(int argc, char **argv, Memory_List *mem, ZelvaneOptions *opt, int *taken) {
  if (taken)
    for (int i = 0; i < argc; i++) taken[i] = 0;
  if (!opt) return 0;
  opt->Port = 0;
  int *isSet = ParseCommonOptions(argc, argv, mem, opt->ComOpt);
  if (argc < 2 || !isSet) {
    MEM_FREE(mem, isSet);
    return 1;
  }
  for (int i = 1; i < argc; i++) {
    if (isSet[i] == 1) continue;
    const char *arg = argv[i];
    if (!std::strcmp(arg, "-server")) {
      opt->ServerMode = 2;
      isSet[i] = 1;
    } else if (!std::strcmp(arg, "-server-root")) {
      opt->ServerMode = 1;
      isSet[i] = 1;
    } else if (!std::strcmp(arg, "-port")) {
      isSet[i] = 1;
      takePort(argc, argv, isSet, i, &opt->Port);
    } else if (!std::strcmp(arg, "-seq")) {
      takeFileName(argc, argv, isSet, i, &opt->SeqNam, "  ## WARNING: PARSER: NO SEQUENCE FILE NAME GIVEN ");
    } else if (!std::strcmp(arg, "-seq-exit")) {
      opt->SeqExit = 1;
      isSet[i] = 1;
    } else if (!std::strcmp(arg, "-seq-realtime")) {
      opt->Fast = 0;
      isSet[i] = 1;
    } else if (!std::strcmp(arg, "-view")) {
      takeFileName(argc, argv, isSet, i, &opt->ViewNam, "  ## WARNING: PARSER: NO VIEW FILE NAME GIVEN ");
    } else if (!std::strcmp(arg, "-state")) {
      takeFileName(argc, argv, isSet, i, &opt->StateNam, "  ## WARNING: PARSER: NO STATE FILE NAME GIVEN ");
    } else if (!std::strcmp(arg, "-ced")) {
      opt->Ced = 1;
      isSet[i] = 1;
    }
  }
  if (taken)
    for (int i = 1; i < argc; i++) taken[i] = isSet[i] == 1;
  MEM_FREE(mem, isSet);
  return 1;
}

void zelParseFile() { myexit("ZELVANE: PARSE FILE TO DO", 100); }

int zelSeqReplayMode(const ZelvaneOptions *opt) {
  if (!opt) return 1;
  if (opt->SeqExit) return 3;
  if (!opt->Fast) return 2;
  return 1;
}
