// A keyword whose lines stand in several sections of a file reads as one section: every
// keyword of the table, line by line and by blocks, and block reads across sections with
// callbacks and the pool, and the line reads after them.
#include <mutex>

#include "tests/common/CommonTest.h"

namespace {

// A section of kwd with nlin lines, its letters from the table's line format, values from seed.
FixtureSection sectionOf(int kwd, int dim, int64_t nlin, int seed) {
  const char *fmt = KmfKwdFmt[kwd][2];
  if (KmfKeywordKind(kwd) == KmfKwdSol)
    return SolutionSection(kwd, KmfKwdFmt[kwd][0], dim, {1, 2}, nlin, seed, fmt[0] == 'h' ? 1 : -1, 2);
  std::string letters;
  for (const char *c = fmt; *c; c++)
    if (*c == 'd') letters.append(static_cast<size_t>(dim), *++c);
    else if (std::strchr("irc", *c)) letters += *c;
  FixtureSection s = Section(kwd, KmfKwdFmt[kwd][0], letters, nlin, KmfKeywordKind(kwd) != KmfKwdInfo);
  std::mt19937 rng(static_cast<unsigned>(seed));
  for (int64_t l = 0; l < nlin; l++)
    for (char c : letters) {
      if (c == 'i') s.Ints.push_back(1 + rng() % 1000);
      if (c == 'r') s.Reals.push_back((static_cast<int>(rng() % 1921) - 960) / 16.0);
      if (c == 'c') s.Strs.push_back("w" + std::to_string(seed) + "_" + std::to_string(l));
    }
  return s;
}

// Saved as text (kind 0) or binary of either byte order (1 little-endian, 2 big-endian).
std::string save(const FixtureFile &f, const std::string &name, int kind) {
  const std::string path = TestPath(kind ? name + "b" : name);
  EXPECT_TRUE(kind ? SaveBytes(path, RawBinary(f, kind == 2)) : SaveText(path, RawText(f)));
  return path;
}

}  // namespace

// Every keyword of the table, the last one included, in two sections standing apart (one line
// each for the keywords without a count) reads back as one section of all its lines, in every
// version, dimension and encoding, by blocks and line by line.
TEST(KmfJoined, EveryKeywordOfTheTableReadsItsSectionsAsOne) {
  for (int ver = 1; ver <= 4; ver++)
    for (int dim = 2; dim <= 3; dim++)
      for (int kind : {0, 1, 2}) {
        SCOPED_TRACE("version " + std::to_string(ver) + " dim " + std::to_string(dim) + " kind " + std::to_string(kind));
        FixtureFile whole{ver, dim, {}};
        for (int kwd = 1; kwd <= KmfMaxKwd; kwd++)
          // Not the header's keywords, End, nor the reserved rows, which share one name in text.
          if (kwd != KmfMeshVersionFormatted && kwd != KmfDimension && kwd != KmfEnd &&
              std::strcmp(KmfKwdFmt[kwd][0], "Reserved"))
            whole.Sections.push_back(sectionOf(kwd, dim, KmfKeywordKind(kwd) == KmfKwdInfo ? 2 : 5, kwd));
        const FixtureFile apart = ApartSections(whole);
        ASSERT_EQ(apart.Sections.size(), 2 * whole.Sections.size());
        const std::string path = save(apart, "everykwd.mesh", kind);
        EXPECT_TRUE(FileMatches(path, whole));
        EXPECT_TRUE(FileMatches(path, whole, true));
        std::remove(path.c_str());
      }
}

namespace {

// What one block read gave: the records, the callback's ranges and how many calls came from
// another thread than the caller's.
struct Read {
  std::vector<int64_t> Rec;
  std::vector<std::pair<int64_t, int64_t>> Calls;
  int Elsewhere = 0;
  std::mutex Lock;
  pthread_t Caller = pthread_self();
};

void noteCall(int64_t first, int64_t last, void *arg) {
  auto *r = static_cast<Read *>(arg);
  std::lock_guard<std::mutex> hold(r->Lock);
  r->Calls.emplace_back(first, last);
  r->Elsewhere += !pthread_equal(pthread_self(), r->Caller);
}

// Tetrahedra first..last (five integers a line) into records of five int64.
int readTets(KmfMeshFile *msh, int64_t first, int64_t last, Read &r) {
  r.Rec.assign(static_cast<size_t>(5 * (last - first + 1)), -1);
  KmfField f[5];
  for (int k = 0; k < 5; k++) f[k] = {KmfLong, reinterpret_cast<char *>(&r.Rec[static_cast<size_t>(k)]), 40};
  return KmfGetBlockFields(msh, KmfTetrahedra, first, last, 0, nullptr, noteCall, &r, 5, f);
}

}  // namespace

