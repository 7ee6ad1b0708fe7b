// SPDX-License-Identifier: BSD-3-Clause
// channels.tsv sidecars and --name: what they give each channel, and the message of each
// way a sidecar can be wrong, with its file, line and field.

#include "convert/names/ChannelNames.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace vantrel {
namespace {

TEST(ReadChannelNames, readsEveryFieldAndLeavesTheOthersAlone) {
    const std::string text =
        "\xEF\xBB\xBFname\ttype\tunits\tlow_cutoff\tchannel\tgain\toffset\r\n"
        "Fz\tEEG\tuV\t0.1\t2\tn/a\t\r\n"
        "\r\n"
        "load\tMISC\tN\tn/a\t0\t250.5\t-3e-2\n"
        "n/a\tn/a\tn/a\tn/a\t7\t\t\n";
    const auto read = ReadChannelNames(text, "run1_channels.tsv");
    ASSERT_TRUE(std::holds_alternative<ChannelNames>(read)) << std::get<std::string>(read);
    const ChannelNames& names = std::get<ChannelNames>(read);
    ASSERT_EQ(names.channels.size(), 3u);
    const ChannelNaming& fz = names.channels.at(2);
    EXPECT_EQ(fz.name, "Fz");
    EXPECT_EQ(fz.type, "EEG");
    EXPECT_EQ(fz.unit, "uV");
    EXPECT_FALSE(fz.gain);
    EXPECT_FALSE(fz.offset);
    EXPECT_EQ(fz.line, 2);
    const ChannelNaming& load = names.channels.at(0);
    EXPECT_EQ(load.gain, 250.5);
    EXPECT_EQ(load.offset, -0.03);
    EXPECT_EQ(load.line, 4);
    const Transducer transducer = TransducerOf(names, 0);
    EXPECT_EQ(transducer.Apply(2.0), 2.0 * 250.5 - 0.03);
    EXPECT_TRUE(TransducerOf(names, 2).identity());
    EXPECT_TRUE(TransducerOf(names, 5).identity());
    const ChannelNaming& unset = names.channels.at(7);
    EXPECT_FALSE(unset.name || unset.type || unset.unit || unset.gain || unset.offset);
}

TEST(ReadChannelNames, namesTheFileLineAndFieldOfEachFault) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"", "s.tsv: no header row"},
        {"name\tunits\nFz\tuV\n",
         "s.tsv:1: the header row has no column \"channel\" (the recording's channel numbers)"},
        {"channel\tname\n0\tFz\textra\n", "s.tsv:2: 3 fields where the header row has 2"},
        {"channel\tname\n0\tFz\nx1\tCz\n",
         "s.tsv:3: field \"channel\": \"x1\" is not a channel number"},
        {"channel\tname\n-1\tFz\n", "s.tsv:2: field \"channel\": \"-1\" is not a channel number"},
        {"channel\tname\n0\tFz\n\n0\tCz\n",
         "s.tsv:4: field \"channel\": channel 0 is on line 2 too"},
        {"channel\tname\n0\tFz\n1\tFz\n",
         "s.tsv:3: field \"name\": \"Fz\" is channel 0's name on line 2 too"},
        {"channel\tgain\n0\t1,5\n",
         "s.tsv:2: field \"gain\": \"1,5\" is not a finite number other than zero"},
        {"channel\tgain\n0\t0\n",
         "s.tsv:2: field \"gain\": \"0\" is not a finite number other than zero"},
        {"channel\toffset\n0\tinf\n", "s.tsv:2: field \"offset\": \"inf\" is not a finite number"},
        {"channel\toffset\n0\t1e999\n",
         "s.tsv:2: field \"offset\": \"1e999\" is not a finite number"},
    };
    for (const auto& c : cases) {
        const auto read = ReadChannelNames(c.text, "s.tsv");
        ASSERT_TRUE(std::holds_alternative<std::string>(read)) << c.text;
        EXPECT_EQ(std::get<std::string>(read), c.message);
    }
}

TEST(AddChannelName, overridesTheSidecarAndRefusesWhatIsNotOfTheForm) {
    ChannelNames names = std::get<ChannelNames>(ReadChannelNames("channel\tname\n3\tFz\n", "s"));
    EXPECT_EQ(AddChannelName(names, "3=Cz"), std::nullopt);
    EXPECT_EQ(AddChannelName(names, "4=a=b"), std::nullopt);
    EXPECT_EQ(names.channels.at(3).name, "Cz");
    EXPECT_EQ(names.channels.at(4).name, "a=b");
    EXPECT_EQ(AddChannelName(names, "5=Cz"), "--name 5=Cz: \"Cz\" is channel 3's name too");
    for (const char* wrong : {"3", "=x", "3=", "x=y", "-1=y"}) {
        EXPECT_EQ(AddChannelName(names, wrong),
                  "--name takes CH=TEXT (a channel number, '=', its name), not \"" +
                      std::string(wrong) + "\"");
    }
}

TEST(RefuseUnknownChannels, namesWhereTheChannelWasGiven) {
    ChannelNames names =
        std::get<ChannelNames>(ReadChannelNames("channel\tname\n0\ta\n\n9\tb\n", "s.tsv"));
    EXPECT_EQ(RefuseUnknownChannels(names, {0, 9}), std::nullopt);
    EXPECT_EQ(RefuseUnknownChannels(names, {0, 1}),
              "s.tsv:4: field \"channel\": channel 9 is not in the recording!");
    ChannelNames given;
    ASSERT_EQ(AddChannelName(given, "12=x"), std::nullopt);
    EXPECT_EQ(RefuseUnknownChannels(given, {0}), "--name: channel 12 is not in the recording!");
}

}  // namespace
}  // namespace vantrel
