#pragma once

// The application's message box: a fixed text, one OK button, modal. The core reports every
// failure and success through it; only front ends decide how it looks.

#include <string>

namespace vantrel {

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    // Shows `text` and returns once the user has acknowledged it.
    virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace vantrel
