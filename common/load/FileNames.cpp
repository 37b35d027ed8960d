// File-name services: length limit, keyword and SU2 extensions and base names.
#include "common/load/FileNames.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/ElementKind.h"

namespace {

const char *const kTextExt[2] = {".mesh", ".sol"};
const char *const kBinaryExt[2] = {".meshb", ".solb"};

bool endsWith(const char *s, const char *suffix) {
  size_t n = std::strlen(s), m = std::strlen(suffix);
  return n >= m && !std::strcmp(s + n - m, suffix);
}

// The last path component of name.
const char *lastComponent(const char *name) {
  const char *slash = std::strrchr(name, '/');
  return slash ? slash + 1 : name;
}

// Copies len bytes of src (at most outSize - 1) and closes the string.
void copyBounded(char *out, size_t outSize, const char *src, size_t len) {
  if (len >= outSize) len = outSize - 1;
  std::memcpy(out, src, len);
  out[len] = 0;
}

// Length of the base name: the name cut at ".mesh", then at ".sol" (which covers ".solb"),
// looking only in its last path component.
size_t baseNameLength(const char *name) {
  size_t len = std::strlen(name);
  const char *last = lastComponent(name);
  for (const char *ext : kTextExt) {
    const char *hit = std::strstr(last, ext);
    if (hit && static_cast<size_t>(hit - name) < len) len = static_cast<size_t>(hit - name);
  }
  return len;
}

// Writes the first len bytes of name, then suffix, into out; false when the result passes
// FileNameMax or outSize.
bool joinName(const char *name, size_t len, const char *suffix, char *out, size_t outSize) {
  size_t total = len + std::strlen(suffix);
  if (total > static_cast<size_t>(FileNameMax) || total >= outSize) return false;
  std::memcpy(out, name, len);
  std::strcpy(out + len, suffix);
  return true;
}

bool readable(const char *path) { return access(path, R_OK) == 0; }

}  // namespace

bool FileNameFits(const char *name) { return std::strlen(name) <= static_cast<size_t>(FileNameMax); }

KeywordNameKind KeywordFileKind(const char *name) {
  // Binary before text: ".mesh" is found inside ".meshb".
  static const struct {
    const char *Ext;
    KeywordNameKind Kind;
  } kinds[] = {{".meshb", {true, true, false}},
               {".mesh", {true, false, false}},
               {".solb", {true, true, true}},
               {".sol", {true, false, true}}};
  const char *last = lastComponent(name);
  for (const auto &k : kinds)
    if (endsWith(last, k.Ext)) return k.Kind;
  for (const auto &k : kinds)
    if (std::strstr(last, k.Ext)) return k.Kind;
  return {false, false, false};
}

int KindExtension(const char *name, int kind) {
  const char *ext = kTextExt[kind == FILE_NAME_SOL];
  const char *at = std::strstr(lastComponent(name), ext);
  if (!at) return NAME_EXT_NONE;
  const char *rest = at + std::strlen(ext);
  if (!*rest) return NAME_EXT_TEXT;
  return std::strcmp(rest, "b") ? NAME_EXT_OTHER : NAME_EXT_BINARY;
}

bool AppendExtension(const char *base, int kind, bool binary, char *out, size_t outSize) {
  const char *ext = (binary ? kBinaryExt : kTextExt)[kind == FILE_NAME_SOL];
  return joinName(base, std::strlen(base), ext, out, outSize);
}

bool ExistingKeywordFile(const char *base, int kind, char *out, size_t outSize) {
  for (bool binary : {true, false})
    if (AppendExtension(base, kind, binary, out, outSize) && readable(out)) return true;
  return false;
}

bool FindSolutionFile(const char *name, char *open, char *path, size_t outSize) {
  int ext = KindExtension(name, FILE_NAME_SOL);
  if (ext == NAME_EXT_TEXT || ext == NAME_EXT_BINARY) {
    copyBounded(open, outSize, name, std::strlen(name));
    copyBounded(path, outSize, name, std::strlen(name));
    return readable(path);
  }
  getBaseName(name, open, outSize);
  return ExistingKeywordFile(open, FILE_NAME_SOL, path, outSize);
}

void getBaseName(const char *name, char *out, size_t outSize) {
  if (!name || !out || !outSize) myexit("FATAL INTERNAL ERROR: WRONG CALL TO GETBASENAME", 100);
  copyBounded(out, outSize, name, baseNameLength(name));
}

void getPrintName(int kind, uint32_t status, const char *name, char *out, size_t outSize) {
  if (!name || !out || !outSize || (kind != FILE_NAME_MESH && kind != FILE_NAME_SOL))
    myexit("FATAL INTERNAL ERROR: WRONG CALL TO GETPRINTNAME", 100);
  bool binary = status & STATUS_BINARY_INPUT;
  bool hasMesh = std::strstr(lastComponent(name), ".mesh") != nullptr;
  if (kind == FILE_NAME_MESH && hasMesh) {
    copyBounded(out, outSize, name, std::strlen(name));
    return;
  }
  size_t len = kind == FILE_NAME_SOL && hasMesh ? baseNameLength(name) : std::strlen(name);
  const char *ext = (binary ? kBinaryExt : kTextExt)[kind];
  snprintf(out, outSize, "%.*s%s", static_cast<int>(len > INT_MAX ? INT_MAX : len), name, ext);
}

int GetFilVer(int64_t NbrVer) {
  double gib = static_cast<double>(NbrVer) * 8.0 / (1024.0 * 1024.0 * 1024.0);
  return gib > 1.95 ? 3 : 2;
}

int GetInputFileType(const char *name) {
  if (!name) {
    fprintf(stderr, "\n ## ERROR GetInputFileType : No file name provided.\n\n");
    myexit("INTERNAL ERROR ", 100);
  }
  const char *dot = std::strrchr(name, '.');
  if (!dot) return 0;
  if (!std::strcmp(dot + 1, "su2")) return FILE_TYPE_SU2;
  if (!std::strcmp(dot + 1, "dat")) return FILE_TYPE_DAT;
  return 0;
}

bool Su2SolutionName(const char *name, char *out, size_t outSize) {
  const char *at = std::strstr(lastComponent(name), ".su2");
  // A solution named for the mesh stands for itself.
  if (!at) return joinName(name, std::strlen(name), "", out, outSize);
  return joinName(name, static_cast<size_t>(at - name), ".dat", out, outSize);
}
