// The libftdi backend's D2XX calls against an FT232H emulated at the USB
// level: unmodified libusb and libftdi talk usbdevfs to the emulator.
#include "d2xx.h"
#include "emulated_ft232h.h"
#include "ftdi_bridge.h"
#include "ftdi_status.h"
#include "test_environment.h"
#include "umockdev_env.h"
#include "wire_log.h"

#include <ftdi.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

using ftdiemu::EmulatedFt232h;
using ftdiemu::Identity;

namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<FT_DEVICE_LIST_INFO_NODE> listDevices()
{
    FT_DWORD count = 0;
    if (FT_CreateDeviceInfoList(&count) != FT_OK)
        return {};
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(count);
    if (count > 0 && FT_GetDeviceInfoList(nodes.data(), &count) != FT_OK)
        return {};
    nodes.resize(count);
    return nodes;
}

QStringList listedSerials()
{
    QStringList serials;
    for (const FT_DEVICE_LIST_INFO_NODE &node : listDevices())
        serials << QString::fromUtf8(node.SerialNumber);
    return serials;
}

// Every handle opened, for the test's cleanup to close: none may outlive
// the emulated chip behind it.
std::vector<FT_HANDLE> openedHandles;

FT_HANDLE openSerial(const std::string &serial, FT_STATUS *status = nullptr)
{
    FT_HANDLE handle = nullptr;
    const FT_STATUS s = FT_OpenEx(const_cast<char *>(serial.c_str()), FT_OPEN_BY_SERIAL_NUMBER, &handle);
    if (status)
        *status = s;
    if (s != FT_OK)
        return nullptr;
    openedHandles.push_back(handle);
    return handle;
}

// The console's configuration after an open, call for call.
void configureLikeTheConsole(FT_HANDLE handle)
{
    QCOMPARE(FT_ResetDevice(handle), FT_STATUS(FT_OK));
    QCOMPARE(FT_Purge(handle, FT_PURGE_RX | FT_PURGE_TX), FT_STATUS(FT_OK));
    QCOMPARE(FT_SetBitMode(handle, 0, FT_BITMODE_SYNC_FIFO), FT_STATUS(FT_OK));
    QCOMPARE(FT_SetUSBParameters(handle, 36000, 36000), FT_STATUS(FT_OK));
    QCOMPARE(FT_SetFlowControl(handle, FT_FLOW_RTS_CTS, 0, 0), FT_STATUS(FT_OK));
    QCOMPARE(FT_SetTimeouts(handle, 500, 0), FT_STATUS(FT_OK));
}

Bytes frameBytes(std::size_t size, unsigned seed)
{
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>((i * 131 + seed) >> 3);
    return bytes;
}

FT_STATUS writeBytes(FT_HANDLE handle, Bytes bytes, FT_DWORD *written = nullptr)
{
    FT_DWORD count = 0;
    const FT_STATUS status = FT_Write(handle, bytes.data(), static_cast<FT_DWORD>(bytes.size()), &count);
    if (written)
        *written = count;
    return status;
}

Identity identityOf(const char *serial, std::uint16_t productId, std::uint16_t bcdDevice, int address)
{
    Identity id;
    id.serial = serial;
    id.productId = productId;
    id.bcdDevice = bcdDevice;
    id.address = address;
    return id;
}

} // namespace

class FtdiBackendTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void listsBridgeProducts_data();
    void listsBridgeProducts();
    void listsEveryAttachedBridge();
    void unreadableBridgeNeitherHangsNorHidesOthers_data();
    void unreadableBridgeNeitherHangsNorHidesOthers();
    void openDetachesKernelDriverAndClaims();
    void configurationReachesTheChipInOrder();
    void frameArrivesIntactInTransferSizedPieces();
    void wireLogGetsEveryAcceptedWrite();
    void unpluggedBridgeFailsWritesAndStillCloses();
    void closeReleasesTheBridge();
    void closedHandleIsRefusedByEveryCall_data();
    void closedHandleIsRefusedByEveryCall();
    void closeWhileAnotherThreadWrites();
    void stalledPanelCannotFreezeAWrite_data();
    void stalledPanelCannotFreezeAWrite();
    void badArgumentsAreRefused_data();
    void badArgumentsAreRefused();
    void libftdiCodesMapOntoStatuses_data();
    void libftdiCodesMapOntoStatuses();
    void errorTextSurvivesMissingText();

