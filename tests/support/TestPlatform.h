#pragma once

#include "platform/Platform.h"
#include "platform/files/linux/LinuxFileServices.h"
#include "support/FakeProcessServices.h"
#include "support/MemoryRegistryStore.h"
#include "support/RecordingMessageBoxes.h"

#include <memory>

namespace tavor {

// The platform every fixture starts from: a registry in memory, a process whose
// folder, command line and environment the test sets, message boxes that are
// recorded instead of shown, and this host's files. A fixture adds the parts it
// stands in for (database, disks, clock) to platform.
struct TestPlatform {
    std::shared_ptr<MemoryRegistryStore> registry = std::make_shared<MemoryRegistryStore>();
    std::shared_ptr<FakeProcessServices> process = std::make_shared<FakeProcessServices>();
    std::shared_ptr<RecordingMessageBoxes> messages = std::make_shared<RecordingMessageBoxes>();
    std::shared_ptr<LinuxFileServices> files = std::make_shared<LinuxFileServices>();
    Platform platform = wired();

private:
    Platform wired() const {
        Platform wiring;
        wiring.registry = registry;
        wiring.process = process;
        wiring.messages = messages;
        wiring.files = files;
        return wiring;
    }
};

} // namespace tavor
