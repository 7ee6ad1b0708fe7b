// SPDX-License-Identifier: BSD-3-Clause
#include "BatchPlan.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "convert/output/OutputPath.h"
#include "platform/Utf8Path.h"

namespace vantrel {

namespace {

namespace fs = std::filesystem;

std::string OutputOf(const std::string& input, const BatchOutputs& outputs,
                     std::string_view extension) {
    if (!outputs.output.empty()) {
        return outputs.output;
    }
    if (IsStandardStream(input)) {
        return std::string(kStandardStream);
    }
    if (!outputs.outputDir.empty()) {
        // The name alone: a "." in the input's folders must not cut it.
        const std::string name = Utf8FromPath(PathFromUtf8(input).filename());
        return Utf8FromPath(PathFromUtf8(outputs.outputDir) /
                            PathFromUtf8(DeriveOutputPath(name, extension)));
    }
    return DeriveOutputPath(input, extension);
}

// The file an output path becomes, for comparing two of them: absolute, with "." and ".."
// and the symbolic links of its existing part resolved.
std::string Resolved(const std::string& path) {
    std::error_code ec;
    const fs::path resolved = fs::weakly_canonical(fs::absolute(PathFromUtf8(path), ec), ec);
    return Utf8FromPath(ec ? PathFromUtf8(path).lexically_normal() : resolved);
}

bool Exists(const std::string& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(PathFromUtf8(path), ec));
}

}  // namespace

std::string SharedOutputMessage(const std::string& output, const std::string& earlier) {
    return "Output file " + output + " is already the output of " + earlier + "!";
}

std::string SkippedMessage(const std::string& output) {
    return "Skipped " + output + ": the file exists";
}

std::vector<PlannedInput> PlanBatch(const std::vector<std::string>& inputs,
                                    const BatchOutputs& outputs, std::string_view extension) {
    std::vector<PlannedInput> plan;
    std::map<std::string, std::size_t> taken;  // resolved output: the input that has it
    std::set<std::string> recordings;
    for (const std::string& input : inputs) {
        recordings.insert(Resolved(input));
    }
    for (const std::string& input : inputs) {
        PlannedInput planned{input, OutputOf(input, outputs, extension), {}, false};
        // An output that is one of the recordings is refused by the conversion itself, as
        // "Output file is the input file!".
        if (!IsStandardStream(planned.output) && !recordings.contains(Resolved(planned.output))) {
            const auto [it, first] = taken.emplace(Resolved(planned.output), plan.size());
            if (!first) {
                planned.refusal = SharedOutputMessage(planned.output, plan[it->second].input);
            } else if (outputs.noClobber && Exists(planned.output)) {
                planned.skipped = true;
            }
        }
        plan.push_back(std::move(planned));
    }
    return plan;
}

bool WritesStandardOutput(const std::vector<PlannedInput>& plan) {
    return std::any_of(plan.begin(), plan.end(),
                       [](const PlannedInput& p) { return IsStandardStream(p.output); });
}

}  // namespace vantrel