private:
    EmulatedFt232h &plug(Identity identity = {});

    UMockdevTestbed *m_testbed = nullptr;
    std::vector<std::unique_ptr<EmulatedFt232h>> m_chips;
    QTemporaryDir m_logDir;
    QString m_logPath;
};

EmulatedFt232h &FtdiBackendTest::plug(Identity identity)
{
    m_chips.push_back(std::make_unique<EmulatedFt232h>(m_testbed, std::move(identity)));
    return *m_chips.back();
}

void FtdiBackendTest::initTestCase()
{
    const std::string reason = ftdiemu::unavailableReason();
    if (!reason.empty())
        QSKIP(reason.c_str());
    QVERIFY(m_logDir.isValid());
}

void FtdiBackendTest::init()
{
    m_testbed = ftdiemu::newTestbed();
    QVERIFY(m_testbed);
    m_logPath = m_logDir.filePath(QStringLiteral("wire-%1.bin").arg(QTest::currentTestFunction()));
    QFile::remove(m_logPath);
    qputenv("VISTREL_WIRE_LOG", m_logPath.toLocal8Bit());
    vistrel::wireLogReset();
}

void FtdiBackendTest::cleanup()
{
    for (FT_HANDLE handle : openedHandles)
        FT_Close(handle);  // most are closed already: FT_INVALID_HANDLE
    openedHandles.clear();
    m_chips.clear();
    ftdiemu::freeTestbed(m_testbed);
    m_testbed = nullptr;
    vistrel::wireLogReset();
}

void FtdiBackendTest::listsBridgeProducts_data()
{
    QTest::addColumn<int>("productId");
    QTest::addColumn<int>("bcdDevice");
    QTest::addColumn<bool>("listed");
    QTest::addColumn<int>("type");

    QTest::newRow("FT232H") << 0x6014 << 0x0900 << true << 8;
    QTest::newRow("FT2232H") << 0x6010 << 0x0700 << true << 6;
    QTest::newRow("FT4232H") << 0x6011 << 0x0800 << true << 7;
    QTest::newRow("FT232R") << 0x6001 << 0x0600 << true << 5;
    QTest::newRow("FT-X") << 0x6015 << 0x1000 << true << 9;
    QTest::newRow("other FTDI product") << 0x6002 << 0x0600 << false << 0;
}

void FtdiBackendTest::listsBridgeProducts()
{
    QFETCH(int, productId);
    QFETCH(int, bcdDevice);
    QFETCH(bool, listed);
    QFETCH(int, type);
    plug(identityOf("FTB7K2Q1", static_cast<std::uint16_t>(productId), static_cast<std::uint16_t>(bcdDevice), 5));

    const std::vector<FT_DEVICE_LIST_INFO_NODE> nodes = listDevices();
    QCOMPARE(nodes.size(), std::size_t(listed ? 1 : 0));
    if (!listed)
        return;
    const FT_DEVICE_LIST_INFO_NODE &node = nodes.front();
    QCOMPARE(QByteArray(node.SerialNumber), QByteArray("FTB7K2Q1"));
    QCOMPARE(QByteArray(node.Description), QByteArray("Single RS232-HS"));
    QCOMPARE(node.Type, std::uint32_t(type));
    QCOMPARE(node.ID, std::uint32_t(0x04030000u | unsigned(productId)));
    QCOMPARE(node.Flags, std::uint32_t(2));  // high speed, not opened
    QVERIFY(!node.ftHandle);
}

