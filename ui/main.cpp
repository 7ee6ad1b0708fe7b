// SPDX-License-Identifier: BSD-3-Clause
// The window program: `vantrel [FILE]`. Qt is given the program name only; the program
// reads its own arguments.

#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <optional>

#include "CVantrelApp.h"
#include "StartArguments.h"
#include "platform/ProcessSignals.h"

namespace {
// The one application object, made before the program's entry runs.
vantrel::CVantrelApp theApp;
}  // namespace

int main(int argc, char* argv[]) {
    // An output that is a named pipe whose reader leaves must not end the program.
    vantrel::IgnoreBrokenPipeSignal();
    // A file-size limit fails a write with the program's message; logging out (SIGTERM,
    // SIGHUP) removes the temporaries of a conversion under way.
    vantrel::IgnoreFileSizeSignal();
    vantrel::RemoveTemporariesOnFatalSignals();
    int qtArgc = argc > 0 ? 1 : 0;
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments << QString::fromLocal8Bit(argv[i]);
    }
    // Read without a display: --help and --version work where there is none.
    std::optional<vantrel::StartArguments> read;
    {
        const QCoreApplication reading(qtArgc, argv);
        read = vantrel::ReadStartArguments(arguments);
    }
    const vantrel::StartArguments& start = *read;
    switch (start.action) {
        case vantrel::StartArguments::Action::kPrint:
            std::fputs(start.text.toLocal8Bit().constData(), stdout);
            return 0;
        case vantrel::StartArguments::Action::kUsageError:
            std::fputs(start.text.toLocal8Bit().constData(), stderr);
            return 2;
        case vantrel::StartArguments::Action::kRun:
            break;
    }
    QApplication application(qtArgc, argv);
    theApp.InitInstance(start);
    return 0;
}
