#include "common/base/FunctionInterface.h"

#include <cstring>

void DefaultFunInterface(Function_Interface *fi, Memory_List *list, Common_MthParallel *par,
                         const char *name) {
  if (!fi) return;
  fi->Reserved0 = 0;
  fi->ErrCod = 0;
  fi->Verbose = 1;
  fi->OptBits = 0;
  fi->Status = 0;
  fi->Mem = list;
  fi->Par = par;
  fi->Reserved1[0] = fi->Reserved1[1] = fi->Reserved1[2] = 0;
  std::memset(fi->FunNam, 0, sizeof(fi->FunNam));
  if (name) std::strncpy(fi->FunNam, name, sizeof(fi->FunNam) - 1);
}
