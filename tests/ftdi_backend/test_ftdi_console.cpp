// The console on the libftdi backend and an FT232H emulated at the USB level:
// what the user's clicks put on the wire reaches the chip intact.
#include "d2xx_backend.h"
#include "emulated_ft232h.h"
#include "message_box_recorder.h"
#include "packets.h"
#include "test_environment.h"
#include "umockdev_env.h"
#include "window_access.h"

#include <QApplication>
#include <QtTest>

#include <memory>

using Bytes = std::vector<std::uint8_t>;

class FtdiConsoleTest : public QObject
{
    Q_OBJECT

    UMockdevTestbed *m_testbed = nullptr;
    std::unique_ptr<ftdiemu::EmulatedFt232h> m_chip;
    std::unique_ptr<Vistrel> m_window;
    Ui_Vistrel &ui() { return VistrelInspector::ui(*m_window); }

private slots:
    void initTestCase()
    {
        const std::string reason = ftdiemu::unavailableReason();
        if (!reason.empty())
            QSKIP(qPrintable(QStringLiteral("umockdev cannot run here: %1").arg(QString::fromStdString(reason))));
        vistrel::device::useBackend(*vistrel::device::realBackend());
        testenv::clearSettingsStore();
        m_testbed = ftdiemu::newTestbed();
        m_chip = std::make_unique<ftdiemu::EmulatedFt232h>(m_testbed);
        m_window = std::make_unique<Vistrel>();  // lists the bridges it finds
    }
    void cleanupTestCase()
    {
        m_window.reset();
        m_chip.reset();
        ftdiemu::freeTestbed(m_testbed);
    }

    void sessionReachesTheChipByteForByte()
    {
        // The form's default texts (an empty settings store leaves the fields empty).
        const std::pair<QLineEdit *, const char *> texts[] = {{ui().lineEdit_vss, "-2"}, {ui().lineEdit_vdd, "2"},
            {ui().lineEdit_voff, "-12"}, {ui().lineEdit_von, "12"}, {ui().lineEdit_vbais, "0.00"},
            {ui().lineEdit_grvl, "0.00"}, {ui().lineEdit_grvh, "5"}, {ui().lineEdit_fps, "60"}};
        for (const auto &[edit, text] : texts)
            edit->setText(text);

        MessageBoxRecorder boxes;
        for (QPushButton *button : {ui().openButton, ui().pushButton_brightness, ui().pushButton_brightness,
                                    ui().sendButton, ui().openButton})
            button->click();
        QCOMPARE(boxes.boxes(), QStringList{"Attention|Settings success!"});

        // Vss -2, Vdd 2, Voff -12, Von 12, Vbias 0, then Vl 0 and Vh 5 per gray table (bytes: tests/protocol_packets).
        const Bytes settings = vistrel::protocol::buildDriveSettingsPacket({-2, 2, -12, 12, -12, 12, 0, 0, 5, 0, 5, 0, 5}, {});
        // Open; All ON: start word, the frame FF 04, 36000 x FF, 0D 0A, stop word; Set; close.
        Bytes expected{0xFF, 0xFE, 0x0D, 0x0A, 0xFF, 0xAA, 0x0D, 0x0A, 0xFF, 0x04};
        expected.resize(expected.size() + 36000, 0xFF);
        for (const Bytes &part : {Bytes{0x0D, 0x0A, 0xFF, 0xFD, 0x0D, 0x0A}, settings, Bytes{0xFF, 0xFE, 0x0D, 0x0A}})
            expected.insert(expected.end(), part.begin(), part.end());
        const ftdiemu::ChipRecord record = m_chip->record();
        QVERIFY2(record.received == expected, qPrintable(testenv::hex(record.received, 64)));
        QCOMPARE(record.outTransfers, (std::vector<std::size_t>{4, 4, 36000, 4, 4, 1554, 4}));
        QVERIFY(!record.interfaceClaimed);
    }
};

int main(int argc, char **argv)
{
    ftdiemu::reexecUnderPreload(argv);
    QApplication app(argc, argv);
    FtdiConsoleTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ftdi_console.moc"
