// The shared quicksort, driven through a record type of the test's own and through arrays
// objects that log every exchange or answer comparisons adversarially. The named record sorts
// and the rank variant are covered over the mesh's own records in RecordSortTest.
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

bool Same(const Elt &a, const Elt &b) { return std::memcmp(&a, &b, sizeof(Elt)) == 0; }

// Every field of record pos depends on pos; positions outside the keys are guards.
Elt Original(const std::vector<int> &keys, int pos) {
  const bool guard = pos < 0 || pos >= static_cast<int>(keys.size());
  return Elt{{guard ? -77 : keys[pos], 3 * pos + 1, 5 * pos}, pos, pos * 0.25};
}

// Records and index entries (1000 + starting position) with one guard on each side.
struct EltSet {
  std::vector<Elt> rec;
  std::vector<int> idx;
  explicit EltSet(const std::vector<int> &keys) {
    for (int pos = -1; pos <= static_cast<int>(keys.size()); pos++) {
      rec.push_back(Original(keys, pos));
      idx.push_back(1000 + pos);
    }
  }
  Elt *R() { return &rec[1]; }
  int *I() { return &idx[1]; }
};

// Sorts by the key sort or the index sort and checks the keys against std::sort, every record
// moved whole as a permutation of the originals, the index array following the records (or
// untouched when not passed) and the guards untouched.
void CheckSort(const std::vector<int> &keys, bool withIdx) {
  const int n = static_cast<int>(keys.size());
  EltSet s(keys);
  if (withIdx)
    QuickSort(KeyIdxArrays<Elt, EltKey>{s.R(), s.I()}, n);
  else
    QuickSort(KeyArrays<Elt, EltKey>{s.R()}, n);
  std::vector<int> sorted = keys;
  std::sort(sorted.begin(), sorted.end());
  std::vector<char> seen(n, 0);
  for (int k = 0; k < n; k++) {
    const Elt &e = s.R()[k];
    ASSERT_EQ(e.Ver[0], sorted[k]) << "position " << k;
    ASSERT_TRUE(e.Ref >= 0 && e.Ref < n && !seen[e.Ref]) << "position " << k;
    seen[e.Ref] = 1;
    ASSERT_TRUE(Same(e, Original(keys, e.Ref))) << "record split at position " << k;
    ASSERT_EQ(s.I()[k], 1000 + (withIdx ? e.Ref : k)) << "position " << k;
  }
  EXPECT_TRUE(Same(s.rec.front(), Original(keys, -1)));
  EXPECT_TRUE(Same(s.rec.back(), Original(keys, n)));
  EXPECT_EQ(s.idx.front(), 999);
  EXPECT_EQ(s.idx.back(), 1000 + n);
}

// Arrays of plain int keys that log every exchange of two different positions, in the
// positions of the whole array.
using Log = std::vector<std::pair<int, int>>;
struct LoggedArrays {
  int *Keys;
  Log *Exchanged;
  int Base;
  int Key(int i) const { return Keys[i]; }
  void Swap(int i, int j) {
    if (i != j) Exchanged->emplace_back(Base + i, Base + j);
    std::swap(Keys[i], Keys[j]);
  }
  LoggedArrays At(int k) const { return {Keys + k, Exchanged, Base + k}; }
};

Log Exchanges(std::vector<int> &keys) {
  Log log;
  QuickSort(LoggedArrays{keys.data(), &log, 0}, static_cast<int>(keys.size()));
  return log;
}

}  // namespace

TEST(QuickSort, ShortPartsKeepEqualKeysInOrder) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> narrow(0, 2);
  for (int n = 2; n <= 6; n++)
    for (int trial = 0; trial < 100; trial++) {
      std::vector<int> keys(n);
      for (int &k : keys) k = narrow(rng);
      EltSet s(keys);
      QuickSort(KeyIdxArrays<Elt, EltKey>{s.R(), s.I()}, n);
      std::vector<Elt> ref(s.rec.begin() + 1, s.rec.end() - 1);
      for (int i = 0; i < n; i++) ref[i] = Original(keys, i);
      std::stable_sort(ref.begin(), ref.end(), [](const Elt &a, const Elt &b) { return a.Ver[0] < b.Ver[0]; });
      for (int k = 0; k < n; k++) {
        ASSERT_TRUE(Same(s.R()[k], ref[k])) << "n " << n << " position " << k;
        ASSERT_EQ(s.I()[k], 1000 + ref[k].Ref);
      }
    }
}

