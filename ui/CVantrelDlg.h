#pragma once

// The main window: template 102 with the one ConversionState, the data exchange between
// its controls and the state, and the handlers that load, view and convert.

#include <QDialog>
#include <QIcon>
#include <cstdint>

#include "DialogBuilder.h"
#include "DialogRunner.h"
#include "FileChooser.h"
#include "platform/DataExchange.h"
#include "platform/FileApi.h"
#include "platform/MessageSink.h"
#include "platform/ViewSwitch.h"
#include "recording/ConversionState.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace vantrel {

// What the window reaches the platform through.
struct WindowServices {
    FileApi& files;
    MessageSink& messages;
    FileChooser& chooser;
    DialogRunner& dialogs;  // runs the viewer and the About box
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

class CVantrelDlg final : public QDialog, public ViewSwitch, public DataExchange {
    Q_OBJECT

  public:
    explicit CVantrelDlg(const WindowServices& services, QWidget* parent = nullptr);
    ~CVantrelDlg() override;

    const ConversionState& state() const { return state_; }
    const DialogFields& fields() const { return fields_; }

    // true: controls into the state; false: state into the controls. formatIndex is
    // not exchanged.
    void UpdateData(bool saveAndValidate);

    // The "View" button as the loader switches it.
    void SetViewEnabled(bool enabled) override;
    // The conversion's data exchange in.
    void ExchangeIn() override { UpdateData(true); }

    // A system command; true when it was the About item's and the box was shown.
    bool OnSysCommand(std::uint32_t command);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
#ifdef Q_OS_WIN
    bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;
#endif

  public slots:
    // Ends the modal run; the window's destroy handling follows.
    void done(int result) override;

  private:
    void OnInitDialog();
    void DoDataExchange(bool saveAndValidate);
    void OnBrowseInput();
    void OnBrowseOutput();
    void OnLoad();
    void OnView();
    void OnStartConvert();
    void OnInputPathChange();
    void OnFormatChange();
    void OnAbout();
    void OnDestroy();
    void OnOK();
    void ApplyOptionRules();
    // formatIndex, and the format it selects in the state.
    void SetFormatIndex(std::int32_t formatIndex);

    WindowServices services_;
    ConversionState state_;
    DialogFields fields_;
    QIcon windowIcon_;
    BuiltDialog built_;
    QLineEdit* inputPath_ = nullptr;
    QLineEdit* outputPath_ = nullptr;
    QComboBox* formatList_ = nullptr;
    QPushButton* view_ = nullptr;
};

}  // namespace vantrel
