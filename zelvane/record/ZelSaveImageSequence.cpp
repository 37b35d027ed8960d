// Image-save records: size, quality flag and file of a saved view image.
#include "zelvane/record/ZelSaveImageSequence.h"

#include <istream>
#include <ostream>

#include "common/base/ScreenRange.h"
#include "zelvane/record/QZelObject.h"
#include "zelvane/record/ZelSeqText.h"

ZelSaveImageSequence::ZelSaveImageSequence(const QString &n, const QString &f, QSize size, int fl)
    : ZelSequence(20, n), width(size.width()), height(size.height()), flag(fl), file(zelSeqUtf8(f)) {}

ZelSaveImageSequence::ZelSaveImageSequence(std::istream &is) : ZelSequence(20, is), width(0), height(0), flag(0) {
  if (is >> width >> height >> flag) zelSeqReadRest(is, file);
  width = ClampScreenSize(width);
  height = ClampScreenSize(height);
}

void ZelSaveImageSequence::save(std::ostream &os) {
  saveBase(os);
  // A line break inside the file name would end the record early.
  std::string oneLine;
  for (char c : file)
    if (c != '\n' && c != '\r') oneLine += c;
  os << width << ' ' << height << ' ' << flag << ' ' << oneLine << '\n';
}

void ZelSaveImageSequence::exec(QZelObject *target) {
  if (!target) return;
  announce("saveimage", target);
  target->setSaveImage(width, height, flag, file);
}
