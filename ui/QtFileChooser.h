// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// FileChooser over QFileDialog.

#include <QStringList>

#include "FileChooser.h"

namespace vantrel {

// Qt's filter syntax for the file types: each description with its patterns, which Qt
// separates by blanks, in parentheses, e.g. "DAQ Files (*.daq *.dat)".
QStringList QtNameFilters(const std::vector<FileType>& fileTypes);

class QtFileChooser final : public FileChooser {
  public:
    std::optional<QString> Choose(QWidget* parent, const FileChooserRequest& request) override;
};

}  // namespace vantrel
