// A tool window: a top-level window, child of a main window, that stacks collapsible pages.
//
// Each page is a QZelBase in a ZelToolBox. addWidget names the new box after the window title
// and the number of boxes before it ("%1_%2"), so that a recorded header click finds its box
// at replay. The window owns its boxes (each box its page) and is not shown on construction.
// Keys typed in it go to its parent, so they act as in the main window. GUI thread only.
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
  ~ZelTool() override;

  // Moves the window to the rectangle's corner and gives boxes made from now on its width;
  // for a window whose pages are made before its size is known.
  void setRect(const QRect &rect);
  // Appends the page in a new box titled `title`, open or closed.
  void addWidget(QZelBase *panel, const QString &title, bool open);
  // Appends the page in a box that cannot be closed; the page shown and enabled, or hidden
  // and disabled, by `shown`.
  void addUnCheckableWidget(QZelBase *panel, const QString &title, bool shown);
  // Opens or closes box `index`; nothing for an index outside the list.
  void setVisibleBox(int index, bool state);
  // zelUpdate of every box's page, in list order.
  void update();
  // The page of the first box titled `title`, ignoring case; null when none.
  QZelBase *getZelBase(const QString &title) const;
  // The page of box `index`; for an index outside the list prints
  // " ### ERROR : ZELTOOL::GETZELBASE TOO MANY NUMBER OF WIDGET" and gives null.
  QZelBase *getZelBase(int index) const;
  const QList<ZelToolBox *> &boxes() const { return boxes_; }

 protected:
  void keyPressEvent(QKeyEvent *event) override;

 private:
  ZelToolBox *newBox();
  void refillLayout();

  QList<ZelToolBox *> boxes_;
  QVBoxLayout *layout_ = nullptr;
  ZelSequenceServer *server_ = nullptr;
  QSize size_;
};
