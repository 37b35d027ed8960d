// Building blocks of the preference pages.
#include "zelvane/panels/ZelPrefPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "zelvane/panels/ZelPanelRows.h"

QGridLayout *zelPrefFrame(QWidget *page, int w, int h) {
  auto *group = new QGroupBox;
  group->setFixedSize(w, h);
  auto *grid = new QGridLayout;
  grid->setContentsMargins(1, 1, 5, 5);
  grid->setSpacing(5);
  group->setLayout(grid);
  auto *layout = new QHBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(group, 0, Qt::AlignTop);
  page->setLayout(layout);
  return grid;
}

QLabel *zelPrefSection(const QString &text) {
  auto *label = new QLabel(text);
  QFont font;
  font.setFixedPitch(true);
  font.setWeight(QFont::Bold);
  label->setFont(font);
  return label;
}

QLabel *zelPrefLabel(const QString &text, int w, int h) {
  auto *label = new QLabel(text);
  if (w > 0 && h > 0) label->setFixedSize(w, h);
  return label;
}

QLineEdit *zelPrefEdit() {
  auto *edit = new QLineEdit;
  edit->setFixedSize(55, 20);
  edit->setFont(zelFixedFont());
  return edit;
}

QComboBox *zelPrefCombo() {
  auto *combo = new QComboBox;
  combo->setFixedSize(60, 20);
  return combo;
}

QCheckBox *zelPrefCheck() { return new QCheckBox; }

QPushButton *zelPrefReset() {
  auto *button = new QPushButton("Reset");
  button->setFixedSize(70, 20);
  return button;
}

bool zelPrefPositive(const QLineEdit *edit, int *value) {
  bool ok = false;
  const int v = edit->text().toInt(&ok);
  if (!ok || v <= 0) return false;
  *value = v;
  return true;
}
