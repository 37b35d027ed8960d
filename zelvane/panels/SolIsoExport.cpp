// The iso-line export of the solution panel: the points where one value of the active field
// crosses a 2-D mesh, written as a keyword-format text mesh of vertices.
#include <QDir>
#include <QFile>
#include <charconv>
#include <cstdlib>
#include <memory>
#include <string>

#include "common/base/UserFile.h"
#include "common/model/Mesh.h"
#include "zelvane/gui/ZelDialogs.h"
#include "zelvane/gui/ZelMessage.h"
#include "zelvane/gui/ZelSaveWait.h"
#include "zelvane/panels/SolBox.h"
#include "zelvane/record/QZelLineEdit.h"
#include "zelvane/scene/ZelPalette.h"
#include "zelvane/scene/ZelScene.h"
#include "zelvane/scene/ZelTextFile.h"

namespace {

// "%f" of the C locale, whatever the process's numeric locale.
void putFixed(std::string &out, double v) {
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof(buf), v, std::chars_format::fixed, 6);
  out.append(buf, res.ptr);
}

std::string isoMesh(const double *pts, int count) {
  std::string out = "MeshVersionFormatted 2 \n   \nDimension \n 2 \n   \nVertices\n";
  out += std::to_string(count) + " \n";
  for (int i = 0; i < count; i++) {
    putFixed(out, pts[2 * i]);
    out += ' ';
    putFixed(out, pts[2 * i + 1]);
    out += " 0\n";
  }
  return out + "End\n";
}

}  // namespace

void SolBox::saveIso() {
  if (!scene || !scene->Msh) return;
  const Geometric_Mesh *mesh = scene->Msh;
  const int field = scene->ActFld;
  const double iso = isoValue_ ? isoValue_->text().toDouble() : 0.0;
  int count = 0;
  // Without an active field or values at vertices there is no line: the empty point set.
  std::unique_ptr<double, decltype(&std::free)> pts(nullptr, &std::free);
  if (field >= 0 && mesh->SolAtVer) pts.reset(zelGetIsoLinPts(mesh, field, &count, iso));
  if (!pts) count = 0;

  const QString name =
      zelDialogs().saveFileName(this, tr("Save Isolines"), QDir::currentPath(), "Iso (*.mesh)");
  if (name.isEmpty()) return;
  ClearUserFileWriteReason();
  ZelSavingFor saving(scene->Win);
  if (!zelWriteTextFile(QFile::encodeName(name).constData(), isoMesh(pts.get(), count), UserFileQuiet))
    zelWarnWriteFailed(name);
}
