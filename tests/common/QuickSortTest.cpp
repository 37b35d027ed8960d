// The shared quicksort, driven through record types of the test's own and through arrays
// objects that log every exchange or answer comparisons adversarially.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "common/QuickSort.h"

using zelsort::KeyArrays;
using zelsort::KeyIdxArrays;
using zelsort::QuickSort;
using zelsort::RankArrays;

namespace {

// An element-like record: the key is the first node, signed.
struct Elt {
  int Ver[3];
  int Ref;
  double Val;
};
struct EltKey {
  static int Of(const Elt &e) { return e.Ver[0]; }
};

// A vertex-like record: the key is an unsigned id in the middle of the record.
struct Ver {
  double Crd[3];
  uint32_t Tag;
  uint32_t Gid;
  int Ref;
};
struct VerKey {
  static uint32_t Of(const Ver &v) { return v.Gid; }
};

bool Same(const Elt &a, const Elt &b) { return std::memcmp(&a, &b, sizeof(Elt)) == 0; }

// Records numbered by their starting position, in an array with one guard record on each
// side, so that a write outside positions 0..n-1 shows.
struct EltSet {
  std::vector<Elt> all;
  std::vector<int> idxAll;
  std::vector<uint64_t> rnkAll;
  int n;
  explicit EltSet(const std::vector<int> &keys) : n(static_cast<int>(keys.size())) {
    all.resize(n + 2);
    idxAll.resize(n + 2);
    rnkAll.resize(n + 2);
    for (int i = 0; i < n + 2; i++) {
      const int pos = i - 1;
      all[i] = Elt{{i == 0 || i == n + 1 ? -77 : keys[pos], 3 * pos + 1, 5 * pos}, pos, pos * 0.25};
      idxAll[i] = 1000 + pos;
      rnkAll[i] = 0;
    }
  }
  Elt *Recs() { return all.data() + 1; }
  int *Idx() { return idxAll.data() + 1; }
  uint64_t *Rnk() { return rnkAll.data() + 1; }
};

Elt Original(const std::vector<int> &keys, int pos) {
  return Elt{{keys[pos], 3 * pos + 1, 5 * pos}, pos, pos * 0.25};
}

// Every record moved whole, as a permutation of the originals, guards untouched.
void ExpectPermutedWhole(EltSet &s, const std::vector<int> &keys) {
  std::vector<char> seen(s.n, 0);
  for (int k = 0; k < s.n; k++) {
    const Elt &e = s.Recs()[k];
    ASSERT_TRUE(e.Ref >= 0 && e.Ref < s.n) << "position " << k;
    ASSERT_FALSE(seen[e.Ref]) << "record " << e.Ref << " twice";
    seen[e.Ref] = 1;
    ASSERT_TRUE(Same(e, Original(keys, e.Ref))) << "record split at position " << k;
  }
  EXPECT_EQ(s.all.front().Ref, -1);
  EXPECT_EQ(s.all.back().Ref, s.n);
  EXPECT_EQ(s.idxAll.front(), 999);
  EXPECT_EQ(s.idxAll.back(), 1000 + s.n);
}

void ExpectSortedKeys(EltSet &s, std::vector<int> keys) {
  std::sort(keys.begin(), keys.end());
  for (int k = 0; k < s.n; k++) ASSERT_EQ(s.Recs()[k].Ver[0], keys[k]) << "position " << k;
}

// Runs the key sort and the index sort on the same keys and checks both.
void CheckKeyAndIndexSorts(const std::vector<int> &keys) {
  const int n = static_cast<int>(keys.size());
  {
    EltSet s(keys);
    QuickSort(KeyArrays<Elt, EltKey>{s.Recs()}, n);
    ExpectSortedKeys(s, keys);
    ExpectPermutedWhole(s, keys);
    for (int k = 0; k < n; k++) ASSERT_EQ(s.Idx()[k], 1000 + k);  // not passed, not touched
  }
  {
    EltSet s(keys);
    QuickSort(KeyIdxArrays<Elt, EltKey>{s.Recs(), s.Idx()}, n);
    ExpectSortedKeys(s, keys);
    ExpectPermutedWhole(s, keys);
    for (int k = 0; k < n; k++) ASSERT_EQ(s.Idx()[k], 1000 + s.Recs()[k].Ref) << "position " << k;
  }
}

// Ranks ordered; records and index entries follow the rank they started beside.
void CheckRankSort(const std::vector<uint64_t> &ranks) {
  const int n = static_cast<int>(ranks.size());
  std::vector<int> keys(n);
  for (int i = 0; i < n; i++) keys[i] = n - i;  // the records' own key must not matter
  EltSet s(keys);
  std::copy(ranks.begin(), ranks.end(), s.Rnk());
  QuickSort(RankArrays<Elt>{s.Rnk(), s.Recs(), s.Idx()}, n);
  std::vector<uint64_t> sorted = ranks;
  std::sort(sorted.begin(), sorted.end());
  for (int k = 0; k < n; k++) {
    ASSERT_EQ(s.Rnk()[k], sorted[k]) << "position " << k;
    const int from = s.Recs()[k].Ref;
    ASSERT_EQ(s.Idx()[k], 1000 + from);
    ASSERT_EQ(ranks[from], s.Rnk()[k]);
  }
  ExpectPermutedWhole(s, keys);
  EXPECT_EQ(s.rnkAll.front(), 0u);
  EXPECT_EQ(s.rnkAll.back(), 0u);
}

// Key orders that exercise each path: random over a wide and a narrow range, sorted,
// reversed, organ pipe, sawtooth and constant.
std::vector<std::vector<int>> Patterns(int n, std::mt19937 &rng) {
  std::vector<std::vector<int>> out(7, std::vector<int>(n));
  std::uniform_int_distribution<int> wide(INT_MIN, INT_MAX), narrow(-3, 3);
  for (int i = 0; i < n; i++) {
    out[0][i] = wide(rng);
    out[1][i] = narrow(rng);
    out[2][i] = i;
    out[3][i] = n - i;
    out[4][i] = std::min(i, n - i);
    out[5][i] = i % 5;
    out[6][i] = 42;
  }
  return out;
}

// Arrays of plain int keys that log every exchange of two different positions, in the
// positions of the whole array.
struct LoggedArrays {
  int *Keys;
  std::vector<std::pair<int, int>> *Log;
  int Base;
  int Key(int i) const { return Keys[i]; }
  void Swap(int i, int j) {
    if (i != j) Log->emplace_back(Base + i, Base + j);
    std::swap(Keys[i], Keys[j]);
  }
  LoggedArrays At(int k) const { return {Keys + k, Log, Base + k}; }
};

std::vector<std::pair<int, int>> Exchanges(std::vector<int> &keys) {
  std::vector<std::pair<int, int>> log;
  QuickSort(LoggedArrays{keys.data(), &log, 0}, static_cast<int>(keys.size()));
  return log;
}

}  // namespace

