// SPDX-License-Identifier: BSD-3-Clause
// bench_preview RECORDING: computes the recording's overview as the preview window does and
// prints, one figure a line, the seconds it took (the fastest of five), the overview's bytes as a
// share of the recording's sample bytes and, where the window is built, the median milliseconds of
// a full repaint of the preview's lanes at 1920x1080, everything in view. preview_benchmark.sh sets
// these beside a dd copy of the recording's bytes.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <vector>

#include "convert/overview/RecordingOverview.h"
#include "platform/MessageSink.h"
#include "platform/OsFileApi.h"

#ifdef VANTREL_BENCH_REPAINT
#include <QApplication>
#include <QImage>

#include "PreviewSource.h"
#include "SignalView.h"
#endif

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: bench_preview RECORDING\n");
        return 2;
    }
    vantrel::OsFileApi files;
    vantrel::MessageLog said;
    const vantrel::Platform platform{files, said};
    auto opened = vantrel::OpenScanRecording(argv[1], platform);
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.failure().message.c_str());
        return 1;
    }
    // The fastest of five, as the window computes it: each reads the file from the start.
    std::optional<vantrel::Result<vantrel::RecordingOverview>> overview;
    double took = 0.0;
    for (int i = 0; i < 5; ++i) {
        const auto start = std::chrono::steady_clock::now();
        overview.emplace(vantrel::RecordingOverview::Compute(*opened, platform));
        const double seconds = Seconds(start);
        took = i == 0 ? seconds : std::min(took, seconds);
        if (!*overview) {
            std::fprintf(stderr, "%s\n", overview->failure().message.c_str());
            return 1;
        }
    }
    std::printf("overview_s %.6f\n", took);
    std::printf("overview_share %.6f\n", static_cast<double>((**overview).bytes()) /
                                             static_cast<double>(opened->sampleBytes));
#ifdef VANTREL_BENCH_REPAINT
    QApplication application(argc, argv);
    vantrel::PreviewSource source(std::move(*opened), std::move(**overview), files);
    vantrel::SignalView view(source);
    view.resize(1920, 1080);
    QImage image(view.size(), QImage::Format_ARGB32_Premultiplied);
    std::vector<double> paints;
    for (int i = 0; i < 21; ++i) {
        const auto painted = std::chrono::steady_clock::now();
        view.render(&image);
        paints.push_back(Seconds(painted) * 1e3);
    }
    std::nth_element(paints.begin(), paints.begin() + 10, paints.end());
    std::printf("repaint_ms %.3f\n", paints[10]);
#endif
    return 0;
}
