// An image save of the OpenGL view (type 20), replayed through setSaveImage.
#pragma once

#include <QSize>

#include "zelvane/record/ZelSequence.h"

class ZelSaveImageSequence : public ZelSequence {
 public:
  // The size, the flag (image quality; the view records 100) and the file text as UTF-8.
  ZelSaveImageSequence(const QString &name, const QString &file, QSize size, int flag);
  // Reads "width height flag file"; the file is the rest of the line, ends trimmed.
  explicit ZelSaveImageSequence(std::istream &is);

  void save(std::ostream &os) override;
  void exec(QZelObject *target) override;

  int width;
  int height;
  int flag;
  std::string file;
};
