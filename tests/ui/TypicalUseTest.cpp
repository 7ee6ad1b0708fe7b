// SPDX-License-Identifier: BSD-3-Clause
// The typical use, end to end through the window: browse to a recording, load it, read
// the header, view the queue, convert in each format and find the file on disk.

#include <QLabel>
#include <QRadioButton>
#include <QtTest>

#include "RecordingBuilder.h"
#include "WindowTestKit.h"
#include "convert/run/ConvertRun.h"

namespace vantrel::test {

namespace {

const std::string kTitleLines = ";Mervik DAQ Data of Card MODEL_A\r\nChannel_0  \tChannel_1  \r\n";

}  // namespace

class TypicalUseTest : public QObject {
    Q_OBJECT

  private slots:
    void browseLoadViewConvert_eachFormat() {
        // Card type 1, two channels, one scan of 1000 hex and F800 hex, range +/-10V.
        TempDir dir;
        RecordingBuilder builder;
        builder.header().SetChannelCount(2);
        builder.header().SetScanCount(1);
        builder.AddQueueEntry(0, 1).AddQueueEntry(1, 10);
        builder.AddWord16(0x1000).AddWord16(0xF800);
        const std::string input = dir.File("run1.daq");
        builder.WriteTo(input);

        WindowFixture f;
        f.window->show();
        f.chooser.answers.push_back(QString::fromStdString(input));
        f.Click(ctl::kBrowseInput);
        const std::string derived = dir.File("run1.cvt");
        QCOMPARE(f.OutputPath()->text().toStdString(), derived);

        f.Click(ctl::kLoad);
        QVERIFY(f.messages.texts.empty());
        QCOMPARE(f.Control<QLabel>(ctl::kCardText)->text(), QStringLiteral("MODEL_A"));
        QCOMPARE(f.Control<QLabel>(ctl::kChannelText)->text(), QStringLiteral("2"));
        QCOMPARE(f.Control<QLabel>(ctl::kScanText)->text(), QStringLiteral("1"));
        QCOMPARE(f.Control<QLabel>(ctl::kWidthText)->text(), QStringLiteral("16 bits"));
        QCOMPARE(f.Control<QLabel>(ctl::kOrderText)->text(), QStringLiteral("0-1-2-3"));
        QCOMPARE(f.Control<QLabel>(ctl::kRangeText)->text(), QStringLiteral("+/-10V"));
        QCOMPARE(f.Control<QLabel>(ctl::kQueueText)->text(), QStringLiteral("2"));

        f.Click(ctl::kView);
        QCOMPARE(f.dialogs.shown().size(), std::size_t{1});
        QCOMPARE(f.dialogs.shown().front().rows, QStringList({"\t0\t+/-10V", "\t1\t+/-1V"}));

        QTest::mouseClick(f.Control<QRadioButton>(ctl::kTab), Qt::LeftButton);

        // Scaled text into the derived path.
        f.Click(ctl::kStartConvert);
        QCOMPARE(f.messages.texts.back(), SuccessMessage(derived));
        QCOMPARE(ReadFileText(derived), kTitleLines + "  1.2500000\t -0.6250000\r\n");

        // Scaled binary into a path chosen with the save chooser: no title, no separator.
        const std::string binary = dir.File("run1.bin");
        f.chooser.answers.push_back(QString::fromStdString(binary));
        f.Click(ctl::kBrowseOutput);
        f.ChooseFormat(1);
        f.Click(ctl::kStartConvert);
        QCOMPARE(f.messages.texts.back(), SuccessMessage(binary));
        const std::vector<std::uint8_t> doubles{0, 0, 0, 0, 0, 0, 0xF4, 0x3F,
                                                0, 0, 0, 0, 0, 0, 0xE4, 0xBF};
        QCOMPARE(ReadFileBytes(binary), doubles);

        // Codes as text, into a typed path.
        const std::string codes = dir.File("run1-codes.txt");
        f.OutputPath()->setText(QString::fromStdString(codes));
        f.ChooseFormat(2);
        f.Click(ctl::kStartConvert);
        QCOMPARE(f.messages.texts.back(), SuccessMessage(codes));
        QCOMPARE(ReadFileText(codes), kTitleLines + "       4096\t      63488\r\n");

        QCOMPARE(f.messages.texts.size(), std::size_t{3});
        QCOMPARE(f.files.openHandles, 0);
    }
};

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::TypicalUseTest)
#include "TypicalUseTest.moc"
