// vistrelctl's runner on the libftdi backend, with an FT232H emulated at the
// USB level: a script's commands reach the chip byte for byte.
#include "emulated_ft232h.h"
#include "packets.h"
#include "display_frame.h"
#include "test_environment.h"
#include "umockdev_env.h"
#include "vistrelctl_app.h"

#include <QCoreApplication>
#include <QtTest>

#include <memory>

using Bytes = std::vector<std::uint8_t>;

class FtdiCliTest : public QObject
{
    Q_OBJECT

    UMockdevTestbed *m_testbed = nullptr;
    std::unique_ptr<ftdiemu::EmulatedFt232h> m_chip;

private slots:
    void initTestCase()
    {
        const std::string reason = ftdiemu::unavailableReason();
        if (!reason.empty())
            QSKIP(qPrintable(QStringLiteral("umockdev cannot run here: %1").arg(QString::fromStdString(reason))));
        m_testbed = ftdiemu::newTestbed();
        m_chip = std::make_unique<ftdiemu::EmulatedFt232h>(m_testbed);
    }
    void cleanupTestCase()
    {
        m_chip.reset();
        ftdiemu::freeTestbed(m_testbed);
    }

    // Without --virtual the real backend drives the chip: open, a pattern on
    // and off, Set, close.
    void scriptReachesTheChip()
    {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        const int status = vistrel::cli::runVistrelctl(
            {"vistrelctl", "-e", "open; pattern all-on; pattern off; set vdd=2 vss=-2 von=12 voff=-12 vh=5 vl=0 vbias=0.00; close"},
            outStream, errStream);
        QCOMPARE(err, QString());
        QCOMPARE(status, 0);

        using namespace vistrel::protocol;
        Bytes expected;
        const auto append = [&expected](const auto &part) { expected.insert(expected.end(), part.begin(), part.end()); };
        append(OpenCloseWord);
        append(DisplayStartWord);
        append(buildAllOnFrame());
        append(DisplayStopWord);
        append(buildDriveSettingsPacket({-2, 2, -12, 12, -12, 12, 0, 0, 5, 0, 5, 0, 5}, std::nullopt));
        append(OpenCloseWord);
        const ftdiemu::ChipRecord record = m_chip->record();
        QVERIFY2(record.received == expected, qPrintable(testenv::hex(record.received, 64)));
        QCOMPARE(record.outTransfers, (std::vector<std::size_t>{4, 4, 36000, 4, 4, 1554, 4}));
        QVERIFY(!record.interfaceClaimed);
        QCOMPARE(out.count('\n'), 6);  // five commands and the summary
    }
};

int main(int argc, char **argv)
{
    ftdiemu::reexecUnderPreload(argv);
    QCoreApplication app(argc, argv);
    FtdiCliTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ftdi_cli.moc"
