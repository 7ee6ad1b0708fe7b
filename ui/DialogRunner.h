// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Runs the window's secondary dialogs (viewer, About box). The program runs them modally;
// tests inspect them instead of entering a nested event loop.

#include <QDialog>

namespace vantrel {

class DialogRunner {
  public:
    virtual ~DialogRunner() = default;
    // Shows `dialog` and returns when it has ended.
    virtual void Run(QDialog& dialog) = 0;
};

class ModalDialogRunner final : public DialogRunner {
  public:
    void Run(QDialog& dialog) override { dialog.exec(); }
};

}  // namespace vantrel
