// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// A dialog group box drawn the platform dialog's way: the frame's top edge runs through the
// middle of the caption, which sits on it near the left. Qt's own group box puts the
// caption above the frame, which would move the frame onto the controls a template places
// just below the caption line.

#include <QWidget>

namespace vantrel {

class GroupFrame final : public QWidget {
    Q_OBJECT

  public:
    explicit GroupFrame(const QString& title, QWidget* parent = nullptr);
    const QString& title() const { return title_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString title_;
};

}  // namespace vantrel
