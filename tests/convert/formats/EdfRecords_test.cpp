// SPDX-License-Identifier: BSD-3-Clause
// EDFlib writes an EDF or BDF file's header and first data record, our code the others:
// every file must be byte for byte the one whose every record EDFlib writes itself.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "convert/formats/OutputFormats.h"
#include "convert/run/ConvertRun.h"
#include "platform/OsFileApi.h"
#include "recording/CardTable.h"
#include "support/Recordings.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

struct EdfCase {
    const char* name;
    std::int16_t card;
    int channels;
    int scans;
    double rate;
    const char* millis;  // of the start time, 09:00:00
    Selection selection;
};

RecordingBuilder RecordingOf(const EdfCase& c) {
    RecordingBuilder b;
    b.header().SetCardType(c.card);
    b.header().SetChannelCount(static_cast<std::int16_t>(c.channels));
    b.header().SetScanCount(c.scans);
    b.header().SetRangeCode(1);
    b.header().SetScanRate(c.rate);
    b.header().SetStartDate("12/08/26");
    b.header().SetStartTime("09:00:00");
    b.header().SetStartMillis(c.millis);
    const bool wide = CardFacts(c.card).elementSize == 4;
    b.header().SetWidthCode(wide ? 2 : 1);
    std::uint32_t x = 88172645u;
    for (std::int64_t i = 0; i < std::int64_t{c.channels} * c.scans; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        if (wide) {
            b.AddWord32(x & 0xFFFFFF);
        } else {
            b.AddWord16(static_cast<std::uint16_t>(x));
        }
    }
    return b;
}

TEST(EdfRecords, ourRecordsAreThoseEdflibWrites) {
    const std::vector<EdfCase> cases = {
        {"records of 1 s, the last one partial", 1, 3, 25001, 10000, "000", {}},
        {"a start with milliseconds: fractions in every onset", 1, 3, 25001, 10000, "007", {}},
        {"24-bit, columns and a part from 0.3 s", 7, 5, 30001, 10000, "000",
         Selection{{}, TimeBounds{0.3, {}}, {}, std::vector<std::int64_t>{4, 0, 2}}},
        {"600 channels: records of 0.5 s, from a quarter second", 1, 600, 12001, 10000, "250", {}},
        {"one sample a record: onsets past 100,000 s", 1, 1, 100001, 1, "000", {}},
        {"exactly one record", 2, 2, 10000, 10000, "000", {}},
    };
    test::TempDir dir;
    const std::string input = dir.File("in.daq");
    for (const EdfCase& c : cases) {
        RecordingOf(c).WriteTo(input);
        const bool wide = CardFacts(c.card).elementSize == 4;
        for (const OutputFormat format : {OutputFormat::kEdf, OutputFormat::kBdf}) {
            if (wide && format == OutputFormat::kEdf) {
                continue;  // EDF holds 16-bit samples
            }
            SCOPED_TRACE(std::string(c.name) + ", " + std::string(NameOf(format)));
            std::vector<std::vector<std::uint8_t>> files;
            for (const bool byEdflib : {true, false}) {
                ConversionRequest request;
                request.inputPath = input;
                request.outputPath = dir.File(byEdflib ? "edflib.out" : "ours.out");
                request.options.format = format;
                request.options.edfRecordsByEdflib = byEdflib;
                request.selection = c.selection;
                OsFileApi os;
                test::RecordedMessages messages;
                const Outcome outcome = RunConversion(request, Platform{os, messages});
                ASSERT_TRUE(outcome.done()) << outcome.message;
                files.push_back(test::ReadFileBytes(request.outputPath));
            }
            ASSERT_GT(files[0].size(), 0u);
            EXPECT_TRUE(files[1] == files[0])
                << files[1].size() << " bytes against EDFlib's " << files[0].size();
        }
    }
}

}  // namespace
}  // namespace vantrel
