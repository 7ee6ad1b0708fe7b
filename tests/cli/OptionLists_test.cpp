// SPDX-License-Identifier: BSD-3-Clause
// The bash completion and the manual page are written by hand: each must name every long
// option --help lists, so that a new option is not left out of them.

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "cli/CliRun.h"
#include "support/TestPlatform.h"

namespace vantrel {
namespace {

#ifdef VANTREL_SOURCE_DIR

// Every "--name" in `text`.
std::set<std::string> LongOptionsIn(const std::string& text) {
    const std::regex option("--[a-z][a-z-]*");
    std::set<std::string> names;
    for (std::sregex_iterator i(text.begin(), text.end(), option), end; i != end; ++i) {
        names.insert(i->str());
    }
    return names;
}

std::set<std::string> LongOptionsOfHelp() {
    const test::CliRun r = test::RunCli({"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_GT(LongOptionsIn(r.out).size(), 10u);
    return LongOptionsIn(r.out);
}

TEST(OptionLists, completionOffersEveryLongOptionOfHelp) {
    const std::string script =
        test::ReadFileText(std::string(VANTREL_SOURCE_DIR) + "/completion/vantrel-convert.bash");
    // The words offered for "-<TAB>", not the options named elsewhere in the script.
    std::smatch list;
    ASSERT_TRUE(std::regex_search(script, list, std::regex(R"re(options="([^"]*)")re")));
    const std::set<std::string> offered = LongOptionsIn(list[1].str());
    for (const std::string& option : LongOptionsOfHelp()) {
        EXPECT_TRUE(offered.contains(option)) << option;
    }
}

TEST(OptionLists, manualPageDescribesEveryLongOptionOfHelp) {
    // roff writes a minus sign as "\-".
    const std::string page = std::regex_replace(
        test::ReadFileText(std::string(VANTREL_SOURCE_DIR) + "/man/vantrel-convert.1"),
        std::regex(R"(\\-)"), "-");
    const std::set<std::string> described = LongOptionsIn(page);
    for (const std::string& option : LongOptionsOfHelp()) {
        EXPECT_TRUE(described.contains(option)) << option;
    }
}

#endif

}  // namespace
}  // namespace vantrel