void FtdiBackendTest::listsEveryAttachedBridge()
{
    QCOMPARE(listedSerials(), QStringList());
    plug(identityOf("FTAAAA01", 0x6014, 0x0900, 2));
    plug(identityOf("FTBBBB02", 0x6010, 0x0700, 3));
    QStringList serials = listedSerials();
    serials.sort();
    QCOMPARE(serials, (QStringList{"FTAAAA01", "FTBBBB02"}));

    m_chips.front()->unplug();
    QCOMPARE(listedSerials(), QStringList{"FTBBBB02"});
}

void FtdiBackendTest::unreadableBridgeNeitherHangsNorHidesOthers_data()
{
    QTest::addColumn<bool>("cannotOpen");
    QTest::addColumn<QString>("shownAs");
    QTest::addColumn<int>("openStatus");

    // The device node cannot be opened (no udev rule): listed under a name
    // that says so, so the user sees the bridge is there but out of reach.
    QTest::newRow("no permission") << true << "NOACCESS-1-7" << int(FT_DEVICE_NOT_OPENED);
    // It opens but answers no request: a blank serial, as D2XX reports a
    // bridge without one; the device poll ignores such records.
    QTest::newRow("mute") << false << "" << int(FT_DEVICE_NOT_FOUND);
}

void FtdiBackendTest::unreadableBridgeNeitherHangsNorHidesOthers()
{
    QFETCH(bool, cannotOpen);
    QFETCH(QString, shownAs);
    QFETCH(int, openStatus);
    EmulatedFt232h &locked = plug(identityOf("FTLOCKED", 0x6014, 0x0900, 7));
    if (cannotOpen)
        locked.makeUnopenable();
    else
        locked.denyAccess();
    EmulatedFt232h &good = plug(identityOf("FTGOOD01", 0x6014, 0x0900, 9));

    for (int poll = 0; poll < 3; ++poll) {
        QElapsedTimer clock;
        clock.start();
        QStringList serials = listedSerials();
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
        serials.sort();
        QStringList expected{shownAs, "FTGOOD01"};
        expected.sort();
        QCOMPARE(serials, expected);
    }

    FT_STATUS status = FT_OK;
    QVERIFY(!openSerial(shownAs.toStdString(), &status));
    QCOMPARE(status, FT_STATUS(openStatus));
    QVERIFY(!openSerial("FTLOCKED", &status));
    QCOMPARE(status, FT_STATUS(FT_DEVICE_NOT_FOUND));

    // The bridge out of reach does not stand in the way of the one behind it.
    FT_HANDLE handle = openSerial("FTGOOD01", &status);
    QCOMPARE(status, FT_STATUS(FT_OK));
    QCOMPARE(writeBytes(handle, {0xFF, 0xFE, 0x0D, 0x0A}), FT_STATUS(FT_OK));
    QCOMPARE(good.record().received, (Bytes{0xFF, 0xFE, 0x0D, 0x0A}));
}

void FtdiBackendTest::openDetachesKernelDriverAndClaims()
{
    EmulatedFt232h &chip = plug();
    QVERIFY(chip.record().kernelDriverBound);
    FT_HANDLE handle = openSerial(chip.identity().serial);
    QVERIFY(handle);

    const ftdiemu::ChipRecord record = chip.record();
    QVERIFY(!record.kernelDriverBound);
    QVERIFY(record.interfaceClaimed);
    const std::vector<FT_DEVICE_LIST_INFO_NODE> nodes = listDevices();
    QCOMPARE(nodes.size(), std::size_t(1));
    QCOMPARE(nodes.front().Flags & 1u, 1u);  // opened
    QCOMPARE(nodes.front().ftHandle, handle);

    // A second open of the same bridge finds its interface taken.
    FT_STATUS status = FT_OK;
    QVERIFY(!openSerial(chip.identity().serial, &status));
    QCOMPARE(status, FT_STATUS(FT_DEVICE_NOT_OPENED));
}

