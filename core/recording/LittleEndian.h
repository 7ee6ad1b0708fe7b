// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Explicit little-endian decoding and encoding of the recording file's fields. The file
// format is little-endian whatever the host is, so every multi-byte value goes through here.

#include <bit>
#include <cstdint>
#include <cstring>

namespace vantrel {

inline std::uint16_t LoadLe16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

inline std::uint32_t LoadLe32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

inline std::uint64_t LoadLe64(const std::uint8_t* p) {
    return static_cast<std::uint64_t>(LoadLe32(p)) |
           (static_cast<std::uint64_t>(LoadLe32(p + 4)) << 32);
}

inline double LoadLeDouble(const std::uint8_t* p) {
    return std::bit_cast<double>(LoadLe64(p));
}

inline void StoreLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

// The low three bytes of `v`, as BDF stores a sample.
inline void StoreLe24(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
}

inline void StoreLe32(std::uint8_t* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

inline void StoreLe64(std::uint8_t* p, std::uint64_t v) {
    for (int i = 0; i < 8; ++i) {
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

inline void StoreLeDouble(std::uint8_t* p, double v) {
    StoreLe64(p, std::bit_cast<std::uint64_t>(v));
}

}  // namespace vantrel
