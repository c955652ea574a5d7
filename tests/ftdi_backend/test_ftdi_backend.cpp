// The libftdi backend's D2XX calls against an FT232H emulated at the USB
// level: unmodified libusb and libftdi talk usbdevfs to the emulator.
#include "d2xx_backend.h"
#include "emulated_ft232h.h"
#include "ftdi_bridge.h"
#include "umockdev_env.h"
#include "wire_log.h"

#include <QtTest>

#include <memory>
#include <numeric>

using ftdiemu::EmulatedFt232h;
using Bytes = std::vector<std::uint8_t>;

namespace {

const Bytes kWord{0xFF, 0xFE, 0x0D, 0x0A};
FT_DWORD lastWritten = 0;

QStringList listedSerials()
{
    FT_DWORD count = 0;
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(8);
    if (FT_CreateDeviceInfoList(&count) != FT_OK || count > 8 || FT_GetDeviceInfoList(nodes.data(), &count) != FT_OK)
        return {"<list failed>"};
    QStringList serials;
    for (FT_DWORD i = 0; i < count; ++i)
        serials << QString::fromUtf8(nodes[i].SerialNumber);
    serials.sort();
    return serials;
}

// The console's configuration after an open, call for call.
QVector<FT_STATUS> configureLikeTheConsole(FT_HANDLE h)
{
    return {FT_ResetDevice(h), FT_Purge(h, FT_PURGE_RX | FT_PURGE_TX), FT_SetBitMode(h, 0, FT_BITMODE_SYNC_FIFO),
            FT_SetUSBParameters(h, 36000, 36000), FT_SetFlowControl(h, FT_FLOW_RTS_CTS, 0, 0), FT_SetTimeouts(h, 500, 0)};
}

FT_STATUS writeBytes(FT_HANDLE handle, Bytes bytes)
{
    lastWritten = 99;
    return FT_Write(handle, bytes.data(), static_cast<FT_DWORD>(bytes.size()), &lastWritten);
}

} // namespace

class FtdiBackendTest : public QObject
{
    Q_OBJECT

    UMockdevTestbed *m_testbed = nullptr;
    std::vector<std::unique_ptr<EmulatedFt232h>> m_chips;
    std::vector<FT_HANDLE> m_handles;
    FT_STATUS m_openStatus = FT_OK;
    QTemporaryDir m_logDir;

    EmulatedFt232h &plug(const char *serial, int address)
    {
        ftdiemu::Identity id;
        id.serial = serial;
        id.address = address;
        m_chips.push_back(std::make_unique<EmulatedFt232h>(m_testbed, id));
        return *m_chips.back();
    }
    FT_HANDLE open(const std::string &serial)
    {
        FT_HANDLE handle = nullptr;
        m_openStatus = FT_OpenEx(const_cast<char *>(serial.c_str()), FT_OPEN_BY_SERIAL_NUMBER, &handle);
        m_handles.push_back(handle);  // closed at cleanup, if still open
        return m_openStatus == FT_OK ? handle : nullptr;
    }

private slots:
    void initTestCase()
    {
        const std::string reason = ftdiemu::unavailableReason();
        if (!reason.empty())
            QSKIP(qPrintable(QStringLiteral("umockdev cannot run here: %1").arg(QString::fromStdString(reason))));
        vistrel::device::useBackend(*vistrel::device::realBackend());
        QVERIFY(m_logDir.isValid());
        qputenv("VISTREL_WIRE_LOG", m_logDir.filePath("wire.bin").toLocal8Bit());
        vistrel::wireLogReset();
        m_testbed = ftdiemu::newTestbed();
        QVERIFY(m_testbed);
    }
    void cleanupTestCase()
    {
        for (FT_HANDLE handle : m_handles)
            FT_Close(handle);  // after a failure: none may outlive its chip
        m_chips.clear();
        ftdiemu::freeTestbed(m_testbed);
    }

