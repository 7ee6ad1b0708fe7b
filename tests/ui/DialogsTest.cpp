// SPDX-License-Identifier: BSD-3-Clause
// The viewer, the About box, the message box, the chooser filters and the application
// start.

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "CAboutDlg.h"
#include "CChRangeDlg.h"
#include "CVantrelApp.h"
#include "DialogBuilder.h"
#include "DialogTemplates.h"
#include "DialogUnits.h"
#include "Pictures.h"
#include "QtFileChooser.h"
#include "QtMessageSink.h"
#include "TabStopDelegate.h"
#include "recording/CardCatalogue.h"

namespace vantrel::test {

namespace {

QStringList Rows(const CChRangeDlg& viewer) {
    QStringList rows;
    for (int i = 0; i < viewer.list()->count(); ++i) {
        rows << viewer.list()->item(i)->text();
    }
    return rows;
}

}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

  private slots:
    void viewer_rowsInQueueOrder_data() {
        QTest::addColumn<std::vector<ChannelGainEntry>>("queue");
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("two entries") << std::vector<ChannelGainEntry>{{0, 1}, {1, 10}} << 2
                                     << QStringList{"\t0\t+/-10V", "\t1\t+/-1V"};
        QTest::newRow("channel 200 is unsigned")
            << std::vector<ChannelGainEntry>{{200, 36}} << 1 << QStringList{"\t200\t+/-12.5V"};
        QTest::newRow("range beyond the table")
            << std::vector<ChannelGainEntry>{{3, 37}, {4, 40}, {5, 255}} << 3
            << QStringList{"\t3\tUnknown (37)", "\t4\tUnknown (40)", "\t5\tUnknown (255)"};
        QTest::newRow("descending and repeated, never sorted")
            << std::vector<ChannelGainEntry>{{7, 2}, {3, 1}, {7, 2}, {0, 0}} << 4
            << QStringList{"\t7\t+/-5V", "\t3\t+/-10V", "\t7\t+/-5V", "\t0\tnone"};
        QTest::newRow("count 0") << std::vector<ChannelGainEntry>{{1, 1}} << 0 << QStringList{};
        QTest::newRow("negative count")
            << std::vector<ChannelGainEntry>{{1, 1}} << -3 << QStringList{};
        QTest::newRow("count beyond the queue held")
            << std::vector<ChannelGainEntry>{{1, 1}, {2, 2}} << 500
            << QStringList{"\t1\t+/-10V", "\t2\t+/-5V"};
        QTest::newRow("fewer than held")
            << std::vector<ChannelGainEntry>{{1, 1}, {2, 2}} << 1 << QStringList{"\t1\t+/-10V"};
    }
    void viewer_rowsInQueueOrder() {
        QFETCH(std::vector<ChannelGainEntry>, queue);
        QFETCH(int, count);
        QFETCH(QStringList, rows);
        CChRangeDlg viewer(nullptr, static_cast<std::int16_t>(count), queue, RangeLabels);
        QCOMPARE(Rows(viewer), rows);
        QVERIFY(!viewer.list()->isSortingEnabled());
    }

    void viewer_template() {
        const std::vector<ChannelGainEntry> queue{{0, 1}};
        CChRangeDlg viewer(nullptr, 1, queue, RangeLabels);
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Display Channel/Range"));
        const DialogBaseUnits units = BaseUnitsOf(viewer.font());
        QCOMPARE(viewer.list()->geometry(), DluToPixels(13, 25, 144, 96, units));
        auto* delegate = qobject_cast<TabStopDelegate*>(viewer.list()->itemDelegate());
        QVERIFY(delegate != nullptr);
        QCOMPARE(delegate->stops(),
                 QList<qreal>({qreal(DluToPixelsX(10, units)), qreal(DluToPixelsX(70, units))}));
        auto* ok = FindControl<QPushButton>(viewer, kIdOk);
        QVERIFY(ok->isDefault());
        QCOMPARE(viewer.focusWidget(), ok);
        QStringList headings;
        for (QLabel* label : viewer.findChildren<QLabel*>()) {
            headings << label->text();
        }
        QCOMPARE(headings, QStringList({"Channel", "Range"}));

        viewer.show();
        QTest::mouseClick(ok, Qt::LeftButton);
        QCOMPARE(viewer.result(), int(QDialog::Accepted));
        QVERIFY(!viewer.isVisible());
    }

    void about_showsNameVersionIconAndPictures() {
        CAboutDlg about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Vantrel"));
        QStringList texts;
        QList<QSize> pictures;
        for (QLabel* label : about.findChildren<QLabel*>()) {
            if (!label->pixmap().isNull()) {
                pictures << label->pixmap().size();
            } else {
                texts << label->text();
            }
        }
        QCOMPARE(texts, QStringList{"Vantrel Version 1.0"});
        QCOMPARE(pictures, QList<QSize>({{160, 50}, {137, 15}, {32, 32}}));
        about.show();
        QTest::keyClick(&about, Qt::Key_Escape);
        QCOMPARE(about.result(), int(QDialog::Rejected));
    }

    void programIcon_hasBothSizes() {
        const QIcon icon = ProgramIcon();
        QCOMPARE(icon.availableSizes(), QList<QSize>({{32, 32}, {16, 16}}));
        QVERIFY(BitmapResource(999).isNull());
    }

    void messageBox_warningOkApplicationNameModal() {
        const auto box = MakeMessageBox(nullptr, "No source data!");
        QCOMPARE(box->icon(), QMessageBox::Warning);
        QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(box->text(), QStringLiteral("No source data!"));
        QCOMPARE(box->windowModality(), Qt::ApplicationModal);
        // The executable's name without its extension.
        QCOMPARE(box->windowTitle(), QStringLiteral("vantrel_ui_dialogs_test"));
        QCOMPARE(ApplicationName(), QStringLiteral("vantrel_ui_dialogs_test"));
    }

    void messageSink_showsTheBoxUntilAcknowledged() {
        QtMessageSink sink;
        QString seen;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                seen = box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        sink.ShowMessage("Write to /tmp/x.cvt successful!");
        QCOMPARE(seen, QStringLiteral("Write to /tmp/x.cvt successful!"));
    }

    void nameFilters_inQtSyntax() {
        const std::vector<FileType> types{
            {QStringLiteral("DAQ Files (*.daq; *.dat)"), QStringLiteral("*.daq; *.dat")},
            {QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")}};
        QCOMPARE(QtNameFilters(types), QStringList({"DAQ Files (*.daq *.dat)", "All Files (*.*)"}));
    }

    void applicationStart_endsWhenTheWindowEnds() {
        QString caption;
        QTimer::singleShot(0, [&] {
            if (QWidget* window = QApplication::activeModalWidget()) {
                caption = window->windowTitle();
                QTest::keyClick(window, Qt::Key_Escape);
            }
        });
        CVantrelApp app;
        QVERIFY(!app.InitInstance());
        QCOMPARE(caption, QStringLiteral("Tessary -  File Convert Utility"));
        QCOMPARE(QApplication::topLevelWidgets().size(), 0);
    }
};

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::DialogsTest)
#include "DialogsTest.moc"
