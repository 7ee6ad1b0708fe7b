// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What a batch does with each input, decided before anything runs: the output path, and
// which inputs are left out. Two inputs whose outputs would be one file (a.daq and a.dat,
// or the same name from two folders into one --output-dir) would have the second replace
// the first: the second is refused instead. Under --no-clobber an existing output is left
// alone and its input skipped.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// Where a batch puts its outputs.
struct BatchOutputs {
    std::string output;      // empty: derive each output path from its input; "-": standard output
    std::string outputDir;   // empty: each output beside its input
    bool noClobber = false;  // an existing output is left alone and the input skipped
};

struct PlannedInput {
    std::string input;
    std::string output;                  // "-": standard output
    std::optional<std::string> refusal;  // why it is not converted; a failure of the batch
    bool skipped = false;                // --no-clobber found its output: not a failure
};

// The output of each input: outputs.output; standard output for "-" (standard input) without
// it; the name with `extension` in outputs.outputDir; or the derived path beside the input.
// Paths are compared as the file system resolves them, so "./a.cvt" and "a.cvt" are one
// output.
std::vector<PlannedInput> PlanBatch(const std::vector<std::string>& inputs,
                                    const BatchOutputs& outputs, std::string_view extension);

// Whether one of the outputs is standard output; messages must then keep off it.
bool WritesStandardOutput(const std::vector<PlannedInput>& plan);

// The message refusing `input`, whose output `output` is already that of `earlier`.
std::string SharedOutputMessage(const std::string& output, const std::string& earlier);

// The message of an input skipped under --no-clobber.
std::string SkippedMessage(const std::string& output);

}  // namespace vantrel
