// Load and Start Convert on their own thread: the progress dialog, Cancel in each phase,
// closing the window while work runs, and the window's input held back meanwhile. The work
// is held at a file call (a Gate) while the test acts, so nothing depends on timing.

#include <QLabel>
#include <QProgressDialog>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "QtMessageSink.h"
#include "RecordingBuilder.h"
#include "WindowTestKit.h"
#include "convert/ConvertRun.h"
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
    // Clicks `button`; its work stops at the gate, `during` runs on the window's thread
    // meanwhile, then the gate opens and the click returns once the work has ended.
    void Hold(WindowFixture& f, Gate& gate, int button, const std::function<void()>& during) {
        QTimer::singleShot(0, f.window.get(), [&] {
            during();
            gate.Open();
        });
        f.Click(button);
    }
    // Holds the load at its first sample chunk, or the conversion at its first write.
    static void HoldLoad(WindowFixture& f, Gate& gate) {
        f.files.beforeRead = [&gate](std::uint64_t count) {
            if (count == kLoadChunk) {
                gate.Wait();
            }
        };
    }
    static void HoldConversion(WindowFixture& f, Gate& gate) {
        f.files.beforeWrite = [&gate] { gate.Wait(); };
    }
    // A window with the big recording loaded, converting to scaled binary into `output`,
    // which holds an earlier file.
    void LoadBig(WindowFixture& f, const std::string& output) {
        f.window->show();
        f.BrowseAndLoad(QString::fromStdString(big_));
        QVERIFY(f.window->state().recording.samples.has_value());
        f.ChooseFormat(1);
        f.OutputPath()->setText(QString::fromStdString(output));
        WriteFileBytes(output, kEarlier);
    }

    TempDir dir_;
    std::string big_;
    const std::vector<std::uint8_t> kEarlier{'e', 'a', 'r', 'l', 'i', 'e', 'r'};

  private slots:
    void initTestCase() { big_ = WriteRecording(dir_, "big.daq", kBigScans); }

    void progress_appearsWithTitleLabelAndCancel_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("label");
        QTest::newRow("load") << int(ctl::kLoad) << "Loading recording...";
        QTest::newRow("convert") << int(ctl::kStartConvert) << "Converting...";
    }
    void progress_appearsWithTitleLabelAndCancel() {
        QFETCH(int, button);
        QFETCH(QString, label);
        WindowFixture f(kAtOnce);
        const std::string output = dir_.File("out.bin");
        LoadBig(f, output);
        Gate gate;
        button == ctl::kLoad ? HoldLoad(f, gate) : HoldConversion(f, gate);
        Hold(f, gate, button, [&] {
            QVERIFY(ShowsProgress(f));
            QProgressDialog* dialog = ProgressOf(f);
            QCOMPARE(dialog->windowTitle(), ApplicationName());
            QCOMPARE(dialog->labelText(), label);
            QVERIFY(dialog->isModal());
            QCOMPARE(dialog->findChild<QPushButton*>()->text(), QStringLiteral("Cancel"));
        });
        QVERIFY(!ProgressOf(f)->isVisible());
        QVERIFY(f.window->state().recording.samples.has_value());
        const std::vector<std::string> said =
            button == ctl::kLoad ? std::vector<std::string>{} : std::vector{SuccessMessage(output)};
        QCOMPARE(f.messages.texts, said);
    }

    void progress_waitsHalfASecond_andQuickWorkNeverShowsIt() {
        WindowFixture f;
        QCOMPARE(ProgressOf(f)->minimumDuration(), 500);
        ShowCounter counter;
        ProgressOf(f)->installEventFilter(&counter);
        TempDir dir;
        f.window->show();
        f.BrowseAndLoad(QString::fromStdString(WriteRecording(dir, "small.daq", 4)));
        f.Click(ctl::kStartConvert);
        QCOMPARE(f.messages.texts, std::vector{SuccessMessage(dir.File("small.cvt"))});
        QCOMPARE(counter.shown, 0);
    }

    // A cancelled load is one whose sample read failed: the new header is presented (View
    // follows it) but no samples are held, the labels keep their texts, and nothing is said.
    void cancel_duringLoad_leavesAFailedSampleRead_withoutAMessage() {
        TempDir dir;
        RecordingBuilder noQueue;
        noQueue.AddWord16(1);
        const std::string small = dir.File("small.daq");
        noQueue.WriteTo(small);
        WindowFixture f(kAtOnce);
        f.window->show();
        f.BrowseAndLoad(QString::fromStdString(small));
        QVERIFY(!f.Control(ctl::kView)->isEnabled());

        Gate gate;
        HoldLoad(f, gate);
        f.chooser.answers.push_back(QString::fromStdString(big_));
        f.Click(ctl::kBrowseInput);
        Hold(f, gate, ctl::kLoad, [&] {
            QVERIFY(ShowsProgress(f));
            ClickCancel(f);
        });
        const ConversionState& state = f.window->state();
        QVERIFY(!state.recording.samples.has_value());
        QCOMPARE(state.recording.loadedPath, big_);
        QCOMPARE(state.recording.header.scanCount(), kBigScans);
        QCOMPARE(state.display[DisplayField::kChannel], std::string("2"));
        QVERIFY(f.Control(ctl::kView)->isEnabled());
        // No exchange out: the labels stay as Browse left them.
        QVERIFY(f.Control<QLabel>(ctl::kChannelText)->text().isEmpty());
        QVERIFY(f.messages.texts.empty());
        QCOMPARE(f.files.openHandles, 0);
        QVERIFY(!ProgressOf(f)->isVisible());

        f.Click(ctl::kStartConvert);
        QCOMPARE(f.messages.texts, std::vector<std::string>{kNoSourceDataMessage});
    }

    void cancel_duringConversion_keepsTheEarlierOutput_andSaysSoOnce() {
        WindowFixture f(kAtOnce);
        const std::string output = dir_.File("cancelled.bin");
        LoadBig(f, output);
        Gate gate;
        HoldConversion(f, gate);
        Hold(f, gate, ctl::kStartConvert, [&] {
            QVERIFY(ShowsProgress(f));
            ClickCancel(f);
        });
        QCOMPARE(f.messages.texts, std::vector<std::string>{kCancelledMessage});
        QCOMPARE(ReadFileBytes(output), kEarlier);
        QCOMPARE(f.files.openHandles, 0);

        // The recording stays loaded: the next run converts it.
        f.Click(ctl::kStartConvert);
        QCOMPARE(f.messages.texts.back(), SuccessMessage(output));
        QCOMPARE(ReadFileBytes(output).size(), std::size_t{2 * kBigScans * 8});
    }

    void close_duringConversion_cancelsWithoutAQuestion() {
        WindowFixture f(kAtOnce);
        const std::string output = dir_.File("closed.bin");
        LoadBig(f, output);
        Gate gate;
        HoldConversion(f, gate);
        Hold(f, gate, ctl::kStartConvert, [&] {
            QVERIFY(ShowsProgress(f));
            f.window->close();
            QVERIFY(f.window->isVisible());  // until the work has stopped
        });
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.window->result(), int(QDialog::Rejected));
        QVERIFY(f.messages.texts.empty());
        QVERIFY(f.dialogs.shown().empty());
        QCOMPARE(ReadFileBytes(output), kEarlier);
        QVERIFY(!f.window->state().recording.samples.has_value());
        QCOMPARE(f.files.openHandles, 0);
    }

    // Before the dialog appears the window paints but takes no clicks or keys.
    void input_whileWorkRuns_isHeldBack() {
        WindowFixture f(std::chrono::hours(1));
        f.window->show();
        Gate gate;
        HoldLoad(f, gate);
        f.InputPath()->setText(QString::fromStdString(big_));
        Hold(f, gate, ctl::kLoad, [&] {
            f.Click(ctl::kAbout);
            QTest::keyClicks(f.InputPath(), QStringLiteral("x"));
        });
        QVERIFY(f.dialogs.shown().empty());
        QCOMPARE(f.InputPath()->text().toStdString(), big_);
        QVERIFY(f.window->state().recording.samples.has_value());
        QVERIFY(f.messages.texts.empty());
    }
};

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::LongWorkTest)
#include "LongWorkTest.moc"
