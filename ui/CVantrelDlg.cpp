// SPDX-License-Identifier: BSD-3-Clause
#include "CVantrelDlg.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDropEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QUrl>
#include <array>
#include <utility>

#include "CAboutDlg.h"
#include "CChRangeDlg.h"
#include "DialogTemplates.h"
#include "MinimisedIcon.h"
#include "Pictures.h"
#include "PreviewSelection.h"
#include "StartArguments.h"
#include "SystemMenu.h"
#include "convert/formats/OutputFormats.h"
#include "convert/output/OutputPath.h"
#include "convert/overview/RecordingOverview.h"
#include "convert/run/ConvertRun.h"
#include "convert/run/ScanReader.h"
#include "convert/text/Separators.h"
#include "platform/Platform.h"
#include "recording/CardCatalogue.h"
#include "recording/HeaderText.h"
#include "recording/LoadRecording.h"

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace vantrel {

namespace {

// Paths held by the window are byte strings in the local 8-bit code page.
QString FromLocal(const std::string& text) {
    return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}
std::string ToLocal(const QString& text) {
    return text.toLocal8Bit().toStdString();
}

// The display texts are the header's bytes, shown as every front end shows them; they come
// back from their labels byte for byte.
QString FromHeaderText(const std::string& text) {
    const std::string utf8 = HeaderTextAsUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}
std::string ToHeaderText(const QString& text) {
    return HeaderTextFromUtf8(text.toUtf8().toStdString());
}

enum class ExchangeKind { kPath, kDisplay, kCheck, kRadio };

struct ExchangeEntry {
    int id;
    ExchangeKind kind;
    std::string ConversionState::*path = nullptr;  // kPath
    DisplayField display = DisplayField::kCard;    // kDisplay
    std::int32_t DialogFields::*value = nullptr;   // kCheck, kRadio
};

constexpr ExchangeEntry Path(int id, std::string ConversionState::*path) {
    return {id, ExchangeKind::kPath, path};
}
constexpr ExchangeEntry Display(int id, DisplayField field) {
    return {id, ExchangeKind::kDisplay, nullptr, field};
}
constexpr ExchangeEntry Value(int id, ExchangeKind kind, std::int32_t DialogFields::*value) {
    return {id, kind, nullptr, DisplayField::kCard, value};
}

// Control 1027 is bound once at start and exchanges no value; the rest in exchange order.
constexpr std::array<ExchangeEntry, 15> kExchange = {{
    Path(ctl::kInputPath, &ConversionState::inputPath),
    Path(ctl::kOutputPath, &ConversionState::outputPath),
    Display(ctl::kRangeText, DisplayField::kRange),
    Display(ctl::kCardText, DisplayField::kCard),
    Display(ctl::kChannelText, DisplayField::kChannel),
    Display(ctl::kOrderText, DisplayField::kOrder),
    Display(ctl::kWidthText, DisplayField::kWidth),
    Display(ctl::kScanText, DisplayField::kScan),
    Display(ctl::kRateText, DisplayField::kRate),
    Display(ctl::kDateText, DisplayField::kDate),
    Display(ctl::kTimeText, DisplayField::kTime),
    Value(ctl::kTitle, ExchangeKind::kCheck, &DialogFields::titleFlag),
    Value(ctl::kSpace, ExchangeKind::kRadio, &DialogFields::separatorIndex),
    Display(ctl::kQueueText, DisplayField::kQueue),
    Value(ctl::kDecimal, ExchangeKind::kRadio, &DialogFields::digitalIndex),
}};

QString ControlText(QWidget* control) {
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        return edit->text();
    }
    if (auto* label = qobject_cast<QLabel*>(control)) {
        return label->text();
    }
    return {};
}

// Sets the text only when it differs, so an unchanged field raises no change notification.
void SetControlText(QWidget* control, const QString& text) {
    if (ControlText(control) == text) {
        return;
    }
    if (auto* edit = qobject_cast<QLineEdit*>(control)) {
        edit->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(control)) {
        label->setText(text);
    }
}

void ExchangeRadio(QButtonGroup& group, std::int32_t& value, bool in) {
    if (in) {
        value = group.checkedId();  // -1 when none is checked
        return;
    }
    // The button whose index equals the value is checked, the others are not.
    group.setExclusive(false);
    for (QAbstractButton* button : group.buttons()) {
        button->setChecked(group.id(button) == value);
    }
    group.setExclusive(true);
}

}  // namespace

