// SPDX-License-Identifier: BSD-3-Clause
#include "convert/scaling/ScaledDoubles.h"

#include <algorithm>
#include <bit>
#include <new>
#include <optional>
#include <vector>

#include "convert/scaling/PickColumns.h"
#include "convert/scaling/SampleScaler.h"
#include "recording/LittleEndian.h"

namespace vantrel {

WriteResult WriteScaledDoubles(const WriteJob& job) {
    const RecordingHeader& header = job.recording.header;
    // A little-endian host writes its doubles as they are; any other stores each one.
    constexpr bool kStoreEach = std::endian::native != std::endian::little;
    const TableShape shape = ShapeOf(job);
    std::vector<double> values;
    std::vector<double> picked;  // the selected columns' values, where some are
    std::vector<std::uint8_t> bytesOut;
    std::optional<SampleScaler> scaler;
    const bool everyColumn = job.part.everyColumn;
    try {
        values.resize(shape.chunkSamples());
        if (!everyColumn) {
            picked.resize(shape.scansPerChunk * shape.columns);
        }
        if (kStoreEach) {
            bytesOut.resize(std::max(values.size(), picked.size()) * 8);
        }
        scaler.emplace(header, job.recording.queue, job.part.carried, ConvertedSamples(job),
                       job.transducers);
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }

    return ForEachChunk(
        job, shape, CardFacts(header.cardType()).elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t scans) {
            scaler->Scale(bytes, std::span<double>(values.data(), samples));
            std::span<const double> chunk(values.data(), samples);
            if (!everyColumn) {
                PickColumns(values.data(), scans, shape.channels, job.part.columns, picked.data());
                chunk = std::span<const double>(picked.data(), scans * shape.columns);
            }
            const auto size = static_cast<std::size_t>(chunk.size() * 8);
            if constexpr (kStoreEach) {
                for (std::size_t i = 0; i < chunk.size(); ++i) {
                    StoreLeDouble(bytesOut.data() + 8 * i, chunk[i]);
                }
                job.out.Append(bytesOut.data(), size);
            } else {
                // Straight from the array: a chunk is a large write already.
                job.out.WriteThrough(chunk.data(), size);
            }
        });
}

}  // namespace vantrel
