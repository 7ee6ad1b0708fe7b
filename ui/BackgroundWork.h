// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The window's long operations (Load, Start Convert) run on a thread of their own, so that
// the window keeps painting. Meanwhile the window takes no input, and once the work has
// taken longer than a short delay a modal progress dialog shows how far it is, with a
// Cancel button. Only the work's own thread touches what the work touches until it ends.

#include <QObject>
#include <QProgressDialog>
#include <QString>
#include <atomic>
#include <chrono>
#include <functional>

#include "convert/run/Progress.h"

namespace vantrel {

// How long work runs before the progress dialog appears.
inline constexpr std::chrono::milliseconds kProgressDelay{500};

// The progress dialog: Cancel, the Escape key and the close box only ask the work to stop;
// the dialog stays up until the work has ended.
class WorkProgressDialog final : public QProgressDialog {
    Q_OBJECT

  public:
    explicit WorkProgressDialog(QWidget* parent);
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
};

class BackgroundWork final : public QObject {
    Q_OBJECT

  public:
    // `window` is the window whose input is held back while work runs; the progress dialog
    // is its child, titled with the application name.
    BackgroundWork(QWidget& window, std::chrono::milliseconds delay);
    ~BackgroundWork() override;

    // Runs `work` on another thread and returns once it has ended, handling the window's
    // events meanwhile. `work` is given the progress callback (done, total), which answers
    // false once the user cancelled or Cancel() was called. `label` is the dialog's text.
    void Run(const QString& label, const std::function<void(const ProgressCallback&)>& work);

    // Asks the running work to stop at its next progress report.
    void Cancel() { cancelled_ = true; }
    bool running() const { return running_; }

    WorkProgressDialog& dialog() { return *dialog_; }

  protected:
    // Drops user input to the window while work runs.
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // From the work's thread: the progress, shown on the window's thread.
    bool Report(std::uint64_t done, std::uint64_t total);

    QWidget& window_;
    WorkProgressDialog* dialog_;
    bool running_ = false;
    std::atomic<bool> cancelled_ = false;
    std::atomic<int> shownValue_ = 0;
};

}  // namespace vantrel
