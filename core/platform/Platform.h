// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The platform operations the core is given: file calls and the message box.

#include "platform/FileApi.h"
#include "platform/MessageSink.h"

namespace vantrel {

struct Platform {
    FileApi& files;
    MessageSink& messages;
};

}  // namespace vantrel
