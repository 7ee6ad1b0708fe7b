// SPDX-License-Identifier: BSD-3-Clause
// Load and Start Convert on their own thread: the progress dialog, Cancel in each phase,
// closing the window while work runs, and the window's input held back meanwhile. The work
// is held at a file call (a Gate) while the test acts, so nothing depends on timing.

#include <QProgressDialog>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "QtMessageSink.h"
#include "RecordingBuilder.h"
#include "WindowTestKit.h"
#include "convert/run/ConvertRun.h"
#include "recording/LoadRecording.h"

namespace vantrel::test {

namespace {

constexpr std::chrono::milliseconds kAtOnce{0};
constexpr int kBigScans = 1 << 19;  // two channels of 16 bits: a block of two load chunks

// Card type 1, two channels, one queue entry, `scans` scans.
std::string WriteRecording(const TempDir& dir, const std::string& name, int scans) {
    RecordingBuilder builder;
    builder.header().SetChannelCount(2);
    builder.header().SetScanCount(scans);
    builder.AddQueueEntry(0, 1);
    for (int i = 0; i < 2 * scans; ++i) {
        builder.AddWord16(static_cast<std::uint16_t>(i));
    }
    const std::string path = dir.File(name);
    builder.WriteTo(path);
    return path;
}

QProgressDialog* ProgressOf(const WindowFixture& f) {
    return f.window->findChild<QProgressDialog*>();
}

bool ShowsProgress(const WindowFixture& f) {
    return QTest::qWaitFor([&] { return ProgressOf(f)->isVisible(); });
}

void ClickCancel(const WindowFixture& f) {
    QTest::mouseClick(ProgressOf(f)->findChild<QPushButton*>(), Qt::LeftButton);
}

// Counts how often a widget was shown.
class ShowCounter final : public QObject {
  public:
    int shown = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        shown += event->type() == QEvent::Show ? 1 : 0;
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

class LongWorkTest : public QObject {
    Q_OBJECT

  private:
    // Clicks `button` with its work held at the gate; `during` runs on the window's thread
    // meanwhile, then the gate opens and the click returns once the work has ended.
    void Hold(WindowFixture& f, int button, const std::function<void()>& during) {
        QTimer::singleShot(0, f.window.get(), [&] {
            during();
            gate_->Open();
        });
        f.Click(button);
    }

    TempDir dir_;
    std::string big_;
    std::unique_ptr<Gate> gate_;

  private slots:
    void initTestCase() { big_ = WriteRecording(dir_, "big.daq", kBigScans); }
    void init() { gate_ = std::make_unique<Gate>(); }

    // Cancel in either phase, or the window closed: the dialog was up with its texts, an
    // earlier output keeps its bytes, and at most the one cancellation message is shown.
    void cancelOrClose_duringWork_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("label");
        QTest::addColumn<bool>("close");
        QTest::newRow("cancel load") << int(ctl::kLoad) << "Loading recording..." << false;
        QTest::newRow("cancel conversion") << int(ctl::kStartConvert) << "Converting..." << false;
        QTest::newRow("close in conversion") << int(ctl::kStartConvert) << "Converting..." << true;
    }
    void cancelOrClose_duringWork() {
        QFETCH(int, button);
        QFETCH(QString, label);
        QFETCH(bool, close);
        WindowFixture f(kAtOnce);
        f.window->show();
        f.BrowseAndLoad(QString::fromStdString(big_));
        f.ChooseFormat(1);
        const std::string output = dir_.File("out.bin");
        const std::vector<std::uint8_t> earlier{'e', 'a', 'r', 'l', 'y'};
        WriteFileBytes(output, earlier);
        f.OutputPath()->setText(QString::fromStdString(output));
        // Held at the first sample chunk of the load, or the first write of the conversion.
        f.files.beforeRead = [&](std::uint64_t count) {
            if (count == kLoadChunk) {
                gate_->Wait();
            }
        };
        f.files.beforeWrite = [&] { gate_->Wait(); };

        Hold(f, button, [&] {
            QVERIFY(ShowsProgress(f));
            QCOMPARE(ProgressOf(f)->windowTitle(), ApplicationName());
            QCOMPARE(ProgressOf(f)->labelText(), label);
            QVERIFY(ProgressOf(f)->isModal());
            close ? void(f.window->close()) : ClickCancel(f);
            QVERIFY(f.window->isVisible());  // until the work has stopped
        });
        QVERIFY(!ProgressOf(f)->isVisible());
        QCOMPARE(ReadFileBytes(output), earlier);
        QCOMPARE(f.files.openHandles, 0);
        QCOMPARE(f.window->isVisible(), !close);
        const bool converting = button == ctl::kStartConvert;
        const auto said = converting && !close ? std::vector<std::string>{kCancelledMessage}
                                               : std::vector<std::string>{};
        QCOMPARE(f.messages.texts, said);
        // The recording stays loaded after a cancelled conversion; a cancelled load holds the
        // new header (View follows it) and no samples, as a failed sample read leaves it.
        QCOMPARE(f.window->state().recording.samples.has_value(), converting && !close);
        QCOMPARE(f.window->state().recording.loadedPath, big_);
        QVERIFY(f.Control(ctl::kView)->isEnabled() || close);
    }

    void progress_waitsHalfASecond_andQuickWorkNeverShowsIt() {
        WindowFixture f;
        QCOMPARE(ProgressOf(f)->minimumDuration(), 500);
        ShowCounter counter;
        ProgressOf(f)->installEventFilter(&counter);
        f.window->show();
        f.BrowseAndLoad(QString::fromStdString(WriteRecording(dir_, "small.daq", 4)));
        f.Click(ctl::kStartConvert);
        QCOMPARE(f.messages.texts, std::vector{SuccessMessage(dir_.File("small.cvt"))});
        QCOMPARE(counter.shown, 0);
    }

    // Before the dialog appears the window paints but takes no clicks or keys.
    void input_whileWorkRuns_isHeldBack() {
        WindowFixture f(std::chrono::hours(1));
        f.window->show();
        f.files.beforeRead = [&](std::uint64_t) { gate_->Wait(); };
        f.InputPath()->setText(QString::fromStdString(big_));
        Hold(f, ctl::kLoad, [&] {
            f.Click(ctl::kAbout);
            QTest::keyClicks(f.InputPath(), QStringLiteral("x"));
        });
        QVERIFY(f.dialogs.shown().empty());
        QCOMPARE(f.InputPath()->text().toStdString(), big_);
        QVERIFY(f.window->state().recording.samples.has_value());
    }
};

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::LongWorkTest)
#include "LongWorkTest.moc"
