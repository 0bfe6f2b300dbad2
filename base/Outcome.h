#pragma once

#include "base/Error.h"

#include <optional>
#include <utility>

namespace tavor {

// What became of a step whose outcome matters: done, or the error that stopped it.
// Procedures that go on after a failure build their results from these instead of
// keeping a pending error for later.
class Outcome {
public:
    Outcome() = default;
    Outcome(Error failure) : failure_(std::move(failure)) {}

    // Runs the step; an error it raises becomes the outcome, any other exception an
    // automation error with its text.
    template <typename Step> static Outcome of(Step&& step) {
        try {
            std::forward<Step>(step)();
            return {};
        } catch (const Error& error) {
            return error;
        } catch (const std::exception& error) {
            return Error(ErrorNumber::AutomationError, QString::fromLocal8Bit(error.what()));
        }
    }

    explicit operator bool() const { return !failure_; }
    bool failed() const { return failure_.has_value(); }
    // The error of a failed step; raises nothing, so only after failed().
    const Error& failure() const { return *failure_; }
    QString reason() const { return failure_ ? failure_->description() : QString(); }

private:
    std::optional<Error> failure_;
};

// Runs a chore whose failure changes nothing that follows (a repaint, a caption,
// letting window events run): its error is dropped.
template <typename Chore> void ignoreFailure(Chore&& chore) {
    Outcome::of(std::forward<Chore>(chore));
}

} // namespace tavor
