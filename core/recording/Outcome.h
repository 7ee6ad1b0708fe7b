// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// How an operation on a recording ended, as a value: a kind the front ends switch on, and
// the message it showed through the message sink (empty where it showed none).

#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "platform/MessageSink.h"

namespace vantrel {

enum class OutcomeKind {
    kDone,        // loaded, read or written
    kUnopened,    // the recording could not be opened; Outcome::openError says why
    kUnreadable,  // not a recording, too large, unreadable, or changed since it was opened
    kRefused,     // it cannot be converted soundly, not into this format, or onto itself
    kFailed,      // the output could not be named, created or written, or memory ran out
    kCancelled,   // the progress callback asked to stop
    // A selection names a scan, time, channel or column the recording does not hold.
    kNotInRecording,
    kEmptySelection,  // a selection holds no scan or no column
};

struct Outcome {
    OutcomeKind kind = OutcomeKind::kDone;
    std::string message;
    std::error_code openError;  // kUnopened only

    bool done() const { return kind == OutcomeKind::kDone; }
};

// Shows `message` and returns the outcome of `kind` that carries it.
inline Outcome Shown(MessageSink& messages, OutcomeKind kind, std::string message) {
    messages.ShowMessage(message);
    return {kind, std::move(message), {}};
}

// A value, or the outcome that says why there is none.
template <typename T>
class Result {
  public:
    Result(T value) : value_(std::move(value)) {}  // NOLINT: a value converts implicitly
    Result(Outcome failure) : failure_(std::move(failure)) {}  // NOLINT: so does a failure

    explicit operator bool() const { return value_.has_value(); }
    T& operator*() { return *value_; }
    const T& operator*() const { return *value_; }
    T* operator->() { return &*value_; }
    const T* operator->() const { return &*value_; }
    // Where there is no value: why.
    const Outcome& failure() const { return failure_; }

  private:
    std::optional<T> value_;
    Outcome failure_;
};

}  // namespace vantrel
