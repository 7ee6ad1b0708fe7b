// SPDX-License-Identifier: BSD-3-Clause
#include "CVantrelApp.h"

#include <QTimer>

#include "CVantrelDlg.h"
#include "DialogRunner.h"
#include "QtFileChooser.h"
#include "QtMessageSink.h"
#include "platform/OsFileApi.h"

namespace vantrel {

bool CVantrelApp::InitInstance(const StartArguments& start) {
    OsFileApi files;
    QtMessageSink messages;
    QtFileChooser chooser;
    ModalDialogRunner dialogs;
    CVantrelDlg window(WindowServices{files, messages, chooser, dialogs});
    messages.SetParent(&window);
    if (!start.file.isEmpty()) {
        QTimer::singleShot(0, &window, [&] { window.OpenAtStart(start.file, start.others); });
    }
    window.exec();  // OK or cancel: either ends the program
    return false;
}

}  // namespace vantrel