void FtdiBackendTest::configurationReachesTheChipInOrder()
{
    EmulatedFt232h &chip = plug();
    FT_HANDLE handle = openSerial(chip.identity().serial);
    QVERIFY(handle);
    const std::size_t requestsAtOpen = chip.record().vendorRequests.size();
    configureLikeTheConsole(handle);

    const ftdiemu::ChipRecord record = chip.record();
    const std::vector<std::string> configuration(record.vendorRequests.begin() + long(requestsAtOpen),
                                                 record.vendorRequests.end());
    const std::vector<std::string> expected = {
        "reset", "purge 1", "purge 2", "bitmode mask=00 mode=40", "flow rts-cts",
    };
    QCOMPARE(configuration, expected);
    QCOMPARE(record.bitMode, std::uint8_t(0x40));
    QCOMPARE(record.bitMask, std::uint8_t(0x00));
    QCOMPARE(record.flowControl, std::uint16_t(0x0100));
    QVERIFY(record.received.empty());
}

void FtdiBackendTest::frameArrivesIntactInTransferSizedPieces()
{
    EmulatedFt232h &chip = plug();
    FT_HANDLE handle = openSerial(chip.identity().serial);
    QVERIFY(handle);
    configureLikeTheConsole(handle);

    const Bytes frame = frameBytes(36004, 7);
    FT_DWORD written = 0;
    QCOMPARE(writeBytes(handle, frame, &written), FT_STATUS(FT_OK));
    QCOMPARE(written, FT_DWORD(36004));

    const ftdiemu::ChipRecord record = chip.record();
    QVERIFY2(record.received == frame, qPrintable(testenv::hex(record.received)));
    // The 36000-byte out transfer size reached libusb: two bulk transfers.
    QCOMPARE(record.outTransfers, (std::vector<std::size_t>{36000, 4}));
}

void FtdiBackendTest::wireLogGetsEveryAcceptedWrite()
{
    EmulatedFt232h &chip = plug();
    FT_HANDLE handle = openSerial(chip.identity().serial);
    QVERIFY(handle);
    configureLikeTheConsole(handle);

    Bytes expected;
    for (const Bytes &packet : {Bytes{0xFF, 0xFE, 0x0D, 0x0A}, frameBytes(1554, 3), frameBytes(36004, 9)}) {
        QCOMPARE(writeBytes(handle, packet), FT_STATUS(FT_OK));
        expected.insert(expected.end(), packet.begin(), packet.end());
    }
    chip.unplug();
    QVERIFY(writeBytes(handle, {0xFF, 0xAA, 0x0D, 0x0A}) != FT_OK);  // refused: not logged

    QFile log(m_logPath);
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray logged = log.readAll();
    QCOMPARE(Bytes(logged.begin(), logged.end()), expected);
    QCOMPARE(chip.record().received, expected);
}

void FtdiBackendTest::unpluggedBridgeFailsWritesAndStillCloses()
{
    EmulatedFt232h &chip = plug();
    FT_HANDLE handle = openSerial(chip.identity().serial);
    QVERIFY(handle);
    configureLikeTheConsole(handle);
    QCOMPARE(writeBytes(handle, {0xFF, 0xFE, 0x0D, 0x0A}), FT_STATUS(FT_OK));

    chip.unplug();
    for (const Bytes &packet : {Bytes{0xFF, 0xAA, 0x0D, 0x0A}, frameBytes(36004, 1)}) {
        FT_DWORD written = 99;
        QVERIFY(writeBytes(handle, packet, &written) != FT_OK);
        QCOMPARE(written, FT_DWORD(0));
    }
    QVERIFY(FT_SetBitMode(handle, 0, FT_BITMODE_SYNC_FIFO) != FT_OK);
    QCOMPARE(chip.record().received, (Bytes{0xFF, 0xFE, 0x0D, 0x0A}));
    QCOMPARE(listedSerials(), QStringList());

    QCOMPARE(FT_Close(handle), FT_STATUS(FT_OK));
    QCOMPARE(writeBytes(handle, {0xFF, 0xFE, 0x0D, 0x0A}), FT_STATUS(FT_INVALID_HANDLE));
}

