// The scene engine's end on a failed allocation: what could not be made is named on standard
// error before the fatal exit.
#pragma once

[[noreturn]] void zelAllocFailure(const char *function, const char *array);
