// SPDX-License-Identifier: BSD-3-Clause
#include "BackgroundWork.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QWidget>
#include <thread>

#include "QtMessageSink.h"

namespace vantrel {

namespace {

// The bar counts in thousandths of the work.
constexpr int kSteps = 1000;

bool IsUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            return true;
        default:
            return false;
    }
}

}  // namespace

WorkProgressDialog::WorkProgressDialog(QWidget* parent)
    : QProgressDialog(QString(), QStringLiteral("Cancel"), 0, kSteps, parent) {
    setWindowTitle(ApplicationName());
    setWindowModality(Qt::ApplicationModal);
    setAutoReset(false);
    setAutoClose(false);
    // By default canceled() also hides the dialog; here it only asks the work to stop.
    QObject::disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
    reset();  // a new progress dialog would show itself after four seconds
}

void WorkProgressDialog::reject() {
    emit canceled();
}

void WorkProgressDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    emit canceled();
}

BackgroundWork::BackgroundWork(QWidget& window, std::chrono::milliseconds delay)
    : QObject(&window), window_(window), dialog_(new WorkProgressDialog(&window)) {
    dialog_->setObjectName(QStringLiteral("progress"));
    dialog_->setMinimumDuration(static_cast<int>(delay.count()));
    connect(dialog_, &QProgressDialog::canceled, this, &BackgroundWork::Cancel);
}

BackgroundWork::~BackgroundWork() = default;

void BackgroundWork::Run(const QString& label,
                         const std::function<void(const ProgressCallback&)>& work) {
    running_ = true;
    cancelled_ = false;
    shownValue_ = 0;
    dialog_->reset();
    dialog_->setLabelText(label);
    dialog_->setValue(0);  // the delay starts now
    qApp->installEventFilter(this);

    QEventLoop loop;
    bool ended = false;
    std::thread thread([&] {
        work([this](std::uint64_t done, std::uint64_t total) { return Report(done, total); });
        // Posted after every progress report of the work, so handled after them.
        QMetaObject::invokeMethod(
            &loop,
            [&] {
                ended = true;
                loop.quit();
            },
            Qt::QueuedConnection);
    });
    if (!ended) {
        loop.exec();
    }
    thread.join();

    qApp->removeEventFilter(this);
    dialog_->hide();
    dialog_->reset();
    running_ = false;
}

bool BackgroundWork::Report(std::uint64_t done, std::uint64_t total) {
    // At most 2^47 bytes, so the product stays inside 64 bits.
    const int value = total == 0 ? kSteps : static_cast<int>(done * kSteps / total);
    if (shownValue_.exchange(value) != value) {
        QMetaObject::invokeMethod(
            dialog_,
            [this, value] {
                if (running_) {
                    dialog_->setValue(value);
                }
            },
            Qt::QueuedConnection);
    }
    return !cancelled_;
}

bool BackgroundWork::eventFilter(QObject* watched, QEvent* event) {
    if (IsUserInput(event->type())) {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget != nullptr && widget->window() == &window_) {
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vantrel
