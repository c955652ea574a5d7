// The console itself on the libftdi backend, with an FT232H emulated at the
// USB level: what the user's clicks put on the wire reaches the chip intact.
#include "display_frame.h"
#include "emulated_ft232h.h"
#include "message_box_recorder.h"
#include "packets.h"
#include "test_environment.h"
#include "umockdev_env.h"
#include "vistrel_inspector.h"
#include "wire_log.h"


#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

using ftdiemu::EmulatedFt232h;
using Bytes = std::vector<std::uint8_t>;

namespace {

const Bytes kOpenCloseWord{0xFF, 0xFE, 0x0D, 0x0A};
const Bytes kStartWord{0xFF, 0xAA, 0x0D, 0x0A};
const Bytes kStopWord{0xFF, 0xFD, 0x0D, 0x0A};

// The settings packet of the form's default texts: Vss -2, Vdd 2, Voff -12,
// Von 12, Vbias 0, Vl 0 and Vh 5 for each of the three gray tables.
Bytes defaultSettingsPacket()
{
    const std::vector<double> volts{-2, 2, -12, 12, -12, 12, 0, 0, 5, 0, 5, 0, 5};
    return vistrel::protocol::buildDriveSettingsPacket(volts, std::nullopt);
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes slice(const Bytes &bytes, std::size_t offset, std::size_t size)
{
    if (offset >= bytes.size())
        return {};
    return Bytes(bytes.begin() + long(offset), bytes.begin() + long(std::min(bytes.size(), offset + size)));
}

} // namespace

class FtdiConsoleTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void referencePacketsAreWhatTheWireExpects();
    void sessionReachesTheChipByteForByte();
    void unpluggedBridgeLeavesTheConsoleUsable();

private:
    Ui_Vistrel &ui() { return VistrelInspector::ui(*m_window); }

    UMockdevTestbed *m_testbed = nullptr;
    std::unique_ptr<EmulatedFt232h> m_chip;
    std::unique_ptr<Vistrel> m_window;
    QTemporaryDir m_logDir;
    QString m_logPath;
};

void FtdiConsoleTest::initTestCase()
{
    const std::string reason = ftdiemu::unavailableReason();
    if (!reason.empty())
        QSKIP(reason.c_str());
    QVERIFY(m_logDir.isValid());
}

void FtdiConsoleTest::init()
{
    m_logPath = m_logDir.filePath(QStringLiteral("wire-%1.bin").arg(QTest::currentTestFunction()));
    qputenv("VISTREL_WIRE_LOG", m_logPath.toLocal8Bit());
    vistrel::wireLogReset();
    testenv::clearSettingsStore();
    m_testbed = ftdiemu::newTestbed();
    m_chip = std::make_unique<EmulatedFt232h>(m_testbed);
    m_window = std::make_unique<Vistrel>();  // lists the bridges it finds
}

void FtdiConsoleTest::cleanup()
{
    if (m_window && VistrelInspector::deviceOpen(*m_window))
        ui().openButton->click();
    m_window.reset();
    m_chip.reset();
    ftdiemu::freeTestbed(m_testbed);
    m_testbed = nullptr;
    vistrel::wireLogReset();
}

void FtdiConsoleTest::referencePacketsAreWhatTheWireExpects()
{
    // Known bytes of the packets built below, so that the session is not
    // checked against the packet builders alone.
    const Bytes settings = defaultSettingsPacket();
    QCOMPARE(settings.size(), std::size_t(1554));
    QCOMPARE(testenv::hex(slice(settings, 0, 18), 18),
             QStringLiteral("FF 01 73 32 8C CC 33 33 CC CC 33 33 CC CC 7F FF 80 3F"));
    QCOMPARE(testenv::hex(slice(settings, 1552, 2)), QStringLiteral("0D 0A"));
    const Bytes allOn = vistrel::protocol::buildAllOnFrame();
    QCOMPARE(allOn.size(), std::size_t(36004));
    QCOMPARE(testenv::hex(slice(allOn, 0, 4)), QStringLiteral("FF 04 FF FF"));
    QCOMPARE(testenv::hex(slice(allOn, 36000, 4)), QStringLiteral("FF FF 0D 0A"));
}

