// SPDX-License-Identifier: BSD-3-Clause
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

// Recordings of more than one chunk: 16-bit uniform order (3 channels, 50001 scans), 24-bit
// custom order with input kinds (3 positions, channel 3 twice, 30011 scans), and a custom
// queue that samples a channel twice and whose first position has no rule, so that its
// samples repeat the value before them across scans (4 positions, 40003 scans).
RecordingBuilder Uniform16();
RecordingBuilder Custom24();
RecordingBuilder CarriedQueue();

}  // namespace vantrel::test