void FtdiBackendTest::closeReleasesTheBridge()
{
    EmulatedFt232h &chip = plug();
    FT_HANDLE first = openSerial(chip.identity().serial);
    QVERIFY(first);
    QCOMPARE(FT_Close(first), FT_STATUS(FT_OK));

    QVERIFY(!chip.record().interfaceClaimed);
    QCOMPARE(listDevices().front().Flags & 1u, 0u);

    // Free for the next open, under a new handle; the old one stays dead.
    FT_HANDLE second = openSerial(chip.identity().serial);
    QVERIFY(second);
    QVERIFY(second != first);
    QCOMPARE(writeBytes(first, {1, 2, 3, 4}), FT_STATUS(FT_INVALID_HANDLE));
    QCOMPARE(writeBytes(second, {5, 6, 7, 8}), FT_STATUS(FT_OK));
    QCOMPARE(chip.record().received, (Bytes{5, 6, 7, 8}));
    QCOMPARE(FT_Close(first), FT_STATUS(FT_INVALID_HANDLE));
}

using HandleCall = std::function<FT_STATUS(FT_HANDLE)>;
Q_DECLARE_METATYPE(HandleCall)

void FtdiBackendTest::closedHandleIsRefusedByEveryCall_data()
{
    QTest::addColumn<HandleCall>("call");
    QTest::newRow("FT_ResetDevice") << HandleCall([](FT_HANDLE h) { return FT_ResetDevice(h); });
    QTest::newRow("FT_Purge") << HandleCall([](FT_HANDLE h) { return FT_Purge(h, 3); });
    QTest::newRow("FT_SetBitMode") << HandleCall([](FT_HANDLE h) { return FT_SetBitMode(h, 0, 0x40); });
    QTest::newRow("FT_SetUSBParameters") << HandleCall([](FT_HANDLE h) { return FT_SetUSBParameters(h, 36000, 36000); });
    QTest::newRow("FT_SetFlowControl") << HandleCall([](FT_HANDLE h) { return FT_SetFlowControl(h, 0x0100, 0, 0); });
    QTest::newRow("FT_SetTimeouts") << HandleCall([](FT_HANDLE h) { return FT_SetTimeouts(h, 500, 0); });
    QTest::newRow("FT_Write") << HandleCall([](FT_HANDLE h) { return writeBytes(h, {0xFF, 0xFE, 0x0D, 0x0A}); });
    QTest::newRow("FT_Close") << HandleCall([](FT_HANDLE h) { return FT_Close(h); });
}

void FtdiBackendTest::closedHandleIsRefusedByEveryCall()
{
    QFETCH(HandleCall, call);
    EmulatedFt232h &chip = plug();
    FT_HANDLE handle = openSerial(chip.identity().serial);
    QVERIFY(handle);
    QCOMPARE(call(handle), FT_STATUS(FT_OK));
    FT_Close(handle);  // in the FT_Close row the call itself closed it
    QCOMPARE(call(handle), FT_STATUS(FT_INVALID_HANDLE));
    QCOMPARE(call(nullptr), FT_STATUS(FT_INVALID_HANDLE));
    QCOMPARE(call(reinterpret_cast<FT_HANDLE>(&chip)), FT_STATUS(FT_INVALID_HANDLE));
}

void FtdiBackendTest::closeWhileAnotherThreadWrites()
{
    EmulatedFt232h &chip = plug();
    FT_HANDLE handle = openSerial(chip.identity().serial);
    QVERIFY(handle);
    configureLikeTheConsole(handle);

    const Bytes frame = frameBytes(36004, 5);
    std::atomic<int> accepted{0};
    std::atomic<FT_STATUS> last{FT_OK};
    std::thread writer([&] {
        for (int i = 0; i < 2000 && last == FT_OK; ++i) {
            last = writeBytes(handle, frame);
            if (last == FT_OK)
                ++accepted;
        }
    });
    while (accepted < 3)
        std::this_thread::yield();
    QCOMPARE(FT_Close(handle), FT_STATUS(FT_OK));
    writer.join();

    QCOMPARE(last.load(), FT_STATUS(FT_INVALID_HANDLE));
    // Every write before the close went out whole; none after it.
    QCOMPARE(chip.record().received.size(), std::size_t(accepted) * frame.size());
}

