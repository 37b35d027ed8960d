#include "tests/support/LoadFixtures.h"

#include <gtest/gtest.h>

#include "common/base/FunctionInterface.h"
#include "common/base/Memory.h"
#include "common/model/Mesh.h"
#include "common/load/MeshLoad.h"

namespace fixtures {

std::string SaveFixture(const FixtureFile &f, const std::string &name, bool binary) {
  std::string path = TestPath(name);
  if (binary)
    SaveBytes(path, RawBinary(f, false));
  else
    SaveText(path, RawText(f));
  return path;
}

std::string SaveNamed(const std::string &name, const std::string &text) {
  std::string path = TestPath(name);
  SaveText(path, text);
  return path;
}

FixtureSection GridVertices(int dim, int nver) {
  FixtureSection s = Section(4, "Vertices", std::string(static_cast<size_t>(dim), 'r') + "i", nver);
  for (int i = 1; i <= nver; i++) {
    for (int k = 1; k <= dim; k++) s.Reals.push_back(i * k / 16.0);
    s.Ints.push_back(i % 7);
  }
  return s;
}

FixtureSection Lines(int kwd, const char *name, int nodes, const std::vector<int64_t> &ints) {
  return Section(kwd, name, std::string(static_cast<size_t>(nodes) + 1, 'i'), static_cast<int64_t>(ints.size()) / (nodes + 1))
      .With(ints);
}

FixtureSection List(int kwd, const char *name, const std::vector<int64_t> &ints) { return Lines(kwd, name, 0, ints); }

FixtureSection SolutionSec(int kwd, const char *name, const std::vector<int> &types, int64_t nlin,
                           const std::vector<double> &reals) {
  FixtureSection s = Section(kwd, name, std::string(reals.size() / (nlin > 0 ? nlin : 1), 'r'), nlin).With({}, reals);
  s.Types = types;
  return s;
}

FixtureFile MeshOf(int dim, int nver, const std::vector<int64_t> &tri) {
  FixtureFile f;
  f.Dim = dim;
  f.Sections.push_back(GridVertices(dim, nver));
  if (!tri.empty()) f.Sections.push_back(Lines(6, "Triangles", 3, tri));
  return f;
}

std::vector<double> FieldRanges(const Geometric_Solution *sol) {
  std::vector<double> r;
  for (int k = 0; sol && k < sol->NbrFld; k++) r.insert(r.end(), {sol->Box[k][0], sol->Box[k][1]});
  return r;
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

Geometric_Mesh *LoadContext::Load(std::vector<std::string> paths, const char *sol, MeshRefusal *refused) {
  std::vector<char *> names;
  for (auto &p : paths) names.push_back(p.empty() ? nullptr : &p[0]);
  Geometric_Mesh *msh = nullptr;
  Captured c = CaptureText(
      [&] { msh = geoLoadMeshAndSolution(Fi, static_cast<int>(names.size()), names.data(), sol, refused); });
  Out = c.Out;
  Err = c.Err;
  return msh;
}

void LoadContext::Free(Geometric_Mesh *msh) {
  FreeCommonMesh(Mem, msh);
  EXPECT_EQ(Mem->NbrActive, 0) << "blocks left after freeing the mesh";
}

}  // namespace fixtures
