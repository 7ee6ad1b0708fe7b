// SPDX-License-Identifier: BSD-3-Clause
#include "Pictures.h"

#include <QString>

namespace vantrel {

QIcon ProgramIcon() {
    QIcon icon;
    icon.addFile(QStringLiteral(":/vantrel/icon128-32.png"), QSize(32, 32));
    icon.addFile(QStringLiteral(":/vantrel/icon128-16.png"), QSize(16, 16));
    return icon;
}

QPixmap BitmapResource(int id) {
    return QPixmap(QStringLiteral(":/vantrel/bitmap%1.png").arg(id));
}

}  // namespace vantrel
