// SPDX-License-Identifier: BSD-3-Clause
#include "CPreviewDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QVBoxLayout>

namespace vantrel {

namespace {

// Where the window's size is kept between runs.
QSettings PreviewSettings() {
    return QSettings(QStringLiteral("Vantrel"), QStringLiteral("Vantrel"));
}
constexpr auto kSizeKey = "preview/size";

QString Seconds(double seconds) {
    return QString::number(seconds, 'g', 10) + QStringLiteral(" s");
}

}  // namespace

CPreviewDlg::CPreviewDlg(QWidget* parent, PreviewSource& source, const QString& fileName,
                         ConvertChoice convert)
    : QDialog(parent), source_(source), convertChoice_(std::move(convert)) {
    setWindowTitle(QStringLiteral("Preview - ") + fileName);
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    QString about = QString::number(source.lanes().size()) + QStringLiteral(" columns, ") +
                    QString::number(source.scans()) + QStringLiteral(" scans");
    if (const auto rate = source.rate()) {
        about += QStringLiteral(" at ") + QString::number(*rate, 'g', 10) +
                 QStringLiteral(" Hz (") + Seconds(static_cast<double>(source.scans()) / *rate) +
                 QLatin1Char(')');
    }
    if (const auto& start = source.startClock()) {
        about += QStringLiteral("; 0 s is ") + QString::fromStdString(*start);
    }
    auto* header = new QLabel(about, this);

    view_ = new SignalView(source, this);
    auto* lanes = new QWidget;
    auto* laneList = new QVBoxLayout(lanes);
    for (std::size_t lane = 0; lane < source.lanes().size(); ++lane) {
        auto* box = new QCheckBox(QString::fromStdString(source.lanes()[lane].label), lanes);
        box->setChecked(true);
        connect(box, &QCheckBox::toggled, this, [this, lane](bool shown) {
            view_->SetLaneShown(lane, shown);
            UpdateStatus();
        });
        laneList->addWidget(box);
        laneBoxes_.push_back(box);
    }
    laneList->addStretch();
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(lanes);
    scroll->setWidgetResizable(true);
    scroll->setFixedWidth(lanes->sizeHint().width() + 24);

    auto* middle = new QHBoxLayout;
    middle->addWidget(scroll);
    middle->addWidget(view_, 1);

    status_ = new QLabel(this);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* showAll = new QPushButton(QStringLiteral("Show &all"), this);
    convert_ = new QPushButton(QStringLiteral("&Convert selection..."), this);
    auto* close = new QPushButton(QStringLiteral("Close"), this);
    showAll->setAutoDefault(false);
    convert_->setAutoDefault(false);
    close->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(showAll);
    buttons->addWidget(convert_);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addLayout(middle, 1);
    layout->addLayout(buttons);

    connect(showAll, &QPushButton::clicked, view_, &SignalView::ShowAll);
    connect(convert_, &QPushButton::clicked, this, &CPreviewDlg::OnConvertSelection);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(view_, &SignalView::viewChanged, this, &CPreviewDlg::UpdateStatus);
    connect(view_, &SignalView::cursorsChanged, this, &CPreviewDlg::UpdateStatus);
    connect(view_, &SignalView::pointerChanged, this, &CPreviewDlg::UpdateStatus);

    resize(PreviewSettings().value(QLatin1String(kSizeKey), QSize(960, 600)).toSize());
    view_->setFocus();
    UpdateStatus();
}

CPreviewDlg::~CPreviewDlg() = default;

void CPreviewDlg::done(int result) {
    PreviewSettings().setValue(QLatin1String(kSizeKey), size());
    QDialog::done(result);
}

PreviewChoice CPreviewDlg::choice() const {
    return {view_->SelectedRange(), view_->shownLanes()};
}

QString CPreviewDlg::statusText() const {
    return status_->text();
}

void CPreviewDlg::UpdateStatus() {
    const auto rate = source_.rate();
    const auto at = [&](std::uint64_t border) {
        return view_->TimeText(static_cast<double>(border));
    };
    QString text;
    const ScanRange range = view_->SelectedRange();
    if (view_->CursorRange()) {
        text = QStringLiteral("Cursors at ") + at(range.first) + QStringLiteral(" and ") +
               at(range.end);
    } else if (view_->cursor(0) || view_->cursor(1)) {
        text = QStringLiteral("Cursor at ") +
               at(view_->cursor(0) ? *view_->cursor(0) : *view_->cursor(1)) +
               QStringLiteral("; shift-click sets the other");
    } else {
        text = QStringLiteral("In view");
    }
    text += QStringLiteral(": ");
    if (rate) {
        text += Seconds(static_cast<double>(range.scans()) / *rate) + QStringLiteral(", ");
    }
    text += QString::number(range.scans()) + QStringLiteral(" scans");
    if (!source_.readError().empty()) {
        text += QStringLiteral(" | ") + QString::fromStdString(source_.readError());
    } else if (!view_->PointerText().isEmpty()) {
        text += QStringLiteral(" | ") + view_->PointerText();
    }
    status_->setText(text);
    convert_->setEnabled(!view_->shownLanes().empty() && range.scans() > 0);
}

void CPreviewDlg::OnConvertSelection() {
    if (convertChoice_) {
        convertChoice_(choice());
    }
}

}  // namespace vantrel
