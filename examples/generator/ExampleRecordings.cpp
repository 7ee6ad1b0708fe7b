// SPDX-License-Identifier: BSD-3-Clause
#include "ExampleRecordings.h"

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>

namespace vantrel {

namespace {

struct Layout {
    std::int16_t cardType = 1;
    std::int16_t channelCount = 1;
    std::int32_t scanCount = 0;
    std::int16_t orderCode = 0;
    std::int16_t rangeCode = 1;
    double scanRate = 1000.0;
    std::uint8_t singleChannel = 0;
};

// A signal in full-scale units (-1..1) at a scan, for a position of the scan.
using Signal = std::function<double(std::int32_t scan, int position)>;

bool IsWide(std::int16_t cardType) {
    return cardType == 4 || cardType == 7;
}

RecordingBuilder Build(const Layout& layout, const Signal& signal) {
    RecordingBuilder b;
    RecordingHeader& h = b.header();
    h.SetCardType(layout.cardType);
    h.SetChannelCount(layout.channelCount);
    h.SetSingleChannel(layout.singleChannel);
    h.SetScanCount(layout.scanCount);
    // 16-bit words for cards 1, 2, 3 and 8; 32-bit words carrying 24-bit codes for 4 and 7.
    h.SetWidthCode(IsWide(layout.cardType) ? 2 : 1);
    h.SetOrderCode(layout.orderCode);
    h.SetRangeCode(layout.rangeCode);
    h.SetScanRate(layout.scanRate);
    h.SetStartDate("12/08/26");
    h.SetStartTime("09:41:07");
    h.SetStartMillis("250");
    for (std::int32_t scan = 0; scan < layout.scanCount; ++scan) {
        for (int p = 0; p < layout.channelCount; ++p) {
            const double x = signal(scan, p);
            if (IsWide(layout.cardType)) {
                const auto code = static_cast<std::int32_t>(std::lround(x * 8388607.0));
                // The card leaves the upper byte clear; bit 23 carries the sign.
                b.AddWord32(static_cast<std::uint32_t>(code) & 0x00FFFFFFu);
            } else {
                const auto code = static_cast<std::int16_t>(std::lround(x * 32767.0));
                b.AddWord16(static_cast<std::uint16_t>(code));
            }
        }
    }
    return b;
}

double Sine(double cycles, std::int32_t scan, std::int32_t scans, double phase = 0.0) {
    return std::sin(2.0 * std::numbers::pi * cycles * scan / scans + phase);
}

// Every position its own waveform: sines of rising frequency, a ramp, a triangle, a decay.
Signal Mixed(std::int32_t scans) {
    return [scans](std::int32_t scan, int p) {
        switch (p % 4) {
            case 0:
                return 0.8 * Sine(3.0, scan, scans);
            case 1:
                return -0.9 + 1.8 * scan / scans;  // ramp
            case 2: {
                const double t = std::fmod(4.0 * scan / scans, 1.0);
                return 0.6 * (t < 0.5 ? 4.0 * t - 1.0 : 3.0 - 4.0 * t);  // triangle
            }
            default:
                return 0.7 * std::exp(-3.0 * scan / scans) * Sine(12.0, scan, scans, 0.5 * p);
        }
    };
}

Signal Sines(std::int32_t scans, double amplitude) {
    return [scans, amplitude](std::int32_t scan, int p) {
        return amplitude * Sine(2.0 + p, scan, scans, 0.3 * p);
    };
}

ExampleRecording Example(std::string name, std::string description, const Layout& layout,
                         const Signal& signal) {
    return {std::move(name), std::move(description), Build(layout, signal)};
}

// Card 4 in custom order: queue entries (channel, range) and the packed input-kind bytes.
ExampleRecording Card4Custom(std::string name, std::string description,
                             const std::vector<ChannelGainEntry>& queue,
                             const std::vector<std::uint8_t>& kinds, double amplitude) {
    const auto channels = static_cast<std::int16_t>(queue.size());
    const Layout layout{4, channels, 300, 2, 0, 10.0};
    ExampleRecording e = Example(std::move(name), std::move(description), layout,
                                 Sines(layout.scanCount, amplitude));
    for (const auto& entry : queue) {
        e.recording.AddQueueEntry(entry.channel, entry.rangeCode);
    }
    for (std::size_t i = 0; i < kinds.size(); ++i) {
        e.recording.header().SetCardSetting(i, kinds[i]);
    }
    return e;
}

}  // namespace

std::vector<ExampleRecording> ExampleRecordings() {
    std::vector<ExampleRecording> all;

    // Card types 1 and 3: ranges +/-10V (1), +/-1V (10), +/-2V (23), +/-0.2V (25).
    all.push_back(Example("card1-ascending-10V", "card 1, 4 channels, 0-1-2-3, +/-10V",
                          {1, 4, 500, 0, 1, 1000.0}, Mixed(500)));
    all.push_back(Example("card1-descending-1V", "card 1, 4 channels, 3-2-1-0, +/-1V",
                          {1, 4, 500, 1, 10, 2000.0}, Sines(500, 0.9)));
    all.push_back(Example("card1-single-channel-2V", "card 1, channel 5 alone, +/-2V",
                          {1, 1, 2000, 0, 23, 500.0, 5}, Mixed(2000)));
    {
        ExampleRecording e =
            Example("card1-custom-queue", "card 1, custom order: +/-0.2V, +/-10V, +/-1V",
                    {1, 3, 600, 2, 0, 250.0}, Mixed(600));
        e.recording.AddQueueEntry(2, 25).AddQueueEntry(0, 1).AddQueueEntry(1, 10);
        all.push_back(std::move(e));
    }
    all.push_back(Example("card3-ascending-200mV", "card 3, 8 channels, 0-1-2-3, +/-0.2V",
                          {3, 8, 250, 0, 25, 12.5}, Mixed(250)));
    all.push_back(Example("card3-single-channel-10V", "card 3, channel 12 alone, 3-2-1-0, +/-10V",
                          {3, 1, 1500, 1, 1, 100000.0, 12}, Sines(1500, 0.95)));
    {
        ExampleRecording e =
            Example("card3-custom-queue", "card 3, custom order: +/-10V, +/-1V, +/-2V, +/-0.2V",
                    {3, 4, 400, 2, 1, 1000.0}, Mixed(400));
        e.recording.AddQueueEntry(3, 1).AddQueueEntry(0, 10);
        e.recording.AddQueueEntry(2, 23).AddQueueEntry(1, 25);
        all.push_back(std::move(e));
    }

    // Card type 8: +/-10V (1) and +/-2V (23).
    all.push_back(Example("card8-descending-2V", "card 8, 4 channels, 3-2-1-0, +/-2V",
                          {8, 4, 500, 1, 23, 4000.0}, Mixed(500)));
    {
        ExampleRecording e = Example("card8-custom-queue", "card 8, custom order: +/-10V, +/-2V",
                                     {8, 2, 800, 2, 1, 800.0}, Sines(800, 0.75));
        e.recording.AddQueueEntry(0, 1).AddQueueEntry(1, 23);
        all.push_back(std::move(e));
    }

    // Card type 2: +/-10V (1) only.
    all.push_back(Example("card2-ascending-10V", "card 2, 4 channels, 0-1-2-3, +/-10V",
                          {2, 4, 500, 0, 1, 1000.0}, Mixed(500)));

    // Card type 7: 24-bit codes in 32-bit words, +/-10V (1) only.
    all.push_back(Example("card7-ascending-10V", "card 7, 4 channels, 0-1-2-3, +/-10V",
                          {7, 4, 400, 0, 1, 2500.0}, Mixed(400)));
    all.push_back(Example("card7-single-channel-10V", "card 7, channel 3 alone, +/-10V",
                          {7, 1, 1000, 0, 1, 200.0, 3}, Sines(1000, 0.5)));

    // Card type 4 in uniform order: the input kind is header byte 54.
    {
        ExampleRecording e = Example("card4-kind0-25V", "card 4, input kind 0, +/-25V",
                                     {4, 2, 500, 0, 35, 1000.0}, Mixed(500));
        e.recording.header().SetCardSetting(0, 0);
        all.push_back(std::move(e));
    }
    {
        ExampleRecording e =
            Example("card4-kind0-12V5", "card 4, channel 2 alone, kind 0, +/-12.5V",
                    {4, 1, 1000, 0, 36, 50.0, 2}, Sines(1000, 0.6));
        e.recording.header().SetCardSetting(0, 0);
        all.push_back(std::move(e));
    }
    {
        ExampleRecording e =
            Example("card4-kind1-2V5", "card 4, 4 channels, 3-2-1-0, kind 1, +/-2.5V",
                    {4, 4, 300, 1, 3, 100.0}, Mixed(300));
        e.recording.header().SetCardSetting(0, 1);
        all.push_back(std::move(e));
    }
    {
        ExampleRecording e = Example("card4-kind1-312mV", "card 4, 2 channels, kind 1, +/-0.3125V",
                                     {4, 2, 400, 0, 6, 100.0}, Sines(400, 0.8));
        e.recording.header().SetCardSetting(0, 1);
        all.push_back(std::move(e));
    }
    {
        // Kinds 2 and above ignore the range; small codes keep the scaled values modest.
        ExampleRecording e = Example("card4-kind2", "card 4, 2 channels, kind 2",
                                     {4, 2, 300, 0, 0, 1.0}, Sines(300, 0.01));
        e.recording.header().SetCardSetting(0, 2);
        all.push_back(std::move(e));
    }

    // Card type 4 in custom order: channels 0..3 take header bytes 54..57 in turn.
    all.push_back(Card4Custom("card4-custom-kinds-2-5", "card 4, custom order, kinds 2, 3, 4, 5",
                              {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {2, 3, 4, 5}, 0.0005));
    all.push_back(Card4Custom("card4-custom-kinds-6-9", "card 4, custom order, kinds 6, 7, 8, 9",
                              {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {6, 7, 8, 9}, 0.0001));
    all.push_back(Card4Custom("card4-custom-kinds-11-14",
                              "card 4, custom order, kinds 11, 12, 13, 14",
                              {{0, 0}, {1, 0}, {2, 0}, {3, 0}}, {11, 12, 13, 14}, 0.05));
    // Packed kinds: the queue names channels 3, 1 and 2, so byte 54 belongs to channel 1
    // (kind 0, +/-12.5V), byte 55 to channel 2 (kind 7) and byte 56 to channel 3 (kind 1,
    // +/-0.3125V).
    all.push_back(Card4Custom("card4-custom-packed-kinds",
                              "card 4, custom order over channels 3, 1, 2 with packed kinds",
                              {{3, 6}, {1, 36}, {2, 1}}, {0, 7, 1}, 0.7));
    return all;
}

}  // namespace vantrel
