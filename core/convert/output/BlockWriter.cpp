// SPDX-License-Identifier: BSD-3-Clause
#include "convert/output/BlockWriter.h"

namespace vantrel {

void BlockWriter::Start(const char* data, std::size_t size) {
    // After a failure the rest is dropped.
    thread_.Start([this, data, size] { ok_ = ok_ && file_.Write(data, size); });
}

bool BlockWriter::Wait() {
    thread_.Wait();
    return ok_;
}

}  // namespace vantrel
