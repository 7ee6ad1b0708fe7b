#include "support/Recordings.h"

namespace vantrel::test {

RecordingBuilder TwoChannels(int scans) {
    RecordingBuilder b;
    b.header().SetChannelCount(2);
    b.header().SetScanCount(scans);
    for (int s = 0; s < scans; ++s) {
        if (s % 2 == 0) {
            b.AddWord16(0x1000).AddWord16(0xF800);
        } else {
            b.AddWord16(0x8000).AddWord16(0x7FFF);
        }
    }
    return b;
}

std::vector<std::uint8_t> TwoChannelRecording(int scans) {
    return TwoChannels(scans).Bytes();
}

}  // namespace vantrel::test
