// Drives the real main window through a Load of a recording and saves what the user sees
// as PNG files: the main window at start and after Load, the channel/range viewer, the
// About box and the message box of a conversion.
// Run under an X server (tools/screenshots.sh uses Xvfb).
//
//     vantrel-screenshots OUTPUT_FOLDER [RECORDING]
//
// Without RECORDING it writes an example recording into OUTPUT_FOLDER first.

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "CVantrelDlg.h"
#include "DialogRunner.h"
#include "DialogTemplates.h"
#include "QtFileChooser.h"
#include "QtMessageSink.h"
#include "RecordingBuilder.h"
#include "platform/OsFileApi.h"

namespace {

bool Save(QWidget& widget, const QString& path) {
    QPixmap shot;
    if (QScreen* screen = widget.screen()) {
        shot = screen->grabWindow(widget.winId());
    }
    if (shot.isNull()) {
        shot = widget.grab();
    }
    const bool saved = shot.save(path, "PNG");
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    return saved;
}

// Saves the modal dialog that `click` opens, then closes it.
bool SaveModal(QPushButton& button, const QString& path) {
    bool saved = false;
    QTimer::singleShot(300, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            saved = Save(*modal, path);
            static_cast<QDialog*>(modal)->accept();
        }
    });
    QTest::mouseClick(&button, Qt::LeftButton);
    return saved;
}

void WriteExample(const std::string& path) {
    vantrel::RecordingBuilder builder;
    auto& header = builder.header();
    header.SetChannelCount(4);
    header.SetScanCount(100);
    header.SetOrderCode(2);
    header.SetScanRate(2000.0);
    const std::uint8_t ranges[] = {1, 2, 10, 15};
    for (std::uint8_t ch = 0; ch < 4; ++ch) {
        builder.AddQueueEntry(ch, ranges[ch]);
    }
    for (int i = 0; i < 400; ++i) {
        builder.AddWord16(static_cast<std::uint16_t>(i * 97));
    }
    builder.WriteTo(path);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: vantrel-screenshots OUTPUT_FOLDER [RECORDING]\n");
        return 2;
    }
    const QDir out(QDir(QString::fromLocal8Bit(argv[1])).absolutePath());
    QString recording =
        argc > 2 ? QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath() : QString();
    if (recording.isEmpty()) {
        recording = out.filePath(QStringLiteral("example.daq"));
        WriteExample(recording.toStdString());
    }

    vantrel::OsFileApi files;
    vantrel::QtMessageSink messages;
    vantrel::QtFileChooser chooser;
    vantrel::ModalDialogRunner dialogs;
    vantrel::CVantrelDlg window(vantrel::WindowServices{files, messages, chooser, dialogs});
    messages.SetParent(&window);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    bool ok = Save(window, out.filePath(QStringLiteral("main-start.png")));

    // Type the path as a user would, then press Load.
    auto* input = vantrel::FindControl<QLineEdit>(window, vantrel::ctl::kInputPath);
    auto* output = vantrel::FindControl<QLineEdit>(window, vantrel::ctl::kOutputPath);
    QTest::keyClicks(input, recording);
    QTest::keyClicks(output, out.filePath(QStringLiteral("example.cvt")));
    QTest::mouseClick(vantrel::FindControl<QPushButton>(window, vantrel::ctl::kLoad),
                      Qt::LeftButton);
    QTest::qWait(200);
    ok = Save(window, out.filePath(QStringLiteral("main-loaded.png"))) && ok;

    ok = SaveModal(*vantrel::FindControl<QPushButton>(window, vantrel::ctl::kView),
                   out.filePath(QStringLiteral("viewer.png"))) &&
         ok;
    ok = SaveModal(*vantrel::FindControl<QPushButton>(window, vantrel::ctl::kAbout),
                   out.filePath(QStringLiteral("about.png"))) &&
         ok;
    // Convert into the typed output path; the run reports in the message box.
    ok = SaveModal(*vantrel::FindControl<QPushButton>(window, vantrel::ctl::kStartConvert),
                   out.filePath(QStringLiteral("message.png"))) &&
         ok;
    window.reject();
    return ok ? 0 : 1;
}
