// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The application's message box in Qt: warning icon, one OK button, the fixed text, the
// application name as caption, modal.

#include <QMessageBox>
#include <QString>
#include <memory>

#include "platform/MessageSink.h"

namespace vantrel {

// The executable's file name without its extension.
QString ApplicationName();

// The box that ShowMessage runs, made but not shown. `text` is in the local 8-bit code page.
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const std::string& text);

class QtMessageSink final : public MessageSink {
  public:
    // `parent` owns the box; without one, the application's active window does.
    explicit QtMessageSink(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    void ShowMessage(const std::string& text) override;

  private:
    QWidget* parent_;
};

}  // namespace vantrel
