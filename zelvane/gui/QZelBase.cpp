// Panel data and the default bodies of the panel operations.
#include "zelvane/gui/QZelBase.h"

#include <cstdio>

#include "zelvane/scene/ZelScene.h"

void QZelBase::notImplemented(const char *name) {
  printf("  warning: virtual function %s not implemented   \n", name);
  fflush(stdout);
}

ZelBase::ZelBase(ZelScene *scn, ZelSequenceServer *srv, int num) : scene(scn), server(srv), id(num) {
  if (scene) DefaultFunInterface(&fi, scene->Mem, scene->Par, "BASE");
}

QZelBase::QZelBase() : QWidget(nullptr) {}

QZelBase::QZelBase(ZelScene *scn, ZelSequenceServer *srv, int num) : QWidget(nullptr), ZelBase(scn, srv, num) {}

QZelBase::QZelBase(ZelScene *scn, ZelSequenceServer *srv, int num, GLWidget *view, QWidget *parent)
    : QWidget(parent), ZelBase(scn, srv, num), view_(view) {}

void QZelBase::zelUpdate() { notImplemented("zelUpdate"); }
void QZelBase::zelInit() { notImplemented("zelInit"); }
void QZelBase::connectButton() { notImplemented("connectButton"); }
void QZelBase::draw() {
  if (view_) notImplemented("draw");
}
