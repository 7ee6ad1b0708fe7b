// SPDX-License-Identifier: BSD-3-Clause
// A recording as one JSON object, for scripts: --info --json prints it, the Python module
// gives it as a dict.

#include "RecordingJson.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "convert/run/ConvertRun.h"
#include "recording/CardCatalogue.h"
#include "recording/HeaderText.h"
#include "recording/PathAsText.h"
#include "recording/PresentHeader.h"

namespace vantrel {

namespace {

using nlohmann::json;

// A header text field up to its first NUL, as the window shows it.
std::string Text(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (const std::uint8_t b : bytes) {
        if (b == 0) {
            break;
        }
        text.push_back(static_cast<char>(b));
    }
    return HeaderTextAsUtf8(text);
}

json HeaderFields(const RecordingHeader& h) {
    json settings = json::array();
    for (std::size_t i = 0; i < RecordingHeader::kCardSettingsSize; ++i) {
        settings.push_back(h.cardSetting(i));
    }
    return {
        {"card_type", h.cardType()},           {"channel_count", h.channelCount()},
        {"single_channel", h.singleChannel()}, {"scan_count", h.scanCount()},
        {"width_code", h.widthCode()},         {"order_code", h.orderCode()},
        {"range_code", h.rangeCode()},         {"scan_rate", h.scanRate()},
        {"queue_count", h.queueCount()},       {"start_date", Text(h.startDate())},
        {"start_time", Text(h.startTime())},   {"start_millis", Text(h.startMillis())},
        {"card_settings", settings},
    };
}

// The facts into the object `--info --json` prints for a recording: the recording's at its
// top level, the column facts as one object per column in "columns", where an input kind
// is there only for a column that has one.
class JsonFacts final : public FactVisitor {
  public:
    explicit JsonFacts(json& result) : result_(result) { result_["columns"] = json::array(); }

    bool Int(const char* name, std::int32_t value) override {
        result_[name] = value;
        return true;
    }
    bool Double(const char* name, double value) override {
        result_[name] = value;
        return true;
    }
    bool Text(const char* name, const std::string& value) override {
        result_[name] = value;
        return true;
    }
    bool Ints(const char* name, std::span<const std::int32_t> values) override {
        for (std::size_t i = 0; i < values.size(); ++i) {
            Column(i)[name] = values[i];
        }
        return true;
    }
    bool Texts(const char* name, std::span<const std::string> values) override {
        for (std::size_t i = 0; i < values.size(); ++i) {
            Column(i)[name] = values[i];
        }
        return true;
    }
    bool Doubles(const char* name, std::span<const double> values) override {
        for (std::size_t i = 0; i < values.size(); ++i) {
            Column(i)[name] = values[i];
        }
        return true;
    }
    bool Kinds(const char* name, std::span<const std::optional<std::int32_t>> values) override {
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (values[i]) {
                Column(i)[name] = *values[i];
            }
        }
        return true;
    }

  private:
    json& Column(std::size_t i) {
        json& columns = result_["columns"];
        while (columns.size() <= i) {
            columns.push_back(json::object());
        }
        return columns[i];
    }

    json& result_;
};

}  // namespace

nlohmann::json DescribeRecording(const LoadedRecording& recording, std::uint64_t sampleBytes,
                                 const RecordingFacts& facts,
                                 const std::optional<std::string>& sourceSha256) {
    const RecordingHeader& header = recording.header;
    const DisplayTexts texts = PresentHeader(header);

    json display = json::object();
    for (const DisplayField field : kDisplayFields) {
        display[std::string(DisplayLabel(field))] = HeaderTextAsUtf8(texts[field]);
    }
    json queue = json::array();
    for (const ChannelGainEntry& entry : recording.queue) {
        queue.push_back({{"channel", entry.channel},
                         {"range_code", entry.rangeCode},
                         {"range_label", RangeLabel(entry.rangeCode)}});
    }

    json result = {
        {"file", PathAsText(recording.loadedPath)},
        {"header", HeaderFields(header)},
        {"display", display},
        {"queue", queue},
        {"sample_count", std::int64_t{header.channelCount()} * header.scanCount()},
    };
    JsonFacts visitor(result);
    VisitFacts(facts, sourceSha256, visitor);
    if (const auto duration = DurationSeconds(header)) {
        result["duration_s"] = *duration;
        // The times of the first and last scan, by the division that gives CSV's time_s:
        // the bounds --time takes.
        if (header.scanCount() > 0) {
            const double last = static_cast<double>(header.scanCount() - 1) / header.scanRate();
            result["time_range_s"] = json::array({0.0, last});
        }
    }
    const auto refusal = CheckConvertible(header, recording.queue, sampleBytes);
    result["convertible"] = !refusal.has_value();
    if (refusal) {
        result["refusal"] = *refusal;
    }
    return result;
}

}  // namespace vantrel
