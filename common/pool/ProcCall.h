// Calls a procedure with a leading set of arguments followed by n pointer-sized values taken
// from an array (n = 1..20), the form every multi-argument launch of the pool uses.
#pragma once

#include <array>
#include <cstddef>
#include <utility>

#include "common/pool/Parallel.h"

namespace proccall {

template <size_t>
using Word = void *;

template <typename... Lead, size_t... I>
void callWith(AnyProc proc, void *const *args, std::index_sequence<I...>, Lead... lead) {
  using Fn = void (*)(Lead..., Word<I>...);
  reinterpret_cast<Fn>(proc)(lead..., args[I]...);
}

template <size_t N, typename... Lead>
void callN(AnyProc proc, void *const *args, Lead... lead) {
  callWith<Lead...>(proc, args, std::make_index_sequence<N>{}, lead...);
}

template <typename... Lead, size_t... N>
constexpr auto table(std::index_sequence<N...>) {
  using Entry = void (*)(AnyProc, void *const *, Lead...);
  return std::array<Entry, sizeof...(N)>{&callN<N + 1, Lead...>...};
}

}  // namespace proccall

// proc(lead..., args[0..n-1]); returns 0 and calls nothing when n is outside 1..20.
template <typename... Lead>
int CallProcArgs(AnyProc proc, int n, void *const *args, Lead... lead) {
  static constexpr auto calls = proccall::table<Lead...>(std::make_index_sequence<PoolMaxArgs>{});
  if (!proc || n < 1 || n > PoolMaxArgs) return 0;
  calls[static_cast<size_t>(n - 1)](proc, args, lead...);
  return 1;
}
