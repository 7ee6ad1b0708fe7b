// SPDX-License-Identifier: BSD-3-Clause
// How the command line chooses a format and says where its options apply: by name or by the
// number every build gives the format, a format of another build refused as such, and help
// texts that name exactly the formats whose set holds each option.

#include "FormatChoice.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "cli/CliRun.h"
#include "support/Recordings.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

using cli::ChooseFormat;

// The format names after "applies to " in the help of `option`, up to the next option's.
std::set<std::string> NamedInHelp(const std::string& help, const std::string& option) {
    const std::size_t start = help.find("  " + option + " ");
    const std::string section = help.substr(start, help.find("\n  -", start + 1) - start);
    std::smatch list;
    EXPECT_TRUE(std::regex_search(section, list, std::regex("applies to ([a-z0-9, -]+)")))
        << section;
    std::set<std::string> names;
    const std::regex name("[a-z0-9-]+");
    const std::string text = list[1].str().starts_with("no format") ? "" : list[1].str();
    for (std::sregex_iterator i(text.begin(), text.end(), name), end; i != end; ++i) {
        names.insert(i->str());
    }
    return names;
}

TEST(FormatChoice, helpOfEachOption_namesExactlyTheFormatsWhoseSetHoldsIt) {
    const test::CliRun r = test::RunCli({"--help"});
    ASSERT_EQ(r.status, 0);
    const std::pair<std::string, FormatOption> cases[] = {
        {"-s,--separator", FormatOption::kSeparator},
        {"--no-title", FormatOption::kTitle},
        {"--compress", FormatOption::kCompress},
        {"--decimal-comma", FormatOption::kDecimalComma}};
    for (const auto& [option, takes] : cases) {
        std::set<std::string> taking;
        for (const OutputFormatInfo* info : OutputFormats()) {
            if (info->options.Has(takes)) {
                taking.insert(std::string(info->name));
            }
        }
        EXPECT_EQ(NamedInHelp(r.out, option), taking) << option;
    }
}

// The numbers scripts use: the same format in every build, never a position in the table.
TEST(FormatChoice, numbersAndNames_chooseTheSameFormatInEveryBuild) {
    const std::pair<std::string, OutputFormat> numbers[] = {
        {"0", OutputFormat::kScaledText}, {"1", OutputFormat::kScaledBinary},
        {"2", OutputFormat::kCodesText},  {"3", OutputFormat::kHdf5},
        {"4", OutputFormat::kMat},        {"5", OutputFormat::kMat5},
        {"6", OutputFormat::kNpy},        {"7", OutputFormat::kCsv},
        {"8", OutputFormat::kEdf},        {"9", OutputFormat::kBdf}};
    for (const auto& [number, format] : numbers) {
        std::string name(NameOf(format));
        std::string upper = name;
        std::transform(upper.begin(), upper.end(), upper.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        const bool built = FindFormat(name) != nullptr;
        for (const std::string& word : {number, name, upper}) {
            const cli::FormatChoice choice = ChooseFormat(word);
            EXPECT_EQ(choice.format, built ? std::optional(format) : std::nullopt) << word;
            EXPECT_EQ(choice.error.find("is not in this build") != std::string::npos, !built);
        }
    }
}

// A build without HDF5, simulated by a table without it: its name and number are a format of
// another build, any other word is unknown; the formats after it keep their numbers.
TEST(FormatChoice, formatOfAnotherBuild_isRefusedAsNotInThisBuild) {
    std::vector<const OutputFormatInfo*> lacking;
    std::string use = ": use one of ";
    for (const OutputFormatInfo* info : OutputFormats()) {
        if (info->format != OutputFormat::kHdf5) {
            use += (lacking.empty() ? "" : ", ") + std::string(info->name);
            lacking.push_back(info);
        }
    }
    const std::pair<std::string, std::string> cases[] = {
        {"hdf5", "Format \"hdf5\" is not in this build" + use},
        {"HDF5", "Format \"HDF5\" is not in this build" + use},
        {"3", "Format \"3\" (hdf5) is not in this build" + use},
        {"03", "Unknown format \"03\"" + use},
        {"h5", "Unknown format \"h5\"" + use},
    };
    for (const auto& [word, message] : cases) {
        const cli::FormatChoice choice = ChooseFormat(word, lacking);
        EXPECT_FALSE(choice.format.has_value()) << word;
        EXPECT_EQ(choice.error, message);
    }
    for (const OutputFormatInfo* info : lacking) {
        const std::string number = std::to_string(static_cast<int>(info->format));
        EXPECT_EQ(ChooseFormat(number, lacking).format, info->format) << number;
    }
}

// The formats this build leaves out, by name or number: a usage error, nothing written.
TEST(FormatChoice, formatNotInThisBuild_isAUsageErrorOfTheCommandLine) {
    std::vector<std::string> words;
    for (const FormatName& known : kFormatNames) {
        if (FindFormat(known.name) == nullptr) {
            words.insert(words.end(),
                         {std::string(known.name), std::to_string(static_cast<int>(known.format))});
        }
    }
    if (words.empty()) {
        GTEST_SKIP() << "this build holds every format; a table without one is checked above";
    }
    test::TempDir dir;
    const std::string in = dir.File("ex.daq");
    test::TwoChannels(3).WriteTo(in);
    for (const std::string& word : words) {
        const test::CliRun r = test::RunCli({"-f", word, in});
        EXPECT_EQ(r.status, 2) << word;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), ChooseFormat(word).error);
        EXPECT_FALSE(test::FileExists(dir.File("ex.cvt"))) << word;
    }
}

}  // namespace
}  // namespace vantrel