TEST(QuickSort, CountsOfOneOrLessLeaveEverythingAsItIs) {
  const std::vector<int> keys = {9, 3, 7, 1, 5, 2, 8, 6, 4};
  for (int n : {1, 0, -1, -100, INT_MIN}) {
    EltSet s(keys);
    const EltSet before = s;
    std::vector<uint64_t> r = {5, 4, 3};
    QuickSort(KeyArrays<Elt, EltKey>{s.Recs()}, n);
    QuickSort(KeyIdxArrays<Elt, EltKey>{s.Recs(), s.Idx()}, n);
    QuickSort(RankArrays<Elt>{r.data(), s.Recs(), s.Idx()}, n);
    for (size_t i = 0; i < s.all.size(); i++) ASSERT_TRUE(Same(s.all[i], before.all[i])) << n;
    EXPECT_EQ(s.idxAll, before.idxAll);
    EXPECT_EQ(r, (std::vector<uint64_t>{5, 4, 3}));
  }
}

TEST(QuickSort, ShortPartsKeepEqualKeysInOrder) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> narrow(0, 2);
  for (int n = 2; n <= 6; n++) {
    for (int trial = 0; trial < 200; trial++) {
      std::vector<int> keys(n);
      for (int &k : keys) k = narrow(rng);
      EltSet s(keys);
      QuickSort(KeyIdxArrays<Elt, EltKey>{s.Recs(), s.Idx()}, n);
      std::vector<Elt> ref(s.Recs(), s.Recs() + n);
      for (int i = 0; i < n; i++) ref[i] = Original(keys, i);
      std::stable_sort(ref.begin(), ref.end(),
                       [](const Elt &a, const Elt &b) { return a.Ver[0] < b.Ver[0]; });
      for (int k = 0; k < n; k++) {
        ASSERT_TRUE(Same(s.Recs()[k], ref[k])) << "n " << n << " position " << k;
        ASSERT_EQ(s.Idx()[k], 1000 + ref[k].Ref);
      }
    }
  }
}

TEST(QuickSort, EverySizeUpToTwoHundredAndEveryPattern) {
  std::mt19937 rng(11);
  for (int n = 0; n <= 200; n++)
    for (const std::vector<int> &keys : Patterns(n, rng)) {
      SCOPED_TRACE(n);
      CheckKeyAndIndexSorts(keys);
    }
}

TEST(QuickSort, LargeArraysAgainstReferenceSort) {
  std::mt19937 rng(2024);
  for (int n : {1000, 4097, 100000})
    for (const std::vector<int> &keys : Patterns(n, rng)) {
      SCOPED_TRACE(n);
      CheckKeyAndIndexSorts(keys);
    }
}