ConversionOptions OptionsOf(const DialogFields& fields) {
    return {FormatOfListItem(fields.formatIndex).format, SeparatorOfIndex(fields.separatorIndex),
            fields.titleFlag == 1};
}

const OutputFormatInfo& FormatOfListItem(std::int32_t formatIndex) {
    const auto formats = OutputFormats();
    if (formatIndex < 0 || static_cast<std::size_t>(formatIndex) >= formats.size()) {
        return kCodesTextFormat;
    }
    return *formats[static_cast<std::size_t>(formatIndex)];
}

std::optional<QString> DroppedFile(const QMimeData& data) {
    const QList<QUrl> urls = data.urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) {
        return std::nullopt;
    }
    const QString path = urls.front().toLocalFile();
    if (path.isEmpty() || QFileInfo(path).isDir()) {
        return std::nullopt;
    }
    return path;
}

FileChooserRequest InputFileRequest() {
    return {FileChooserRequest::Mode::kOpen,
            QStringLiteral("Select Input File"),
            {{QStringLiteral("DAQ Files (*.daq; *.dat)"), QStringLiteral("*.daq; *.dat")},
             {QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")}},
            true,
            true};
}

FileChooserRequest OutputFileRequest() {
    return {FileChooserRequest::Mode::kSave, QStringLiteral("Select Output File"), {}, true, true};
}

CVantrelDlg::CVantrelDlg(const WindowServices& services, QWidget* parent)
    : QDialog(parent), services_(services), windowIcon_(ProgramIcon()) {
    built_ = BuildDialog(*this, MainTemplate());
    inputPath_ = FindControl<QLineEdit>(*this, ctl::kInputPath);
    outputPath_ = FindControl<QLineEdit>(*this, ctl::kOutputPath);
    formatList_ = FindControl<QComboBox>(*this, ctl::kFormatList);
    view_ = FindControl<QPushButton>(*this, ctl::kView);
    preview_ = FindControl<QPushButton>(*this, ctl::kPreview);
    work_ = new BackgroundWork(*this, services.progressDelay);
    // A file dropped anywhere on the window, the path fields included, is taken as the
    // input file; the fields do not take the dropped file's address as text.
    setAcceptDrops(true);
    for (QLineEdit* edit : findChildren<QLineEdit*>()) {
        edit->setAcceptDrops(false);
    }

    // The event table.
    const auto onClick = [this](int id, void (CVantrelDlg::*handler)()) {
        connect(FindControl<QPushButton>(*this, id), &QPushButton::clicked, this, handler);
    };
    onClick(ctl::kBrowseInput, &CVantrelDlg::OnBrowseInput);
    onClick(ctl::kBrowseOutput, &CVantrelDlg::OnBrowseOutput);
    onClick(ctl::kLoad, &CVantrelDlg::OnLoad);
    onClick(ctl::kView, &CVantrelDlg::OnView);
    onClick(ctl::kPreview, &CVantrelDlg::OnPreview);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this), &QShortcut::activated, this,
            [this] {
                if (preview_->isEnabled()) {
                    OnPreview();
                }
            });
    onClick(ctl::kStartConvert, &CVantrelDlg::OnStartConvert);
    onClick(ctl::kAbout, &CVantrelDlg::OnAbout);
    onClick(kIdCancel, &CVantrelDlg::reject);
    connect(inputPath_, &QLineEdit::textChanged, this, &CVantrelDlg::OnInputPathChange);
    // A selection by the user only; selecting by program raises nothing.
    connect(formatList_, &QComboBox::activated, this, &CVantrelDlg::OnFormatChange);

    OnInitDialog();
}

CVantrelDlg::~CVantrelDlg() = default;

