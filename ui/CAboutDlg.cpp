// SPDX-License-Identifier: BSD-3-Clause
#include "CAboutDlg.h"

#include <QPushButton>

#include "DialogBuilder.h"
#include "DialogTemplates.h"

namespace vantrel {

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    const BuiltDialog built = BuildDialog(*this, AboutTemplate());
    connect(FindControl<QPushButton>(*this, kIdOk), &QPushButton::clicked, this, &QDialog::accept);
    if (QWidget* first = FirstTabStop(built)) {
        first->setFocus();
    }
}

}  // namespace vantrel
