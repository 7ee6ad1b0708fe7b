// SPDX-License-Identifier: BSD-3-Clause
// Cost per sample of the scalers on a chunk of random codes: the rule called per element
// (short recordings, and every 24-bit card), SampleScaler on long 16-bit recordings in
// uniform order (one product per word) and custom order (word tables), widening to codes,
// and the one-off cost of a table of every word's cell.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "convert/run/WriteJob.h"
#include "convert/scaling/SampleScaler.h"
#include "convert/scaling/WidenCodes.h"
#include "convert/scaling/WordTables.h"
#include "recording/LittleEndian.h"
#include "recording/RecordingHeader.h"

namespace {

constexpr std::size_t kSamples = vantrel::kChunkSamples;

// A chunk of random little-endian elements of `elementSize` bytes.
std::vector<std::uint8_t> RandomChunk(int elementSize) {
    std::mt19937 rng(7);
    std::vector<std::uint8_t> bytes(kSamples * static_cast<std::size_t>(elementSize));
    for (std::size_t i = 0; i < kSamples; ++i) {
        if (elementSize == 2) {
            vantrel::StoreLe16(&bytes[2 * i], static_cast<std::uint16_t>(rng()));
        } else {
            vantrel::StoreLe32(&bytes[4 * i], rng() & 0x00FFFFFF);
        }
    }
    return bytes;
}

// `longRecording`: long enough for the word tables of 16-bit cards.
vantrel::RecordingHeader Header(std::int16_t card, std::int16_t order, bool longRecording) {
    vantrel::RecordingHeader header;
    header.SetCardType(card);
    header.SetChannelCount(8);
    header.SetScanCount(
        static_cast<std::int32_t>((longRecording ? vantrel::kWordTableSamples : kSamples) / 8));
    header.SetWidthCode(card == 4 || card == 7 ? 2 : 1);
    header.SetOrderCode(order);
    header.SetRangeCode(1);
    return header;
}

// SampleScaler as the writers use it: card type in range(0), order code in range(1), a
// recording long enough for word tables in range(2) (the rule per element otherwise, as
// every 24-bit card scales).
void BM_SampleScaler(benchmark::State& state) {
    const auto card = static_cast<std::int16_t>(state.range(0));
    const auto header =
        Header(card, static_cast<std::int16_t>(state.range(1)), state.range(2) != 0);
    vantrel::ChannelGainQueue queue;
    for (std::uint8_t p = 0; p < 8; ++p) {
        queue.push_back({p, static_cast<std::uint8_t>(p % 2 == 0 ? 1 : 23)});
    }
    const auto bytes = RandomChunk(header.elementSize());
    std::vector<double> out(kSamples);
    vantrel::SampleScaler scaler(header, queue);
    for (auto _ : state) {
        scaler.Scale(bytes, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSamples));
}

void BM_WidenCodes(benchmark::State& state) {
    const auto card = static_cast<std::int16_t>(state.range(0));
    const auto bytes = RandomChunk(card == 7 ? 4 : 2);
    std::vector<std::int32_t> out(kSamples);
    for (auto _ : state) {
        vantrel::WidenCodes(bytes, out, kSamples, card);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSamples));
}

// Building the cells of all 65536 words: what a long 16-bit recording pays once.
void BM_ScaledWordCells(benchmark::State& state) {
    for (auto _ : state) {
        auto table = vantrel::ScaledWordCells(vantrel::CardFacts(1), 1);
        benchmark::DoNotOptimize(table.data());
    }
}

}  // namespace

BENCHMARK(BM_SampleScaler)->Args({1, 0, 0})->Args({7, 0, 0})->Args({1, 0, 1})->Args({1, 2, 1});
BENCHMARK(BM_WidenCodes)->Arg(1)->Arg(7);
BENCHMARK(BM_ScaledWordCells)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
