// Scratch map from 64-bit keys to ints for the scene's linear passes (references to groups,
// vertex pairs to edges, grid cells to points): open addressing over a power-of-two table that
// doubles at half load, so every lookup costs a few probes whatever the keys. Owned by the
// pass that uses it and released at its scope exit.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class ZelScratchMap {
 public:
  explicit ZelScratchMap(size_t expected = 16) { reset(expected); }

  // The value of key, or null when absent. The pointer holds until the next insertion.
  int *find(uint64_t key) {
    for (size_t i = slot(key);; i = (i + 1) & mask_) {
      if (!used_[i]) return nullptr;
      if (keys_[i] == key) return &vals_[i];
    }
  }

  // Inserts (key, value) when key is absent; returns the value now stored for key.
  int insert(uint64_t key, int value) {
    if (2 * (size_ + 1) > keys_.size()) rehash(2 * keys_.size());
    size_t i = slot(key);
    for (; used_[i]; i = (i + 1) & mask_)
      if (keys_[i] == key) return vals_[i];
    used_[i] = 1;
    keys_[i] = key;
    vals_[i] = value;
    size_++;
    return value;
  }

 private:
  void reset(size_t expected) {
    size_t cap = 16;
    while (cap < 2 * expected) cap *= 2;
    keys_.assign(cap, 0);
    vals_.assign(cap, 0);
    used_.assign(cap, 0);
    mask_ = cap - 1;
    size_ = 0;
  }

  void rehash(size_t cap) {
    std::vector<uint64_t> keys;
    std::vector<int> vals;
    std::vector<uint8_t> used;
    keys.swap(keys_);
    vals.swap(vals_);
    used.swap(used_);
    reset(cap / 2);
    for (size_t i = 0; i < keys.size(); i++)
      if (used[i]) insert(keys[i], vals[i]);
  }

  // Fibonacci hashing: neighbouring keys (consecutive references, grid cells) spread out.
  size_t slot(uint64_t key) const {
    return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 20) & mask_;
  }

  std::vector<uint64_t> keys_;
  std::vector<int> vals_;
  std::vector<uint8_t> used_;
  size_t mask_ = 0, size_ = 0;
};