void CVantrelDlg::OnInitDialog() {
    // The template's initialisation data: the Format list items, in OutputFormat order.
    for (const OutputFormatInfo* format : OutputFormats()) {
        formatList_->addItem(QString::fromLatin1(format->listText.data(),
                                                 static_cast<qsizetype>(format->listText.size())));
    }
    UpdateData(false);
    AddAboutItem(*this);
    setWindowIcon(windowIcon_);
    formatList_->setCurrentIndex(0);
    if (QWidget* first = FirstTabStop(built_)) {
        first->setFocus();
    }
}

void CVantrelDlg::UpdateData(bool saveAndValidate) {
    DoDataExchange(saveAndValidate);
}

void CVantrelDlg::DoDataExchange(bool in) {
    for (const ExchangeEntry& entry : kExchange) {
        QWidget* control = FindControl(*this, entry.id);
        std::string* text = entry.kind == ExchangeKind::kPath      ? &(state_.*entry.path)
                            : entry.kind == ExchangeKind::kDisplay ? &state_.display[entry.display]
                                                                   : nullptr;
        if (text != nullptr) {
            const bool path = entry.kind == ExchangeKind::kPath;
            if (in) {
                const QString shown = ControlText(control);
                *text = path ? ToLocal(shown) : ToHeaderText(shown);
            } else {
                SetControlText(control, path ? FromLocal(*text) : FromHeaderText(*text));
            }
            continue;
        }
        std::int32_t& value = fields_.*entry.value;
        if (entry.kind == ExchangeKind::kCheck) {
            auto* box = qobject_cast<QCheckBox*>(control);
            if (in) {
                value = box->isChecked() ? 1 : 0;
            } else {
                if (value < 0 || value > 2) {
                    value = 0;
                }
                box->setChecked(value != 0);
            }
        } else {
            ExchangeRadio(*qobject_cast<QRadioButton*>(control)->group(), value, in);
        }
    }
    // Where the window's integers meet the state: the core takes typed options.
    if (in) {
        state_.options = OptionsOf(fields_);
    }
}

bool CVantrelDlg::RunWork(const QString& label, const Work& work,
                          const std::function<void()>& ended) {
    MessageLog said;
    const Platform platform{services_.files, said};
    work_->Run(label, [&](const ProgressCallback& progress) { work(platform, progress); });
    if (const auto closed = std::exchange(closeResult_, std::nullopt)) {
        QDialog::done(*closed);
        OnDestroy();
        return false;
    }
    if (ended) {
        ended();
    }
    for (const std::string& text : said.texts()) {
        services_.messages.ShowMessage(text);
    }
    return true;
}

void CVantrelDlg::OnBrowseInput() {
    const auto chosen = services_.chooser.Choose(this, InputFileRequest());
    if (chosen) {
        TakeInputFile(*chosen);
    }
}

void CVantrelDlg::TakeInputFile(const QString& path) {
    // Set always: choosing the same path again still counts as a change of the field.
    if (inputPath_->text() == path) {
        OnInputPathChange();
    } else {
        inputPath_->setText(path);
    }
    const std::string_view extension = FormatOfListItem(fields_.formatIndex).extension;
    derivedFrom_ = path;
    derivedOutput_ = FromLocal(DeriveOutputPath(ToLocal(path), extension));
    outputPath_->setText(derivedOutput_);
}

void CVantrelDlg::OpenAtStart(const QString& path, const QStringList& others) {
    // The chooser offers files that exist only; a path given at start may name none.
    if (const QFileInfo file(path); !file.isFile()) {
        services_.messages.ShowMessage(ToLocal(path) + ": " + kCannotOpenMessage);
    } else {
        TakeInputFile(path);
        OnLoad();
    }
    if (!others.isEmpty()) {
        services_.messages.ShowMessage(ToLocal(NotOpenedMessage(others)));
    }
}

void CVantrelDlg::OnBrowseOutput() {
    const auto chosen = services_.chooser.Choose(this, OutputFileRequest());
    if (chosen) {
        outputPath_->setText(*chosen);
    }
}

