#pragma once

#include "embeddedserver/EmbeddedConnection.h"
#include "platform/database/RoutingConnection.h"

namespace tavor::test {

// "embedded:<folder>" to the embedded server, as main routes it.
inline RoutingConnection::Route embeddedRoute() {
    return {&EmbeddedConnection::servesDataSource,
            [] { return std::make_unique<EmbeddedConnection>(); }};
}

} // namespace tavor::test
