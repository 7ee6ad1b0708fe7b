// SPDX-License-Identifier: BSD-3-Clause
// NumPy's .npy file: the scaled values as "<f8" in C order, shape (scans, channels). The
// header comes first (the shape is known), then the values as the scaled binary output
// streams them. Format version 1.0; 2.0 only where the header would pass 65535 bytes.

#include <cstdint>
#include <string>

#include "convert/formats/OutputFormats.h"
#include "convert/scaling/ScaledDoubles.h"
#include "recording/LittleEndian.h"

namespace vantrel {

namespace {

constexpr std::string_view kMagic = "\x93NUMPY";

// The whole header: magic, version, length, and the dictionary padded with blanks and
// ended by a newline so that the data starts at a multiple of 64 bytes.
std::string NpyHeader(std::uint64_t scans, std::uint64_t channels) {
    std::string dict = "{'descr': '<f8', 'fortran_order': False, 'shape': (" +
                       std::to_string(scans) + ", " + std::to_string(channels) + "), }";
    const bool wide = dict.size() + 1 + 12 > 65535;
    const std::size_t prefix = kMagic.size() + 2 + (wide ? 4 : 2);
    const std::size_t total = (prefix + dict.size() + 1 + 63) / 64 * 64;
    dict.append(total - prefix - dict.size() - 1, ' ');
    dict.push_back('\n');

    std::string header(kMagic);
    header.push_back(static_cast<char>(wide ? 2 : 1));
    header.push_back('\0');
    std::uint8_t length[4];
    StoreLe32(length, static_cast<std::uint32_t>(dict.size()));
    header.append(reinterpret_cast<const char*>(length), wide ? 4 : 2);
    return header + dict;
}

WriteResult WriteNpy(const WriteJob& job) {
    const TableShape shape = ShapeOf(job);
    job.out.Append(NpyHeader(shape.scans, shape.columns));
    return WriteScaledDoubles(job);
}

}  // namespace

const OutputFormatInfo kNpyFormat = {
    .format = OutputFormat::kNpy,
    .name = NameOf(OutputFormat::kNpy),
    .listText = "Scaled data to NumPy file (.npy)",
    .description = "scaled values as a NumPy array of scans x channels doubles",
    .extension = ".npy",
    .allocationMessage = "Failed to allocate scaled data-array",
    .write = &WriteNpy,
};

}  // namespace vantrel
