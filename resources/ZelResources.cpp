// Registration of the compiled-in images.
#include "resources/ZelResources.h"

#include <QtGlobal>

// The name is that of the generated resource file (zelvane.qrc).
static void initZelvaneResources() { Q_INIT_RESOURCE(zelvane); }

void zelInitResources() { initZelvaneResources(); }
