// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The application's message box: a fixed text, one OK button, modal. The core reports every
// failure and success through it; only front ends decide how it looks.

#include <string>
#include <vector>

namespace vantrel {

class MessageSink {
  public:
    virtual ~MessageSink() = default;
    // Shows `text` and returns once the user has acknowledged it.
    virtual void ShowMessage(const std::string& text) = 0;
};

// A message box for callers that report after the operation: keeps every text, in order.
class MessageLog final : public MessageSink {
  public:
    void ShowMessage(const std::string& text) override { texts_.push_back(text); }
    const std::vector<std::string>& texts() const { return texts_; }

  private:
    std::vector<std::string> texts_;
};

}  // namespace vantrel
