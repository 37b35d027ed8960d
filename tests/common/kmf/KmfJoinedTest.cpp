// A keyword whose lines stand in several sections of a file reads as one section: every
// keyword of the table, line by line and by blocks, across block and section boundaries, with
// maps, callbacks and the pool.
#include <mutex>

#include "tests/common/CommonTest.h"

namespace {

// A section of kwd with nlin lines, its letters from the table's line format, its values
// from seed.
FixtureSection sectionOf(int kwd, int dim, int64_t nlin, int seed) {
  const char *fmt = KmfKwdFmt[kwd][2];
  const int kind = KmfKeywordKind(kwd);
  if (kind == KmfKwdSol)
    return SolutionSection(kwd, KmfKwdFmt[kwd][0], dim, {1, 2}, nlin, seed, fmt[0] == 'h' ? 1 : -1, fmt[0] == 'h' ? 2 : 0);
  std::string letters;
  for (const char *c = fmt; *c; c++) {
    if (*c == 'd') letters.append(static_cast<size_t>(dim), *++c);
    else if (std::strchr("irc", *c)) letters += *c;
  }
  FixtureSection s = Section(kwd, KmfKwdFmt[kwd][0], letters, nlin, kind != KmfKwdInfo);
  std::mt19937 rng(static_cast<unsigned>(seed));
  for (int64_t l = 0; l < s.NmbLin; l++)
    for (char c : letters) {
      if (c == 'i') s.Ints.push_back(1 + rng() % 1000);
      if (c == 'r') s.Reals.push_back((static_cast<int>(rng() % 1921) - 960) / 16.0);
      if (c == 'c') s.Strs.push_back("w" + std::to_string(seed) + "_" + std::to_string(l));
    }
  return s;
}

// s with its lines given in sections of the sizes, one after another.
std::vector<FixtureSection> split(const FixtureSection &s, const std::vector<int64_t> &sizes) {
  std::vector<FixtureSection> out;
  for (int64_t at = 0, k = 0; at < s.NmbLin; at += sizes[static_cast<size_t>(k++)])
    out.push_back(LinesOf(s, at, sizes[static_cast<size_t>(k)]));
  return out;
}

const struct Encoding {
  const char *Name;
  int Kind;  // 0 text, 1 little-endian, 2 big-endian
} kEncodings[] = {{"text", 0}, {"little-endian", 1}, {"big-endian", 2}};

std::string save(const FixtureFile &f, const std::string &name, const Encoding &e) {
  const std::string path = TestPath(e.Kind ? name + "b" : name);
  EXPECT_TRUE(e.Kind ? SaveBytes(path, RawBinary(f, e.Kind == 2)) : SaveText(path, RawText(f)));
  return path;
}

}  // namespace

// Every keyword of the table, the last one included, written in two sections standing apart
// (all first parts, then all second parts; one line each for the keywords without a count)
// reads back as one section of all its lines, in every version, dimension and encoding, by
// blocks and line by line.
TEST(KmfJoined, EveryKeywordOfTheTableReadsItsSectionsAsOne) {
  for (int ver = 1; ver <= 4; ver++)
    for (int dim = 2; dim <= 3; dim++)
      for (const Encoding &e : kEncodings) {
        SCOPED_TRACE("version " + std::to_string(ver) + " dim " + std::to_string(dim) + " " + e.Name);
        FixtureFile whole{ver, dim, {}};
        for (int kwd = 1; kwd <= KmfMaxKwd; kwd++)
          // Not the header's keywords, End, nor the reserved rows, which share one name in text.
          if (kwd != KmfMeshVersionFormatted && kwd != KmfDimension && kwd != KmfEnd &&
              std::strcmp(KmfKwdFmt[kwd][0], "Reserved"))
            whole.Sections.push_back(sectionOf(kwd, dim, KmfKeywordKind(kwd) == KmfKwdInfo ? 2 : 5, kwd));
        const FixtureFile apart = ApartSections(whole);
        ASSERT_EQ(apart.Sections.size(), 2 * whole.Sections.size());
        const std::string path = save(apart, "everykwd.mesh", e);
        EXPECT_TRUE(FileMatches(path, whole));
        EXPECT_TRUE(FileMatches(path, whole, true));
        std::remove(path.c_str());
      }
}

