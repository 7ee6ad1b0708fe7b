// SPDX-License-Identifier: BSD-3-Clause
#include "ProgressLine.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

namespace vantrel::cli {

namespace {

std::string Bytes(double bytes) {
    static constexpr const char* kUnits[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    std::size_t unit = 0;
    while (bytes >= 1024 && unit + 1 < std::size(kUnits)) {
        bytes /= 1024;
        ++unit;
    }
    char text[32];
    std::snprintf(text, sizeof text, unit == 0 ? "%.0f %s" : "%.1f %s", bytes, kUnits[unit]);
    return text;
}

// H:MM:SS, or M:SS under an hour.
std::string Duration(double seconds) {
    const auto whole = static_cast<std::uint64_t>(std::ceil(seconds));
    char text[32];
    if (whole >= 3600) {
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu",
                      static_cast<unsigned long long>(whole / 3600),
                      static_cast<unsigned long long>(whole / 60 % 60),
                      static_cast<unsigned long long>(whole % 60));
    } else {
        std::snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(whole / 60),
                      static_cast<unsigned long long>(whole % 60));
    }
    return text;
}

}  // namespace

std::string ProgressText(const ProgressCounts& c) {
    std::string text;
    if (c.inputs > 1) {
        text += "[" + std::to_string(c.inputsDone) + "/" + std::to_string(c.inputs) + "] ";
    }
    const std::uint64_t percent = c.total == 0 ? 100 : c.done * 100 / c.total;
    text += std::to_string(percent) + "%  " + Bytes(static_cast<double>(c.done)) + " of " +
            Bytes(static_cast<double>(c.total)) + "  " + Bytes(c.bytesPerSecond) + "/s  ";
    if (c.bytesPerSecond > 0 && c.done <= c.total) {
        text += Duration(static_cast<double>(c.total - c.done) / c.bytesPerSecond) + " left";
    } else {
        text += "--:-- left";
    }
    return text;
}

ProgressLine::ProgressLine(std::ostream& err, bool shown, std::size_t inputs)
    : err_(err), shown_(shown), inputs_(inputs) {}

void ProgressLine::Update(std::size_t input, std::uint64_t done, std::uint64_t total) {
    if (!shown_) {
        return;
    }
    const std::lock_guard lock(mutex_);
    running_[input] = {done, total};
    const auto now = std::chrono::steady_clock::now();
    if (now - start_ >= kQuietStart && now - drawnAt_ >= kRedrawStep) {
        DrawLocked(now);
    }
}

void ProgressLine::Finished(std::size_t input) {
    if (!shown_) {
        return;
    }
    const std::lock_guard lock(mutex_);
    const auto it = running_.find(input);
    if (it != running_.end()) {
        finishedBytes_ += it->second.done;
        running_.erase(it);
    }
    ++inputsDone_;
}

void ProgressLine::PrintAbove(const std::function<void()>& print) {
    const std::lock_guard lock(mutex_);
    EraseLocked();
    print();
}

void ProgressLine::Clear() {
    const std::lock_guard lock(mutex_);
    EraseLocked();
}

void ProgressLine::DrawLocked(std::chrono::steady_clock::time_point now) {
    ProgressCounts counts;
    for (const auto& [input, running] : running_) {
        counts.done += running.done;
        counts.total += running.total;
    }
    const double seconds = std::chrono::duration<double>(now - start_).count();
    counts.bytesPerSecond = static_cast<double>(finishedBytes_ + counts.done) / seconds;
    counts.inputsDone = inputsDone_;
    counts.inputs = inputs_;
    const std::string text = ProgressText(counts);
    // Blanks cover what a longer line before left behind.
    err_ << '\r' << text;
    if (text.size() < drawnLength_) {
        err_ << std::string(drawnLength_ - text.size(), ' ');
    }
    err_.flush();
    drawnLength_ = std::max(text.size(), drawnLength_);
    drawnAt_ = now;
}

void ProgressLine::EraseLocked() {
    if (drawnLength_ == 0) {
        return;
    }
    err_ << '\r' << std::string(drawnLength_, ' ') << '\r';
    err_.flush();
    drawnLength_ = 0;
}

}  // namespace vantrel::cli
