#pragma once

// The command-line tool's message box: messages are collected while a file is handled and
// then printed, a success on standard output, a failure as "FILE: text" on standard error.

#include <iosfwd>
#include <string>
#include <vector>

#include "platform/MessageSink.h"

namespace vantrel::cli {

inline constexpr const char* kCannotOpenMessage = "Cannot open input file!";

class CollectedMessages final : public MessageSink {
  public:
    void ShowMessage(const std::string& text) override { messages_.push_back(text); }
    const std::vector<std::string>& messages() const { return messages_; }
    void clear() { messages_.clear(); }

  private:
    std::vector<std::string> messages_;
};

// Writes "FILE: text" for each message to `err`; "FILE: Cannot open input file!" when
// there is none (the window is silent when a file cannot be opened).
void PrintFailure(std::ostream& err, const std::string& file,
                  const std::vector<std::string>& messages);

}  // namespace vantrel::cli
