// SPDX-License-Identifier: BSD-3-Clause
// Writes the fuzzers' seed corpus into a folder: valid recordings of every card type, width,
// channel order and range the converter knows, the near misses around them (wrong width,
// short queue, out-of-range channels, unknown codes), truncated copies, wrong magics,
// headers that claim far more than the file holds, and recordings of a few thousand scans
// that span several EDF and BDF data records. Header bytes 58 and 59, which the program
// never reads, carry the fuzz targets' choices (fuzz/FuzzChecks.h): a chunk size and a
// variant, spread over the seeds so that each choice starts from some of them.
//
// Usage: vantrel_fuzz_seeds FOLDER

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "RecordingBuilder.h"

namespace {

using vantrel::RecordingBuilder;
using Bytes = std::vector<std::uint8_t>;

struct Seed {
    std::string name;
    Bytes bytes;
};

int ElementSize(std::int16_t widthCode) {
    return widthCode == 0 ? 1 : widthCode == 1 ? 2 : 4;
}

// A recording with `channels` channels and `scans` scans whose samples sweep the code range
// (negative, zero, positive, bit 23 set and clear), in the element size of `widthCode`;
// with `fits24`, 32-bit words of scattered 24-bit codes, none wider, as BDF requires.
RecordingBuilder Recording(std::int16_t card, std::int16_t widthCode, std::int16_t order,
                           std::int16_t range, std::int16_t channels, std::int32_t scans,
                           bool fits24 = false) {
    RecordingBuilder b;
    b.header().SetCardType(card);
    b.header().SetWidthCode(widthCode);
    b.header().SetOrderCode(order);
    b.header().SetRangeCode(range);
    b.header().SetChannelCount(channels);
    b.header().SetScanCount(scans);
    b.header().SetSingleChannel(channels == 1 ? 5 : 0);
    static const std::uint32_t kWords[] = {0x00000000, 0x00007FFF, 0x00008000, 0x0000FFFF,
                                           0x00400000, 0x00800000, 0x00FFFFFF, 0x01000000,
                                           0x7FFFFFFF, 0xFFFFFFFF, 0x12345678, 0x00001000};
    const std::int64_t count = std::int64_t{channels} * scans;
    for (std::int64_t i = 0; i < count; ++i) {
        const std::uint32_t word = fits24
                                       ? static_cast<std::uint32_t>(i * 0x9E3779B1u) & 0x00FFFFFFu
                                       : kWords[i % std::size(kWords)];
        switch (ElementSize(widthCode)) {
            case 1:
                b.AddBytes({static_cast<std::uint8_t>(word)});
                break;
            case 2:
                b.AddWord16(static_cast<std::uint16_t>(word));
                break;
            default:
                b.AddWord32(word);
        }
    }
    return b;
}

std::string Name(const char* what, int card, int width, int order, int range) {
    return std::string(what) + "-card" + std::to_string(card) + "-w" + std::to_string(width) +
           "-o" + std::to_string(order) + "-r" + std::to_string(range);
}

void AddValidRecordings(std::vector<Seed>& seeds) {
    struct Card {
        std::int16_t type;
        std::int16_t width;
        std::vector<std::int16_t> ranges;
    };
    const Card cards[] = {
        {1, 1, {1, 10, 23, 25, 2}},
        {2, 1, {1, 2}},
        {3, 1, {1, 10, 23, 25}},
        {4, 2, {35, 36, 3, 6, 1}},
        {5, 1, {1}},
        {6, 2, {1}},
        {7, 2, {1, 2}},
        {8, 1, {1, 23, 10}},
        {0, 1, {1}},
    };
    for (const Card& card : cards) {
        for (const std::int16_t range : card.ranges) {
            for (const std::int16_t order : {0, 1, 3}) {
                auto b = Recording(card.type, card.width, order, range, 3, 4);
                seeds.push_back({Name("uniform", card.type, card.width, order, range), b.Bytes()});
            }
            auto one = Recording(card.type, card.width, 0, range, 1, 6);
            seeds.push_back({Name("one-channel", card.type, card.width, 0, range), one.Bytes()});
        }
        // Custom order: each position its own range, channels out of order, an extra entry.
        auto custom = Recording(card.type, card.width, 2, 0, 3, 4);
        const std::uint8_t first = card.ranges.front();
        const std::uint8_t last = card.ranges.back();
        custom.AddQueueEntry(2, first).AddQueueEntry(0, last).AddQueueEntry(1, first);
        custom.AddQueueEntry(3, last);
        auto bytes = custom.Bytes();
        seeds.push_back({Name("custom", card.type, card.width, 2, first), bytes});
        // Every width code for this card, matching or not.
        for (const std::int16_t width : {0, 1, 2, 7, -1}) {
            if (width != card.width) {
                auto b = Recording(card.type, width, 0, card.ranges.front(), 2, 3);
                seeds.push_back({Name("width", card.type, width, 0, first), b.Bytes()});
            }
        }
    }
    // Card type 4: every input kind byte in uniform order, and packed kinds in custom order.
    for (int kind : {0, 1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 14, 15, 0x80, 0xFF}) {
        auto b = Recording(4, 2, 0, 35, 2, 3);
        b.header().SetCardSetting(0, static_cast<std::uint8_t>(kind));
        seeds.push_back({"card4-kind" + std::to_string(kind), b.Bytes()});
    }
    auto kinds = Recording(4, 2, 2, 0, 4, 3);
    kinds.AddQueueEntry(3, 3).AddQueueEntry(1, 35).AddQueueEntry(0, 6).AddQueueEntry(2, 1);
    for (std::size_t i = 0; i < 4; ++i) {
        kinds.header().SetCardSetting(i, static_cast<std::uint8_t>(i));
    }
    seeds.push_back({"card4-custom-kinds", kinds.Bytes()});
}

// Header bytes 58 and 59: a chunk of (chunk + 1) << shift samples, and a variant (0 to 15).
void SetChoices(RecordingBuilder& b, std::uint8_t chunk, int shift, int variant) {
    b.header().SetCardSetting(4, chunk);
    b.header().SetCardSetting(5, static_cast<std::uint8_t>(variant << 4 | shift));
}

// Recordings of several data records of EDF and BDF (a record lasts a second, or two at
// 2.5 Hz), each converted in chunks that end inside a scan, a record or neither.
void AddLongRecordings(std::vector<Seed>& seeds) {
    auto twoChannels = Recording(1, 1, 0, 1, 2, 2500);  // 1000 Hz: records of 1000 scans
    SetChoices(twoChannels, 248, 2, 3);                 // chunks of 996 samples
    seeds.push_back({"records-card1-2ch", twoChannels.Bytes()});

    auto card4 = Recording(4, 2, 0, 35, 3, 1200, true);
    card4.header().SetScanRate(500.0);
    SetChoices(card4, 6, 0, 4);  // 7 samples: 2 scans
    seeds.push_back({"records-card4-3ch", card4.Bytes()});

    auto custom = Recording(7, 2, 2, 0, 2, 1500, true);
    custom.AddQueueEntry(1, 1).AddQueueEntry(0, 2);
    SetChoices(custom, 100, 3, 9);  // 808 samples
    seeds.push_back({"records-card7-custom", custom.Bytes()});

    auto slow = Recording(8, 1, 0, 1, 1, 400);
    slow.header().SetScanRate(3.0);
    SetChoices(slow, 4, 0, 8);  // 5 scans a chunk, 3 a record
    seeds.push_back({"records-card8-3hz", slow.Bytes()});

    auto fractional = Recording(3, 1, 0, 10, 1, 301);
    fractional.header().SetScanRate(2.5);
    SetChoices(fractional, 12, 0, 1);  // 13 scans a chunk, 5 a record
    seeds.push_back({"records-card3-2.5hz", fractional.Bytes()});

    auto wide = Recording(1, 1, 0, 23, 40, 150);
    SetChoices(wide, 82, 0, 2);  // 83 samples: 2 scans of 40
    seeds.push_back({"chunks-card1-40ch", wide.Bytes()});
}

void AddNearMisses(std::vector<Seed>& seeds) {
    auto shortQueue = Recording(1, 1, 2, 0, 3, 2);
    shortQueue.AddQueueEntry(0, 1).AddQueueEntry(1, 1);
    seeds.push_back({"custom-short-queue", shortQueue.Bytes()});
    seeds.push_back({"custom-no-queue", Recording(1, 1, 2, 0, 2, 2).Bytes()});

    auto highChannel = Recording(4, 2, 2, 0, 2, 2);
    highChannel.AddQueueEntry(0, 35).AddQueueEntry(8, 35);
    seeds.push_back({"card4-custom-channel8", highChannel.Bytes()});
    auto wrapChannel = Recording(1, 1, 2, 0, 2, 2);
    wrapChannel.AddQueueEntry(33, 1).AddQueueEntry(255, 23);
    seeds.push_back({"custom-channel-wrap", wrapChannel.Bytes()});

    seeds.push_back({"zero-scans", Recording(1, 1, 0, 1, 4, 0).Bytes()});
    seeds.push_back({"zero-channels", Recording(1, 1, 0, 1, 0, 3).Bytes()});
    seeds.push_back({"wide-line", Recording(4, 2, 0, 35, 40, 2).Bytes()});
    seeds.push_back({"negative-range", Recording(1, 1, 0, -1, 2, 2).Bytes()});

    auto queued = Recording(1, 1, 0, 1, 2, 2);
    queued.AddQueueEntry(0, 1).AddQueueEntry(1, 36);
    seeds.push_back({"uniform-with-queue", queued.Bytes()});
    auto negativeQueue = Recording(1, 1, 0, 1, 2, 2);
    negativeQueue.header().SetQueueCount(-3);
    seeds.push_back({"negative-queue-count", negativeQueue.Bytes()});

    auto trailing = Recording(1, 1, 0, 1, 2, 2).Bytes();
    trailing.insert(trailing.end(), {1, 2, 3, 4, 5});
    seeds.push_back({"trailing-bytes", trailing});
}

void AddHostileHeaders(std::vector<Seed>& seeds) {
    auto huge = Recording(4, 2, 0, 35, 0, 0);
    huge.header().SetChannelCount(64);
    huge.header().SetScanCount(0x7FFFFFFF);
    huge.AddBytes(Bytes(300, 0x5A));
    seeds.push_back({"huge-scan-count", huge.Bytes()});

    auto emptyLines = Recording(1, 1, 0, 1, 0, 0);
    emptyLines.header().SetScanCount(0x7FFFFFFF);
    seeds.push_back({"zero-channels-max-scans", emptyLines.Bytes()});

    auto negativeChannels = Recording(1, 1, 0, 1, 0, 0);
    negativeChannels.header().SetChannelCount(-1);
    negativeChannels.header().SetScanCount(10);
    seeds.push_back({"negative-channels", negativeChannels.Bytes()});

    auto negativeScans = Recording(1, 1, 0, 1, 2, 0);
    negativeScans.header().SetScanCount(-2);
    seeds.push_back({"negative-scans", negativeScans.Bytes()});

    auto bigQueue = Recording(1, 1, 2, 0, 0, 0);
    bigQueue.header().SetQueueCount(0x7FFF);
    bigQueue.AddBytes(Bytes(40, 1));
    seeds.push_back({"queue-count-beyond-file", bigQueue.Bytes()});
}

void AddDamagedFiles(std::vector<Seed>& seeds) {
    auto custom = Recording(1, 1, 2, 0, 2, 3);
    custom.AddQueueEntry(1, 1).AddQueueEntry(0, 23);
    const Bytes full = custom.Bytes();
    for (const std::size_t length :
         {std::size_t{0}, std::size_t{9}, std::size_t{10}, std::size_t{59}, std::size_t{60},
          std::size_t{61}, std::size_t{63}, full.size() - 1}) {
        seeds.push_back(
            {"truncated-" + std::to_string(length), Bytes(full.begin(), full.begin() + length)});
    }
    for (const char* magic : {"MervikDAQ0", "mervikDAQ1", "MERVIKDAQ1", "MervikDAQ"}) {
        Bytes bytes = full;
        for (std::size_t i = 0; i < 10; ++i) {
            bytes[i] = static_cast<std::uint8_t>(magic[i]);
        }
        seeds.push_back({std::string("magic-") + magic, bytes});
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder);

    std::vector<Seed> seeds;
    AddValidRecordings(seeds);
    AddNearMisses(seeds);
    AddHostileHeaders(seeds);
    AddDamagedFiles(seeds);
    AddLongRecordings(seeds);

    // Seeds that set no choices get them in turn: chunks of one scan and of small primes,
    // and every variant.
    static const std::uint8_t kChunks[] = {0, 1, 2, 4, 6, 10, 12};
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        Bytes& bytes = seeds[i].bytes;
        constexpr std::size_t kChoices = vantrel::RecordingHeader::kCardSettingsOffset + 4;
        if (bytes.size() >= kChoices + 2 && bytes[kChoices] == 0 && bytes[kChoices + 1] == 0) {
            bytes[kChoices] = kChunks[i % std::size(kChunks)];
            bytes[kChoices + 1] = static_cast<std::uint8_t>((i % 16) << 4);
        }
    }

    for (const Seed& seed : seeds) {
        const auto path = (folder / (seed.name + ".daq")).string();
        std::FILE* file = std::fopen(path.c_str(), "wb");
        const bool ok =
            file != nullptr &&
            std::fwrite(seed.bytes.data(), 1, seed.bytes.size(), file) == seed.bytes.size() &&
            std::fclose(file) == 0;
        if (!ok) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    std::printf("%zu seed recordings in %s\n", seeds.size(), folder.string().c_str());
    return 0;
}