void CVantrelDlg::OnLoad() {
    UpdateData(true);
    if (state_.inputPath.empty()) {
        return;
    }
    Load load;
    bool loaded = false;
    const bool open = RunWork(
        QStringLiteral("Loading recording..."),
        [&](const Platform& platform, const ProgressCallback& progress) {
            // The block held now goes once the new header has passed, before the new one
            // is read; the work has the state to itself while it runs.
            load = LoadRecording(state_.inputPath, platform, SourceDigest::kTake, progress,
                                 &state_.recording.samples);
        },
        [&] {
            // Before the load's message is shown, as the loader presents the header.
            loaded = load.outcome.done();
            if (const auto view = TakeLoad(state_, std::move(load))) {
                view_->setEnabled(*view);
                // Header and queue are held: the preview reads the samples from the file,
                // held or not.
                previewSource_.reset();
                preview_->setEnabled(true);
            }
        });
    if (!open || !loaded) {
        return;  // the loader has said why; the controls keep what they show
    }
    UpdateData(false);
    SetFormatIndex(0);
    formatList_->setCurrentIndex(0);
    ApplyOptionRules();
}

void CVantrelDlg::OnView() {
    const LoadedRecording& recording = state_.recording;
    CChRangeDlg viewer(this, recording.header.queueCount(), recording.queue, RangeLabels);
    services_.dialogs.Run(viewer);
}

void CVantrelDlg::OnPreview() {
    const LoadedRecording& loaded = state_.recording;
    if (!previewSource_) {
        std::optional<ScanRecording> opened;
        std::optional<RecordingOverview> overview;
        const bool open = RunWork(QStringLiteral("Reading the recording for its preview..."),
                                  [&](const Platform& platform, const ProgressCallback& progress) {
                                      auto got = OpenScanRecording(loaded.loadedPath, platform);
                                      if (!got) {
                                          return;
                                      }
                                      if (got->recording.header != loaded.header ||
                                          got->recording.queue != loaded.queue) {
                                          platform.messages.ShowMessage(kRecordingChangedMessage);
                                          return;
                                      }
                                      auto computed =
                                          RecordingOverview::Compute(*got, platform, progress);
                                      if (computed) {
                                          opened = std::move(*got);
                                          overview = std::move(*computed);
                                      }
                                  });
        if (!open || !overview) {
            return;  // cancelled, or the messages have said why
        }
        previewSource_ = std::make_unique<PreviewSource>(std::move(*opened), std::move(*overview),
                                                         services_.files);
    }
    CPreviewDlg preview(this, *previewSource_, QFileInfo(FromLocal(loaded.loadedPath)).fileName(),
                        [this](const PreviewChoice& choice) { ConvertPreviewChoice(choice); });
    services_.dialogs.Run(preview);
}

void CVantrelDlg::ConvertPreviewChoice(const PreviewChoice& choice) {
    if (work_->running()) {
        return;  // one conversion at a time
    }
    UpdateData(true);
    ConversionRequest request = RequestOf(state_);
    const LoadedRecording& loaded = state_.recording;
    if (!loaded.samples) {
        // Not held: read from the file as the command line does.
        request.loaded = nullptr;
        request.inputPath = loaded.loadedPath;
    }
    request.selection =
        PreviewSelection(loaded, choice.range.first, choice.range.end, choice.lanes);
    const std::string base =
        state_.outputPath.empty()
            ? DeriveOutputPath(loaded.loadedPath, FormatOfListItem(fields_.formatIndex).extension)
            : state_.outputPath;
    request.outputPath = WithSuffixBeforeExtension(base, SelectionSuffix(request.selection));
    RunWork(QStringLiteral("Converting..."),
            [&](const Platform& platform, const ProgressCallback& progress) {
                RunConversion(request, platform, progress);
            });
}

void CVantrelDlg::OnStartConvert() {
    const auto request = StartConvert(state_, services_.messages, [this] { UpdateData(true); });
    if (!request) {
        return;
    }
    RunWork(QStringLiteral("Converting..."),
            [&](const Platform& platform, const ProgressCallback& progress) {
                RunConversion(*request, platform, progress);
            });
}

