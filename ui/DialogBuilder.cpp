// SPDX-License-Identifier: BSD-3-Clause
#include "DialogBuilder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "GroupFrame.h"
#include "Pictures.h"

namespace vantrel {

namespace {

QString ToQString(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QLabel* MakeLabel(const ControlSpec& spec) {
    auto* label = new QLabel(ToQString(spec.text));
    // Static text draws from the top left and wraps at word breaks.
    label->setAlignment(((spec.styles & kCentred) ? Qt::AlignHCenter : Qt::AlignLeft) |
                        Qt::AlignTop);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* MakePicture(const QPixmap& picture) {
    auto* label = new QLabel;
    label->setPixmap(picture);
    return label;
}

QWidget* MakeControl(const ControlSpec& spec) {
    switch (spec.kind) {
        case ControlKind::kLabel:
            return MakeLabel(spec);
        case ControlKind::kGroupBox:
            // A frame only: the controls inside are siblings drawn over it.
            return new GroupFrame(ToQString(spec.text));
        case ControlKind::kPushButton: {
            auto* button = new QPushButton(ToQString(spec.text));
            // Only the template's default button is a default; Qt would otherwise promote
            // the first push button after the focus when the dialog shows.
            button->setAutoDefault((spec.styles & kDefault) != 0);
            button->setDefault((spec.styles & kDefault) != 0);
            return button;
        }
        case ControlKind::kEdit: {
            auto* edit = new QLineEdit;
            edit->setFrame((spec.styles & kBorder) != 0);
            return edit;
        }
        case ControlKind::kAutoRadio:
            return new QRadioButton(ToQString(spec.text));
        case ControlKind::kAutoCheck:
            return new QCheckBox(ToQString(spec.text));
        case ControlKind::kDropDownCombo: {
            auto* combo = new QComboBox;
            combo->setEditable(true);
            // The typed text never becomes an item.
            combo->setInsertPolicy(QComboBox::NoInsert);
            return combo;
        }
        case ControlKind::kListBox: {
            auto* list = new QListWidget;
            list->setSortingEnabled(false);
            list->setFrameShape((spec.styles & kBorder) ? QFrame::StyledPanel : QFrame::NoFrame);
            list->setVerticalScrollBarPolicy((spec.styles & kVScroll) ? Qt::ScrollBarAsNeeded
                                                                      : Qt::ScrollBarAlwaysOff);
            list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            return list;
        }
        case ControlKind::kBitmap:
            return MakePicture(BitmapResource(ToQString(spec.text).toInt()));
        case ControlKind::kIcon:
            return MakePicture(ProgramIcon().pixmap(kIconSize, kIconSize));
    }
    return new QWidget;
}

Qt::FocusPolicy FocusPolicyOf(const ControlSpec& spec) {
    switch (spec.kind) {
        case ControlKind::kLabel:
        case ControlKind::kGroupBox:
        case ControlKind::kBitmap:
        case ControlKind::kIcon:
            return Qt::NoFocus;
        default:
            return (spec.styles & kTabStop) ? Qt::StrongFocus : Qt::ClickFocus;
    }
}

void Place(QWidget& widget, const ControlSpec& spec, const DialogBaseUnits& units) {
    QRect rect = DluToPixels(spec.x, spec.y, spec.w, spec.h, units);
    if (spec.kind == ControlKind::kBitmap || spec.kind == ControlKind::kIcon) {
        // Picture controls take the size of their picture.
        rect.setSize(widget.sizeHint());
    } else if (spec.kind == ControlKind::kAutoRadio || spec.kind == ControlKind::kAutoCheck) {
        // The platform shrinks the check mark to an 8-unit row; Qt's style does not, so
        // the row grows about its middle until the mark fits, the text staying centred.
        const int needed = widget.sizeHint().height();
        if (needed > rect.height()) {
            const int grow = needed - rect.height();
            rect.adjust(0, -grow / 2, 0, grow - grow / 2);
        }
    } else if (spec.kind == ControlKind::kDropDownCombo) {
        // The template height includes the dropped-down list; closed, the box is one line.
        rect.setHeight(widget.sizeHint().height());
    }
    widget.setGeometry(rect);
}

}  // namespace

BuiltDialog BuildDialog(QDialog& target, const DialogTemplate& dialog) {
    target.setWindowTitle(ToQString(dialog.caption));
    target.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    target.setFont(TemplateFont(dialog));

    BuiltDialog built{BaseUnitsOf(target.font()), {}};
    target.setFixedSize(DluToPixelsX(dialog.w, built.units), DluToPixelsY(dialog.h, built.units));

    QButtonGroup* radioGroup = nullptr;
    for (const ControlSpec& spec : dialog.controls) {
        QWidget* widget = MakeControl(spec);
        widget->setParent(&target);
        if (spec.id != kNoId) {
            widget->setObjectName(ControlName(spec.id));
        }
        widget->setFocusPolicy(FocusPolicyOf(spec));
        widget->setEnabled((spec.styles & kDisabled) == 0);
        Place(*widget, spec, built.units);

        if (spec.styles & kGroup) {
            radioGroup = nullptr;
        }
        if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            if (radioGroup == nullptr) {
                radioGroup = new QButtonGroup(&target);
                radioGroup->setObjectName(ControlName(spec.id) + QStringLiteral("-group"));
            }
            radioGroup->addButton(radio, static_cast<int>(radioGroup->buttons().size()));
        }
        built.controls.push_back(widget);
    }
    // Group boxes are frames behind the controls they surround.
    for (QWidget* widget : built.controls) {
        if (qobject_cast<GroupFrame*>(widget) != nullptr) {
            widget->lower();
        }
    }
    return built;
}

QWidget* FirstTabStop(const BuiltDialog& built) {
    for (QWidget* widget : built.controls) {
        if (widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus)) {
            return widget;
        }
    }
    return nullptr;
}

}  // namespace vantrel
