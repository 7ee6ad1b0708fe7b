// SPDX-License-Identifier: BSD-3-Clause
#include "convert/run/Progress.h"

namespace vantrel {

bool ProgressReporter::Report(std::uint64_t done, std::uint64_t written) {
    const auto now = std::chrono::steady_clock::now();
    const bool last = done >= total_ && !reportedLast_;
    if (!last && written - reportedWritten_ < kOutputStep && now - reportedAt_ < kTimeStep) {
        return true;
    }
    reportedLast_ = reportedLast_ || last;
    reportedWritten_ = written;
    reportedAt_ = now;
    return callback_(done, total_);
}

}  // namespace vantrel
