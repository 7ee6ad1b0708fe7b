#pragma once

// Recordings several suites convert.

#include <cstdint>
#include <vector>

#include "RecordingBuilder.h"

namespace vantrel::test {

// Card type 1, two channels in ascending order, "+/-10V", `scans` scans: even scans hold
// the words 1000 and F800 hex (1.25 and -0.625; codes 4096 and 63488), odd scans 8000 and
// 7FFF hex (-10.0 and 9.99969482421875; codes 32768 and 32767). Every text line of it is
// 25 bytes with a two-character separator.
RecordingBuilder TwoChannels(int scans);
std::vector<std::uint8_t> TwoChannelRecording(int scans);

}  // namespace vantrel::test