void CVantrelDlg::OnInputPathChange() {
    UpdateData(true);
    // Byte-wise: a path that differs only in letter case is another file.
    LoadedRecording& recording = state_.recording;
    if (state_.inputPath != recording.loadedPath && recording.samples) {
        recording.samples.reset();
        state_.display.Clear();
        UpdateData(false);
        view_->setEnabled(false);
    }
    if (state_.inputPath != recording.loadedPath) {
        previewSource_.reset();
        preview_->setEnabled(false);
    }
}

void CVantrelDlg::OnFormatChange() {
    SetFormatIndex(formatList_->currentIndex());
    if (state_.recording.samples) {
        ApplyOptionRules();
    }
}

void CVantrelDlg::SetFormatIndex(std::int32_t formatIndex) {
    fields_.formatIndex = formatIndex;
    const OutputFormatInfo& format = FormatOfListItem(formatIndex);
    state_.options.format = format.format;
    // A path the user typed or chose stays as it is.
    if (!derivedOutput_.isEmpty() && outputPath_->text() == derivedOutput_) {
        derivedOutput_ = FromLocal(DeriveOutputPath(ToLocal(derivedFrom_), format.extension));
        outputPath_->setText(derivedOutput_);
    }
}

void CVantrelDlg::ApplyOptionRules() {
    const FormatOptions options = FormatOfListItem(fields_.formatIndex).options;
    FindControl(*this, ctl::kTitle)->setEnabled(options.Has(FormatOption::kTitle));
    for (int id : {ctl::kSpace, ctl::kTab, ctl::kComma}) {
        FindControl(*this, id)->setEnabled(options.Has(FormatOption::kSeparator));
    }
    // Digital output is not offered in any format.
    FindControl(*this, ctl::kDecimal)->setEnabled(false);
    FindControl(*this, ctl::kHexadecimal)->setEnabled(false);
}

void CVantrelDlg::OnAbout() {
    CAboutDlg about(this);
    services_.dialogs.Run(about);
}

bool CVantrelDlg::OnSysCommand(std::uint32_t command) {
    if (!IsAboutCommand(command)) {
        return false;
    }
    OnAbout();
    return true;
}

void CVantrelDlg::OnOK() {
    UpdateData(true);
    accept();
}

void CVantrelDlg::done(int result) {
    if (work_->running()) {
        // The work holds the state: it stops first, and RunWork then ends the window.
        closeResult_ = result;
        work_->Cancel();
        return;
    }
    QDialog::done(result);
    OnDestroy();
}

void CVantrelDlg::OnDestroy() {
    state_.recording.samples.reset();
    previewSource_.reset();
}

void CVantrelDlg::keyPressEvent(QKeyEvent* event) {
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    // Enter on a push button presses it; anywhere else it is the dialog's OK command.
    if (enter) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
            button->click();
        } else {
            OnOK();
        }
        return;
    }
    QDialog::keyPressEvent(event);
}

void CVantrelDlg::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedFile(*event->mimeData())) {
        event->acceptProposedAction();
    }
}

void CVantrelDlg::dragMoveEvent(QDragMoveEvent* event) {
    if (DroppedFile(*event->mimeData())) {
        event->acceptProposedAction();
    }
}

void CVantrelDlg::dropEvent(QDropEvent* event) {
    if (const auto path = DroppedFile(*event->mimeData())) {
        event->acceptProposedAction();
        TakeInputFile(*path);
    }
}

void CVantrelDlg::paintEvent(QPaintEvent* event) {
    if (!isMinimized()) {
        QDialog::paintEvent(event);
        return;
    }
    QPainter painter(this);
    painter.drawPixmap(MinimisedIconOrigin(width(), height(), kIconSize, kIconSize),
                       windowIcon_.pixmap(kIconSize, kIconSize));
}

#ifdef Q_OS_WIN
bool CVantrelDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && OnSysCommand(static_cast<std::uint32_t>(msg->wParam))) {
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif

}  // namespace vantrel