TEST(QuickSort, RankSortAgainstReferenceSort) {
  std::mt19937_64 rng(99);
  for (int n : {2, 5, 6, 7, 8, 40, 41, 48, 300, 100000}) {
    SCOPED_TRACE(n);
    std::vector<uint64_t> wide(n), narrow(n), ascending(n), descending(n);
    for (int i = 0; i < n; i++) {
      wide[i] = rng();
      narrow[i] = rng() % 4 + (uint64_t{1} << 63) - 2;  // straddles 2^63
      ascending[i] = uint64_t(i) << 33;
      descending[i] = ~uint64_t(0) - uint64_t(i);
    }
    CheckRankSort(wide);
    CheckRankSort(narrow);
    CheckRankSort(ascending);
    CheckRankSort(descending);
  }
}

TEST(QuickSort, SignedAndUnsignedKeysKeepTheirOwnOrder) {
  // Element keys are signed: negative first nodes come first.
  const std::vector<int> keys = {5, -1, INT_MAX, 0, INT_MIN, 7, -40000, 3, 2, 1, 12};
  EltSet s(keys);
  QuickSort(KeyArrays<Elt, EltKey>{s.Recs()}, static_cast<int>(keys.size()));
  const int want[] = {INT_MIN, -40000, -1, 0, 1, 2, 3, 5, 7, 12, INT_MAX};
  for (int k = 0; k < 11; k++) EXPECT_EQ(s.Recs()[k].Ver[0], want[k]);

  // Vertex ids are unsigned: 2^31 and above come after every smaller id.
  const uint32_t gids[] = {0x80000000u, 5u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0u, 0x80000001u, 9u, 1u};
  std::vector<Ver> v(8);
  for (int i = 0; i < 8; i++) v[i] = Ver{{i * 1.0, 0, 0}, 0x80000000u, gids[i], i};
  std::vector<int> idx = {0, 1, 2, 3, 4, 5, 6, 7};
  QuickSort(KeyIdxArrays<Ver, VerKey>{v.data(), idx.data()}, 8);
  const uint32_t wantGid[] = {0u, 1u, 5u, 9u, 0x7FFFFFFFu, 0x80000000u, 0x80000001u, 0xFFFFFFFFu};
  for (int k = 0; k < 8; k++) {
    EXPECT_EQ(v[k].Gid, wantGid[k]);
    EXPECT_EQ(v[k].Ref, idx[k]);
    EXPECT_EQ(v[k].Crd[0], idx[k] * 1.0);
  }

  // Ranks are unsigned 64-bit: 2^63 and above come last.
  CheckRankSort({uint64_t{1} << 63, 3, ~uint64_t(0), (uint64_t{1} << 63) - 1, 0, 1, 2, 4});
}

TEST(QuickSort, AllEqualKeysExchangeOnlyTheFirstPositionAndThePivot) {
  for (int n : {7, 8, 9, 40, 41, 48, 1000}) {
    std::vector<int> keys(n, 3);
    const auto log = Exchanges(keys);
    const std::pair<int, int> want = n == 7 ? std::make_pair(0, 3) : std::make_pair(0, n - 1);
    ASSERT_EQ(log.size(), 1u) << n;
    EXPECT_EQ(log[0], want) << n;
  }
}

TEST(QuickSort, AscendingKeysGoStraightToInsertionSort) {
  for (int n : {8, 9, 23, 40, 41, 200}) {
    std::vector<int> keys(n);
    for (int i = 0; i < n; i++) keys[i] = 10 * i - 50;
    const std::vector<int> sorted = keys;
    const auto log = Exchanges(keys);
    EXPECT_EQ(keys, sorted);
    ASSERT_FALSE(log.empty());
    // The pivot exchange, then only the neighbour exchanges of insertion sort: the
    // partition pass itself moved nothing.
    EXPECT_EQ(log[0], std::make_pair(0, n / 2)) << n;
    for (size_t e = 1; e < log.size(); e++)
      ASSERT_EQ(log[e].second, log[e].first + 1) << "n " << n << " exchange " << e;
    // Moving the pivot key back takes n/2 - 1 steps, moving the smallest key back n/2.
    EXPECT_EQ(log.size(), size_t(1 + (n / 2 - 1) + n / 2)) << n;
  }
}