    // Listing, open, configuration, a frame, a stalled panel, close and
    // reopen, unplugging: what reaches the chip and the wire log.
    void bridgeLifecycle()
    {
        QCOMPARE(listedSerials(), QStringList());
        plug("FTLOCKED", 7).makeUnopenable();  // no udev rule: listed under a name that says so
        plug("FTMUTE01", 8).denyAccess();      // answers nothing: a blank serial, which the poll ignores
        EmulatedFt232h &chip = plug("FT7VQ0ZB", 9);
        for (int poll = 0; poll < 3; ++poll) {  // neither hangs the poll nor hides the good bridge
            QElapsedTimer clock;
            clock.start();
            QCOMPARE(listedSerials(), (QStringList{"", "FT7VQ0ZB", "NOACCESS-1-7"}));
            QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        }
        QVERIFY(!open("NOACCESS-1-7"));
        QCOMPARE(m_openStatus, FT_STATUS(FT_DEVICE_NOT_OPENED));
        QVERIFY(!open(""));
        QCOMPARE(m_openStatus, FT_STATUS(FT_DEVICE_NOT_FOUND));
        FT_HANDLE first = open("FT7VQ0ZB");
        QVERIFY(first);
        QVERIFY(!chip.record().kernelDriverBound && chip.record().interfaceClaimed);

        const long requestsAtOpen = long(chip.record().vendorRequests.size());
        QCOMPARE(configureLikeTheConsole(first), QVector<FT_STATUS>(6, FT_OK));
        const std::vector<std::string> requests = chip.record().vendorRequests;
        QCOMPARE(std::vector<std::string>(requests.begin() + requestsAtOpen, requests.end()),
                 (std::vector<std::string>{"reset", "purge 1", "purge 2", "bitmode mask=00 mode=40", "flow rts-cts"}));

        Bytes frame(36004);
        std::iota(frame.begin(), frame.end(), std::uint8_t(7));
        QCOMPARE(writeBytes(first, frame), FT_STATUS(FT_OK));
        QCOMPARE(lastWritten, FT_DWORD(36004));
        QVERIFY(chip.record().received == frame);
        QCOMPARE(chip.record().outTransfers, (std::vector<std::size_t>{36000, 4}));

        // A stalled panel: the write timeout 0 is bounded, not endless.
        chip.stallBulkOut(true);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(writeBytes(first, frame) != FT_OK);
        const qint64 ms = clock.elapsed();
        QVERIFY2(ms >= vistrel::ftdi::kZeroTimeoutMs - 50 && ms <= vistrel::ftdi::kZeroTimeoutMs + 1500,
                 qPrintable(QString::number(ms)));
        QCOMPARE(lastWritten, FT_DWORD(0));
        chip.stallBulkOut(false);  // the panel takes data again: so does the link
        QCOMPARE(writeBytes(first, kWord), FT_STATUS(FT_OK));

        QCOMPARE(FT_Close(first), FT_STATUS(FT_OK));
        QVERIFY(!chip.record().interfaceClaimed);
        FT_HANDLE second = open("FT7VQ0ZB");
        QVERIFY(second && second != first);
        for (FT_STATUS stale : {writeBytes(first, {1, 2, 3, 4}), FT_SetBitMode(first, 0, 0x40), FT_Close(first)})
            QCOMPARE(stale, FT_STATUS(FT_INVALID_HANDLE));
        QCOMPARE(writeBytes(second, kWord), FT_STATUS(FT_OK));

        chip.unplug();
        QVERIFY(writeBytes(second, {0xFF, 0xAA, 0x0D, 0x0A}) != FT_OK);
        QCOMPARE(lastWritten, FT_DWORD(0));
        QCOMPARE(listedSerials(), (QStringList{"", "NOACCESS-1-7"}));
        QCOMPARE(FT_Close(second), FT_STATUS(FT_OK));

        // Only accepted writes reach the chip and the log.
        for (int i = 0; i < 2; ++i)
            frame.insert(frame.end(), kWord.begin(), kWord.end());
        QVERIFY(chip.record().received == frame);
        QFile log(m_logDir.filePath("wire.bin"));
        QVERIFY(log.open(QIODevice::ReadOnly));
        QCOMPARE(log.readAll(), QByteArray(reinterpret_cast<const char *>(frame.data()), int(frame.size())));
    }
};

int main(int argc, char **argv)
{
    ftdiemu::reexecUnderPreload(argv);
    QCoreApplication app(argc, argv);
    FtdiBackendTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ftdi_backend.moc"
