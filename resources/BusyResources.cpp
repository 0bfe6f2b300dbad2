#include "resources/BusyResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE cannot be called from inside a namespace.
void tavorInitBusyResources() {
    Q_INIT_RESOURCE(busy);
}
