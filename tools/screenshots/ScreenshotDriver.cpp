// SPDX-License-Identifier: BSD-3-Clause
// Drives the real main window through a Load of a recording and saves what the user sees
// as PNG files: the main window at start and after Load, the channel/range viewer, the
// About box, the message box of a conversion, the window after a recording was dropped on
// it, the Format list dropped down, and the progress dialog of a long conversion.
// Run under an X server (tools/screenshots.sh uses Xvfb).
//
//     vantrel-screenshots OUTPUT_FOLDER [RECORDING]
//
// Without RECORDING it writes an example recording into OUTPUT_FOLDER first.

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPainter>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "CPreviewDlg.h"
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

// Saves the part of the screen that the windows cover, each with its frame: a dialog over
// its parent, a list dropped down below its window.
bool SaveArea(const QList<QWidget*>& windows, const QString& path) {
    QRect area;
    for (QWidget* window : windows) {
        area = area.united(window->frameGeometry());
    }
    QPixmap shot;
    if (QScreen* screen = windows.front()->screen()) {
        shot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    }
    if (shot.isNull()) {
        shot = windows.back()->grab();
    }
    const bool saved = shot.save(path, "PNG");
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    return saved;
}

// Saves `window` with `dialog` drawn over it where it stands, framed: without a window
// manager the screen shows neither frame nor caption.
bool SaveWithDialog(QWidget& window, QWidget& dialog, const QString& path) {
    QPixmap shot = window.grab();
    const QPoint at = dialog.mapToGlobal(QPoint(0, 0)) - window.mapToGlobal(QPoint(0, 0));
    QPainter painter(&shot);
    painter.drawPixmap(at, dialog.grab());
    painter.setPen(dialog.palette().color(QPalette::Shadow));
    painter.drawRect(QRect(at - QPoint(1, 1), dialog.size() + QSize(1, 1)));
    painter.end();
    const bool saved = shot.save(path, "PNG");
    std::printf("%s %s\n", saved ? "saved" : "FAILED", qPrintable(path));
    return saved;
}

// Drops `file` on the window as a file manager does: a drag enters, then the drop.
void DropFile(QWidget& window, const QString& file) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file)});
    const QPoint at(window.width() / 2, window.height() / 4);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
}

