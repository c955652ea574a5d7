// OPEN / CLOSE: the bridge configuration in order, the control word on both
// sides, the failure box, and a close that always ends closed.
#include "display_media.h"
#include "message_box_recorder.h"
#include "test_environment.h"
#include "virtual_bridge.h"
#include "vistrel_inspector.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

using vistrel::virt::D2xxCall;
using vistrel::virt::Testbed;

namespace {

using Bytes = std::vector<std::uint8_t>;
using History = std::vector<std::string>;

const Bytes kOpenCloseWord{0xFF, 0xFE, 0x0D, 0x0A};

const History kOpenSequence{
    "FT_OpenEx",
    "FT_ResetDevice",
    "FT_Purge 3",
    "FT_SetBitMode 0 64",
    "FT_SetUSBParameters 36000 36000",
    "FT_SetFlowControl 256 0 0",
    "FT_SetTimeouts 500 0",
    "FT_Write 4",
};

QString joined(const History &history)
{
    QStringList lines;
    for (const std::string &line : history)
        lines << QString::fromStdString(line);
    return lines.join(QStringLiteral(" | "));
}

Bytes repeated(const Bytes &word, int times)
{
    Bytes out;
    for (int i = 0; i < times; ++i)
        out.insert(out.end(), word.begin(), word.end());
    return out;
}

} // namespace

class TestLinkOpenClose : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("VISTREL_VIRTUAL_DEVICES", "VPANEL01"); }
    void init();
    void cleanup() { window.reset(); }

    void openConfiguresBridgeInOrder();
    void closeWritesWordThenCloses();
    void openFailureShowsBoxAndStaysClosed_data();
    void openFailureShowsBoxAndStaysClosed();
    void openWithEmptyListStillTriesTheEmptySerial();
    void laterConfigurationFailuresStillOpen_data();
    void laterConfigurationFailuresStillOpen();
    void closeAfterUnplugEndsClosed();
    void reopenUsesTheCurrentEntry();
    void closeDuringPlaybackStopsTheVideoFirst();

private:
    Ui_Vistrel &ui() { return VistrelInspector::ui(*window); }
    void selectOnly(const QStringList &entries)
    {
        ui().devicecomboBox->clear();
        ui().devicecomboBox->addItems(entries);
    }
    void expectClosed()
    {
        QVERIFY(!VistrelInspector::deviceOpen(*window));
        QCOMPARE(ui().openButton->text(), QStringLiteral("OPEN"));
    }

    std::unique_ptr<Vistrel> window;
};

void TestLinkOpenClose::init()
{
    Testbed::instance().reset();
    testenv::clearSettingsStore();
    window = std::make_unique<Vistrel>();
    VistrelInspector::pollTimer(*window)->stop();
    selectOnly({"VPANEL01"});
}

void TestLinkOpenClose::openConfiguresBridgeInOrder()
{
    MessageBoxRecorder boxes;
    ui().openButton->click();

    QCOMPARE(joined(Testbed::instance().callHistory("VPANEL01")), joined(kOpenSequence));
    QCOMPARE(Testbed::instance().captured("VPANEL01"), kOpenCloseWord);
    const auto config = Testbed::instance().config("VPANEL01");
    QVERIFY(config.isOpen);
    QCOMPARE(config.opens, 1);
    QCOMPARE(config.resets, 1);
    QCOMPARE(config.purges, 1);
    QCOMPARE(config.lastPurgeMask, 3u);
    QCOMPARE(int(config.bitMask), 0);
    QCOMPARE(int(config.bitMode), 0x40);
    QCOMPARE(config.inTransferSize, 36000u);
    QCOMPARE(config.outTransferSize, 36000u);
    QCOMPARE(int(config.flowControl), 0x0100);
    QCOMPARE(int(config.xonChar), 0);
    QCOMPARE(int(config.xoffChar), 0);
    QCOMPARE(config.readTimeout, 500u);
    QCOMPARE(config.writeTimeout, 0u);
    QVERIFY(Testbed::instance().panel("VPANEL01").linkOpen);

    QVERIFY(VistrelInspector::deviceOpen(*window));
    QCOMPARE(ui().openButton->text(), QStringLiteral("CLOSE"));
    QCOMPARE(VistrelInspector::ftStatus(*window), FT_STATUS(FT_OK));
    QVERIFY(boxes.boxes().isEmpty());
}

