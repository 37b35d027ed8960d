// A tool window: a top-level window, child of a main window, that stacks collapsible pages.
//
// Each page is a QZelBase in a ZelToolBox. addWidget and insertWidget name the new box after
// the window title and the number of boxes before it ("%1_%2", also when inserted at another
// place), so that a recorded header click finds its box at replay. The window owns its boxes
// (each box its page) and is not shown on construction. Keys typed in it go to its parent's
// QZelObject::keyPressEvent hook, so they act as in the main window.
//
// update() and zelInit() hide QWidget::update: call them on a ZelTool. GUI thread only.
#pragma once

#include <QList>
#include <QSize>
#include <QWidget>

class QKeyEvent;
class QRect;
class QVBoxLayout;
class QZelBase;
class ZelSequenceServer;
class ZelToolBox;

class ZelTool : public QWidget {
  Q_OBJECT

 public:
  // Moves to the rectangle's corner; every box gets the rectangle's size.
  ZelTool(ZelSequenceServer *server, const QRect &rect, const QString &title, QWidget *parent);
  // Deletes the layout, then every box (each deleting its page).
  ~ZelTool() override;

  // The second half of the constructor: server, size, title, position and a new layout.
  void initialize(ZelSequenceServer *server, const QRect &rect, const QString &title);
  // Moves the window to the rectangle's corner and gives boxes made from now on its width;
  // for a window whose pages are made before its size is known.
  void setRect(const QRect &rect);

  // Appends the page in a new box titled `title`, open or closed.
  void addWidget(QZelBase *panel, const QString &title, bool open);
  // The same, the new box placed at `index` of the list (the editing tools add a page to a
  // window at run time this way).
  void insertWidget(int index, QZelBase *panel, const QString &title, bool open);
  // Appends the page in a box that cannot be closed; the page shown and enabled, or hidden
  // and disabled, by `shown`.
  void addUnCheckableWidget(QZelBase *panel, const QString &title, bool shown);
  // Appends existing boxes to the list and the layout.
  void addToolBox(ZelToolBox *box);
  void addToolBox(const QList<ZelToolBox *> &boxes);
  // Adds every box to the layout in list order.
  void addWidgetsToLayout();

  // Opens or closes every box; every box hosting `panel`; box `index` (nothing for an index
  // outside the list).
  void setVisibleBox(bool state);
  void setVisibleBox(QZelBase *panel, bool state);
  void setVisibleBox(int index, bool state);
  // zelUpdate of every box's page, in list order.
  void update();
  // zelInit of every box's page, in list order.
  void zelInit();
  // The page of the first box titled `title`, ignoring case; null when none.
  QZelBase *getZelBase(const QString &title) const;
  // The page of box `index`; for an index outside the list prints
  // " ### ERROR : ZELTOOL::GETZELBASE TOO MANY NUMBER OF WIDGET" and gives null.
  QZelBase *getZelBase(int index) const;
  const QList<ZelToolBox *> &boxes() const { return boxes_; }
  // Forgets the boxes and the layout without deleting them.
  void clearWidget();

 protected:
  void keyPressEvent(QKeyEvent *event) override;

 private:
  // A new box named after the boxes made so far, placed at `index` of the list.
  ZelToolBox *newBox(int index);

  QList<ZelToolBox *> boxes_;
  QVBoxLayout *layout_ = nullptr;
  ZelSequenceServer *server_ = nullptr;
  QSize size_;
};
