// SPDX-License-Identifier: BSD-3-Clause
// vantrel-convert streams the sample block: its peak memory does not grow with the
// recording. Measured from the kernel's account of a child that runs the command line, not
// from timing.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include <sys/resource.h>

#include "RecordingBuilder.h"
#include "cli/CliRun.h"
#include "support/ChildProcess.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

// AddressSanitizer keeps freed blocks aside for a while: a library that allocates per write
// (HDF5) grows the sanitizer's resident size there, not the program's. Those formats are
// measured in the plain build only.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// The command line's exit status and its process's peak resident size in KiB, from a
// forked child.
std::pair<int, long> RunMeasured(const std::vector<std::string>& args) {
    const test::ChildResult child = test::RunInChild([&] {
        const int status = test::RunCli(args).status;
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        return std::to_string(status) + " " + std::to_string(usage.ru_maxrss);
    });
    EXPECT_TRUE(child.exitedNormally);
    const auto space = child.report.find(' ');
    if (space == std::string::npos) {
        return {-1, 0};
    }
    return {std::stoi(child.report.substr(0, space)), std::stol(child.report.substr(space + 1))};
}

// A card 1 recording of `scans` scans of 4 channels, written block by block.
void WriteRecording(const std::string& path, std::int32_t scans) {
    RecordingBuilder b;
    b.header().SetChannelCount(4);
    b.header().SetScanCount(scans);
    const std::vector<std::uint8_t> header = b.Bytes();
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()),
              static_cast<std::streamsize>(header.size()));
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i) {
        block[i] = static_cast<char>(i * 131 % 251);
    }
    for (std::int64_t left = std::int64_t{scans} * 8; left > 0;) {
        const auto n = std::min<std::int64_t>(left, static_cast<std::int64_t>(block.size()));
        out.write(block.data(), n);
        left -= n;
    }
    ASSERT_TRUE(out.good());
}

TEST(ConvertMemory, peakMemoryStaysFarBelowTheSampleBlock) {
    test::TempDir dir;
    const std::string small = dir.File("small.daq");
    const std::string large = dir.File("large.daq");
    WriteRecording(small, 1);
    constexpr std::int32_t kLargeScans = 6'000'000;  // a 48 MiB sample block
    WriteRecording(large, kLargeScans);
    for (const char* format : {"scaled-text", "scaled-binary", "codes-text", "hdf5", "mat", "npy",
                               "csv", "edf", "bdf"}) {
        SCOPED_TRACE(format);
        if (kSanitized && (std::string(format) == "hdf5" || std::string(format) == "mat")) {
            continue;
        }
        const auto [idleStatus, idleKib] =
            RunMeasured({"-f", format, "-o", dir.File("small.out"), small});
        const auto [bigStatus, bigKib] =
            RunMeasured({"-f", format, "-o", dir.File("large.out"), large});
        EXPECT_EQ(idleStatus, 0);
        EXPECT_EQ(bigStatus, 0);
        // Chunks, the output block and the word tables: a few MiB whatever the size.
        EXPECT_LT(bigKib - idleKib, 16 * 1024)
            << "idle " << idleKib << " KiB, large " << bigKib << " KiB";
    }
}

}  // namespace
}  // namespace vantrel