void TestLinkOpenClose::closeWritesWordThenCloses()
{
    MessageBoxRecorder boxes;
    ui().openButton->click();
    ui().openButton->click();

    History expected = kOpenSequence;
    expected.insert(expected.end(), {"FT_Write 4", "FT_Close"});
    QCOMPARE(joined(Testbed::instance().callHistory("VPANEL01")), joined(expected));
    QCOMPARE(Testbed::instance().captured("VPANEL01"), repeated(kOpenCloseWord, 2));
    QVERIFY(!Testbed::instance().config("VPANEL01").isOpen);
    QCOMPARE(Testbed::instance().config("VPANEL01").closes, 1);
    QVERIFY(!Testbed::instance().panel("VPANEL01").linkOpen);
    expectClosed();
    QVERIFY(boxes.boxes().isEmpty());
}

void TestLinkOpenClose::openFailureShowsBoxAndStaysClosed_data()
{
    QTest::addColumn<QString>("entry");
    QTest::addColumn<uint>("injectedStatus");  // 0: none, the serial decides

    QTest::newRow("driver refuses") << "VPANEL01" << uint(FT_DEVICE_NOT_FOUND);
    QTest::newRow("other failure code") << "VPANEL01" << uint(FT_OTHER_ERROR);
    QTest::newRow("serial not plugged") << "GHOST99" << 0u;
}

void TestLinkOpenClose::openFailureShowsBoxAndStaysClosed()
{
    QFETCH(QString, entry);
    QFETCH(uint, injectedStatus);

    selectOnly({entry});
    if (injectedStatus != 0)
        Testbed::instance().failNext(D2xxCall::OpenEx, 1, injectedStatus);

    MessageBoxRecorder boxes;
    ui().openButton->click();

    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().at(0).title, QString());
    QCOMPARE(boxes.boxes().at(0).text, QStringLiteral("open status not ok"));
    expectClosed();
    const FT_STATUS status = VistrelInspector::ftStatus(*window);
    QVERIFY(status != FT_OK);
    if (injectedStatus != 0)
        QCOMPARE(status, FT_STATUS(injectedStatus));
    QVERIFY(Testbed::instance().captured("VPANEL01").empty());
    QCOMPARE(Testbed::instance().config("VPANEL01").resets, 0);
    QVERIFY(!Testbed::instance().config("VPANEL01").isOpen);

    // The failure leaves nothing behind: the next press opens normally.
    selectOnly({"VPANEL01"});
    ui().openButton->click();
    QVERIFY(VistrelInspector::deviceOpen(*window));
    QCOMPARE(Testbed::instance().captured("VPANEL01"), kOpenCloseWord);
    QCOMPARE(boxes.boxes().size(), 1);
}

void TestLinkOpenClose::openWithEmptyListStillTriesTheEmptySerial()
{
    selectOnly({});
    MessageBoxRecorder boxes;
    ui().openButton->click();
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().at(0).text, QStringLiteral("open status not ok"));
    expectClosed();

    // A bridge whose serial string is blank answers to the empty text.
    Testbed::instance().plug("");
    ui().openButton->click();
    QCOMPARE(boxes.boxes().size(), 1);
    QVERIFY(VistrelInspector::deviceOpen(*window));
    QCOMPARE(joined(Testbed::instance().callHistory("")), joined(kOpenSequence));
    QCOMPARE(Testbed::instance().captured(""), kOpenCloseWord);
    QVERIFY(Testbed::instance().callHistory("VPANEL01").empty());
}

void TestLinkOpenClose::laterConfigurationFailuresStillOpen_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<QString>("failedLine");
    QTest::addColumn<uint>("statusAfterOpen");

    QTest::newRow("reset") << int(D2xxCall::ResetDevice) << "FT_ResetDevice failed" << uint(FT_OK);
    QTest::newRow("purge") << int(D2xxCall::Purge) << "FT_Purge 3 failed" << uint(FT_OK);
    QTest::newRow("bit mode") << int(D2xxCall::SetBitMode) << "FT_SetBitMode 0 64 failed" << uint(FT_OK);
    QTest::newRow("transfer sizes") << int(D2xxCall::SetUSBParameters)
                                    << "FT_SetUSBParameters 36000 36000 failed" << uint(FT_OK);
    QTest::newRow("flow control") << int(D2xxCall::SetFlowControl) << "FT_SetFlowControl 256 0 0 failed"
                                  << uint(FT_OK);
    QTest::newRow("timeouts") << int(D2xxCall::SetTimeouts) << "FT_SetTimeouts 500 0 failed" << uint(FT_OK);
    QTest::newRow("opening word") << int(D2xxCall::Write) << "FT_Write 4 failed" << uint(FT_IO_ERROR);
}

