// The collapsible box of one page inside a tool window.
//
// A recordable group box (its header clicks are recorded under its object name, the tool
// window's title and the box's number joined by "_") whose check indicator opens and closes
// the page: open, the page is shown and enabled and the box takes the page's height; closed,
// the page is hidden and the box is 20 pixels high and flat. The indicator shows the
// compiled-in triangle.png when open and triangle2.png when closed.
//
// Both toggled(bool) and clicked(bool) open and close the box: a user's click emits both (the
// second call finds the box as the first left it), a replayed click only clicked(bool).
//
// The box owns its layout and its page. update() and zelInit() hide QWidget::update: call them
// on a ZelToolBox. GUI thread only.
#pragma once

#include <QSize>

#include "zelvane/record/QZelGroupBox.h"

class QVBoxLayout;
class QZelBase;

class ZelToolBox : public QZelGroupBox {
  Q_OBJECT

 public:
  // name: the object name (registered with the server); size: its width is the box's fixed
  // width. The parent is not used: the tool window's layout takes the box. Born closed.
  ZelToolBox(const QString &name, QSize size, ZelSequenceServer *server, QWidget *parent = nullptr);
  ~ZelToolBox() override;

  // Titles the box and takes the page into its layout; a checkable box then closes, one that
  // cannot close takes its page's height.
  void addWidget(QZelBase *panel, const QString &title);
  QZelBase *panel() const { return panel_; }
  // The page's zelUpdate, when there is a page.
  void update();
  // The page's zelInit, when there is a page.
  void zelInit();
  // Forgets the layout and the page without deleting them.
  void clearWidget();

 public slots:
  // Opens (true) or closes the box; nothing for a box that is not checkable. Opening without
  // a page checks the box but leaves it flat and 20 pixels high.
  void setVisibleBox(bool state);

 private:
  // Page hidden, flat, 20 pixels high; collapse also unchecks the box.
  void shut();
  // Not flat, as high as its page.
  void spread();
  void collapse();

  QVBoxLayout *layout_ = nullptr;
  QZelBase *panel_ = nullptr;
  QSize size_;
};
