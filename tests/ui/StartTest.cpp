// SPDX-License-Identifier: BSD-3-Clause
// `vantrel FILE`: the arguments the window program takes, and what the window does with the
// file it is started with (a good one, a missing one, one that is no recording, several).

#include <QLabel>
#include <QtTest>

#include "RecordingBuilder.h"
#include "StartArguments.h"
#include "WindowTestKit.h"
#include "convert/formats/RecordingFacts.h"

namespace vantrel::test {

class StartTest : public QObject {
    Q_OBJECT

  private slots:
    void arguments_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("action");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("others");
        QTest::addColumn<QString>("text");  // what the text starts with
        using A = StartArguments::Action;
        QTest::newRow("none") << QStringList{"vantrel"} << int(A::kRun) << QString()
                              << QStringList() << QString();
        QTest::newRow("one file") << QStringList{"vantrel", "run1.daq"} << int(A::kRun)
                                  << "run1.daq" << QStringList() << QString();
        QTest::newRow("three files")
            << QStringList{"vantrel", "a.daq", "b.daq", "c.dat"} << int(A::kRun) << "a.daq"
            << QStringList{"b.daq", "c.dat"} << QString();
        QTest::newRow("a file named like an option")
            << QStringList{"vantrel", "--", "-x.daq"} << int(A::kRun) << "-x.daq" << QStringList()
            << QString();
        QTest::newRow("version") << QStringList{"vantrel", "--version"} << int(A::kPrint)
                                 << QString() << QStringList()
                                 << QString::fromStdString("vantrel " + ProgramVersion() + "\n");
        QTest::newRow("help") << QStringList{"vantrel", "-h"} << int(A::kPrint) << QString()
                              << QStringList() << "Usage: ";
        QTest::newRow("help-all") << QStringList{"vantrel", "--help-all"} << int(A::kPrint)
                                  << QString() << QStringList() << "Usage: ";
        QTest::newRow("unknown option")
            << QStringList{"vantrel", "--bogus", "a.daq"} << int(A::kUsageError) << QString()
            << QStringList() << "Unknown option 'bogus'.";
    }

    void arguments() {
        QFETCH(QStringList, arguments);
        QFETCH(int, action);
        QFETCH(QString, file);
        QFETCH(QStringList, others);
        QFETCH(QString, text);
        const StartArguments start = ReadStartArguments(arguments);
        QCOMPARE(int(start.action), action);
        QCOMPARE(start.file, file);
        QCOMPARE(start.others, others);
        QVERIFY2(start.text.startsWith(text), qPrintable(start.text));
    }

    void openAtStart_loadsTheFirstFileAsBrowseAndLoadWould() {
        TempDir dir;
        RecordingBuilder builder;
        builder.header().SetChannelCount(2);
        builder.header().SetScanCount(3);
        for (int i = 0; i < 6; ++i) {
            builder.AddWord16(static_cast<std::uint16_t>(i));
        }
        const std::string good = dir.File("good.daq");
        builder.WriteTo(good);
        const std::string hostile = dir.File("hostile.daq");
        WriteFileBytes(hostile, {'n', 'o', 't', ' ', 'a', ' ', 'r', 'e', 'c'});

        {
            WindowFixture f;
            f.window->show();
            f.window->OpenAtStart(QString::fromStdString(good));
            QVERIFY(f.messages.texts.empty());
            QCOMPARE(f.InputPath()->text().toStdString(), good);
            QCOMPARE(f.OutputPath()->text().toStdString(), dir.File("good.cvt"));
            QCOMPARE(f.Control<QLabel>(ctl::kScanText)->text(), QStringLiteral("3"));
            QVERIFY(f.window->state().recording.samples.has_value());
        }
        {
            // Two more files: the first is loaded, the others named.
            WindowFixture f;
            f.window->show();
            f.window->OpenAtStart(QString::fromStdString(good), {"b.daq", "c.daq"});
            QCOMPARE(f.messages.texts,
                     std::vector<std::string>{
                         "Only the first file is opened. Not opened: b.daq, c.daq"});
            QVERIFY(f.window->state().recording.samples.has_value());
        }
        {
            WindowFixture f;
            f.window->show();
            f.window->OpenAtStart(QString::fromStdString(hostile));
            QCOMPARE(f.messages.texts, std::vector<std::string>{kNotRecordingMessage});
            QVERIFY(!f.window->state().recording.samples.has_value());
        }
        {
            // A missing file: the load's message, and nothing held.
            WindowFixture f;
            f.window->show();
            f.window->OpenAtStart(QString::fromStdString(dir.File("missing.daq")));
            QCOMPARE(f.messages.texts,
                     std::vector<std::string>{dir.File("missing.daq") + ": " + kCannotOpenMessage});
            QVERIFY(!f.window->state().recording.samples.has_value());
            QVERIFY(!f.Control<QPushButton>(ctl::kPreview)->isEnabled());
        }
    }
};

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::StartTest)
#include "StartTest.moc"
