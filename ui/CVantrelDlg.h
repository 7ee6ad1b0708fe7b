// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The main window: template 102 with the one ConversionState, the data exchange between
// its controls and the state, and the handlers that load, view and convert.

#include <QDialog>
#include <QIcon>
#include <QStringList>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "BackgroundWork.h"
#include "CPreviewDlg.h"
#include "ConversionState.h"
#include "DialogBuilder.h"
#include "DialogRunner.h"
#include "FileChooser.h"
#include "convert/formats/OutputFormats.h"
#include "platform/FileApi.h"
#include "platform/MessageSink.h"
#include "platform/Platform.h"

class QComboBox;
class QMimeData;
class QLineEdit;
class QPushButton;

namespace vantrel {

// What the window reaches the platform through.
struct WindowServices {
    FileApi& files;
    MessageSink& messages;
    FileChooser& chooser;
    DialogRunner& dialogs;  // runs the viewer and the About box
    // How long a Load or a conversion runs before its progress dialog appears.
    std::chrono::milliseconds progressDelay = kProgressDelay;
};

// The choosers the two "Browse" buttons open.
FileChooserRequest InputFileRequest();
FileChooserRequest OutputFileRequest();

// The window's own values of its option controls, as its data exchange reads them: the
// Format list index (-1 with no selection), the check box (1 checked, 0 not) and the radio
// indices (-1 with none checked). They become the state's typed options at each exchange in.
struct DialogFields {
    std::int32_t formatIndex = 0;     // any value without a format writes codes
    std::int32_t titleFlag = 1;       // 1: write the two title lines in text outputs
    std::int32_t separatorIndex = 0;  // the separator radio group
    std::int32_t digitalIndex = 0;    // Decimal/Hexadecimal choice; no output depends on it
};

// The conversion options the window's fields select.
ConversionOptions OptionsOf(const DialogFields& fields);

// The format of a Format list item: the format table's entry at that position, and the
// codes text for an index without an item (-1, no selection, included).
const OutputFormatInfo& FormatOfListItem(std::int32_t formatIndex);

// The file a drag carries when it may be dropped on the window: exactly one local file
// that is not a folder. Anything else (several files, a folder, a remote address, text)
// gives nullopt.
std::optional<QString> DroppedFile(const QMimeData& data);

class CVantrelDlg final : public QDialog {
    Q_OBJECT

  public:
    explicit CVantrelDlg(const WindowServices& services, QWidget* parent = nullptr);
    ~CVantrelDlg() override;

    const ConversionState& state() const { return state_; }
    const DialogFields& fields() const { return fields_; }

    // true: controls into the state; false: state into the controls. formatIndex is
    // not exchanged.
    void UpdateData(bool saveAndValidate);

    // What `vantrel FILE` does once the window is up: takes `path` as Browse would, then
    // loads it as Load does; a path that names no file says "PATH: Cannot open input
    // file!". Files given after it are named in a message and not opened.
    void OpenAtStart(const QString& path, const QStringList& others = {});

    // A system command; true when it was the About item's and the box was shown.
    bool OnSysCommand(std::uint32_t command);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

  public slots:
    // Ends the modal run; the window's destroy handling follows. While a Load or a
    // conversion runs it is cancelled first, without a question, and the window ends when it
    // has stopped.
    void done(int result) override;

  private:
    void OnInitDialog();
    void DoDataExchange(bool saveAndValidate);
    void OnBrowseInput();
    // What confirming the input chooser with `path` does (Browse, or a file dropped).
    void TakeInputFile(const QString& path);
    void OnBrowseOutput();
    void OnLoad();
    void OnView();
    // Ctrl+P too: the preview of the loaded recording, its overview computed at the first
    // call after a Load under the progress dialog.
    void OnPreview();
    // Converts the preview's choice with the window's format and options into the output
    // path with a suffix for the range.
    void ConvertPreviewChoice(const PreviewChoice& choice);
    void OnStartConvert();
    void OnInputPathChange();
    void OnFormatChange();
    void OnAbout();
    void OnDestroy();
    void OnOK();
    void ApplyOptionRules();
    // formatIndex, and the format it selects in the state. An output path still as it was
    // derived from the input takes the format's extension.
    void SetFormatIndex(std::int32_t formatIndex);
    // Runs `work` off the window's thread under the progress dialog, with a platform whose
    // messages are shown once it has ended and `ended` has run (on the window's thread).
    // Returns false when the window was closed meanwhile: then `ended` does not run, the
    // messages are dropped and the window has ended.
    using Work = std::function<void(const Platform&, const ProgressCallback&)>;
    bool RunWork(const QString& label, const Work& work, const std::function<void()>& ended = {});

    WindowServices services_;
    ConversionState state_;
    DialogFields fields_;
    QIcon windowIcon_;
    BuiltDialog built_;
    QLineEdit* inputPath_ = nullptr;
    QLineEdit* outputPath_ = nullptr;
    QComboBox* formatList_ = nullptr;
    QPushButton* view_ = nullptr;
    QPushButton* preview_ = nullptr;
    // The loaded recording's overview, once the preview has computed it.
    std::unique_ptr<PreviewSource> previewSource_;
    BackgroundWork* work_ = nullptr;
    std::optional<int> closeResult_;  // the window was closed while work ran
    // The input path the output path was last derived from, and the path derived; the
    // output path follows the format only while the field still holds that path.
    QString derivedFrom_;
    QString derivedOutput_;
};

}  // namespace vantrel