TEST(QuickSort, PivotChoiceBySize) {
  // Seven positions: the middle one, although the median of the ends and middle is the last.
  std::vector<int> k7 = {5, 6, 7, 0, 1, 2, 3};
  EXPECT_EQ(Exchanges(k7).front(), std::make_pair(0, 3));

  // Eight to forty positions: median of first, middle and last.
  for (int n : {8, 9, 40}) {
    std::vector<int> keys(n, 100);
    keys[0] = 300;
    keys[n / 2] = 100;
    keys[n - 1] = 200;
    // A ninther would pick among positions that all hold 100; the median of three is last.
    EXPECT_EQ(Exchanges(keys).front(), std::make_pair(0, n - 1)) << n;
  }

  // 41 positions: the ninther with d = 5 over 0,5,10 / 15,20,25 / 30,35,40.
  {
    std::vector<int> keys(41, 1000);
    keys[0] = 30, keys[5] = 10, keys[10] = 20;    // median at 10 (20)
    keys[15] = 50, keys[20] = 40, keys[25] = 45;  // median at 25 (45)
    keys[30] = 5, keys[35] = 1, keys[40] = 3;     // median at 40 (3)
    EXPECT_EQ(Exchanges(keys).front(), std::make_pair(0, 10));
  }
  // 48 positions: d = 6 over 0,6,12 / 18,24,30 / 35,41,47; the middle triple wins.
  {
    std::vector<int> keys(48, -1000);
    keys[0] = 1, keys[6] = 2, keys[12] = 3;       // median at 6 (2)
    keys[18] = 60, keys[24] = 40, keys[30] = 50;  // median at 30 (50)
    keys[35] = 90, keys[41] = 80, keys[47] = 70;  // median at 41 (80)
    EXPECT_EQ(Exchanges(keys).front(), std::make_pair(0, 30));
  }
}

namespace {

// A comparison adversary: keys start undecided ("gas", below every decided key) and are
// decided only when a comparison needs it, always so that the pivot candidate becomes one of
// the largest keys left. Against this sort every pass then leaves nearly everything in the
// part below the pivot, the case that makes unbounded recursion as deep as the array.
struct Adversary {
  std::vector<int> val;
  int gas = -1;
  int next;
  int candidate = -1;
  explicit Adversary(int n) : val(n, -1), next(n - 1) {}
  int Compare(int x, int y) {
    if (val[x] == gas && val[y] == gas) val[x == candidate ? x : y] = next--;
    if (val[x] == gas)
      candidate = x;
    else if (val[y] == gas)
      candidate = y;
    return (val[x] > val[y]) - (val[x] < val[y]);
  }
};

struct AdvKey {
  Adversary *Adv;
  int Id;
};
bool operator<(AdvKey a, AdvKey b) { return a.Adv->Compare(a.Id, b.Id) < 0; }
bool operator>(AdvKey a, AdvKey b) { return a.Adv->Compare(a.Id, b.Id) > 0; }
bool operator==(AdvKey a, AdvKey b) { return a.Adv->Compare(a.Id, b.Id) == 0; }

// Items are ids into the adversary; the deepest stack frame seen by an exchange is kept.
struct AdversaryArrays {
  int *Ids;
  Adversary *Adv;
  uintptr_t *Deepest;
  AdvKey Key(int i) const { return {Adv, Ids[i]}; }
  void Swap(int i, int j) {
    const uintptr_t frame = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
    if (frame < *Deepest) *Deepest = frame;
    std::swap(Ids[i], Ids[j]);
  }
  AdversaryArrays At(int k) const { return {Ids + k, Adv, Deepest}; }
};

// Stack bytes used below the caller's frame by sorting n items against the adversary.
__attribute__((noinline)) size_t AdversarialStackUse(int n, std::vector<int> *finalKeys) {
  Adversary adv(n);
  std::vector<int> ids(n);
  for (int i = 0; i < n; i++) ids[i] = i;
  const uintptr_t top = reinterpret_cast<uintptr_t>(__builtin_frame_address(0));
  uintptr_t deepest = top;
  QuickSort(AdversaryArrays{ids.data(), &adv, &deepest}, n);
  finalKeys->resize(n);
  for (int i = 0; i < n; i++) (*finalKeys)[i] = adv.val[ids[i]];
  return top - deepest;
}

}  // namespace

TEST(QuickSort, RecursionStaysShallowOnAdversarialInput) {
  std::vector<int> small, large;
  const size_t useSmall = AdversarialStackUse(64, &small);
  const size_t useLarge = AdversarialStackUse(4000, &large);
  // The answers are consistent, so the result must be sorted like any other input.
  EXPECT_TRUE(std::is_sorted(small.begin(), small.end()));
  EXPECT_TRUE(std::is_sorted(large.begin(), large.end()));
  // 64 items may nest a few frames; 4000 items nest at most about log2(4000/6) ~ 10 frames,
  // where recursion into the larger part would nest over a thousand.
  ASSERT_GT(useSmall, 0u);
  EXPECT_LT(useLarge, 4 * useSmall + 4096) << "small " << useSmall << " large " << useLarge;
}
