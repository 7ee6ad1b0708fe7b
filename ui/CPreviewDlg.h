// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The preview window: every column's lane over the recording's time (SignalView), a check
// box per lane to show or hide it, and a status line with the cursors' times, the range's
// duration and scans, and the value under the pointer. "Convert selection..." hands the
// cursors' range (or the scans in view) and the shown lanes to the main window, which
// converts them with its format and options. The window keeps the size it was left at.

#include <QDialog>
#include <functional>
#include <vector>

#include "PreviewSource.h"
#include "SignalView.h"

class QCheckBox;
class QLabel;
class QPushButton;

namespace vantrel {

// What "Convert selection..." asks to convert: scans [range.first, range.end) of the lanes
// at `lanes`, in scan order.
struct PreviewChoice {
    ScanRange range;
    std::vector<std::uint32_t> lanes;
};

class CPreviewDlg final : public QDialog {
    Q_OBJECT

  public:
    using ConvertChoice = std::function<void(const PreviewChoice&)>;

    // `source` must outlive the window; `convert` is called on "Convert selection...".
    CPreviewDlg(QWidget* parent, PreviewSource& source, const QString& fileName,
                ConvertChoice convert);
    ~CPreviewDlg() override;

    SignalView& view() { return *view_; }
    QCheckBox& laneBox(std::size_t lane) { return *laneBoxes_[lane]; }
    QPushButton& convertButton() { return *convert_; }
    QString statusText() const;
    // The choice "Convert selection..." hands on now.
    PreviewChoice choice() const;

  public slots:
    void done(int result) override;

  private:
    void UpdateStatus();
    void OnConvertSelection();

    PreviewSource& source_;
    ConvertChoice convertChoice_;
    SignalView* view_ = nullptr;
    std::vector<QCheckBox*> laneBoxes_;
    QLabel* status_ = nullptr;
    QPushButton* convert_ = nullptr;
};

}  // namespace vantrel
