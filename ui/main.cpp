// The window program. It reads no command line: Qt is given the program name only.

#include <QApplication>

#include "CVantrelApp.h"
#include "platform/BrokenPipe.h"

namespace {
// The one application object, made before the program's entry runs.
vantrel::CVantrelApp theApp;
}  // namespace

int main(int argc, char* argv[]) {
    // An output that is a named pipe whose reader leaves must not end the program.
    vantrel::IgnoreBrokenPipeSignal();
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication application(qtArgc, argv);
    theApp.InitInstance();
    return 0;
}
