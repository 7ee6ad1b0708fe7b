// The window program. It reads no command line: Qt is given the program name only.

#include <QApplication>

#include "CVantrelApp.h"

int main(int argc, char* argv[]) {
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication application(qtArgc, argv);
    vantrel::CVantrelApp app;
    app.InitInstance();
    return 0;
}
