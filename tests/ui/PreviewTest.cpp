// SPDX-License-Identifier: BSD-3-Clause
// The preview window: a single full-scale sample among ten million still reaches its lane's
// top when everything is shown, the cursors land on the borders of the scans under them at
// both ends of the view, zoomed in the values come from the file, and "Convert selection"
// writes what the command line writes for the same --time and --channels.

#include <QCheckBox>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <cmath>

#include "CPreviewDlg.h"
#include "RecordingBuilder.h"
#include "WindowTestKit.h"
#include "convert/formats/OutputFormats.h"
#include "platform/OsFileApi.h"

namespace vantrel::test {

namespace {

// A source over `builder`'s recording, written into `dir`.
std::unique_ptr<PreviewSource> SourceOf(const RecordingBuilder& builder, const TempDir& dir,
                                        FileApi& files) {
    const std::string path = dir.File("preview.daq");
    builder.WriteTo(path);
    MessageLog said;
    auto opened = OpenScanRecording(path, Platform{files, said});
    auto overview = RecordingOverview::Compute(*opened, Platform{files, said});
    return std::make_unique<PreviewSource>(std::move(*opened), std::move(*overview), files);
}

// Whether row `y` of `image` holds a pixel of `colour` between x0 and x1.
bool RowHolds(const QImage& image, int y, int x0, int x1, QColor colour) {
    for (int x = x0; x < x1; ++x) {
        if (image.pixelColor(x, y) == colour) {
            return true;
        }
    }
    return false;
}

// The list index of the format whose command-line name is `name`.
int ListIndexOf(std::string_view name) {
    const auto formats = OutputFormats();
    for (std::size_t i = 0; i < formats.size(); ++i) {
        if (formats[i]->name == name) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace

class PreviewTest : public QObject {
    Q_OBJECT

  private slots:
    // The window keeps its size in the settings: the test's own, not the user's.
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void oneFullScaleSampleInTenMillion_reachesItsLaneTopZoomedOut() {
        // Two channels at 0 V; channel 0 holds one sample at full scale.
        constexpr int kScans = 10'000'000;
        RecordingBuilder builder;
        builder.header().SetChannelCount(2);
        builder.header().SetScanCount(kScans);
        for (int s = 0; s < kScans; ++s) {
            builder.AddWord16(s == 6'543'210 ? 0x7FFF : 0).AddWord16(0);
        }
        TempDir dir;
        OsFileApi files;
        const auto source = SourceOf(builder, dir, files);
        SignalView view(*source);
        view.resize(1200, 400);
        QImage image(view.size(), QImage::Format_ARGB32);
        view.render(&image);

        QCOMPARE(view.viewScans(), double{kScans});
        const auto rows = view.LaneRows();
        const int left = SignalView::kValueAxisWidth;
        const int right = left + view.plotWidth();
        QVERIFY(RowHolds(image, rows[0].first, left, right, SignalView::LaneColour(0)));
        // The other lane stays on its zero line, far from its top.
        QVERIFY(!RowHolds(image, rows[1].first, left, right, SignalView::LaneColour(1)));
        QVERIFY(RowHolds(image, rows[1].first + rows[1].second / 2, left, right,
                         SignalView::LaneColour(1)));
    }

    void cursors_takeTheBordersUnderThemAtBothEnds() {
        RecordingBuilder builder;
        builder.header().SetScanCount(1000);  // 1000 Hz
        for (int s = 0; s < 1000; ++s) {
            builder.AddWord16(static_cast<std::uint16_t>(s * 32));
        }
        TempDir dir;
        OsFileApi files;
        const auto source = SourceOf(builder, dir, files);
        CPreviewDlg preview(nullptr, *source, QStringLiteral("preview.daq"), {});
        SignalView& view = preview.view();
        preview.resize(900, 500);
        preview.show();
        const int width = view.plotWidth();
        QCOMPARE(view.BorderAt(0), std::uint64_t{0});
        QCOMPARE(view.BorderAt(width), std::uint64_t{1000});

        view.SetView(100.0, 50.0);
        QCOMPARE(view.BorderAt(0), std::uint64_t{100});
        QCOMPARE(view.BorderAt(width), std::uint64_t{150});
        QCOMPARE(view.XOfScan(150.0), double(width));
        // Without cursors the scans in view are the selection.
        QCOMPARE(view.SelectedRange(), (ScanRange{100, 150}));

        const int y = view.LaneRows()[0].first + 10;
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(SignalView::kValueAxisWidth, y));
        QTest::mouseClick(&view, Qt::LeftButton, Qt::ShiftModifier,
                          QPoint(SignalView::kValueAxisWidth + width, y));
        QCOMPARE(view.cursor(0), std::optional<std::uint64_t>(100));
        QCOMPARE(view.cursor(1), std::optional<std::uint64_t>(150));
        QVERIFY2(preview.statusText().startsWith(
                     QStringLiteral("Cursors at 0.1 s and 0.15 s: 0.05 s, 50 scans")),
                 qPrintable(preview.statusText()));

        // Shown whole again, the cursors reach the first and the last scan's far border.
        view.ShowAll();
        QTest::mouseClick(&view, Qt::LeftButton, {}, QPoint(SignalView::kValueAxisWidth - 5, y));
        QTest::mouseClick(&view, Qt::LeftButton, Qt::ShiftModifier,
                          QPoint(SignalView::kValueAxisWidth + width + 5, y));
        QCOMPARE(view.SelectedRange(), (ScanRange{0, 1000}));
        preview.done(QDialog::Rejected);
    }

    void zoomedIn_showsTheSamplesReadFromTheFile() {
        RecordingBuilder builder;
        builder.header().SetScanCount(5000);
        for (int s = 0; s < 5000; ++s) {
            builder.AddWord16(static_cast<std::uint16_t>(s * 13));
        }
        TempDir dir;
        OsFileApi files;
        const auto source = SourceOf(builder, dir, files);
        SignalView view(*source);
        view.resize(SignalView::kValueAxisWidth + 400 + SignalView::kRightMargin, 300);
        view.show();
        view.SetView(3000.0, 20.0);  // 20 pixels a scan
        QImage image(view.size(), QImage::Format_ARGB32);
        view.render(&image);
        // Over the middle of scan 3007's slot, the pointer tells that sample's value.
        const int x = SignalView::kValueAxisWidth + static_cast<int>(view.XOfScan(3007.5));
        QTest::mouseMove(&view, QPoint(x, view.LaneRows()[0].first + 20));
        const double value = static_cast<std::int16_t>(3007 * 13) / 3276.8;  // +/-10V
        QVERIFY2(view.PointerText().contains(QStringLiteral("(scan 3007), Channel 0: ") +
                                             QString::number(value, 'g', 5) + QStringLiteral(" V")),
                 qPrintable(view.PointerText()));
    }

    void convertSelection_writesWhatTheCommandLineWrites() {
        // Three channels, the middle one left out; two seconds of five at 1000 Hz.
        TempDir dir;
        RecordingBuilder builder;
        builder.header().SetChannelCount(3);
        builder.header().SetScanCount(5000);
        for (int i = 0; i < 3 * 5000; ++i) {
            builder.AddWord16(static_cast<std::uint16_t>(i * 40503));
        }
        const std::string input = dir.File("run.daq");
        builder.WriteTo(input);

        for (const std::string_view format : {"scaled-text", "csv"}) {
            WindowFixture f;
            f.window->show();
            QVERIFY(!f.Control<QPushButton>(ctl::kPreview)->isEnabled());
            f.BrowseAndLoad(QString::fromStdString(input));
            QVERIFY(f.Control<QPushButton>(ctl::kPreview)->isEnabled());
            f.ChooseFormat(ListIndexOf(format));
            f.dialogs.whileShown = [](QDialog& dialog) {
                auto& preview = dynamic_cast<CPreviewDlg&>(dialog);
                preview.view().SetCursor(0, 3000);
                preview.view().SetCursor(1, 1000);
                preview.laneBox(1).setChecked(false);
                QTest::mouseClick(&preview.convertButton(), Qt::LeftButton);
            };
            if (format == "csv") {
                QTest::keyClick(f.window.get(), Qt::Key_P, Qt::ControlModifier);
            } else {
                f.Click(ctl::kPreview);
            }
            QCOMPARE(f.dialogs.shown().size(), std::size_t{1});
            const std::string extension(FormatOfListItem(ListIndexOf(format)).extension);
            const std::string written = dir.File("run_1-3s_ch0-2" + extension);
            QVERIFY2(FileExists(written), written.c_str());

            const std::string expected = dir.File("cli" + extension);
            QProcess cli;
            cli.start(QStringLiteral(VANTREL_CONVERT_EXE),
                      {QString::fromLatin1(format.data(), static_cast<qsizetype>(format.size()))
                           .prepend(QStringLiteral("--format=")),
                       QStringLiteral("--time"), QStringLiteral("1:3"),
                       QStringLiteral("--channels"), QStringLiteral("0,2"), QStringLiteral("-o"),
                       QString::fromStdString(expected), QString::fromStdString(input)});
            QVERIFY(cli.waitForFinished(60000));
            QCOMPARE(cli.exitCode(), 0);
            QVERIFY(ReadFileBytes(written) == ReadFileBytes(expected));

            // Another input path: the preview is of the loaded recording only.
            f.TypeInputPath(QStringLiteral("other.daq"));
            QVERIFY(!f.Control<QPushButton>(ctl::kPreview)->isEnabled());
        }
    }
};

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::PreviewTest)
#include "PreviewTest.moc"
