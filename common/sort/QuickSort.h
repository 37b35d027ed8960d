// In-place quicksort shared by every record sort of the mesh library.
//
// The sort is written once, over a small "arrays" object that knows how to read the key at a
// position, exchange two positions in every array that travels with the records, and advance
// all those arrays together. The key read and the exchange are inlined per record type: there
// is no comparison callback and no generic element size, so sorting ten million records costs
// no indirect call per comparison.
//
// The order is a three-way quicksort: median-of-three pivot (ninther above 40 positions),
// keys equal to the pivot gathered at both ends during the pass and then brought to the
// middle, insertion sort for parts shorter than 7 and for parts in which a pass moved
// nothing. Equal keys therefore keep their order only in parts shorter than 7.
//
// Recursion goes into the smaller outer part and the larger one is handled by the loop, so
// the depth stays below log2(n) whatever the key order; the two parts are disjoint, which
// makes the result independent of which one is sorted first.
#pragma once

#include <cstdint>
#include <utility>

namespace zelsort {

// Exchanges two records whole, field by field through a temporary.
template <class T>
inline void SwapAt(T *a, int i, int j) {
  T tmp = a[i];
  a[i] = a[j];
  a[j] = tmp;
}

// Records ordered by a key read from the record itself. KeyOf::Of(const Rec&) returns the key
// (an integer type whose own comparison gives the order).
template <class Rec, class KeyOf>
struct KeyArrays {
  Rec *Recs;
  auto Key(int i) const { return KeyOf::Of(Recs[i]); }
  void Swap(int i, int j) { SwapAt(Recs, i, j); }
  KeyArrays At(int k) const { return {Recs + k}; }
};

// As KeyArrays, with an index array exchanged in step with the records.
template <class Rec, class KeyOf>
struct KeyIdxArrays {
  Rec *Recs;
  int *Idx;
  auto Key(int i) const { return KeyOf::Of(Recs[i]); }
  void Swap(int i, int j) {
    SwapAt(Recs, i, j);
    SwapAt(Idx, i, j);
  }
  KeyIdxArrays At(int k) const { return {Recs + k, Idx + k}; }
};

// Unsigned 64-bit ranks ordered, with the records and an index array moved in step; the
// records' contents play no part in the order.
template <class Rec>
struct RankArrays {
  uint64_t *Rnk;
  Rec *Recs;
  int *Idx;
  uint64_t Key(int i) const { return Rnk[i]; }
  void Swap(int i, int j) {
    SwapAt(Rnk, i, j);
    SwapAt(Recs, i, j);
    SwapAt(Idx, i, j);
  }
  RankArrays At(int k) const { return {Rnk + k, Recs + k, Idx + k}; }
};

// Plain insertion sort: a strictly greater test, so equal keys are never exchanged.
template <class Arrays>
inline void InsertionSort(Arrays &a, int n) {
  for (int i = 1; i < n; i++)
    for (int j = i; j > 0 && a.Key(j - 1) > a.Key(j); j--) a.Swap(j - 1, j);
}

// Position of the median key among positions i, j, k; with all three equal it is k.
template <class Arrays>
inline int Med3(const Arrays &a, int i, int j, int k) {
  const auto ki = a.Key(i), kj = a.Key(j), kk = a.Key(k);
  if (ki < kj) return ki > kk ? i : (kj > kk ? k : j);
  return kj > kk ? j : (ki < kk ? i : k);
}

template <class Arrays>
void QuickSort(Arrays a, int n) {
  for (;;) {
    if (n < 7) {
      InsertionSort(a, n);
      return;
    }

    int m = n / 2;
    if (n > 7) {
      int l = 0, h = n - 1;
      if (n > 40) {
        const int d = n / 8;
        l = Med3(a, 0, d, 2 * d);
        m = Med3(a, m - d, m, m + d);
        h = Med3(a, n - 1 - 2 * d, n - 1 - d, n - 1);
      }
      m = Med3(a, l, m, h);
    }
    a.Swap(0, m);
    // Position 0 stays put through the pass, so its key can be held.
    const auto pivot = a.Key(0);

    // Keys equal to the pivot collect at both ends: [0, A) and (D, n-1].
    int A = 1, B = 1, C = n - 1, D = n - 1;
    bool moved = false;
    for (;;) {
      while (B <= C && !(a.Key(B) > pivot)) {
        if (a.Key(B) == pivot) {
          a.Swap(A, B);
          A++;
          moved = true;
        }
        B++;
      }
      while (B <= C && !(a.Key(C) < pivot)) {
        if (a.Key(C) == pivot) {
          a.Swap(C, D);
          D--;
          moved = true;
        }
        C--;
      }
      if (B > C) break;
      a.Swap(B, C);
      moved = true;
      B++;
      C--;
    }

    if (!moved) {
      InsertionSort(a, n);
      return;
    }

    // Bring the equal keys from both ends to the middle.
    int r = A < B - A ? A : B - A;
    for (int i = 0; i < r; i++) a.Swap(i, B - r + i);
    r = D - C < n - 1 - D ? D - C : n - 1 - D;
    for (int i = 0; i < r; i++) a.Swap(B + i, n - r + i);

    const int below = B - A, above = D - C;
    if (below <= above) {
      if (below > 1) QuickSort(a, below);
      if (above <= 1) return;
      a = a.At(n - above);
      n = above;
    } else {
      if (above > 1) QuickSort(a.At(n - above), above);
      if (below <= 1) return;
      n = below;
    }
  }
}

}  // namespace zelsort
