// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// Makes the Qt widgets of a dialog template inside a QDialog: one widget per control, in
// template order (which is the Tab order), placed in pixels from the template's dialog
// units, each named by its control id so that it can be found again.

#include <QDialog>
#include <QString>
#include <vector>

#include "DialogTemplate.h"
#include "DialogUnits.h"

class QButtonGroup;

namespace vantrel {

struct BuiltDialog {
    DialogBaseUnits units;
    std::vector<QWidget*> controls;  // template order
};

// Builds every control of `dialog` into `target`: caption, font, fixed client size, and
// the controls with their texts, styles and initial enabled state. Radio buttons are put
// in one exclusive QButtonGroup per template group, with ids counted from 0 in template
// order.
BuiltDialog BuildDialog(QDialog& target, const DialogTemplate& dialog);

// The object name that identifies a control: its id in decimal.
inline QString ControlName(int id) {
    return QString::number(id);
}

// The control `id` of a built dialog, or nullptr.
template <typename T = QWidget>
T* FindControl(const QWidget& dialog, int id) {
    return dialog.findChild<T*>(ControlName(id), Qt::FindDirectChildrenOnly);
}

// The first enabled control with a tab stop, in template order: where a dialog's keyboard
// focus starts.
QWidget* FirstTabStop(const BuiltDialog& built);

}  // namespace vantrel
