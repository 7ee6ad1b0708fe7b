// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The About box: template 100 with the program's name, version, icon and pictures.

#include <QDialog>

namespace vantrel {

class CAboutDlg final : public QDialog {
    Q_OBJECT

  public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};

}  // namespace vantrel
