#include "zelvane/scene/ZelAllocFailure.h"

#include <cstdio>

#include "common/base/Memory.h"

void zelAllocFailure(const char *function, const char *array) {
  fprintf(stderr, "  ## ERROR: %s: ALLOCATION FAILED FOR ARRAY %s \n", function, array);
  myexit("ALLOCATION FAILURE", 100);
}
