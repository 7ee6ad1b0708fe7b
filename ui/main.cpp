// The window program. It reads no command line: Qt is given the program name only.

#include <QApplication>

#include "CVantrelApp.h"
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
    QApplication application(qtArgc, argv);
    theApp.InitInstance();
    return 0;
}
