// SPDX-License-Identifier: BSD-3-Clause
// Not a test: loads a recording in the real main window and converts it, as a user does
// with Load and Start Convert, so that the window's peak memory can be measured:
//
//     QT_QPA_PLATFORM=offscreen /usr/bin/time -f %M vantrel-window-memory IN OUT [FORMAT]
//
// FORMAT is the Format list index (default 0). The messages are printed, one a line.

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <cstdio>
#include <cstdlib>

#include "CVantrelDlg.h"
#include "DialogRunner.h"
#include "DialogTemplates.h"
#include "QtFileChooser.h"
#include "platform/MessageSink.h"
#include "platform/OsFileApi.h"

namespace {

class PrintedMessages final : public vantrel::MessageSink {
  public:
    void ShowMessage(const std::string& text) override { std::printf("%s\n", text.c_str()); }
};

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: vantrel-window-memory IN OUT [FORMAT]\n");
        return 2;
    }
    vantrel::OsFileApi files;
    PrintedMessages messages;
    vantrel::QtFileChooser chooser;
    vantrel::ModalDialogRunner dialogs;
    vantrel::CVantrelDlg window(vantrel::WindowServices{files, messages, chooser, dialogs});
    window.show();

    using vantrel::FindControl;
    namespace ctl = vantrel::ctl;
    FindControl<QLineEdit>(window, ctl::kInputPath)->setText(QString::fromLocal8Bit(argv[1]));
    QTest::mouseClick(FindControl<QPushButton>(window, ctl::kLoad), Qt::LeftButton);
    FindControl<QLineEdit>(window, ctl::kOutputPath)->setText(QString::fromLocal8Bit(argv[2]));
    auto* formats = FindControl<QComboBox>(window, ctl::kFormatList);
    const int format = argc > 3 ? std::atoi(argv[3]) : 0;
    while (formats->currentIndex() < format && formats->currentIndex() < formats->count() - 1) {
        QTest::keyClick(formats, Qt::Key_Down);
    }
    QTest::mouseClick(FindControl<QPushButton>(window, ctl::kStartConvert), Qt::LeftButton);
    window.reject();
    return 0;
}
