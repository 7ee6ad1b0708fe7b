// SPDX-License-Identifier: BSD-3-Clause
#include "QtFileChooser.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace vantrel {

QStringList QtNameFilters(const std::vector<FileType>& fileTypes) {
    QStringList filters;
    for (const FileType& type : fileTypes) {
        QStringList patterns;
        for (const QString& pattern : type.patterns.split(QLatin1Char(';'))) {
            if (!pattern.trimmed().isEmpty()) {
                patterns << pattern.trimmed();
            }
        }
        // The description names its patterns in parentheses already; Qt reads the
        // patterns from there, so they are rewritten in its own blank-separated form.
        QString description = type.description;
        description.remove(QRegularExpression(QStringLiteral("\\s*\\([^()]*\\)\\s*$")));
        filters << QStringLiteral("%1 (%2)").arg(description, patterns.join(QLatin1Char(' ')));
    }
    return filters;
}

std::optional<QString> QtFileChooser::Choose(QWidget* parent, const FileChooserRequest& request) {
    QFileDialog dialog(parent, request.title);
    const bool save = request.mode == FileChooserRequest::Mode::kSave;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // Like the platform's default open chooser, a name that does not exist may be typed.
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
    if (!request.fileTypes.empty()) {
        dialog.setNameFilters(QtNameFilters(request.fileTypes));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

}  // namespace vantrel
