#include "convert/scaling/ScaledDoubles.h"

#include <bit>
#include <new>
#include <optional>
#include <vector>

#include "convert/scaling/SampleScaler.h"
#include "recording/LittleEndian.h"

namespace vantrel {

WriteResult WriteScaledDoubles(const WriteJob& job) {
    const RecordingHeader& header = job.recording.header;
    // A little-endian host writes its doubles as they are; any other stores each one.
    constexpr bool kStoreEach = std::endian::native != std::endian::little;
    const TableShape shape = ShapeOf(job);
    std::vector<double> values;
    std::vector<std::uint8_t> bytesOut;
    std::optional<SampleScaler> scaler;
    try {
        values.resize(shape.chunkSamples());
        if (kStoreEach) {
            bytesOut.resize(shape.chunkSamples() * 8);
        }
        scaler.emplace(header, job.recording.queue);
    } catch (const std::bad_alloc&) {
        return WriteResult::kAllocationFailed;
    }

    return ForEachChunk(
        job, shape, CardFacts(header.cardType()).elementSize,
        [&](std::span<const std::uint8_t> bytes, std::uint64_t samples, std::uint64_t) {
            const std::span<double> chunk(values.data(), samples);
            scaler->Scale(bytes, chunk);
            const auto size = static_cast<std::size_t>(samples * 8);
            if constexpr (kStoreEach) {
                for (std::uint64_t i = 0; i < samples; ++i) {
                    StoreLeDouble(bytesOut.data() + 8 * i, chunk[i]);
                }
                job.out.Append(bytesOut.data(), size);
            } else {
                // Straight from the array: a chunk is a large write already.
                job.out.WriteThrough(values.data(), size);
            }
        });
}

}  // namespace vantrel