namespace {

// What one block read gave: the records, the callback's ranges and how many came from
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

// Lines first..last of the tetrahedra (five integers) into records of five int64, line i of
// the range to record i, or to map[i] - 1.
int readTets(KmfMeshFile *msh, int64_t first, int64_t last, Read &r, const std::vector<int64_t> *map = nullptr) {
  r.Rec.assign(static_cast<size_t>(5 * (last - first + 1)), -1);
  KmfField f[5];
  for (int k = 0; k < 5; k++) f[k] = {KmfLong, reinterpret_cast<char *>(&r.Rec[static_cast<size_t>(k)]), 40};
  return KmfGetBlockFields(msh, KmfTetrahedra, first, last, map ? 4 : 0, map ? const_cast<int64_t *>(map->data()) : nullptr,
                           noteCall, &r, 5, f);
}

std::vector<int64_t> linesFrom(const FixtureSection &s, int64_t first, int64_t last) {
  return std::vector<int64_t>(s.Ints.begin() + 5 * (first - 1), s.Ints.begin() + 5 * last);
}

}  // namespace

// 25000 tetrahedra in sections of 12000, 1, 3000 and 9999 lines, with the vertices between
// them: a block read of any range gives the lines and the callback blocks (10000 lines each,
// counted from the range's first) that one section gives, on the calling thread and on the
// pool (text sections big enough for it parsed there, the others here), with a map, and the
// line reads after it go on at the next line wherever it stands.
TEST(KmfJoined, BlockReadsAcrossSectionsReadAsOneSectionAloneAndPooled) {
  const FixtureSection tets = ElementSection(KmfTetrahedra, "Tetrahedra", 4, 25000, 25000, 5);
  const std::vector<FixtureSection> parts = split(tets, {12000, 1, 3000, 9999});
  ParallelPool *pool = InitParallel(4);
  for (int ver : {2, 4})
    for (const Encoding &e : kEncodings) {
      FixtureFile f{ver, 3, {parts[0], VertexSection(3, 40, 1), parts[1], parts[2], ListSection(13, "Corners", 2, 40, 3), parts[3]}};
      const std::string path = save(f, "apart.mesh", e);
      for (ParallelPool *p : {static_cast<ParallelPool *>(nullptr), pool}) {
        SCOPED_TRACE(std::string(e.Name) + " version " + std::to_string(ver) + (p ? " pool" : ""));
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
        EXPECT_EQ(all.Calls, e.Kind || p ? blocks : once);
        EXPECT_EQ(all.Elsewhere, p ? 3 : 0) << "the pool reads as it reads one section";
        // Ranges that start, end or lie inside a section of one line; a text pool parses a
        // section from its first line, so those that start in the first one are worth it.
        const struct {
          int64_t First, Last;
          bool PooledText;
        } ranges[] = {{11999, 12003, true}, {12001, 12001, false}, {9000, 15002, true}};
        for (const auto &range : ranges) {
          Read part;
          ASSERT_EQ(readTets(msh, range.First, range.Last, part), 1) << range.First;
          EXPECT_EQ(part.Rec, linesFrom(tets, range.First, range.Last)) << range.First;
          EXPECT_EQ(part.Elsewhere, p && !e.Kind && range.PooledText ? 1 : 0) << range.First;
          // The next line read is the range's next one, in the section that holds it.
          int ints[5];
          int64_t wide[5];
          ASSERT_EQ(ver == 4 ? KmfGetLin(msh, KmfTetrahedra, &wide[0], &wide[1], &wide[2], &wide[3], &wide[4])
                             : KmfGetLin(msh, KmfTetrahedra, &ints[0], &ints[1], &ints[2], &ints[3], &ints[4]),
                    1);
          EXPECT_EQ(ver == 4 ? wide[0] : ints[0], tets.Ints[5 * range.Last]) << range.Last + 1;
        }
        // A map sends the lines, reversed, across the same boundaries.
        std::vector<int64_t> map(5003);
        for (int64_t i = 1; i <= 5002; i++) map[i] = 5003 - i;
        Read mapped;
        ASSERT_EQ(readTets(msh, 10001, 15002, mapped, &map), 1);
        for (int64_t i = 0; i < 5002; i++)
          ASSERT_EQ(mapped.Rec[5 * (5001 - i)], tets.Ints[5 * (10000 + i)]) << i;
        KmfCloseMesh(msh);
      }
      std::remove(path.c_str());
    }
  StopParallel(pool);
}
