// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// The platform's open and save file choosers as the window asks for them. The program
// passes QtFileChooser; tests pass a double that answers with a scripted path or a cancel.

#include <QString>
#include <QWidget>
#include <optional>
#include <vector>

namespace vantrel {

// One entry of the chooser's file-type list: the text shown and its ";"-separated patterns.
struct FileType {
    QString description;
    QString patterns;
    friend bool operator==(const FileType&, const FileType&) = default;
};

struct FileChooserRequest {
    enum class Mode { kOpen, kSave };
    Mode mode = Mode::kOpen;
    QString title;
    std::vector<FileType> fileTypes;  // the first one preset; empty: no file types
    bool hideReadOnly = true;         // no "open as read-only" check box
    bool overwritePrompt = true;      // confirm choosing an existing file to save over
};

class FileChooser {
  public:
    virtual ~FileChooser() = default;
    // Shows the chooser modally over `parent`. Returns the chosen file's full path, or
    // nullopt when the user cancelled.
    virtual std::optional<QString> Choose(QWidget* parent, const FileChooserRequest& request) = 0;
};

}  // namespace vantrel
