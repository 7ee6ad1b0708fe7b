// SPDX-License-Identifier: BSD-3-Clause
// make_large_recording OUT CHANNELS SCANS [CARD]: writes an ascending-order recording of
// any size, streaming it in blocks so that its size is not limited by memory. CARD is the
// card type (default 1), recorded in a range its rules scale: "+/-10V" for 1, 2, 3, 7 and 8,
// "+/-25V" (input kind 0) for 4. Each channel holds a sine of its own frequency with a
// little deterministic noise, in 16-bit words or, for cards 4 and 7, 24-bit codes in 32-bit
// words.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <numbers>
#include <string>
#include <vector>

#include "recording/LittleEndian.h"
#include "recording/RecordingHeader.h"

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: make_large_recording OUT CHANNELS SCANS [CARD]\n";
        return 2;
    }
    const std::string path = argv[1];
    const long channels = std::strtol(argv[2], nullptr, 10);
    const long long scans = std::strtoll(argv[3], nullptr, 10);
    const long card = argc == 5 ? std::strtol(argv[4], nullptr, 10) : 1;
    if (channels < 1 || channels > 32767 || scans < 0 || scans > 0x7FFFFFFF ||
        (card != 1 && card != 2 && card != 3 && card != 4 && card != 7 && card != 8)) {
        std::cerr << "CHANNELS must be 1..32767, SCANS 0..2147483647 and CARD 1, 2, 3, 4, 7 "
                     "or 8\n";
        return 2;
    }
    const bool wide = card == 4 || card == 7;

    vantrel::RecordingHeader header;
    header.SetMagic(vantrel::RecordingHeader::kMagic);
    header.SetCardType(static_cast<std::int16_t>(card));
    header.SetChannelCount(static_cast<std::int16_t>(channels));
    header.SetScanCount(static_cast<std::int32_t>(scans));
    header.SetWidthCode(wide ? 2 : 1);
    header.SetOrderCode(0);
    header.SetRangeCode(card == 4 ? 35 : 1);
    header.SetCardSetting(0, 0);  // card 4: input kind 0
    header.SetScanRate(10000.0);
    header.SetStartDate("12/08/26");
    header.SetStartTime("09:00:00");
    header.SetStartMillis("000");

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header.bytes().data()),
              static_cast<std::streamsize>(header.bytes().size()));

    // One period of each channel's sine, then repeated: cheap to generate at any length.
    constexpr long kPeriod = 4096;
    std::vector<std::uint32_t> table(static_cast<std::size_t>(kPeriod * channels));
    std::uint32_t noise = 12345;
    for (long s = 0; s < kPeriod; ++s) {
        for (long c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double phase = 2.0 * std::numbers::pi * static_cast<double>(s * (c + 1)) /
                                 static_cast<double>(kPeriod);
            const double v = 30000.0 * std::sin(phase) + static_cast<double>(noise >> 24) - 128.0;
            // 24-bit codes: the same signal 256 times finer, the upper byte left clear.
            table[static_cast<std::size_t>(s * channels + c)] =
                wide ? static_cast<std::uint32_t>(std::lround(v * 256.0 + (noise & 0xFF))) &
                           0x00FFFFFFu
                     : static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v)));
        }
    }

    std::vector<std::uint8_t> block;
    block.reserve(1 << 20);
    for (long long s = 0; s < scans; ++s) {
        const auto* row = &table[static_cast<std::size_t>((s % kPeriod) * channels)];
        for (long c = 0; c < channels; ++c) {
            std::uint8_t bytes[4];
            if (wide) {
                vantrel::StoreLe32(bytes, row[c]);
            } else {
                vantrel::StoreLe16(bytes, static_cast<std::uint16_t>(row[c]));
            }
            block.insert(block.end(), bytes, bytes + (wide ? 4 : 2));
        }
        if (block.size() >= (1 << 20)) {
            out.write(reinterpret_cast<const char*>(block.data()),
                      static_cast<std::streamsize>(block.size()));
            block.clear();
        }
    }
    out.write(reinterpret_cast<const char*>(block.data()),
              static_cast<std::streamsize>(block.size()));
    out.close();
    if (!out) {
        std::cerr << "cannot write " << path << '\n';
        return 1;
    }
    return 0;
}
