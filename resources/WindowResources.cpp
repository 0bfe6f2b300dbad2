#include "resources/WindowResources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE cannot be called from inside a namespace.
void tavorInitWindowResources() {
    Q_INIT_RESOURCE(window);
}