// 25000 tetrahedra in sections of 12000, 1, 3000 and 9999 lines, with other sections between
// them: a block read of any range gives the lines and the callback blocks (10000 lines each,
// counted from the range's first) that one section gives, on the calling thread and on the
// pool (text sections big enough for it parsed there, the others here), and the line read
// after it is the next line, wherever it stands.
TEST(KmfJoined, BlockReadsAcrossSectionsReadAsOneSectionAloneAndPooled) {
  const FixtureSection tets = ElementSection(KmfTetrahedra, "Tetrahedra", 4, 25000, 25000, 5);
  auto lines = [&](int64_t first, int64_t last) {
    return std::vector<int64_t>(tets.Ints.begin() + 5 * (first - 1), tets.Ints.begin() + 5 * last);
  };
  ParallelPool *pool = InitParallel(4);
  for (int ver : {2, 4})
    for (int kind : {0, 1, 2}) {
      FixtureFile f{ver, 3, {LinesOf(tets, 0, 12000), VertexSection(3, 40, 1), LinesOf(tets, 12000, 1)}};
      f.Sections.insert(f.Sections.end(), {LinesOf(tets, 12001, 3000), ListSection(13, "Corners", 2, 40, 3),
                                           LinesOf(tets, 15001, 9999)});
      const std::string path = save(f, "apart.mesh", kind);
      for (ParallelPool *p : {static_cast<ParallelPool *>(nullptr), pool}) {
        SCOPED_TRACE("kind " + std::to_string(kind) + " version " + std::to_string(ver) + (p ? " pool" : ""));
        KmfMeshFile *msh = KmfOpenMesh(path.c_str(), KmfRead, nullptr, nullptr);
        ASSERT_NE(msh, nullptr);
        KmfSetPool(msh, p);
        ASSERT_EQ(KmfStatKwd(msh, KmfTetrahedra), 25000);
        ASSERT_EQ(KmfSectionCount(msh, KmfTetrahedra, nullptr, nullptr), 4);
        Read all;
        ASSERT_EQ(readTets(msh, 1, 25000, all), 1);
        EXPECT_EQ(all.Rec, tets.Ints);
        std::sort(all.Calls.begin(), all.Calls.end());
        const decltype(all.Calls) blocks{{1, 10000}, {10001, 20000}, {20001, 25000}}, once{{1, 25000}};
        EXPECT_EQ(all.Calls, kind || p ? blocks : once);
        EXPECT_EQ(all.Elsewhere, p ? 3 : 0) << "the pool reads as it reads one section";
        // A text pool parses a section from its first line: the ranges starting in the first
        // section are worth it, the one inside the section of one line is not.
        const struct {
          int64_t First, Last;
          bool PooledText;
        } ranges[] = {{11999, 12003, true}, {12001, 12001, false}, {9000, 15002, true}};
        for (const auto &range : ranges) {
          Read part;
          ASSERT_EQ(readTets(msh, range.First, range.Last, part), 1) << range.First;
          EXPECT_EQ(part.Rec, lines(range.First, range.Last)) << range.First;
          EXPECT_EQ(part.Elsewhere, p && !kind && range.PooledText ? 1 : 0) << range.First;
          int64_t next[5];
          int ni, nr;
          ASSERT_EQ(KmfGetLinTab(msh, KmfTetrahedra, next, &ni, nullptr, &nr, nullptr, nullptr), 1);
          EXPECT_EQ(next[0], tets.Ints[5 * range.Last]) << "line " << range.Last + 1;
        }
        KmfCloseMesh(msh);
      }
      std::remove(path.c_str());
    }
  StopParallel(pool);
}

