// An editable iso value of a palette.
#include "zelvane/panels/IsoValBox.h"

#include "zelvane/scene/ZelPalette.h"

IsoValBox::IsoValBox(ZelPalette *palette, int k) : palette_(palette), k_(k) {
  updateIso();
  connect(this, &QLineEdit::editingFinished, this, &IsoValBox::setNewIso);
}

void IsoValBox::updateIso() {
  if (palette_) setText(QString::number(palette_->Iso[k_], 'g', 6));
}

void IsoValBox::setNewIso() {
  if (!palette_) return;
  bool ok = false;
  const double v = text().toDouble(&ok);
  if (!ok) {
    updateIso();
    return;
  }
  palette_->Iso[k_] = v;
  palette_->NormIso[k_] = palette_->Scale == 1 ? static_cast<float>(v)
                                               : static_cast<float>((v - palette_->Mid) * palette_->Inv);
}