void FtdiConsoleTest::sessionReachesTheChipByteForByte()
{
    const std::string serial = m_chip->identity().serial;
    QCOMPARE(ui().devicecomboBox->currentText(), QString::fromStdString(serial));

    // The form's default texts (an empty settings store leaves the fields empty).
    ui().lineEdit_vss->setText("-2");
    ui().lineEdit_vdd->setText("2");
    ui().lineEdit_voff->setText("-12");
    ui().lineEdit_von->setText("12");
    ui().lineEdit_vbais->setText("0.00");
    ui().lineEdit_grvl->setText("0.00");
    ui().lineEdit_grvh->setText("5");
    ui().lineEdit_fps->setText("60");

    MessageBoxRecorder boxes;
    ui().openButton->click();
    QCOMPARE(ui().openButton->text(), QStringLiteral("CLOSE"));
    QCOMPARE(VistrelInspector::ftStatus(*m_window), FT_STATUS(FT_OK));
    ftdiemu::ChipRecord record = m_chip->record();
    QCOMPARE(record.bitMode, std::uint8_t(0x40));
    QCOMPARE(record.bitMask, std::uint8_t(0x00));
    QCOMPARE(record.flowControl, std::uint16_t(0x0100));
    QVERIFY(!record.kernelDriverBound);

    ui().pushButton_brightness->click();
    QCOMPARE(ui().pushButton_brightness->text(), QStringLiteral("All OFF"));
    ui().pushButton_brightness->click();
    QCOMPARE(ui().pushButton_brightness->text(), QStringLiteral("All ON"));
    ui().sendButton->click();
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().at(0).text, QStringLiteral("Settings success!"));
    ui().openButton->click();
    QCOMPARE(ui().openButton->text(), QStringLiteral("OPEN"));

    const Bytes expected = concat({kOpenCloseWord, kStartWord, vistrel::protocol::buildAllOnFrame(), kStopWord,
                                   defaultSettingsPacket(), kOpenCloseWord});
    QCOMPARE(expected.size(), std::size_t(4 + 4 + 36004 + 4 + 1554 + 4));
    record = m_chip->record();
    QCOMPARE(record.received.size(), expected.size());
    QVERIFY2(record.received == expected, qPrintable(testenv::hex(record.received, 64)));
    // One bulk transfer per packet, the frame in transfer-size pieces.
    QCOMPARE(record.outTransfers, (std::vector<std::size_t>{4, 4, 36000, 4, 4, 1554, 4}));
    QVERIFY(!record.interfaceClaimed);

    QFile log(m_logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray logged = log.readAll();
    QVERIFY(Bytes(logged.begin(), logged.end()) == expected);
}

void FtdiConsoleTest::unpluggedBridgeLeavesTheConsoleUsable()
{
    MessageBoxRecorder boxes;
    ui().openButton->click();
    QCOMPARE(ui().openButton->text(), QStringLiteral("CLOSE"));

    m_chip->unplug();
    ui().pushButton_brightness->click();
    QVERIFY(VistrelInspector::ftStatus(*m_window) != FT_OK);
    ui().pushButton_brightness->click();
    ui().openButton->click();
    QCOMPARE(ui().openButton->text(), QStringLiteral("OPEN"));
    QVERIFY(!VistrelInspector::deviceOpen(*m_window));
    QCOMPARE(m_chip->record().received, kOpenCloseWord);

    m_window->checkDevices();
    QCOMPARE(ui().devicecomboBox->count(), 0);
}

int main(int argc, char **argv)
{
    ftdiemu::reexecUnderPreload(argv);
    QApplication app(argc, argv);
    FtdiConsoleTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ftdi_console.moc"
