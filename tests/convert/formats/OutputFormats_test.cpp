// SPDX-License-Identifier: BSD-3-Clause
// The format and separator tables: every format of the table converts a two-channel recording
// with every separator and title choice, each option changes exactly the outputs of the
// formats whose set holds it, and every lookup finds what the window and the command line
// ask for.

#include "convert/formats/OutputFormats.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "convert/ConvertFixtures.h"
#include "convert/text/Separators.h"

namespace vantrel {
namespace {

using test::ReadFileBytes;
using test::StateFrom;

std::string Text(const std::vector<std::uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// 1.25, -0.625, -10.0 and 9.99969482421875 as little-endian doubles.
const std::string kDoubles =
    Text({0, 0, 0, 0, 0, 0, 0xF4, 0x3F, 0, 0, 0, 0, 0,    0,    0xE4, 0xBF,
          0, 0, 0, 0, 0, 0, 0x24, 0xC0, 0, 0, 0, 0, 0xD8, 0xFF, 0x23, 0x40});

// The two-channel recording's output in each format, by separator text and title choice. Files
// a library writes are read back by the readers' tests (tests/readers); here they show the
// signature of their kind of file.
std::string Expected(OutputFormat format, const std::string& sep, bool title,
                     const std::string& written) {
    const std::string head =
        title ? ";Mervik DAQ Data of Card MODEL_A\r\nChannel_0  " + sep + "Channel_1  \r\n" : "";
    switch (format) {
        case OutputFormat::kScaledText:
            return head + "  1.2500000" + sep + " -0.6250000\r\n-10.0000000" + sep +
                   "  9.9996948\r\n";
        case OutputFormat::kCodesText:
            return head + "       4096" + sep + "      63488\r\n      32768" + sep +
                   "      32767\r\n";
        case OutputFormat::kScaledBinary:
            return kDoubles;
        case OutputFormat::kNpy: {
            std::string header = "{'descr': '<f8', 'fortran_order': False, 'shape': (2, 2), }";
            header.resize(128 - 10 - 1, ' ');
            return std::string("\x93NUMPY\x01\x00\x76\x00", 10) + header + "\n" + kDoubles;
        }
        case OutputFormat::kHdf5:
            EXPECT_EQ(written.substr(0, 8), "\x89HDF\r\n\x1a\n");
            return written;
        case OutputFormat::kMat:
            EXPECT_EQ(written.substr(0, 19), "MATLAB 7.3 MAT-file");
            EXPECT_EQ(written.substr(512, 8), "\x89HDF\r\n\x1a\n");
            return written;
        case OutputFormat::kCsv:
            return "time_s,Channel_0,Channel_1\r\n0,1.25,-0.625\r\n0.001,-10,9.99969482421875\r\n";
        case OutputFormat::kEdf:
            EXPECT_EQ(written.substr(0, 8), "0       ");
            return written;
        case OutputFormat::kBdf:
            EXPECT_EQ(written.substr(0, 8),
                      "\xFF"
                      "BIOSEMI");
            return written;
        case OutputFormat::kMat5:
            EXPECT_EQ(written.substr(0, 19), "MATLAB 5.0 MAT-file");
            EXPECT_EQ(written.substr(124, 4), std::string("\x00\x01IM", 4));
            return written;
    }
    ADD_FAILURE() << "no expected output for format " << static_cast<int>(format);
    return {};
}

TEST(OutputFormats, everyFormat_convertsWithEverySeparatorAndTitleChoice) {
    test::TempDir dir;
    const std::string out = dir.File("out.cvt");
    for (const OutputFormatInfo* format : OutputFormats()) {
        std::set<std::string> outputs;
        for (const SeparatorInfo& separator : kSeparators) {
            for (const bool title : {false, true}) {
                SCOPED_TRACE(testing::Message() << format->name << ", separator " << separator.name
                                                << ", title " << title);
                auto state = StateFrom(test::TwoChannels(2));
                state.options.separator = separator.separator;
                state.options.title = title;
                const auto outcome =
                    test::ConvertHeld(state, out, static_cast<int>(format->format));
                EXPECT_TRUE(outcome.ok);
                EXPECT_EQ(outcome.messages, std::vector<std::string>{SuccessMessage(out)});
                const std::string written = Text(ReadFileBytes(out));
                EXPECT_EQ(written,
                          Expected(format->format, std::string(separator.text), title, written));
                outputs.insert(written);
            }
        }
        // The separator and the title change the outputs of the formats that take them, and
        // no other output of our own bytes.
        if (!format->byName) {
            const std::size_t separators =
                format->options.Has(FormatOption::kSeparator) ? kSeparators.size() : 1;
            const std::size_t titles = format->options.Has(FormatOption::kTitle) ? 2 : 1;
            EXPECT_EQ(outputs.size(), separators * titles) << format->name;
        }
    }
}

// An output with an option set against the output without it. A file a library writes may carry
// the time it was made, so it is compared by size: compression changes it, given samples
// enough to outgrow the blocks HDF5 sets aside for small data (2 KiB).
TEST(OutputFormats, compressAndDecimalComma_changeExactlyTheFormatsWhoseSetHoldsThem) {
    test::TempDir dir;
    const std::string out = dir.File("out");
    struct Case {
        FormatOption option;
        bool ConversionOptions::*flag;
    };
    const Case cases[] = {{FormatOption::kCompress, &ConversionOptions::compress},
                          {FormatOption::kDecimalComma, &ConversionOptions::decimalComma}};
    const auto written = [&](const OutputFormatInfo& format, bool ConversionOptions::*flag) {
        auto state = StateFrom(test::TwoChannels(1024));
        if (flag != nullptr) {
            state.options.*flag = true;
        }
        EXPECT_TRUE(test::ConvertHeld(state, out, static_cast<int>(format.format)).ok);
        return Text(ReadFileBytes(out));
    };
    for (const OutputFormatInfo* format : OutputFormats()) {
        const std::string plain = written(*format, nullptr);
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message()
                         << format->name << ", option " << static_cast<int>(c.option));
            const std::string with = written(*format, c.flag);
            const bool changed = format->byName ? with.size() != plain.size() : with != plain;
            EXPECT_EQ(changed, format->options.Has(c.option))
                << "sizes " << with.size() << " and " << plain.size();
        }
    }
}

// A build without some formats says so.
TEST(OutputFormats, appliesTo_namesTheFormatsOfTheTableItIsGiven) {
    const std::vector<const OutputFormatInfo*> textOnly = {&kScaledTextFormat, &kCodesTextFormat};
    EXPECT_EQ(AppliesTo(FormatOption::kTitle, textOnly), "applies to scaled-text, codes-text");
    EXPECT_EQ(AppliesTo(FormatOption::kCompress, textOnly), "applies to no format of this build");
}

TEST(OutputFormats, entries_areKeyedByFormatAndFoundByNameAndIndex) {
    std::set<std::string_view> names;
    for (const OutputFormatInfo* format : OutputFormats()) {
        SCOPED_TRACE(format->name);
        EXPECT_TRUE(names.insert(format->name).second) << "names are unique";
        EXPECT_EQ(&FormatInfo(format->format), format);
        EXPECT_EQ(FindFormat(format->name), format);
        EXPECT_EQ(FormatOfIndex(static_cast<std::int32_t>(format->format)), format->format);
        EXPECT_FALSE(format->listText.empty());
        EXPECT_FALSE(format->description.empty());
        EXPECT_TRUE(format->extension.starts_with("."));
        EXPECT_FALSE(format->allocationMessage.empty());
    }
    // Every number and every name is one format's, whatever the build holds.
    std::set<OutputFormat> numbers;
    std::set<std::string_view> known;
    for (const FormatName& name : kFormatNames) {
        EXPECT_TRUE(numbers.insert(name.format).second) << name.name;
        EXPECT_TRUE(known.insert(name.name).second) << name.name;
    }
    // The Format list's items are the formats in the order of their index (a build without
    // a library leaves gaps).
    for (std::size_t i = 1; i < OutputFormats().size(); ++i) {
        EXPECT_LT(OutputFormats()[i - 1]->format, OutputFormats()[i]->format);
    }
    EXPECT_EQ(FindFormat("text"), nullptr);
    // The window's meaning of an index without a format, no selection (-1) included.
    const auto past = static_cast<std::int32_t>(OutputFormats().size());
    for (const std::int32_t index : {-1, past, past + 5, 1000, -2147483647 - 1}) {
        EXPECT_EQ(FormatOfIndex(index), OutputFormat::kCodesText) << index;
    }
}

TEST(Separators, textsByChoice_andTheDefaultForAnIndexWithoutButton) {
    const std::map<Separator, std::string_view> texts = {
        {Separator::kSpace, "  "}, {Separator::kTab, "\t"}, {Separator::kComma, ", "}};
    for (const SeparatorInfo& info : kSeparators) {
        EXPECT_EQ(SeparatorText(info.separator), texts.at(info.separator)) << info.name;
        EXPECT_EQ(SeparatorOfIndex(static_cast<std::int32_t>(info.separator)), info.separator);
    }
    for (const std::int32_t index : {-1, 3, 100}) {
        EXPECT_EQ(SeparatorOfIndex(index), Separator::kSpace) << index;
    }
}

}  // namespace
}  // namespace vantrel