void TestLinkOpenClose::laterConfigurationFailuresStillOpen()
{
    QFETCH(int, call);
    QFETCH(QString, failedLine);
    QFETCH(uint, statusAfterOpen);

    Testbed::instance().failNext(static_cast<D2xxCall>(call), 1, FT_IO_ERROR);
    MessageBoxRecorder boxes;
    ui().openButton->click();

    QVERIFY(boxes.boxes().isEmpty());
    QVERIFY(VistrelInspector::deviceOpen(*window));
    QCOMPARE(ui().openButton->text(), QStringLiteral("CLOSE"));
    QCOMPARE(VistrelInspector::ftStatus(*window), FT_STATUS(statusAfterOpen));
    // Every step still ran, in order, only the injected one failed.
    const History history = Testbed::instance().callHistory("VPANEL01");
    QCOMPARE(history.size(), kOpenSequence.size());
    for (std::size_t i = 0; i < history.size(); ++i) {
        const bool failedHere = QString::fromStdString(history[i]) == failedLine;
        QCOMPARE(history[i], failedHere ? kOpenSequence[i] + " failed" : kOpenSequence[i]);
    }
    QVERIFY(std::count(history.begin(), history.end(), failedLine.toStdString()) == 1);
}

void TestLinkOpenClose::closeAfterUnplugEndsClosed()
{
    MessageBoxRecorder boxes;
    ui().openButton->click();
    QVERIFY(Testbed::instance().unplug("VPANEL01"));
    window->checkDevices();
    QCOMPARE(ui().devicecomboBox->count(), 0);
    QVERIFY(VistrelInspector::deviceOpen(*window));  // unplugging does not close

    ui().openButton->click();
    expectClosed();
    QVERIFY(VistrelInspector::ftStatus(*window) != FT_OK);  // the closing word went nowhere
    QVERIFY(boxes.boxes().isEmpty());
    QCOMPARE(Testbed::instance().captured("VPANEL01"), kOpenCloseWord);

    // Plugged in again, it is listed and opens as before.
    Testbed::instance().plug("VPANEL01");
    window->checkDevices();
    ui().openButton->click();
    QVERIFY(VistrelInspector::deviceOpen(*window));
    QCOMPARE(Testbed::instance().captured("VPANEL01"), repeated(kOpenCloseWord, 2));
}

void TestLinkOpenClose::reopenUsesTheCurrentEntry()
{
    Testbed::instance().plug("VPANEL02");
    selectOnly({"VPANEL01", "VPANEL02"});
    ui().openButton->click();
    ui().openButton->click();
    ui().devicecomboBox->setCurrentIndex(1);
    ui().openButton->click();

    QVERIFY(VistrelInspector::deviceOpen(*window));
    QCOMPARE(Testbed::instance().captured("VPANEL01"), repeated(kOpenCloseWord, 2));
    QCOMPARE(Testbed::instance().captured("VPANEL02"), kOpenCloseWord);
    QCOMPARE(joined(Testbed::instance().callHistory("VPANEL02")), joined(kOpenSequence));
    QVERIFY(!Testbed::instance().config("VPANEL01").isOpen);
    QVERIFY(Testbed::instance().config("VPANEL02").isOpen);
}

void TestLinkOpenClose::closeDuringPlaybackStopsTheVideoFirst()
{
    const QString video = testenv::dataDir() + QStringLiteral("/close_during_playback.mp4");
    QVERIFY(displaytest::writeRampVideo(video, 20));
    VistrelInspector::setOpenFileDialog(
        [video](QWidget *, const QString &, const QString &, const QString &) { return video; });
    ui().pushButton_OpenFile_mp4->click();
    QCOMPARE(VistrelInspector::mediaPath(*window), video);

    ui().openButton->click();
    ui().loopcheckBox->setChecked(true);  // a video that would never end by itself
    ui().startButton->click();
    QTRY_VERIFY_WITH_TIMEOUT(displaytest::summarize(displaytest::wire(), {}).shape.size() >= 4, 5000);

    ui().openButton->click();
    expectClosed();
    QVERIFY(!VistrelInspector::videoThread(*window));
    QCOMPARE(ui().startButton->text(), QStringLiteral("Start"));
    const auto closedWire = displaytest::wire();
    const std::string shape = displaytest::summarize(closedWire, {}).shape;
    // Link word, start word, frames, then the video's stop word before the link's.
    QVERIFY2(QRegularExpression(QStringLiteral("^OAF+DO$")).match(QString::fromStdString(shape)).hasMatch(),
             shape.c_str());
    QCOMPARE(Testbed::instance().callHistory("VPANEL01").back(), std::string("FT_Close"));
    QTest::qWait(200);
    QCOMPARE(displaytest::wire().size(), closedWire.size());  // nothing after the close
}

QTEST_MAIN(TestLinkOpenClose)
#include "test_link_open_close.moc"
