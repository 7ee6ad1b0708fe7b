// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The example recordings shipped with the project: small files of every card type that has
// scaling rules, in ascending, descending and custom order, each with a sample width that
// matches its card so every one of them converts.

#include <string>
#include <vector>

#include "RecordingBuilder.h"

namespace vantrel {

struct ExampleRecording {
    std::string name;  // file name without the ".daq" extension
    std::string description;
    RecordingBuilder recording;
};

// All examples, in a fixed order with unique names. Deterministic: the same bytes each call.
std::vector<ExampleRecording> ExampleRecordings();

}  // namespace vantrel
