// OPEN and CLOSE: bridge configuration, control words, failure boxes.
#include "../link_discovery/link_fixture.h"

class TestLinkOpenClose : public QObject, LinkFixture
{
    Q_OBJECT
    QString link() { return ui().openButton->text() + (VistrelInspector::deviceOpen(*window) ? " open" : " closed"); }
    QString calls()
    {
        QStringList out;
        for (const std::string &line : bed().callHistory("VPANEL01"))
            out << QString::fromStdString(line);
        return out.join('|');
    }

private slots:
    void init() { fresh(); }

    void openThenClose()
    {
        const QString opening = QStringLiteral("FT_OpenEx|FT_ResetDevice|FT_Purge 3|FT_SetBitMode 0 64|"
                                               "FT_SetUSBParameters 36000 36000|FT_SetFlowControl 256 0 0|"
                                               "FT_SetTimeouts 500 0|FT_Write 4|");
        MessageBoxRecorder boxes;
        ui().openButton->click();
        QCOMPARE(calls() + '|', opening);
        QCOMPARE(wire(), QStringLiteral("FF FE 0D 0A"));
        QCOMPARE(link(), QStringLiteral("CLOSE open"));
        ui().openButton->click();
        QCOMPARE(link(), QStringLiteral("OPEN closed"));
        QCOMPARE(calls(), QString(opening + "FT_Write 4|FT_Close"));
        QCOMPARE(wire(), "FF FE 0D 0A FF FE 0D 0A");
        QCOMPARE(boxes.boxes(), QStringList());
    }

    // Each configuration call after the open is checked: one that fails
    // closes the handle again and the box names it.
    void configurationFailure_data()
    {
        QTest::addColumn<int>("call");
        QTest::addColumn<QString>("name");
        QTest::newRow("reset") << int(D2xxCall::ResetDevice) << "FT_ResetDevice";
        QTest::newRow("purge") << int(D2xxCall::Purge) << "FT_Purge";
        QTest::newRow("bit mode") << int(D2xxCall::SetBitMode) << "FT_SetBitMode";
        QTest::newRow("transfer sizes") << int(D2xxCall::SetUSBParameters) << "FT_SetUSBParameters";
        QTest::newRow("flow control") << int(D2xxCall::SetFlowControl) << "FT_SetFlowControl";
        QTest::newRow("timeouts") << int(D2xxCall::SetTimeouts) << "FT_SetTimeouts";
        QTest::newRow("open word") << int(D2xxCall::Write) << "FT_Write";
    }
    void configurationFailure()
    {
        QFETCH(int, call);
        QFETCH(QString, name);
        bed().failNext(D2xxCall(call), 1, FT_IO_ERROR);
        MessageBoxRecorder boxes;
        ui().openButton->click();
        QCOMPARE(boxes.boxes(), QStringList{"|open status not ok\n" + name + ": FT_IO_ERROR"});
        QCOMPARE(link(), QStringLiteral("OPEN closed"));
        QVERIFY2(QRegularExpression(name + "[ 0-9]* failed\\|FT_Close$").match(calls()).hasMatch(), qPrintable(calls()));
        QVERIFY(!bed().isOpen("VPANEL01"));
        ui().openButton->click();  // the bridge is free to open again
        QCOMPARE(link(), QStringLiteral("CLOSE open"));
    }

    void openFailure_data()
    {
        QTest::addColumn<QStringList>("entries");
        QTest::addColumn<uint>("refusal");  // 0: none, the serial decides
        QTest::addColumn<QString>("box");
        const QString notFound = "|open status not ok\nFT_OpenEx: FT_DEVICE_NOT_FOUND";
        QTest::newRow("driver refuses") << QStringList{"VPANEL01"} << uint(FT_DEVICE_NOT_FOUND) << notFound;
        QTest::newRow("serial not plugged") << QStringList{"GHOST99"} << 0u << notFound;
        QTest::newRow("empty list") << QStringList() << 0u << notFound;
        // How libftdi1 lists a bridge the user may not open.
        QTest::newRow("no permission") << QStringList{"NOACCESS-1-7"} << 0u
                                       << notFound + "\nNo permission to use this USB device: install the udev rule "
                                                     "70-vistrel-ftdi.rules, then unplug and replug the bridge.";
    }
    void openFailure()
    {
        QFETCH(QStringList, entries);
        QFETCH(uint, refusal);
        QFETCH(QString, box);
        ui().devicecomboBox->clear();
        ui().devicecomboBox->addItems(entries);
        bed().failNext(D2xxCall::OpenEx, refusal ? 1 : 0, refusal);
        MessageBoxRecorder boxes;
        ui().openButton->click();
        QCOMPARE(boxes.boxes(), QStringList{box});
        QCOMPARE(link(), QStringLiteral("OPEN closed"));
        QCOMPARE(calls(), refusal ? "FT_OpenEx failed" : "");
    }
};

QTEST_MAIN(TestLinkOpenClose)
#include "test_link_open_close.moc"
