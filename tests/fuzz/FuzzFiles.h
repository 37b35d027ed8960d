// Files of the fuzz targets whose code under test reads from a path: each input goes to a
// temporary file of the process's own.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// A path prefix in TMPDIR (else /tmp) for this process: name followed by the process id.
inline std::string FuzzTempBase(const char *name) {
  const char *tmp = std::getenv("TMPDIR");
  return std::string(tmp && *tmp ? tmp : "/tmp") + "/" + name + std::to_string(getpid());
}

// Writes size bytes to path; false when the file cannot be written.
inline bool FuzzSave(const std::string &path, const uint8_t *data, size_t size) {
  FILE *f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  if (size) std::fwrite(data, 1, size, f);
  return std::fclose(f) == 0;
}
