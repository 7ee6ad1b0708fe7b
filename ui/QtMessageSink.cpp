// SPDX-License-Identifier: BSD-3-Clause
#include "QtMessageSink.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>

namespace vantrel {

QString ApplicationName() {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const std::string& text) {
    auto box = std::make_unique<QMessageBox>(
        QMessageBox::Warning, ApplicationName(),
        QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())), QMessageBox::Ok,
        parent);
    box->setTextFormat(Qt::PlainText);
    box->setWindowModality(Qt::ApplicationModal);
    return box;
}

void QtMessageSink::ShowMessage(const std::string& text) {
    QWidget* parent = parent_ != nullptr ? parent_ : QApplication::activeWindow();
    MakeMessageBox(parent, text)->exec();
}

}  // namespace vantrel
