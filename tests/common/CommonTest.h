// What the mesh library's suites share: the test framework, the library's headers and the
// generators of test data.
#pragma once
#include <dirent.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cfloat>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <numeric>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <type_traits>
#include <utility>
#include <vector>

#include "common/base/Clock.h"
#include "common/base/CommonOptions.h"
#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/kmf/KmfMeshFile.h"
#include "common/load/FileNames.h"
#include "common/load/LoadNotices.h"
#include "common/load/MeshLoad.h"
#include "common/load/MeshWriter.h"
#include "common/load/SolutionLoad.h"
#include "common/load/Su2.h"
#include "common/model/Ball.h"
#include "common/model/ElementKind.h"
#include "common/model/Geometry.h"
#include "common/model/Mesh.h"
#include "common/model/MeshPrint.h"
#include "common/pool/MthParallel.h"
#include "common/pool/Parallel.h"
#include "common/pool/ParallelFortran.h"
#include "common/pool/Pipeline.h"
#include "common/sort/Hilbert.h"
#include "common/sort/QuickSort.h"
#include "common/sort/RecordSort.h"
#include "common/topology/GraphInput.h"
#include "common/topology/Hash.h"
#include "common/topology/Topology.h"
#include "common/topology/Tuple.h"
#include "common/topology/VolumeBase.h"
#include "tests/support/CaptureText.h"
#include "tests/support/CommaLocale.h"
#include "tests/support/KmfCheck.h"
#include "tests/support/LoadFixtures.h"
#include "tests/support/MeshFixtures.h"
#include "tests/support/MeshTestBase.h"
#include "tests/support/StructuredMesh.h"
#include "tests/support/TopoFixtures.h"
#include "tests/support/TopoReference.h"

using namespace fixtures;
using namespace std::chrono_literals;

// The bytes of a file, empty when it cannot be read.
inline std::string ReadAll(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}