// 8 channels x 10,000,000 scans (160 MB): its conversion takes seconds, so the progress
// dialog appears.
void WriteLargeRecording(const std::string& path) {
    constexpr int kScans = 10'000'000;
    vantrel::RecordingBuilder builder;
    builder.header().SetChannelCount(8);
    builder.header().SetScanCount(kScans);
    builder.header().SetScanRate(10000.0);
    for (int i = 0; i < 8 * kScans; ++i) {
        builder.AddWord16(static_cast<std::uint16_t>(i * 37));
    }
    builder.WriteTo(path);
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

// The preview's recording: 3 channels x 2,000,000 scans at 10 kHz (200 s), a sine, a ramp and
// a flat channel with one sample at full scale.
constexpr int kWaveScans = 2'000'000;
constexpr int kSpikeScan = 1'234'567;
void WriteWaves(const std::string& path) {
    vantrel::RecordingBuilder builder;
    builder.header().SetChannelCount(3);
    builder.header().SetScanCount(kWaveScans);
    builder.header().SetScanRate(10000.0);
    for (int s = 0; s < kWaveScans; ++s) {
        const double sine = 0.6 * std::sin(2.0 * std::numbers::pi * s / 400'000.0);
        const double ramp = -0.8 + 1.6 * (s % 500'000) / 500'000.0;
        builder.AddWord16(static_cast<std::uint16_t>(static_cast<std::int16_t>(sine * 32767)));
        builder.AddWord16(static_cast<std::uint16_t>(static_cast<std::int16_t>(ramp * 32767)));
        builder.AddWord16(s == kSpikeScan ? 0x7FFF : 0);
    }
    builder.WriteTo(path);
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

    // A long recording dropped on the window: the input path and the derived output path.
    const QString large = out.filePath(QStringLiteral("large.daq"));
    WriteLargeRecording(large.toStdString());
    DropFile(window, large);
    QTest::qWait(200);
    ok = Save(window, out.filePath(QStringLiteral("dropped.png"))) && ok;

    // The Format list dropped down with every format.
    auto* formats = vantrel::FindControl<QComboBox>(window, vantrel::ctl::kFormatList);
    formats->showPopup();
    QTest::qWait(400);
    ok = SaveArea({&window, formats->view()->window()},
                  out.filePath(QStringLiteral("formats.png"))) &&
         ok;
    formats->hidePopup();

    // Load it, and convert it to scaled text: the progress dialog, saved once its bar has
    // moved, then cancelled; the message box that follows ("Conversion cancelled!") is
    // closed.
    QTest::mouseClick(vantrel::FindControl<QPushButton>(window, vantrel::ctl::kLoad),
                      Qt::LeftButton);
    bool progressSaved = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* progress = qobject_cast<QProgressDialog*>(modal)) {
            if (!progressSaved && progress->isVisible() && progress->value() >= 50) {
                progressSaved =
                    SaveWithDialog(window, *progress, out.filePath(QStringLiteral("progress.png")));
                QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
            }
        } else if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            box->accept();
        }
    });
    poll.start(50);
    QTest::mouseClick(vantrel::FindControl<QPushButton>(window, vantrel::ctl::kStartConvert),
                      Qt::LeftButton);
    poll.stop();
    if (!progressSaved) {
        std::printf("FAILED %s\n", qPrintable(out.filePath(QStringLiteral("progress.png"))));
    }
    ok = progressSaved && ok;
    QFile::remove(large);

    // The preview: everything, then zoomed in to single samples at the spike with the cursors
    // set, then two seconds of two channels converted (its message over the preview).
    const QString waves = out.filePath(QStringLiteral("waves.daq"));
    WriteWaves(waves.toStdString());
    input->selectAll();
    QTest::keyClicks(input, waves);
    output->selectAll();
    QTest::keyClicks(output, out.filePath(QStringLiteral("waves.cvt")));
    QTest::mouseClick(vantrel::FindControl<QPushButton>(window, vantrel::ctl::kLoad),
                      Qt::LeftButton);
    QTest::qWait(200);
    const QStringList previewShots = {out.filePath(QStringLiteral("preview.png")),
                                      out.filePath(QStringLiteral("preview-zoomed.png")),
                                      out.filePath(QStringLiteral("preview-selection.png"))};
    int step = 0;
    int saved = 0;
    QPointer<vantrel::CPreviewDlg> shown;
    QTimer previewPoll;
    QObject::connect(&previewPoll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* preview = qobject_cast<vantrel::CPreviewDlg*>(modal)) {
            shown = preview;
            vantrel::SignalView& view = preview->view();
            if (step == 0) {
                preview->resize(960, 620);
                preview->move(20, 20);
                step = 1;
            } else if (step == 1) {
                saved += Save(*preview, previewShots[0]) ? 1 : 0;
                view.SetView(kSpikeScan - 15.5, 30.0);
                view.SetCursor(0, kSpikeScan - 6);
                view.SetCursor(1, kSpikeScan + 6);
                step = 2;
            } else if (step == 2) {
                saved += Save(*preview, previewShots[1]) ? 1 : 0;
                view.ShowAll();
                view.SetCursor(0, 100'000);
                view.SetCursor(1, 120'000);
                preview->laneBox(2).setChecked(false);
                step = 3;
                QTimer::singleShot(0, preview, [preview] {
                    QTest::mouseClick(&preview->convertButton(), Qt::LeftButton);
                });
            }
        } else if (auto* box = qobject_cast<QMessageBox*>(modal); box != nullptr && step == 3) {
            if (shown) {
                saved += SaveArea({shown, box}, previewShots[2]) ? 1 : 0;
            }
            box->accept();
            step = 4;
            if (shown) {
                QTimer::singleShot(0, shown, [&shown] { shown->reject(); });
            }
        }
    });
    previewPoll.start(150);
    QTest::mouseClick(vantrel::FindControl<QPushButton>(window, vantrel::ctl::kPreview),
                      Qt::LeftButton);
    previewPoll.stop();
    if (saved != 3) {
        std::printf("FAILED the preview's screenshots (%d of 3 saved)\n", saved);
    }
    ok = saved == 3 && ok;
    QFile::remove(waves);

    window.reject();
    return ok ? 0 : 1;
}