namespace {

// One line of kwd read with KmfGetLin, its fields given as pointers of the version's types (I
// for integers, R for reals): the integers, reals and string it held.
template <class I, class R>
bool getLine(KmfMeshFile *msh, int kwd, std::vector<int64_t> *ints, std::vector<double> *reals, std::string *str) {
  ints->clear();
  reals->clear();
  str->clear();
  switch (kwd) {
    case KmfTetrahedra: {
      I t[5];
      if (!KmfGetLin(msh, kwd, &t[0], &t[1], &t[2], &t[3], &t[4])) return false;
      ints->assign(t, t + 5);
      return true;
    }
    case KmfVertices: {
      R x, y, z;
      I r;
      if (!KmfGetLin(msh, kwd, &x, &y, &z, &r)) return false;
      *reals = {x, y, z};
      *ints = {r};
      return true;
    }
    case KmfSolAtVertices: {
      R v[4];  // a scalar and a vector
      if (!KmfGetLin(msh, kwd, v)) return false;
      reals->assign(v, v + 4);
      return true;
    }
    default: {
      char s[256];
      if (!KmfGetLin(msh, kwd, s)) return false;
      *str = s;
      return true;
    }
  }
}

}  // namespace

// Lines read one by one with KmfGetLin go on from a keyword's section to the next, other
// keywords' sections standing between them: element, vertex, solution and string lines in
// three sections of 2, 1 and 3 lines, in every version and encoding, each line the one written.
TEST(KmfJoined, LineReadsGoOnFromSectionToSection) {
  const int kwds[] = {KmfTetrahedra, KmfVertices, KmfSolAtVertices, KmfComments};
  const int64_t parts[][2] = {{0, 2}, {2, 1}, {3, 3}};  // first line and lines of each section
  for (int ver = 1; ver <= 4; ver++)
    for (int kind : {0, 1, 2}) {
      SCOPED_TRACE("version " + std::to_string(ver) + " kind " + std::to_string(kind));
      FixtureFile whole{ver, 3, {}}, thirds{ver, 3, {}};
      for (int kwd : kwds) whole.Sections.push_back(sectionOf(kwd, 3, 6, kwd));
      for (const auto &part : parts)
        for (const FixtureSection &s : whole.Sections) thirds.Sections.push_back(LinesOf(s, part[0], part[1]));
      const std::string path = save(thirds, "thirds.mesh", kind);
      KmfMeshFile *msh = KmfOpenMesh(path.c_str(), KmfRead, nullptr, nullptr);
      ASSERT_NE(msh, nullptr);
      for (const FixtureSection &s : whole.Sections) {
        SCOPED_TRACE(s.Name);
        ASSERT_EQ(KmfSectionCount(msh, s.Kwd, nullptr, nullptr), 3);
        ASSERT_EQ(KmfGotoKwd(msh, s.Kwd), 1);
        const size_t ni = std::count(s.Letters.begin(), s.Letters.end(), 'i');
        const size_t nr = std::count(s.Letters.begin(), s.Letters.end(), 'r');
        for (size_t l = 0; l < 6; l++) {
          std::vector<int64_t> ints;
          std::vector<double> reals;
          std::string str;
          const bool ok = ver == 1   ? getLine<int, float>(msh, s.Kwd, &ints, &reals, &str)
                          : ver < 4 ? getLine<int, double>(msh, s.Kwd, &ints, &reals, &str)
                                    : getLine<int64_t, double>(msh, s.Kwd, &ints, &reals, &str);
          ASSERT_TRUE(ok) << "line " << l + 1;
          EXPECT_EQ(ints, std::vector<int64_t>(s.Ints.begin() + l * ni, s.Ints.begin() + (l + 1) * ni)) << "line " << l + 1;
          EXPECT_EQ(reals, std::vector<double>(s.Reals.begin() + l * nr, s.Reals.begin() + (l + 1) * nr)) << "line " << l + 1;
          EXPECT_EQ(str, s.Strs.empty() ? "" : s.Strs[l]) << "line " << l + 1;
        }
      }
      KmfCloseMesh(msh);
      std::remove(path.c_str());
    }
}
