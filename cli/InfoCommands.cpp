// SPDX-License-Identifier: BSD-3-Clause
// --info and --queue: a recording's header and queue as the window presents them.

#include <cstdint>
#include <ostream>
#include <string_view>

#include "CliMessages.h"
#include "Commands.h"
#include "StandardStreams.h"
#include "platform/OsFileApi.h"
#include "recording/CardCatalogue.h"
#include "recording/HeaderText.h"
#include "recording/LoadRecording.h"
#include "recording/PathAsText.h"
#include "recording/PresentHeader.h"

namespace vantrel::cli {

namespace {

// UTF-8 `text` with its control characters (C0, DEL and C1) as \xHH, which a terminal shows
// rather than obeys; with `backslashes`, also a backslash that would read as such an escape,
// as \x5c (PathAsText has done that already for a path).
std::string EscapeControls(std::string_view text, bool backslashes) {
    constexpr char kHex[] = "0123456789abcdef";
    const auto escape = [&](std::string& out, unsigned value) {
        out += "\\x";
        out.push_back(kHex[value >> 4]);
        out.push_back(kHex[value & 0xF]);
    };
    const auto isHex = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<std::uint8_t>(text[i + 1]) : 0;
        if (byte < 0x20 || byte == 0x7F) {
            escape(out, byte);
        } else if (byte == 0xC2 && next >= 0x80 && next < 0xA0) {
            escape(out, next);  // U+0080 to U+009F
            ++i;
        } else if (backslashes && byte == '\\' && i + 3 < text.size() && text[i + 1] == 'x' &&
                   isHex(text[i + 2]) && isHex(text[i + 3])) {
            escape(out, byte);
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

// Loads `file`; on failure prints its message and returns nullopt.
std::optional<LoadedRecording> Loaded(const std::string& file, std::ostream& out,
                                      std::ostream& err) {
    OsFileApi os;
    StandardStreamFiles files(os);
    MessageLog messages;
    // The header texts and the queue need no digest of the file.
    Load load = LoadRecording(file, Platform{files, messages}, SourceDigest::kSkip);
    if (load.outcome.done()) {
        return std::move(load.recording);
    }
    // Keep the report in step with what standard output has shown so far.
    out.flush();
    PrintFailure(err, file, load.outcome.kind, messages.texts());
    return std::nullopt;
}

}  // namespace

int RunInfo(const std::vector<std::string>& files, std::ostream& out, std::ostream& err,
            InfoShown shown) {
    const bool terminal = shown == InfoShown::kOnTerminal;
    int status = kExitOk;
    for (const auto& file : files) {
        if (files.size() > 1) {
            out << "==> " << (terminal ? EscapeControls(PathAsText(file), false) : file)
                << " <==\n";
        }
        const auto recording = Loaded(file, out, err);
        if (!recording) {
            status = kExitFailed;
            continue;
        }
        const DisplayTexts display = PresentHeader(recording->header);
        for (const DisplayField field : kDisplayFields) {
            const std::string& text = display[field];
            out << DisplayLabel(field) << '\t'
                << (terminal ? EscapeControls(HeaderTextAsUtf8(text), true) : text) << '\n';
        }
    }
    out.flush();
    return status;
}

int RunQueue(const std::string& file, std::ostream& out, std::ostream& err) {
    const auto recording = Loaded(file, out, err);
    if (!recording) {
        return kExitFailed;
    }
    for (const auto& entry : recording->queue) {
        out << static_cast<unsigned>(entry.channel) << '\t' << RangeLabel(entry.rangeCode) << '\n';
    }
    out.flush();
    return kExitOk;
}

}  // namespace vantrel::cli
