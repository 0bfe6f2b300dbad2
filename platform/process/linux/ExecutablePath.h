#pragma once

#include <QString>

namespace tavor {

// The running program's own file as a path the rest of the program can use. A
// folder whose name is not valid UTF-8 cannot be held in a QString; the program
// then keeps the folder open and names it through its descriptor
// (/proc/self/fd/N), so Setting.ini and the other files beside the program are
// still found.
class ExecutablePath {
public:
    static QString running();
    // The usable path of `raw`, an executable's path as the kernel gives it.
    static QString usable(const QByteArray& raw);
};

} // namespace tavor