// Every size across the insertion-sort, median-of-three and ninther thresholds, then large
// arrays; each over random keys on a wide and a narrow range, sorted, reversed, organ pipe,
// sawtooth and constant keys.
TEST(QuickSort, KeyAndIndexSortsAgainstReferenceSort) {
  std::mt19937 rng(11);
  std::vector<int> sizes;
  for (int n = 0; n <= 64; n++) sizes.push_back(n);
  for (int n : {100, 127, 200, 1000, 4097, 100000}) sizes.push_back(n);
  std::uniform_int_distribution<int> wide(INT_MIN, INT_MAX), narrow(-3, 3);
  for (int n : sizes) {
    std::vector<std::vector<int>> patterns(7, std::vector<int>(n));
    for (int i = 0; i < n; i++) {
      patterns[0][i] = wide(rng);
      patterns[1][i] = narrow(rng);
      patterns[2][i] = i;
      patterns[3][i] = n - i;
      patterns[4][i] = std::min(i, n - i);
      patterns[5][i] = i % 5;
      patterns[6][i] = 42;
    }
    for (size_t p = 0; p < patterns.size(); p++) {
      SCOPED_TRACE(testing::Message() << "n " << n << " pattern " << p);
      CheckSort(patterns[p], false);
      CheckSort(patterns[p], true);
    }
  }
}

TEST(QuickSort, ExactExchangesForEqualAndAscendingKeys) {
  // All keys equal: position 0 and the pivot (3 for n = 7, else the last) exchange, nothing else.
  for (int n : {7, 8, 9, 40, 41, 48, 1000}) {
    std::vector<int> keys(n, 3);
    EXPECT_EQ(Exchanges(keys), (Log{{0, n == 7 ? 3 : n - 1}})) << n;
  }
  // Ascending and distinct: the pivot exchange, a pass that moves nothing, then only the
  // neighbour exchanges of insertion sort: n/2 - 1 for the pivot key, n/2 for the smallest.
  for (int n : {8, 9, 23, 40, 41, 200}) {
    std::vector<int> keys(n);
    for (int i = 0; i < n; i++) keys[i] = 10 * i - 50;
    const std::vector<int> sorted = keys;
    const Log log = Exchanges(keys);
    EXPECT_EQ(keys, sorted);
    ASSERT_EQ(log.size(), size_t(1 + (n / 2 - 1) + n / 2)) << n;
    EXPECT_EQ(log[0], std::make_pair(0, n / 2)) << n;
    for (size_t e = 1; e < log.size(); e++) ASSERT_EQ(log[e].second, log[e].first + 1) << "n " << n << " exchange " << e;
  }
}

TEST(QuickSort, PivotChoiceBySize) {
  // Seven positions: the middle one, although the median of the ends and middle is the last.
  std::vector<int> k7 = {5, 6, 7, 0, 1, 2, 3};
  EXPECT_EQ(Exchanges(k7).front(), std::make_pair(0, 3));

  // Eight to forty positions: median of first, middle and last (a ninther would see only 100s).
  for (int n : {8, 9, 40}) {
    std::vector<int> keys(n, 100);
    keys[0] = 300;
    keys[n - 1] = 200;
    EXPECT_EQ(Exchanges(keys).front(), std::make_pair(0, n - 1)) << n;
  }

  // 41 positions: the ninther with d = 5 over 0,5,10 / 15,20,25 / 30,35,40: medians at 10 (20),
  // 25 (45) and 40 (3).
  std::vector<int> k41(41, 1000);
  k41[0] = 30, k41[5] = 10, k41[10] = 20, k41[15] = 50, k41[20] = 40, k41[25] = 45;
  k41[30] = 5, k41[35] = 1, k41[40] = 3;
  EXPECT_EQ(Exchanges(k41).front(), std::make_pair(0, 10));
  // 48 positions: d = 6 over 0,6,12 / 18,24,30 / 35,41,47; medians at 6 (2), 30 (50), 41 (80).
  std::vector<int> k48(48, -1000);
  k48[0] = 1, k48[6] = 2, k48[12] = 3, k48[18] = 60, k48[24] = 40, k48[30] = 50;
  k48[35] = 90, k48[41] = 80, k48[47] = 70;
  EXPECT_EQ(Exchanges(k48).front(), std::make_pair(0, 30));
}

namespace {

// A comparison adversary: keys start undecided ("gas", below every decided key) and are
// decided only when a comparison needs it, so that the pivot candidate becomes one of the
// largest keys left. Every pass then leaves nearly everything below the pivot, the case that
// makes unbounded recursion as deep as the array.
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
  // 4000 items nest at most about log2(4000/6) ~ 10 frames; recursion into the larger part
  // would nest over a thousand.
  ASSERT_GT(useSmall, 0u);
  EXPECT_LT(useLarge, 4 * useSmall + 4096) << "small " << useSmall << " large " << useLarge;
}
