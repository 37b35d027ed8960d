#include "tests/support/LoadFixtures.h"

#include "common/FunctionInterface.h"
#include "common/Memory.h"

namespace fixtures {

std::string SaveFixture(const FixtureFile &f, const std::string &name, bool binary) {
  std::string path = TestPath(name);
  if (binary)
    SaveBytes(path, RawBinary(f, false));
  else
    SaveText(path, RawText(f));
  return path;
}

FixtureSection GridVertices(int dim, int nver) {
  FixtureSection s;
  s.Kwd = 4;
  s.Name = "Vertices";
  s.Letters = std::string(static_cast<size_t>(dim), 'r') + "i";
  s.NmbLin = nver;
  for (int i = 1; i <= nver; i++) {
    for (int k = 1; k <= dim; k++) s.Reals.push_back(i * k / 16.0);
    s.Ints.push_back(i % 7);
  }
  return s;
}

FixtureSection Lines(int kwd, const char *name, int nodes, const std::vector<int64_t> &ints) {
  FixtureSection s;
  s.Kwd = kwd;
  s.Name = name;
  s.Letters = std::string(static_cast<size_t>(nodes) + 1, 'i');
  s.NmbLin = static_cast<int64_t>(ints.size()) / (nodes + 1);
  s.Ints = ints;
  return s;
}

FixtureSection List(int kwd, const char *name, const std::vector<int64_t> &ints) {
  FixtureSection s;
  s.Kwd = kwd;
  s.Name = name;
  s.Letters = "i";
  s.NmbLin = static_cast<int64_t>(ints.size());
  s.Ints = ints;
  return s;
}

FixtureSection SolutionSec(int kwd, const char *name, const std::vector<int> &types, int64_t nlin,
                        const std::vector<double> &reals) {
  FixtureSection s;
  s.Kwd = kwd;
  s.Name = name;
  s.Types = types;
  s.NmbLin = nlin;
  s.Letters = std::string(reals.size() / (nlin > 0 ? nlin : 1), 'r');
  s.Reals = reals;
  return s;
}

LoadContext::LoadContext(int verbose, unsigned opt) {
  Mem = NewMemory(10000);
  Fi = new Function_Interface;
  DefaultFunInterface(Fi, Mem, nullptr, "test");
  Fi->Verbose = verbose;
  Fi->OptBits = opt;
}

LoadContext::~LoadContext() {
  delete Fi;
  FreeMemory(Mem);
}

std::string SaveSu2(const std::string &name, const std::string &text) {
  std::string path = TestPath(name);
  SaveText(path, text);
  return path;
}

}  // namespace fixtures
