// --info --json: a recording's header, texts, queue and facts for scripts.

#include <nlohmann/json.hpp>

#include <ostream>

#include "CliMessages.h"
#include "Commands.h"
#include "StandardStreams.h"
#include "convert/formats/RecordingFacts.h"
#include "convert/run/ConvertRun.h"
#include "platform/OsFileApi.h"
#include "platform/Utf8Path.h"
#include "platform/ViewSwitch.h"
#include "recording/CardCatalogue.h"
#include "recording/HeaderText.h"
#include "recording/LoadRecording.h"
#include "recording/PathAsText.h"

namespace vantrel::cli {

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

json Describe(const ConversionState& state) {
    const LoadedRecording& recording = state.recording;
    const RecordingHeader& header = recording.header;
    const RecordingFacts facts = FactsOf(recording);

    json display = json::object();
    for (const DisplayField field : kDisplayFields) {
        display[std::string(DisplayLabel(field))] = HeaderTextAsUtf8(state.display[field]);
    }
    json queue = json::array();
    for (const ChannelGainEntry& entry : recording.queue) {
        queue.push_back({{"channel", entry.channel},
                         {"range_code", entry.rangeCode},
                         {"range_label", RangeLabel(entry.rangeCode)}});
    }
    json columns = json::array();
    for (const ColumnFacts& column : facts.columns) {
        json c = {{"channel", column.channel},
                  {"range_code", column.rangeCode},
                  {"range_label", column.rangeLabel}};
        if (column.inputKind) {
            c["input_kind"] = *column.inputKind;
        }
        columns.push_back(c);
    }

    json result = {
        {"file", PathAsText(recording.loadedPath)},
        {"header", HeaderFields(header)},
        {"display", display},
        {"queue", queue},
        {"columns", columns},
        {"card_type", facts.cardType},
        {"card_name", facts.cardName},
        {"channel_count", facts.channelCount},
        {"scan_count", facts.scanCount},
        {"scan_rate_hz", facts.scanRateHz},
        {"start_date", facts.startDate},
        {"start_time", facts.startTime},
        {"order", facts.order},
        {"source_file", facts.sourceFile},
        {"source_sha256", recording.sourceSha256},
        {"converter", ConverterName()},
        {"sample_count", std::int64_t{header.channelCount()} * header.scanCount()},
    };
    if (facts.startIso8601) {
        result["start_iso8601"] = *facts.startIso8601;
    }
    if (const auto duration = DurationSeconds(header)) {
        result["duration_s"] = *duration;
    }
    const auto refusal = CheckConvertible(header, recording.queue,
                                          recording.samples ? recording.samples->size() : 0);
    result["convertible"] = !refusal.has_value();
    if (refusal) {
        result["refusal"] = *refusal;
    }
    return result;
}

}  // namespace

int RunInfoJson(const std::vector<std::string>& files, std::ostream& out) {
    int status = kExitOk;
    json all = json::array();
    for (const auto& file : files) {
        OsFileApi os;
        StandardStreamFiles api(os);
        MessageLog messages;
        NoViewSwitch view;
        ConversionState state;
        state.inputPath = file;
        if (LoadRecording(state, Platform{api, messages}, view)) {
            all.push_back(Describe(state));
            continue;
        }
        status = kExitFailed;
        all.push_back({{"file", PathAsText(file)},
                       {"error", messages.texts().empty() ? std::string(kCannotOpenMessage)
                                                          : messages.texts().front()}});
    }
    // Every text is UTF-8 by now (header texts decoded, paths escaped), so nothing is
    // replaced: the dump would throw on a text that is not.
    const json& shown = files.size() == 1 ? all.front() : all;
    out << shown.dump(2) << '\n';
    out.flush();
    return status;
}

}  // namespace vantrel::cli
