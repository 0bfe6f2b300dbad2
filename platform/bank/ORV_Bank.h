#pragma once

#include "platform/bank/BankSystem.h"

namespace tavor {

// The bank library ORV_Banks.ORV_Bank: its member System and the branch's
// business date.
class ORV_Bank {
public:
    ORV_Bank(std::shared_ptr<DatabaseProvider> provider, std::shared_ptr<RegistryStore> registry);

    BankSystem& System() { return system_; }

    // The system value Sys_BusinessDate as a date; raises tavor::Error when it is
    // not a date.
    QVariant Business_Date();

private:
    BankSystem system_;
};

} // namespace tavor