void FtdiBackendTest::stalledPanelCannotFreezeAWrite_data()
{
    QTest::addColumn<int>("writeTimeout");
    QTest::addColumn<int>("atLeastMs");
    QTest::addColumn<int>("atMostMs");

    QTest::newRow("0 is bounded") << 0 << vistrel::ftdi::kZeroTimeoutMs - 50 << vistrel::ftdi::kZeroTimeoutMs + 1500;
    QTest::newRow("300 ms") << 300 << 250 << 1500;
}

void FtdiBackendTest::stalledPanelCannotFreezeAWrite()
{
    QFETCH(int, writeTimeout);
    QFETCH(int, atLeastMs);
    QFETCH(int, atMostMs);
    EmulatedFt232h &chip = plug();
    FT_HANDLE handle = openSerial(chip.identity().serial);
    QVERIFY(handle);
    configureLikeTheConsole(handle);
    QCOMPARE(FT_SetTimeouts(handle, 500, FT_DWORD(writeTimeout)), FT_STATUS(FT_OK));

    chip.stallBulkOut(true);
    QElapsedTimer clock;
    clock.start();
    FT_DWORD written = 99;
    QVERIFY(writeBytes(handle, frameBytes(36004, 2), &written) != FT_OK);
    const qint64 elapsed = clock.elapsed();
    QVERIFY2(elapsed >= atLeastMs && elapsed <= atMostMs, qPrintable(QString::number(elapsed)));
    QCOMPARE(written, FT_DWORD(0));

    // The panel takes data again: so does the link.
    chip.stallBulkOut(false);
    QCOMPARE(writeBytes(handle, {0xFF, 0xFD, 0x0D, 0x0A}), FT_STATUS(FT_OK));
    QCOMPARE(chip.record().received, (Bytes{0xFF, 0xFD, 0x0D, 0x0A}));
}

void FtdiBackendTest::badArgumentsAreRefused_data()
{
    QTest::addColumn<HandleCall>("call");
    QTest::addColumn<int>("expected");

    QTest::newRow("open an absent serial") << HandleCall([](FT_HANDLE) {
        FT_HANDLE h = nullptr;
        return FT_OpenEx(const_cast<char *>("FTNOSUCH"), FT_OPEN_BY_SERIAL_NUMBER, &h);
    }) << int(FT_DEVICE_NOT_FOUND);
    QTest::newRow("open an empty serial") << HandleCall([](FT_HANDLE) {
        FT_HANDLE h = nullptr;
        return FT_OpenEx(const_cast<char *>(""), FT_OPEN_BY_SERIAL_NUMBER, &h);
    }) << int(FT_DEVICE_NOT_FOUND);
    QTest::newRow("open by description") << HandleCall([](FT_HANDLE) {
        FT_HANDLE h = nullptr;
        return FT_OpenEx(const_cast<char *>("Single RS232-HS"), 2, &h);
    }) << int(FT_INVALID_PARAMETER);
    QTest::newRow("open without handle") << HandleCall([](FT_HANDLE) {
        return FT_OpenEx(const_cast<char *>("FT7VQ0ZB"), FT_OPEN_BY_SERIAL_NUMBER, nullptr);
    }) << int(FT_INVALID_PARAMETER);
    QTest::newRow("count without address") << HandleCall([](FT_HANDLE) {
        return FT_CreateDeviceInfoList(nullptr);
    }) << int(FT_INVALID_PARAMETER);
    QTest::newRow("zero transfer size") << HandleCall([](FT_HANDLE h) {
        return FT_SetUSBParameters(h, 0, 36000);
    }) << int(FT_INVALID_PARAMETER);
    QTest::newRow("unknown flow control") << HandleCall([](FT_HANDLE h) {
        return FT_SetFlowControl(h, 0x0300, 0, 0);
    }) << int(FT_INVALID_PARAMETER);
    QTest::newRow("write from no buffer") << HandleCall([](FT_HANDLE h) {
        FT_DWORD written = 0;
        return FT_Write(h, nullptr, 4, &written);
    }) << int(FT_INVALID_PARAMETER);
    QTest::newRow("write nothing") << HandleCall([](FT_HANDLE h) {
        FT_DWORD written = 7;
        const FT_STATUS s = FT_Write(h, nullptr, 0, &written);
        return written == 0 ? s : FT_STATUS(FT_OTHER_ERROR);
    }) << int(FT_OK);
}

