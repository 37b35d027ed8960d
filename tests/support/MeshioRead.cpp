// Runs meshio on keyword mesh files through a small Python script and reads back what it
// found, written by the script as plain words.
#include "tests/support/MeshioRead.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tests/support/MeshFixtures.h"

extern char **environ;

namespace fixtures {

namespace {

// Argument 1 is the output file, the others the meshes. Per mesh: "mesh <points> <dim>", a
// line per point (coordinates as Python's shortest exact form, reference), then per cell
// block "cells <type> <count> <nodes>" and a line per cell (1-based vertices, reference).
const char *const kScript = R"py(import sys
try:
    import meshio
except ImportError as e:
    sys.exit("meshio cannot be imported (%s): install python3-meshio (scripts/install-deps.sh)" % e)
out = open(sys.argv[1], "w")
for path in sys.argv[2:]:
    print("reading", path, file=sys.stderr)
    m = meshio.read(path)
    pts = m.points
    dim = pts.shape[1] if pts.ndim == 2 else 0
    refs = m.point_data.get("medit:ref", [0] * len(pts))
    out.write("mesh %d %d\n" % (len(pts), dim))
    for p, r in zip(pts, refs):
        out.write(" ".join(repr(float(x)) for x in p) + " %d\n" % r)
    crefs = m.cell_data.get("medit:ref", [[0] * len(b.data) for b in m.cells])
    for b, rs in zip(m.cells, crefs):
        out.write("cells %s %d %d\n" % (b.type, len(b.data), b.data.shape[1]))
        for c, r in zip(b.data, rs):
            out.write(" ".join(str(int(v) + 1) for v in c) + " %d\n" % r)
out.close()
)py";

bool parse(const std::string &text, size_t files, std::vector<MeshioMesh> &out, std::string &err) {
  std::istringstream in(text);
  std::string word;
  while (in >> word) {
    if (word == "mesh") {
      out.emplace_back();
      size_t n = 0;
      in >> n >> out.back().Dim;
      for (size_t i = 0; i < n && in; i++) {
        for (int k = 0; k < out.back().Dim; k++) {
          std::string x;
          in >> x;
          out.back().Points.push_back(std::strtod(x.c_str(), nullptr));
        }
        int64_t ref = 0;
        in >> ref;
        out.back().PointRefs.push_back(ref);
      }
    } else if (word == "cells" && !out.empty()) {
      std::string type;
      size_t n = 0, nodes = 0;
      in >> type >> n >> nodes;
      std::vector<int64_t> &cells = out.back().Cells[type];
      for (size_t i = 0; i < n * (nodes + 1) && in; i++) {
        int64_t v = 0;
        in >> v;
        cells.push_back(v);
      }
    } else {
      break;
    }
  }
  if (in.fail() && !in.eof()) err = "meshio's output does not parse";
  else if (out.size() != files) err = "meshio's output holds " + std::to_string(out.size()) + " meshes";
  return err.empty();
}

}  // namespace

bool ReadWithMeshio(const std::vector<std::string> &paths, std::vector<MeshioMesh> &out, std::string &err) {
  out.clear();
  err.clear();
  const TempFile script("read_with_meshio.py"), data("meshio_read.txt"), messages("meshio_messages.txt");
  if (!SaveText(script.Path, kScript)) {
    err = "cannot write " + script.Path;
    return false;
  }
  // -I: the interpreter's own modules only, whatever PYTHONPATH or the user's site says.
  std::vector<std::string> args = {ZELVANE_MESHIO_PYTHON, "-I", script.Path, data.Path};
  args.insert(args.end(), paths.begin(), paths.end());
  std::vector<char *> argv;
  for (std::string &a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, messages.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) {
    err = std::string("cannot run ") + ZELVANE_MESHIO_PYTHON + " (install python3-meshio: scripts/install-deps.sh)";
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  std::ifstream msg(messages.Path), in(data.Path);
  const std::string said{std::istreambuf_iterator<char>(msg), std::istreambuf_iterator<char>()};
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    err = std::string(ZELVANE_MESHIO_PYTHON) + " with meshio failed:\n" + said;
    return false;
  }
  const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  return parse(text, paths.size(), out, err);
}

}  // namespace fixtures
