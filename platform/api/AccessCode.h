#pragma once

namespace tavor {

// The code that opens the installation's API object and the bank library's login
// to this program.
constexpr const char* AccessCode = "418265";

} // namespace tavor
