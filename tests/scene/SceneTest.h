// What the scene engine's tests share: the usual includes, the reading back of written files,
// the record of a kind, and the rebuild and bridge calls that the recording fakes of FakeHooks
// saw.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <climits>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "tests/support/CaptureText.h"
#include "tests/support/DisplayScene.h"
#include "tests/support/FakeHooks.h"
#include "tests/support/MeshFixtures.h"
#include "tests/support/SceneFixtures.h"
#include "tests/support/StructuredMesh.h"
#include "zelvane/scene/ZelDisplayList.h"
#include "zelvane/scene/ZelScene.h"

using fixtures::SaveText;
using fixtures::TempFile;
using fixtures::TestPath;

inline std::string readFile(const std::string &path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// What "%lg" keeps of a value.
inline double kept(double v) {
  char buf[64];
  snprintf(buf, sizeof(buf), "%lg", v);
  return strtod(buf, nullptr);
}

// The record of group d of a kind.
inline ZelEntDisplayList &record(const DisplayScene &s, int kind, int d = 1) {
  return zelGetEntity(s->ZelMsh, kind)->DspLst[d];
}

typedef std::vector<std::pair<int, uint32_t>> Rebuilds;  // (kind, mask) of the update calls

inline Rebuilds rebuilds(const FakeHooks &h) {
  Rebuilds r;
  for (const FakeListCall &c : h.ListCalls)
    if (c.Update) r.push_back({c.Kind, c.Mask});
  return r;
}
inline bool called(const FakeHooks &h, const char *name) {
  for (const FakeCall &c : h.Calls)
    if (c.Name == name) return true;
  return false;
}