void FtdiBackendTest::badArgumentsAreRefused()
{
    QFETCH(HandleCall, call);
    QFETCH(int, expected);
    EmulatedFt232h &chip = plug();
    FT_HANDLE handle = openSerial(chip.identity().serial);
    QVERIFY(handle);

    QCOMPARE(call(handle), FT_STATUS(expected));
    QVERIFY(chip.record().received.empty());
    QCOMPARE(writeBytes(handle, {0xFF, 0xFE, 0x0D, 0x0A}), FT_STATUS(FT_OK));  // still usable
}

void FtdiBackendTest::libftdiCodesMapOntoStatuses_data()
{
    using vistrel::ftdi::Call;
    QTest::addColumn<int>("call");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("status");

    QTest::newRow("write count") << int(Call::Write) << 36004 << int(FT_OK);
    QTest::newRow("write, bulk transfer failed") << int(Call::Write) << -1 << int(FT_IO_ERROR);
    QTest::newRow("write, no USB device") << int(Call::Write) << -666 << int(FT_DEVICE_NOT_OPENED);
    QTest::newRow("open, cannot claim") << int(Call::OpenDevice) << -5 << int(FT_DEVICE_NOT_OPENED);
    QTest::newRow("open, reset failed") << int(Call::OpenDevice) << -6 << int(FT_DEVICE_NOT_OPENED);
    QTest::newRow("purge, read side failed") << int(Call::Purge) << -2 << int(FT_IO_ERROR);
    QTest::newRow("purge, no USB device") << int(Call::Purge) << -3 << int(FT_DEVICE_NOT_OPENED);
    QTest::newRow("bit mode, no USB device") << int(Call::BitMode) << -2 << int(FT_DEVICE_NOT_OPENED);
    QTest::newRow("find, out of memory") << int(Call::FindAll) << -3 << int(FT_INSUFFICIENT_RESOURCES);
    QTest::newRow("find, list failed") << int(Call::FindAll) << -5 << int(FT_IO_ERROR);
}

void FtdiBackendTest::libftdiCodesMapOntoStatuses()
{
    QFETCH(int, call);
    QFETCH(int, code);
    QFETCH(int, status);
    QCOMPARE(vistrel::ftdi::statusFor(static_cast<vistrel::ftdi::Call>(call), code), FT_STATUS(status));
}

void FtdiBackendTest::errorTextSurvivesMissingText()
{
    QCOMPARE(vistrel::ftdi::errorText(nullptr), std::string("no error text"));
    ftdi_context *context = ftdi_new();
    QVERIFY(context);
    QCOMPARE(vistrel::ftdi::errorText(context), std::string("no error text"));  // none yet
    QVERIFY(ftdi_write_data(context, reinterpret_cast<const unsigned char *>("x"), 1) < 0);
    QCOMPARE(vistrel::ftdi::errorText(context), std::string("USB device unavailable"));
    ftdi_free(context);
}

int main(int argc, char **argv)
{
    ftdiemu::reexecUnderPreload(argv);
    QCoreApplication app(argc, argv);
    FtdiBackendTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_ftdi_backend.moc"
