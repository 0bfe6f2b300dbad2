#pragma once

#include "base/Error.h"

#include <QString>
#include <utility>

namespace tavor {

// The pending error of a procedure that continues on error: each step runs
// through attempt(); a failing step is skipped, its target keeps its value, and
// the failure is kept here for the procedure to judge afterwards.
class PendingError {
public:
    void clear() {
        number_ = 0;
        description_.clear();
    }
    long number() const { return number_; }
    const QString& description() const { return description_; }
    bool isSet() const { return number_ != 0; }

    // Runs one step; returns false (and records the error) when it raised one.
    template <typename Step> bool attempt(Step&& step) {
        try {
            std::forward<Step>(step)();
            return true;
        } catch (const Error& e) {
            record(e.number(), e.description());
        } catch (const std::exception& e) {
            record(ErrorNumber::AutomationError, QString::fromLocal8Bit(e.what()));
        }
        return false;
    }

    void record(long number, const QString& description) {
        number_ = number;
        description_ = description;
    }

private:
    long number_ = 0;
    QString description_;
};

} // namespace tavor
