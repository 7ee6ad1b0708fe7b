// make_large_recording OUT CHANNELS SCANS: writes a card type 1, "+/-10V", ascending-order
// recording of any size, streaming it in blocks so that its size is not limited by memory.
// Each channel holds a sine of its own frequency with a little deterministic noise.

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
    if (argc != 4) {
        std::cerr << "usage: make_large_recording OUT CHANNELS SCANS\n";
        return 2;
    }
    const std::string path = argv[1];
    const long channels = std::strtol(argv[2], nullptr, 10);
    const long long scans = std::strtoll(argv[3], nullptr, 10);
    if (channels < 1 || channels > 32767 || scans < 0 || scans > 0x7FFFFFFF) {
        std::cerr << "CHANNELS must be 1..32767 and SCANS 0..2147483647\n";
        return 2;
    }

    vantrel::RecordingHeader header;
    header.SetMagic(vantrel::RecordingHeader::kMagic);
    header.SetCardType(1);
    header.SetChannelCount(static_cast<std::int16_t>(channels));
    header.SetScanCount(static_cast<std::int32_t>(scans));
    header.SetWidthCode(1);
    header.SetOrderCode(0);
    header.SetRangeCode(1);
    header.SetScanRate(10000.0);
    header.SetStartDate("12/08/26");
    header.SetStartTime("09:00:00");
    header.SetStartMillis("000");

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(header.bytes().data()),
              static_cast<std::streamsize>(header.bytes().size()));

    // One period of each channel's sine, then repeated: cheap to generate at any length.
    constexpr long kPeriod = 4096;
    std::vector<std::uint16_t> table(static_cast<std::size_t>(kPeriod * channels));
    std::uint32_t noise = 12345;
    for (long s = 0; s < kPeriod; ++s) {
        for (long c = 0; c < channels; ++c) {
            noise = noise * 1664525u + 1013904223u;
            const double phase = 2.0 * std::numbers::pi * static_cast<double>(s * (c + 1)) /
                                 static_cast<double>(kPeriod);
            const double v = 30000.0 * std::sin(phase) + static_cast<double>(noise >> 24) - 128.0;
            table[static_cast<std::size_t>(s * channels + c)] =
                static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v)));
        }
    }

    std::vector<std::uint8_t> block;
    block.reserve(1 << 20);
    for (long long s = 0; s < scans; ++s) {
        const auto* row = &table[static_cast<std::size_t>((s % kPeriod) * channels)];
        for (long c = 0; c < channels; ++c) {
            std::uint8_t bytes[2];
            vantrel::StoreLe16(bytes, row[c]);
            block.push_back(bytes[0]);
            block.push_back(bytes[1]);
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
