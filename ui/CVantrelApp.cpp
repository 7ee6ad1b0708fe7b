#include "CVantrelApp.h"

#include "CVantrelDlg.h"
#include "DialogRunner.h"
#include "QtFileChooser.h"
#include "QtMessageSink.h"
#include "platform/OsFileApi.h"

namespace vantrel {

bool CVantrelApp::InitInstance() {
    OsFileApi files;
    QtMessageSink messages;
    QtFileChooser chooser;
    ModalDialogRunner dialogs;
    CVantrelDlg window(WindowServices{files, messages, chooser, dialogs});
    messages.SetParent(&window);
    window.exec();  // OK or cancel: either ends the program
    return false;
}

}  // namespace vantrel
