// SPDX-License-Identifier: BSD-3-Clause
// The main window: its template, its control states in each state of the loaded data, the
// data exchange, every handler, and the typical use from browsing to a converted file.

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMimeData>
#include <QRadioButton>
#include <QSignalSpy>
#include <QtTest>
#include <array>
#include <map>

#include "DialogTemplates.h"
#include "DialogUnits.h"
#include "MinimisedIcon.h"
#include "RecordingBuilder.h"
#include "SystemMenu.h"
#include "WindowTestKit.h"
#include "convert/formats/OutputFormats.h"
#include "convert/output/OutputPath.h"
#include "recording/LoadRecording.h"

namespace vantrel::test {

namespace {

constexpr std::array kValueLabels = {
    ctl::kCardText,  ctl::kChannelText, ctl::kScanText, ctl::kWidthText, ctl::kOrderText,
    ctl::kRangeText, ctl::kRateText,    ctl::kDateText, ctl::kTimeText,  ctl::kQueueText};
constexpr std::array kTextOptions = {ctl::kTitle, ctl::kSpace, ctl::kTab, ctl::kComma};
constexpr std::array kAlwaysEnabled = {ctl::kInputPath,  ctl::kBrowseInput,  ctl::kLoad,
                                       ctl::kOutputPath, ctl::kBrowseOutput, ctl::kStartConvert,
                                       ctl::kAbout,      kIdCancel,          ctl::kFormatList};

// A 16-bit recording of card type 1 with `channels` channels, `scans` scans and a queue of
// `queue` entries (channel i, range 1).
std::string WriteRecording(const TempDir& dir, const std::string& name, int channels = 2,
                           int scans = 3, int queue = 2) {
    RecordingBuilder builder;
    builder.header().SetChannelCount(static_cast<std::int16_t>(channels));
    builder.header().SetScanCount(scans);
    for (int i = 0; i < queue; ++i) {
        builder.AddQueueEntry(static_cast<std::uint8_t>(i), 1);
    }
    for (int i = 0; i < channels * scans; ++i) {
        builder.AddWord16(static_cast<std::uint16_t>(0x8000 + 1000 * i));
    }
    const std::string path = dir.File(name);
    builder.WriteTo(path);
    return path;
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

  private:
    QStringList LabelTexts(const WindowFixture& f) {
        QStringList texts;
        for (int id : kValueLabels) {
            texts << f.Control<QLabel>(id)->text();
        }
        return texts;
    }
    bool AllBlank(const WindowFixture& f) {
        for (const QString& text : LabelTexts(f)) {
            if (!text.isEmpty()) {
                return false;
            }
        }
        return true;
    }

    // The title check box and the separator buttons enabled as the format's set says.
    void ExpectOptionsEnabledFor(const WindowFixture& f, const FormatOptions& options) {
        QCOMPARE(f.Control(ctl::kTitle)->isEnabled(), options.Has(FormatOption::kTitle));
        for (int id : {ctl::kSpace, ctl::kTab, ctl::kComma}) {
            QCOMPARE(f.Control(id)->isEnabled(), options.Has(FormatOption::kSeparator));
        }
        QVERIFY(!f.Control(ctl::kDecimal)->isEnabled());
        QVERIFY(!f.Control(ctl::kHexadecimal)->isEnabled());
    }

    void ExpectOptionsEnabled(const WindowFixture& f, bool enabled) {
        for (int id : kTextOptions) {
            QCOMPARE(f.Control(id)->isEnabled(), enabled);
        }
        QVERIFY(!f.Control(ctl::kDecimal)->isEnabled());
        QVERIFY(!f.Control(ctl::kHexadecimal)->isEnabled());
    }

  private slots:
    void template_controlsFoundByIdWithTextsAndStates() {
        WindowFixture f;
        QCOMPARE(f.window->windowTitle(), QStringLiteral("Tessary -  File Convert Utility"));
        const DialogTemplate& t = MainTemplate();
        for (const ControlSpec& spec : t.controls) {
            if (spec.id != kNoId) {
                QVERIFY2(f.Control(spec.id) != nullptr, qPrintable(QString::number(spec.id)));
            }
        }
        QCOMPARE(f.Control<QPushButton>(ctl::kStartConvert)->text(),
                 QStringLiteral("&Start Convert"));
        QCOMPARE(f.Control<QRadioButton>(ctl::kHexadecimal)->text(), QStringLiteral("Hexadecimal"));
        QComboBox* list = f.FormatList();
        QVERIFY(list->isEditable());
        // The three items of the text and binary outputs first, then every other format of
        // the format table in its order.
        QCOMPARE(list->count(), static_cast<int>(OutputFormats().size()));
        QCOMPARE(list->itemText(0), QStringLiteral("Scaled data to text file"));
        QCOMPARE(list->itemText(1), QStringLiteral("Scaled data to binary file (double)"));
        QCOMPARE(list->itemText(2), QStringLiteral("Binary codes to text file"));
        for (int i = 3; i < list->count(); ++i) {
            QCOMPARE(list->itemText(i).toStdString(),
                     std::string(OutputFormats()[static_cast<std::size_t>(i)]->listText));
        }

        // Client size and a control position follow the template font's base units.
        const DialogBaseUnits units = BaseUnitsOf(f.window->font());
        QCOMPARE(f.window->size(), QSize(DluToPixelsX(304, units), DluToPixelsY(262, units)));
        QCOMPARE(f.Control(ctl::kLoad)->geometry(), DluToPixels(91, 111, 103, 15, units));
    }

    void dialogUnits_mapLikeMulDiv() {
        const DialogBaseUnits units{6, 13};
        QCOMPARE(DluToPixels(27, 20, 38, 11, units), QRect(41, 33, 57, 18));  // 40.5 rounds up
        QCOMPARE(DluToPixelsX(304, units), 456);
        QCOMPARE(DluToPixelsY(262, units), 426);  // 425.75
        QCOMPARE(DluToPixelsY(1, units), 2);      // 1.625
    }

    void template_tabOrderIsTemplateOrder() {
        WindowFixture f;
        f.window->show();
        // Every enabled control with a tab stop, in template order.
        QList<QWidget*> expected;
        for (const ControlSpec& spec : MainTemplate().controls) {
            QWidget* control = spec.id == kNoId ? nullptr : f.Control(spec.id);
            if (control && control->isEnabled() && (control->focusPolicy() & Qt::TabFocus)) {
                expected << control;
            }
        }
        QCOMPARE(expected.size(), 10);  // View is disabled; the radio buttons have no tab stop
        QList<QWidget*> chain;
        QWidget* w = expected.first();
        do {
            QWidget* owner = w;
            while (owner && owner->parentWidget() != f.window.get()) {
                owner = owner->parentWidget();
            }
            if (owner && expected.contains(owner) && !chain.contains(owner)) {
                chain << owner;
            }
            w = w->nextInFocusChain();
        } while (w != expected.first() && chain.size() < expected.size());
        QCOMPARE(chain, expected);
    }

    void start_controlStates() {
        WindowFixture f;
        QVERIFY(AllBlank(f));  // the first data exchange replaced the design-time texts
        QVERIFY(!f.Control(ctl::kView)->isEnabled());
        ExpectOptionsEnabled(f, true);
        QVERIFY(f.Control<QCheckBox>(ctl::kTitle)->isChecked());
        QVERIFY(f.Control<QRadioButton>(ctl::kSpace)->isChecked());
        QVERIFY(f.Control<QRadioButton>(ctl::kDecimal)->isChecked());
        QCOMPARE(f.FormatList()->currentIndex(), 0);
        for (int id : kAlwaysEnabled) {
            QVERIFY(f.Control(id)->isEnabled());
        }
        QVERIFY(f.InputPath()->text().isEmpty());
        QVERIFY(f.OutputPath()->text().isEmpty());
        QCOMPARE(f.window->focusWidget(), f.InputPath());
        QCOMPARE(f.window->fields().formatIndex, 0);
        // The window has no default button, also once shown.
        f.window->show();
        for (QPushButton* button : f.window->findChildren<QPushButton*>()) {
            QVERIFY2(!button->isDefault(), qPrintable(button->text()));
        }
        QCOMPARE(f.window->focusWidget(), f.InputPath());
    }

    void load_showsHeaderSelectsTextFormatAndEnablesOptions_data() {
        QTest::addColumn<int>("queueCount");
        QTest::addColumn<bool>("viewEnabled");
        QTest::newRow("no queue") << 0 << false;
        QTest::newRow("three entries") << 3 << true;
    }
    void load_showsHeaderSelectsTextFormatAndEnablesOptions() {
        QFETCH(int, queueCount);
        QFETCH(bool, viewEnabled);
        TempDir dir;
        const std::string path = WriteRecording(dir, "run1.daq", 3, 4, queueCount);
        WindowFixture f;
        f.ChooseFormat(1);  // binary before any Load: the options stay enabled
        ExpectOptionsEnabled(f, true);
        QCOMPARE(f.window->fields().formatIndex, 1);

        f.BrowseAndLoad(Q(path));
        QVERIFY(f.messages.texts.empty());
        QVERIFY(f.window->state().recording.samples.has_value());
        QCOMPARE(f.Control<QLabel>(ctl::kCardText)->text(), QStringLiteral("MODEL_A"));
        QCOMPARE(f.Control<QLabel>(ctl::kChannelText)->text(), QStringLiteral("3"));
        QCOMPARE(f.Control<QLabel>(ctl::kScanText)->text(), QStringLiteral("4"));
        QCOMPARE(f.Control<QLabel>(ctl::kRangeText)->text(), QStringLiteral("+/-10V"));
        QCOMPARE(f.Control<QLabel>(ctl::kQueueText)->text(), QString::number(queueCount));
        QCOMPARE(f.Control(ctl::kView)->isEnabled(), viewEnabled);
        QCOMPARE(f.FormatList()->currentIndex(), 0);
        QCOMPARE(f.window->fields().formatIndex, 0);
        ExpectOptionsEnabled(f, true);
        for (int id : kAlwaysEnabled) {
            QVERIFY(f.Control(id)->isEnabled());
        }
    }

    // The header's texts show as the recording's Windows software wrote them (Windows-1252,
    // the five bytes it leaves undefined as C1 controls), and the data exchange gives their
    // bytes back unchanged.
    void load_headerTextsShowAsWindows1252_andExchangeBackByteForByte() {
        TempDir dir;
        RecordingBuilder builder;
        builder.header().SetStartDate("\xE9t\xE9 99\x81");
        builder.header().SetStartTime("\x93q\x94\x80\x9D:00");
        builder.header().SetStartMillis("480");
        const std::string path = dir.File("texts.daq");
        builder.WriteTo(path);
        WindowFixture f;
        f.BrowseAndLoad(Q(path));
        QVERIFY(f.messages.texts.empty());
        QCOMPARE(f.Control<QLabel>(ctl::kDateText)->text(),
                 QString::fromUtf8("\xC3\xA9t\xC3\xA9 99\xC2\x81"));
        QCOMPARE(f.Control<QLabel>(ctl::kTimeText)->text(),
                 QString::fromUtf8("\xE2\x80\x9Cq\xE2\x80\x9D\xE2\x82\xAC\xC2\x9D:00.480"));

        const DisplayTexts loaded = f.window->state().display;
        f.window->UpdateData(true);
        QVERIFY(f.window->state().display == loaded);
        QCOMPARE(f.window->state().display[DisplayField::kDate], std::string("\xE9t\xE9 99\x81"));
    }

    // The separators and "Title/Head" are enabled exactly for the formats whose set holds
    // them; each list item selects the table's format at its position, whatever the build
    // holds.
    void formatChange_whileLoaded_enablesOptionsByTheFormatTable() {
        TempDir dir;
        const std::string path = WriteRecording(dir, "run1.daq");
        WindowFixture f;
        f.BrowseAndLoad(Q(path));
        for (int i = 0; i < f.FormatList()->count(); ++i) {
            const OutputFormatInfo& format = *OutputFormats()[static_cast<std::size_t>(i)];
            f.ChooseFormat(i);
            QCOMPARE(f.window->fields().formatIndex, i);
            QVERIFY(f.window->state().options.format == format.format);
            ExpectOptionsEnabledFor(f, format.options);
        }
        // CSV always writes its header row and its own separator: both stay disabled.
        QVERIFY(!FormatInfo(OutputFormat::kCsv).options.Has(FormatOption::kSeparator));
        QVERIFY(!FormatInfo(OutputFormat::kCsv).options.Has(FormatOption::kTitle));
        // An index without an item writes codes.
        for (int index : {-1, f.FormatList()->count()}) {
            QVERIFY(FormatOfListItem(index).format == OutputFormat::kCodesText);
        }
    }

    // While the output path field holds the path derived from the input, it follows the
    // chosen format's extension, also when a Load selects the first item; a typed or chosen
    // path never changes.
    void formatChange_derivedOutputPathFollowsTheExtension_anyOtherStays() {
        const std::map<OutputFormat, std::string> extensions{
            {OutputFormat::kScaledText, ".cvt"}, {OutputFormat::kScaledBinary, ".cvt"},
            {OutputFormat::kCodesText, ".cvt"},  {OutputFormat::kHdf5, ".h5"},
            {OutputFormat::kMat, ".mat"},        {OutputFormat::kMat5, ".mat"},
            {OutputFormat::kNpy, ".npy"},        {OutputFormat::kCsv, ".csv"},
            {OutputFormat::kEdf, ".edf"},        {OutputFormat::kBdf, ".bdf"}};
        TempDir dir;
        const std::string path = WriteRecording(dir, "run.1.daq");
        WindowFixture f;
        f.chooser.answers = {Q(path), QStringLiteral("/out/chosen.txt")};
        f.Click(ctl::kBrowseInput);
        for (int i = f.FormatList()->count() - 1; i >= 0; --i) {
            f.ChooseFormat(i);
            const OutputFormat format = OutputFormats()[static_cast<std::size_t>(i)]->format;
            QCOMPARE(f.OutputPath()->text(), Q(dir.File("run.1" + extensions.at(format))));
        }
        f.ChooseFormat(f.FormatList()->count() - 1);
        f.Click(ctl::kLoad);
        QCOMPARE(f.OutputPath()->text(), Q(dir.File("run.1.cvt")));

        f.Click(ctl::kBrowseOutput);
        f.ChooseFormat(3);
        QCOMPARE(f.OutputPath()->text(), QStringLiteral("/out/chosen.txt"));
        f.OutputPath()->selectAll();
        QTest::keyClicks(f.OutputPath(), Q(dir.File("run.1.cvt")) + "x");
        f.ChooseFormat(0);
        QCOMPARE(f.OutputPath()->text(), Q(dir.File("run.1.cvtx")));
    }

    // Dropping one local file does what confirming Browse with it does; anything else is
    // refused when the drag enters and changes nothing when dropped all the same.
    void drop_takesOneLocalFile_andIgnoresAnythingElse() {
        TempDir dir;
        const QString file = Q(WriteRecording(dir, "run1.daq"));
        const QString loaded = Q(WriteRecording(dir, "run2.daq"));
        const std::vector<std::pair<QList<QUrl>, bool>> cases{
            {{QUrl::fromLocalFile(file)}, true},
            {{QUrl::fromLocalFile(file), QUrl::fromLocalFile(loaded)}, false},
            {{QUrl::fromLocalFile(Q(dir.path()))}, false},
            {{QUrl(QStringLiteral("https://example.org/run1.daq"))}, false},
            {{}, false}};  // text only
        for (const auto& [urls, taken] : cases) {
            WindowFixture f;
            f.BrowseAndLoad(loaded);
            QMimeData data;
            data.setUrls(urls);
            data.setText(file);
            QDragEnterEvent enter({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(f.window.get(), &enter);
            QCOMPARE(enter.isAccepted(), taken);
            QDropEvent drop({5, 5}, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(f.window.get(), &drop);
            QCOMPARE(f.InputPath()->text(), taken ? file : loaded);
            QCOMPARE(f.OutputPath()->text(), Q(dir.File(taken ? "run1.cvt" : "run2.cvt")));
            // Another input path: the loaded samples go, as after Browse.
            QCOMPARE(f.window->state().recording.samples.has_value(), !taken);
        }
        WindowFixture g;  // the path fields do not take a dropped address as text
        QVERIFY(!g.InputPath()->acceptDrops() && !g.OutputPath()->acceptDrops());
    }

    void formatChange_whileLoaded_appliesRules_untilInputPathChanges() {
        TempDir dir;
        const std::string path = WriteRecording(dir, "run1.daq");
        WindowFixture f;
        f.BrowseAndLoad(Q(path));
        f.ChooseFormat(1);
        QCOMPARE(f.window->fields().formatIndex, 1);
        ExpectOptionsEnabled(f, false);
        f.ChooseFormat(2);
        ExpectOptionsEnabled(f, true);
        f.ChooseFormat(1);
        ExpectOptionsEnabled(f, false);

        // One character typed after the path empties the window; the options keep their
        // state whatever is chosen.
        f.InputPath()->end(false);
        QTest::keyClick(f.InputPath(), Qt::Key_X);
        QVERIFY(!f.window->state().recording.samples.has_value());
        ExpectOptionsEnabled(f, false);
        f.ChooseFormat(0);
        QCOMPARE(f.window->fields().formatIndex, 0);
        ExpectOptionsEnabled(f, false);

        // The next successful Load selects item 0 and enables them again.
        f.ChooseFormat(2);
        QTest::keyClick(f.InputPath(), Qt::Key_Backspace);
        QCOMPARE(f.InputPath()->text(), Q(path));
        f.Click(ctl::kLoad);
        QCOMPARE(f.FormatList()->currentIndex(), 0);
        QCOMPARE(f.window->fields().formatIndex, 0);
        ExpectOptionsEnabled(f, true);
    }

    void inputPathChange_dropsSamplesBlanksLabelsDisablesView() {
        TempDir dir;
        const std::string path = WriteRecording(dir, "Run1.daq");
        WindowFixture f;
        f.BrowseAndLoad(Q(path));
        f.ChooseFormat(2);
        QVERIFY(f.Control(ctl::kView)->isEnabled());
        QVERIFY(!AllBlank(f));

        // Same path but another letter case, pasted in one change: a different path.
        QString otherCase = Q(path);
        otherCase.replace(QStringLiteral("Run1"), QStringLiteral("run1"));
        f.InputPath()->setText(otherCase);
        QVERIFY(!f.window->state().recording.samples.has_value());
        QVERIFY(AllBlank(f));
        QVERIFY(!f.Control(ctl::kView)->isEnabled());
        // Left alone: format, loaded path, header, queue, output path.
        QCOMPARE(f.FormatList()->currentIndex(), 2);
        QCOMPARE(f.window->fields().formatIndex, 2);
        QCOMPARE(f.window->state().recording.loadedPath, path);
        QCOMPARE(f.window->state().recording.queue.size(), std::size_t{2});
        QCOMPARE(f.OutputPath()->text(), Q(path).replace(QStringLiteral(".daq"), ".cvt"));

        // Typing the loaded path back restores nothing.
        f.TypeInputPath(Q(path));
        QVERIFY(!f.window->state().recording.samples.has_value());
        QVERIFY(AllBlank(f));
        f.Click(ctl::kStartConvert);
        QCOMPARE(f.messages.texts, std::vector<std::string>{"No source data!"});
    }

    void browseInput_requestsTheOpenChooser_andDerivesOutputPath_data() {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("derived");
        QTest::newRow("extension") << "D:\\data\\run1.daq"
                                   << "D:\\data\\run1.cvt";
        QTest::newRow("no dot") << "D:\\data\\run1"
                                << "D:\\data\\run1.cvt";
        QTest::newRow("ends in dot") << "D:\\data\\run1."
                                     << "D:\\data\\run1.cvt";
        QTest::newRow("two dots") << "D:\\data\\a.b.daq"
                                  << "D:\\data\\a.b.cvt";
        QTest::newRow("dot in folder") << "D:\\my.data\\run1"
                                       << "D:\\my.cvt";
        QTest::newRow("already .cvt") << "/tmp/x.cvt"
                                      << "/tmp/x.cvt";
    }
    void browseInput_requestsTheOpenChooser_andDerivesOutputPath() {
        QFETCH(QString, chosen);
        QFETCH(QString, derived);
        WindowFixture f;
        f.chooser.answers.push_back(chosen);
        f.Click(ctl::kBrowseInput);
        QCOMPARE(f.InputPath()->text(), chosen);
        QCOMPARE(f.OutputPath()->text(), derived);
        QCOMPARE(f.chooser.requests.size(), std::size_t{1});
        const FileChooserRequest& request = f.chooser.requests.front();
        QCOMPARE(request.mode, FileChooserRequest::Mode::kOpen);
        QCOMPARE(request.title, QStringLiteral("Select Input File"));
        const std::vector<FileType> types{
            {QStringLiteral("DAQ Files (*.daq; *.dat)"), QStringLiteral("*.daq; *.dat")},
            {QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")}};
        QCOMPARE(request.fileTypes, types);
        QVERIFY(request.hideReadOnly);
        QVERIFY(request.overwritePrompt);
        // Browsing writes no state field itself; the next exchange in takes the output path.
        QCOMPARE(f.window->state().inputPath, chosen.toStdString());
        QVERIFY(f.window->state().outputPath.empty());
    }

    void browse_cancelChangesNothing() {
        WindowFixture f;
        f.InputPath()->setText(QStringLiteral("/typed/in.daq"));
        f.OutputPath()->setText(QStringLiteral("/typed/out.txt"));
        f.chooser.answers = {QString(), QString()};
        f.Click(ctl::kBrowseInput);
        f.Click(ctl::kBrowseOutput);
        QCOMPARE(f.InputPath()->text(), QStringLiteral("/typed/in.daq"));
        QCOMPARE(f.OutputPath()->text(), QStringLiteral("/typed/out.txt"));
        QCOMPARE(f.chooser.requests.size(), std::size_t{2});
    }

    void browseOutput_requestsTheSaveChooser_andTakesThePathAsChosen() {
        WindowFixture f;
        f.chooser.answers.push_back(QStringLiteral("/out/result.txt"));
        f.Click(ctl::kBrowseOutput);
        QCOMPARE(f.OutputPath()->text(), QStringLiteral("/out/result.txt"));
        const FileChooserRequest& request = f.chooser.requests.front();
        QCOMPARE(request.mode, FileChooserRequest::Mode::kSave);
        QCOMPARE(request.title, QStringLiteral("Select Output File"));
        QVERIFY(request.fileTypes.empty());
        QVERIFY(request.hideReadOnly);
        QVERIFY(request.overwritePrompt);
        QVERIFY(f.InputPath()->text().isEmpty());
    }

    void browseInput_toTheLoadedFileAgain_keepsSamplesAndRewritesOutputPath() {
        TempDir dir;
        const std::string path = WriteRecording(dir, "run1.daq");
        WindowFixture f;
        f.BrowseAndLoad(Q(path));
        f.OutputPath()->setText(QStringLiteral("/somewhere/typed.txt"));
        QSignalSpy changes(f.InputPath(), &QLineEdit::textChanged);
        f.chooser.answers.push_back(Q(path));
        f.Click(ctl::kBrowseInput);
        QVERIFY(f.window->state().recording.samples.has_value());
        QCOMPARE(f.OutputPath()->text(), Q(dir.File("run1.cvt")));
        // The change handler ran (its exchange in took the typed output path) although the
        // field's text did not change.
        QCOMPARE(f.window->state().outputPath, std::string("/somewhere/typed.txt"));
        QCOMPARE(changes.count(), 0);
    }

    void load_emptyPath_doesNothing() {
        WindowFixture f;
        f.Click(ctl::kLoad);
        QVERIFY(f.messages.texts.empty());
        QCOMPARE(f.files.openHandles, 0);
        QVERIFY(!f.window->state().recording.samples.has_value());
    }

    void load_failure_keepsTextsFormatAndOptions() {
        TempDir dir;
        const std::string good = WriteRecording(dir, "good.daq");
        const std::string bad = dir.File("bad.daq");
        WriteFileBytes(bad, std::vector<std::uint8_t>(80, 'x'));
        WindowFixture f;
        f.BrowseAndLoad(Q(good));
        const QStringList shown = LabelTexts(f);
        f.ChooseFormat(1);

        // A rejected file: the typed path differs, so the samples went with the change.
        f.BrowseAndLoad(Q(bad));
        QCOMPARE(f.messages.texts, std::vector<std::string>{kNotRecordingMessage});
        QCOMPARE(f.FormatList()->currentIndex(), 1);
        ExpectOptionsEnabled(f, false);
        QVERIFY(AllBlank(f));

        // Loading the good file again, then a file whose samples are short: the header was
        // presented (View follows it) but the labels keep their texts.
        f.BrowseAndLoad(Q(good));
        QCOMPARE(LabelTexts(f), shown);
        RecordingBuilder shortFile;
        shortFile.header().SetChannelCount(2);
        shortFile.header().SetScanCount(100);
        shortFile.AddWord16(1);
        const std::string truncated = dir.File("short.daq");
        shortFile.WriteTo(truncated);
        f.BrowseAndLoad(Q(truncated));
        QCOMPARE(f.messages.texts.back(), std::string(kReadErrorMessage));
        QVERIFY(!f.Control(ctl::kView)->isEnabled());  // the new header has no queue
        QVERIFY(!f.window->state().recording.samples.has_value());
        QCOMPARE(f.files.openHandles, 0);
    }

    void dataExchange_bothDirections() {
        WindowFixture f;
        f.window->show();
        QTest::mouseClick(f.Control<QRadioButton>(ctl::kComma), Qt::LeftButton);
        QTest::mouseClick(f.Control<QCheckBox>(ctl::kTitle), Qt::LeftButton);
        f.OutputPath()->setText(QStringLiteral("/o.txt"));
        f.window->UpdateData(true);
        QCOMPARE(f.window->fields().separatorIndex, 2);
        QCOMPARE(f.window->fields().titleFlag, 0);
        QCOMPARE(f.window->state().outputPath, std::string("/o.txt"));
        QCOMPARE(f.window->fields().digitalIndex, 0);
        // The core takes them typed.
        QVERIFY(f.window->state().options.separator == Separator::kComma);
        QVERIFY(!f.window->state().options.title);

        // Out: an unchanged input path raises no change notification.
        f.InputPath()->setText(QStringLiteral("/in.daq"));
        QSignalSpy changes(f.InputPath(), &QLineEdit::textChanged);
        f.window->UpdateData(false);
        QCOMPARE(changes.count(), 0);
        QVERIFY(f.Control<QRadioButton>(ctl::kComma)->isChecked());
        QVERIFY(!f.Control<QRadioButton>(ctl::kSpace)->isChecked());
    }

    void enterInInputPath_endsWindowAfterExchangeIn() {
        WindowFixture f;
        f.window->show();
        QTest::mouseClick(f.Control<QCheckBox>(ctl::kTitle), Qt::LeftButton);
        f.InputPath()->setFocus();
        QTest::keyClick(f.InputPath(), Qt::Key_Return);
        QCOMPARE(f.window->result(), int(QDialog::Accepted));
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.window->fields().titleFlag, 0);
    }

    void enterOnAButton_pressesIt_escapeAndExitCancel() {
        WindowFixture f;
        f.window->show();
        f.Control(ctl::kAbout)->setFocus();
        QTest::keyClick(f.Control(ctl::kAbout), Qt::Key_Return);
        QCOMPARE(f.dialogs.shown().size(), std::size_t{1});
        QVERIFY(f.window->isVisible());

        QTest::keyClick(f.InputPath(), Qt::Key_Escape);
        QCOMPARE(f.window->result(), int(QDialog::Rejected));
        QVERIFY(!f.window->isVisible());

        WindowFixture g;
        g.window->show();
        g.Click(kIdCancel);
        QVERIFY(!g.window->isVisible());
        QCOMPARE(g.window->result(), int(QDialog::Rejected));
    }

    void windowEnd_releasesSamples() {
        TempDir dir;
        const std::string path = WriteRecording(dir, "run1.daq");
        WindowFixture f;
        f.window->show();
        f.BrowseAndLoad(Q(path));
        QVERIFY(f.window->state().recording.samples.has_value());
        f.Click(kIdCancel);
        QVERIFY(!f.window->state().recording.samples.has_value());
    }

    void view_showsQueueRowsOverTheWindow() {
        TempDir dir;
        RecordingBuilder builder;
        builder.header().SetChannelCount(3);
        builder.header().SetScanCount(1);
        builder.header().SetOrderCode(2);
        builder.AddQueueEntry(200, 10).AddQueueEntry(0, 40).AddQueueEntry(0, 1);
        builder.AddWord16(1).AddWord16(2).AddWord16(3);
        const std::string path = dir.File("queue.daq");
        builder.WriteTo(path);
        WindowFixture f;
        f.BrowseAndLoad(Q(path));
        f.Click(ctl::kView);
        QCOMPARE(f.dialogs.shown().size(), std::size_t{1});
        const ShownDialog& viewer = f.dialogs.shown().front();
        QCOMPARE(viewer.caption, QStringLiteral("Display Channel/Range"));
        QCOMPARE(viewer.parent, f.window.get());
        QCOMPARE(viewer.rows, QStringList({"\t200\t+/-1V", "\t0\tUnknown (40)", "\t0\t+/-10V"}));
        QVERIFY(f.window->state().recording.samples.has_value());
    }

    void aboutButtonAndSystemCommand_showTheSameBox() {
        WindowFixture f;
        f.Click(ctl::kAbout);
        for (std::uint32_t command = 0x0010; command <= 0x001F; ++command) {
            QVERIFY(f.window->OnSysCommand(command));
        }
        QVERIFY(!f.window->OnSysCommand(0x0020));
        QVERIFY(!f.window->OnSysCommand(0xF060));  // close
        QCOMPARE(f.dialogs.shown().size(), std::size_t{17});
        for (const ShownDialog& shown : f.dialogs.shown()) {
            QCOMPARE(shown.caption, QStringLiteral("About Vantrel"));
        }
    }

    void minimisedIconOrigin_truncatesTowardZero_data() {
        QTest::addColumn<int>("clientWidth");
        QTest::addColumn<int>("x");
        QTest::newRow("wider") << 36 << 2;
        QTest::newRow("narrower by 2") << 30 << 0;
        QTest::newRow("narrower by 3") << 29 << -1;
        QTest::newRow("narrower by 4") << 28 << -1;
        QTest::newRow("much narrower") << 20 << -5;
    }
    void minimisedIconOrigin_truncatesTowardZero() {
        QFETCH(int, clientWidth);
        QFETCH(int, x);
        QCOMPARE(MinimisedIconOrigin(clientWidth, 40, 32, 32), QPoint(x, 4));
    }
};

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::MainWindowTest)
#include "MainWindowTest.moc"
