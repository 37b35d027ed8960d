#include "tests/support/KmfCheck.h"

#include <cstring>
#include <sstream>
#include <vector>

#include "common/kmf/KmfMeshFile.h"

namespace fixtures {

namespace {

bool inTable(int kwd) { return kwd >= 1 && kwd <= KmfMaxKwd; }

int countOf(const std::string &letters, char c) {
  int n = 0;
  for (char x : letters) n += x == c;
  return n;
}

// Field descriptions for one block call over arrays of int64 and double values, line-major.
std::vector<KmfField> fieldsFor(const std::string &letters, std::vector<int64_t> &ints, std::vector<double> &reals) {
  int ni = countOf(letters, 'i'), nr = countOf(letters, 'r');
  std::vector<KmfField> fields;
  int ki = 0, kr = 0;
  for (char c : letters) {
    if (c == 'i') fields.push_back({KmfLong, reinterpret_cast<char *>(ints.data() + ki++), 8 * ni});
    if (c == 'r') fields.push_back({KmfDouble, reinterpret_cast<char *>(reals.data() + kr++), 8 * nr});
  }
  return fields;
}

}  // namespace

int WriteWithLibrary(const std::string &path, const FixtureFile &f, bool useBlocks) {
  KmfMeshFile *msh = KmfOpenMesh(path.c_str(), KmfWrite, f.Version, f.Dim);
  if (!msh) return 0;
  int ok = 1;
  for (const auto &s : f.Sections) {
    if (!inTable(s.Kwd)) continue;
    if (!s.Types.empty())
      ok &= KmfSetKwd(msh, s.Kwd, s.NmbLin, static_cast<int>(s.Types.size()), s.Types.data(), s.Deg, s.NmbNod);
    else
      ok &= KmfSetKwd(msh, s.Kwd, s.NmbLin);
    bool strings = s.Letters.find('c') != std::string::npos;
    if (useBlocks && !strings && s.HasCount) {
      std::vector<int64_t> ints = s.Ints;
      std::vector<double> reals = s.Reals;
      std::vector<KmfField> fields = fieldsFor(s.Letters, ints, reals);
      ok &= KmfSetBlockFields(msh, s.Kwd, 0, nullptr, nullptr, nullptr, static_cast<int>(fields.size()), fields.data());
      continue;
    }
    size_t ni = 0, nr = 0, ns = 0;
    int li = countOf(s.Letters, 'i'), lr = countOf(s.Letters, 'r');
    for (int64_t l = 0; l < s.NmbLin; l++) {
      ok &= KmfSetLinTab(msh, s.Kwd, li ? &s.Ints[ni] : nullptr, lr ? &s.Reals[nr] : nullptr,
                         countOf(s.Letters, 'c') ? s.Strs[ns].c_str() : nullptr);
      ni += static_cast<size_t>(li);
      nr += static_cast<size_t>(lr);
      ns += countOf(s.Letters, 'c') ? 1 : 0;
    }
  }
  int closed = KmfCloseMesh(msh);
  return ok && closed;
}

::testing::AssertionResult FileMatches(const std::string &path, const FixtureFile &f, bool lineByLine) {
  int ver = 0, dim = 0;
  KmfMeshFile *msh = KmfOpenMesh(path.c_str(), KmfRead, &ver, &dim);
  if (!msh) return ::testing::AssertionFailure() << path << " does not open";
  std::ostringstream err;
  if (ver != f.Version || dim != f.Dim) err << "version/dimension " << ver << "/" << dim;
  for (const auto &s : f.Sections) {
    if (!err.str().empty()) break;
    if (!inTable(s.Kwd)) {
      if (KmfStatKwd(msh, s.Kwd)) err << "section " << s.Kwd << " should be skipped";
      continue;
    }
    int ntyp = 0, solsiz = 0, deg = -1, nod = 0;
    int types[KmfMaxTyp];
    int64_t n = KmfStatKwd(msh, s.Kwd, &ntyp, &solsiz, types, &deg, &nod);
    if (n != s.NmbLin) {
      err << s.Name << ": " << n << " lines instead of " << s.NmbLin;
      break;
    }
    if (!n) continue;
    if (!s.Types.empty()) {
      if (ntyp != static_cast<int>(s.Types.size()) || !std::equal(s.Types.begin(), s.Types.end(), types) ||
          solsiz * (s.Deg >= 0 ? s.NmbNod : 1) != static_cast<int>(s.Letters.size()) ||
          (s.Deg >= 0 && (deg != s.Deg || nod != s.NmbNod))) {
        err << s.Name << ": solution header differs";
        break;
      }
    }
    int li = countOf(s.Letters, 'i'), lr = countOf(s.Letters, 'r'), lc = countOf(s.Letters, 'c');
    std::vector<int64_t> ints(static_cast<size_t>(s.NmbLin * li));
    std::vector<double> reals(static_cast<size_t>(s.NmbLin * lr));
    std::vector<std::string> strs;
    if (lineByLine || lc || !s.HasCount) {
      if (!KmfGotoKwd(msh, s.Kwd)) {
        err << s.Name << ": goto failed";
        break;
      }
      for (int64_t l = 0; l < s.NmbLin; l++) {
        std::vector<int64_t> li64(static_cast<size_t>(li) + 1);
        std::vector<double> lr64(static_cast<size_t>(lr) + 1);
        char str[256];
        int gi = -1, gr = -1, gl = -1;
        if (!KmfGetLinTab(msh, s.Kwd, li64.data(), &gi, lr64.data(), &gr, str, &gl) || gi != li || gr != lr) {
          err << s.Name << ": line " << l + 1 << " not read";
          break;
        }
        std::copy(li64.begin(), li64.begin() + li, ints.begin() + l * li);
        std::copy(lr64.begin(), lr64.begin() + lr, reals.begin() + l * lr);
        if (lc) strs.emplace_back(str, static_cast<size_t>(gl));
      }
    } else {
      std::vector<KmfField> fields = fieldsFor(s.Letters, ints, reals);
      if (!KmfGetBlockFields(msh, s.Kwd, 1, s.NmbLin, 0, nullptr, nullptr, nullptr, static_cast<int>(fields.size()),
                             fields.data())) {
        err << s.Name << ": block read failed";
        break;
      }
    }
    if (!err.str().empty()) break;
    for (size_t i = 0; i < ints.size() && err.str().empty(); i++)
      if (ints[i] != s.Ints[i]) err << s.Name << ": integer " << i << " is " << ints[i] << " not " << s.Ints[i];
    for (size_t i = 0; i < reals.size() && err.str().empty(); i++)
      if (reals[i] != s.Reals[i]) err << s.Name << ": real " << i << " is " << reals[i] << " not " << s.Reals[i];
    for (size_t i = 0; i < strs.size() && err.str().empty(); i++)
      if (strs[i] != s.Strs[i].substr(0, 255)) err << s.Name << ": string " << i << " is \"" << strs[i] << "\"";
  }
  KmfCloseMesh(msh);
  if (!err.str().empty()) return ::testing::AssertionFailure() << path << ": " << err.str();
  return ::testing::AssertionSuccess();
}

}  // namespace fixtures
