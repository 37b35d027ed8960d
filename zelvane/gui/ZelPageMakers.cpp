// The page-maker table.
#include "zelvane/gui/ZelPageMakers.h"

ZelPageMakers &zelPageMakers() {
  static ZelPageMakers table{};
  return table;
}

QZelBase *zelMakePage(ZelPage page, const ZelPageArgs &args) {
  if (page < 0 || page >= ZelPageCount) return nullptr;
  ZelPageMaker maker = zelPageMakers().make[page];
  return maker ? maker(args) : nullptr;
}
