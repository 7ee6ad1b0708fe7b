// SPDX-License-Identifier: BSD-3-Clause
#pragma once

// What the window program is asked at start: `vantrel [FILE...]` opens the first FILE as
// Browse and Load would; --help and --version print and end the program.

#include <QString>
#include <QStringList>

namespace vantrel {

struct StartArguments {
    enum class Action { kRun, kPrint, kUsageError };
    Action action = Action::kRun;
    QString text;        // kPrint: for standard output; kUsageError: for standard error
    QString file;        // kRun: the file to open, empty for none
    QStringList others;  // kRun: the files given after it, which are not opened
};

// `arguments` as the program was started with them, its name first.
StartArguments ReadStartArguments(const QStringList& arguments);

// The message the window shows when files beyond the first were given.
QString NotOpenedMessage(const QStringList& others);

}  // namespace vantrel
