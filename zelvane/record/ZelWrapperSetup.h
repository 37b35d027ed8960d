// The construction steps every recordable widget wrapper shares, after its toolkit base is
// built:
//   - with a server whose record mode is not 0: take the name as object name, register under
//     it (a taken name keeps its first object) and unregister on destruction, whatever the
//     record mode, so that no registration outlives its object;
//   - in record mode 1 the wrapper then connects its relays (the caller does that when this
//     returns true), before any creator can connect its own slots to the same signals, so the
//     record is made before the creator's slots run.
// The destructor of every wrapper emits zel_destroyed(objectName(), this) before its toolkit
// base goes.
#pragma once

#include <QString>

#include "zelvane/record/ZelSequenceServer.h"

template <class Wrapper>
bool zelSetupWrapper(Wrapper *w, const QString &name, ZelSequenceServer *server) {
  if (!server || server->recordMode() == 0) return false;
  w->setObjectName(name);
  server->addZelObject(name, w);
  QObject::connect(w, &Wrapper::zel_destroyed, server, &ZelSequenceServer::remZelObject);
  return server->recordMode() == 1;
}
