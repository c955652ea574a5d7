// The virtual bridge seen through the D2XX calls and the Testbed interface:
// enumeration, plugging, handles, injected failures, recorded configuration,
// concurrent writers and link-speed emulation.
#include "bridge_test_support.h"
#include "test_environment.h"

#include <QElapsedTimer>
#include <QtTest>

#include <atomic>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <thread>

using namespace bridgetest;
using vistrel::virt::D2xxCall;
using vistrel::virt::Testbed;
namespace protocol = vistrel::protocol;

Q_DECLARE_METATYPE(std::vector<std::string>)
Q_DECLARE_METATYPE(vistrel::virt::D2xxCall)

namespace {

Testbed &bed()
{
    return Testbed::instance();
}

std::vector<std::string> strings(std::initializer_list<const char *> items)
{
    return std::vector<std::string>(items.begin(), items.end());
}

// One call of each handle function, with the console's arguments.
using HandleFunction = std::function<FT_STATUS(FT_HANDLE)>;
const std::map<QString, HandleFunction> &handleFunctions()
{
    static const std::map<QString, HandleFunction> functions{
        {"ResetDevice", [](FT_HANDLE h) { return FT_ResetDevice(h); }},
        {"Purge", [](FT_HANDLE h) { return FT_Purge(h, FT_PURGE_RX | FT_PURGE_TX); }},
        {"SetBitMode", [](FT_HANDLE h) { return FT_SetBitMode(h, 0, FT_BITMODE_SYNC_FIFO); }},
        {"SetUSBParameters", [](FT_HANDLE h) { return FT_SetUSBParameters(h, 36000, 36000); }},
        {"SetFlowControl", [](FT_HANDLE h) { return FT_SetFlowControl(h, FT_FLOW_RTS_CTS, 0, 0); }},
        {"SetTimeouts", [](FT_HANDLE h) { return FT_SetTimeouts(h, 500, 0); }},
        {"Write", [](FT_HANDLE h) { return writeBytes(h, word(protocol::OpenCloseWord)); }},
        {"Close", [](FT_HANDLE h) { return FT_Close(h); }},
    };
    return functions;
}

int countEndingWith(const std::vector<std::string> &entries, const std::string &suffix)
{
    int count = 0;
    for (const auto &entry : entries) {
        if (entry.size() >= suffix.size() && entry.compare(entry.size() - suffix.size(), suffix.size(), suffix) == 0)
            ++count;
    }
    return count;
}

} // namespace

class TestVirtualBridge : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void environmentSelectsBridges_data();
    void environmentSelectsBridges();
    void listFollowsPlugOrder();
    void listRecordsDescribeBridges();
    void listIsSnapshot();
    void nextFreeSerialSkipsPlugged();
    void emptySerialIsABridge();

    void openFailures_data();
    void openFailures();
    void deadHandlesAreInvalid_data();
    void deadHandlesAreInvalid();
    void handlesAreNeverReused();
    void unplugWhileOpen();
    void nullOutParameters_data();
    void nullOutParameters();

    void injectedFailures_data();
    void injectedFailures();

    void consoleOpenSequenceIsRecorded();
    void panelFollowsStream();
    void listenersRunOnTheirThreads();
    void concurrentWritersNeverTear();
    void linkSpeedEmulation_data();
    void linkSpeedEmulation();
    void pacedWriteLeavesTestbedResponsive();
    void resetRestoresStartState();
};

void TestVirtualBridge::initTestCase()
{
    // The first use of the backend reads the variable, without a reset.
    qputenv("VISTREL_VIRTUAL_DEVICES", " FIRST01 , SECOND02,");
    QCOMPARE(listedSerials(), strings({"FIRST01", "SECOND02"}));
    QCOMPARE(bed().pluggedSerials(), strings({"FIRST01", "SECOND02"}));
}

void TestVirtualBridge::cleanup()
{
    qunsetenv("VISTREL_VIRTUAL_DEVICES");
    bed().reset();
}

void TestVirtualBridge::environmentSelectsBridges_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<std::vector<std::string>>("expected");

    QTest::newRow("unset") << false << QByteArray() << strings({"VPANEL01"});
    QTest::newRow("empty") << true << QByteArray("") << strings({});
    QTest::newRow("one") << true << QByteArray("BENCH7") << strings({"BENCH7"});
    QTest::newRow("order kept") << true << QByteArray("VPANEL02,VPANEL01") << strings({"VPANEL02", "VPANEL01"});
    QTest::newRow("blanks trimmed") << true << QByteArray(" A ,\tB ,, C ") << strings({"A", "B", "C"});
    QTest::newRow("only separators") << true << QByteArray(" , ,") << strings({});
    QTest::newRow("duplicate once") << true << QByteArray("A,B,A") << strings({"A", "B"});
    QTest::newRow("cut to 15") << true << QByteArray("ABCDEFGHIJKLMNOPQR") << strings({"ABCDEFGHIJKLMNO"});
}

void TestVirtualBridge::environmentSelectsBridges()
{
    QFETCH(bool, set);
    QFETCH(QByteArray, value);
    QFETCH(std::vector<std::string>, expected);
    if (set)
        qputenv("VISTREL_VIRTUAL_DEVICES", value);
    else
        qunsetenv("VISTREL_VIRTUAL_DEVICES");
    bed().reset();
    QCOMPARE(bed().pluggedSerials(), expected);
    QCOMPARE(listedSerials(), expected);
}

void TestVirtualBridge::listFollowsPlugOrder()
{
    bed().plug("VB");
    bed().plug("VA");
    bed().plug("VPANEL01");  // present already: no second entry, no move
    QCOMPARE(listedSerials(), strings({"VPANEL01", "VB", "VA"}));
    QVERIFY(bed().unplug("VB"));
    QVERIFY(!bed().unplug("VB"));
    QVERIFY(!bed().unplug("NEVER"));
    QCOMPARE(listedSerials(), strings({"VPANEL01", "VA"}));
    bed().plug("VB");
    QCOMPARE(listedSerials(), strings({"VPANEL01", "VA", "VB"}));
}

void TestVirtualBridge::listRecordsDescribeBridges()
{
    bed().plug("SECOND");
    FT_HANDLE handle = nullptr;
    QCOMPARE(openSerial("SECOND", &handle), FT_STATUS(FT_OK));
    const auto nodes = deviceList();
    QCOMPARE(nodes.size(), std::size_t(2));
    std::set<std::uint32_t> locations;
    for (const auto &node : nodes) {
        const bool isOpen = std::string(node.SerialNumber) == "SECOND";
        QCOMPARE(node.Flags & 1u, isOpen ? 1u : 0u);
        QCOMPARE(node.Type, 8u);
        QCOMPARE(node.ID, 0x04036014u);
        QVERIFY(node.LocId != 0);
        locations.insert(node.LocId);
        QVERIFY(std::memchr(node.SerialNumber, 0, sizeof node.SerialNumber));
        QVERIFY(std::memchr(node.Description, 0, sizeof node.Description));
        QVERIFY(node.Description[0] != 0);
        QCOMPARE(node.ftHandle, isOpen ? handle : FT_HANDLE(nullptr));
    }
    QCOMPARE(locations.size(), std::size_t(2));

    bed().plug("FIFTEEN_CHARS_X_AND_MORE");
    QCOMPARE(listedSerials().back(), std::string("FIFTEEN_CHARS_X"));
}

void TestVirtualBridge::listIsSnapshot()
{
    FT_DWORD count = 0;
    QCOMPARE(FT_CreateDeviceInfoList(&count), FT_STATUS(FT_OK));
    QCOMPARE(count, 1u);
    bed().plug("LATE");

    // Still the snapshot: one record, the caller's other records untouched.
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(3);
    std::memset(nodes.data(), 0x5A, nodes.size() * sizeof nodes[0]);
    count = 99;
    QCOMPARE(FT_GetDeviceInfoList(nodes.data(), &count), FT_STATUS(FT_OK));
    QCOMPARE(count, 1u);
    QCOMPARE(std::string(nodes[0].SerialNumber), std::string("VPANEL01"));
    QCOMPARE(nodes[1].Flags, 0x5A5A5A5Au);

    QCOMPARE(FT_CreateDeviceInfoList(&count), FT_STATUS(FT_OK));
    QCOMPARE(count, 2u);
    bed().unplug("LATE");
    bed().unplug("VPANEL01");
    QCOMPARE(FT_GetDeviceInfoList(nodes.data(), &count), FT_STATUS(FT_OK));
    QCOMPARE(count, 2u);
    QCOMPARE(std::string(nodes[1].SerialNumber), std::string("LATE"));

    QCOMPARE(FT_CreateDeviceInfoList(&count), FT_STATUS(FT_OK));
    QCOMPARE(count, 0u);
    count = 7;
    QCOMPARE(FT_GetDeviceInfoList(nullptr, &count), FT_STATUS(FT_OK));
    QCOMPARE(count, 0u);
}

void TestVirtualBridge::nextFreeSerialSkipsPlugged()
{
    QCOMPARE(bed().nextFreeSerial(), std::string("VPANEL02"));
    bed().plug("VPANEL02");
    QCOMPARE(bed().nextFreeSerial(), std::string("VPANEL03"));
    bed().unplug("VPANEL01");
    QCOMPARE(bed().nextFreeSerial(), std::string("VPANEL01"));
}

void TestVirtualBridge::emptySerialIsABridge()
{
    FT_HANDLE handle = nullptr;
    QCOMPARE(openSerial("", &handle), FT_STATUS(FT_DEVICE_NOT_FOUND));
    bed().plug("");
    QCOMPARE(listedSerials(), strings({"VPANEL01", ""}));
    QCOMPARE(openSerial("", &handle), FT_STATUS(FT_OK));
    QCOMPARE(writeBytes(handle, word(protocol::OpenCloseWord)), FT_STATUS(FT_OK));
    QCOMPARE(bed().captured(""), word(protocol::OpenCloseWord));
    QVERIFY(bed().captured("VPANEL01").empty());
}

void TestVirtualBridge::openFailures_data()
{
    QTest::addColumn<QByteArray>("serial");
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("nullHandle");
    QTest::addColumn<bool>("openFirst");
    QTest::addColumn<bool>("unplugFirst");
    QTest::addColumn<uint>("expected");

    QTest::newRow("unknown serial") << QByteArray("NOPE") << 1 << false << false << false << uint(FT_DEVICE_NOT_FOUND);
    QTest::newRow("prefix of serial") << QByteArray("VPANEL0") << 1 << false << false << false << uint(FT_DEVICE_NOT_FOUND);
    QTest::newRow("unplugged") << QByteArray("VPANEL01") << 1 << false << false << true << uint(FT_DEVICE_NOT_FOUND);
    QTest::newRow("already open") << QByteArray("VPANEL01") << 1 << false << true << false << uint(FT_DEVICE_NOT_OPENED);
    QTest::newRow("not by serial") << QByteArray("VPANEL01") << 2 << false << false << false << uint(FT_INVALID_PARAMETER);
    QTest::newRow("null handle") << QByteArray("VPANEL01") << 1 << true << false << false << uint(FT_INVALID_PARAMETER);
    QTest::newRow("null serial") << QByteArray() << 1 << false << false << false << uint(FT_INVALID_PARAMETER);
}

void TestVirtualBridge::openFailures()
{
    QFETCH(QByteArray, serial);
    QFETCH(int, flags);
    QFETCH(bool, nullHandle);
    QFETCH(bool, openFirst);
    QFETCH(bool, unplugFirst);
    QFETCH(uint, expected);

    FT_HANDLE first = nullptr;
    if (openFirst)
        QCOMPARE(openSerial("VPANEL01", &first), FT_STATUS(FT_OK));
    if (unplugFirst)
        QVERIFY(bed().unplug("VPANEL01"));
    FT_HANDLE handle = reinterpret_cast<FT_HANDLE>(0x1234);
    void *argument = serial.isNull() ? nullptr : serial.data();
    QCOMPARE(FT_OpenEx(argument, FT_DWORD(flags), nullHandle ? nullptr : &handle), FT_STATUS(expected));
    QCOMPARE(handle, reinterpret_cast<FT_HANDLE>(0x1234));
    QCOMPARE(bed().config("VPANEL01").opens, openFirst ? 1 : 0);
}

void TestVirtualBridge::deadHandlesAreInvalid_data()
{
    QTest::addColumn<QString>("function");
    QTest::addColumn<QString>("kind");
    for (const auto &entry : handleFunctions()) {
        for (const char *kind : {"closed", "null", "never issued", "before reset"}) {
            const QString name = entry.first + ", " + kind;
            QTest::newRow(qPrintable(name)) << entry.first << QString(kind);
        }
    }
}

void TestVirtualBridge::deadHandlesAreInvalid()
{
    QFETCH(QString, function);
    QFETCH(QString, kind);
    FT_HANDLE open = nullptr;
    QCOMPARE(openSerial("VPANEL01", &open), FT_STATUS(FT_OK));
    FT_HANDLE dead = nullptr;
    if (kind == "closed") {
        QCOMPARE(FT_Close(open), FT_STATUS(FT_OK));
        dead = open;
    } else if (kind == "never issued") {
        dead = reinterpret_cast<FT_HANDLE>(reinterpret_cast<std::uintptr_t>(open) + 1);
    } else if (kind == "before reset") {
        bed().reset();
        dead = open;
    }
    const auto historyBefore = bed().callHistory("VPANEL01");
    QCOMPARE(handleFunctions().at(function)(dead), FT_STATUS(FT_INVALID_HANDLE));
    QCOMPARE(handleFunctions().at(function)(dead), FT_STATUS(FT_INVALID_HANDLE));
    QCOMPARE(bed().callHistory("VPANEL01"), historyBefore);
    QVERIFY(bed().captured("VPANEL01").empty());

    // The bridge is not harmed: an open handle still works, a closed bridge opens.
    const bool stillOpen = kind == "null" || kind == "never issued";
    if (!stillOpen)
        QCOMPARE(openSerial("VPANEL01", &open), FT_STATUS(FT_OK));
    QCOMPARE(writeBytes(open, word(protocol::DisplayStartWord)), FT_STATUS(FT_OK));
    QCOMPARE(bed().captured("VPANEL01"), word(protocol::DisplayStartWord));
}

void TestVirtualBridge::handlesAreNeverReused()
{
    std::set<FT_HANDLE> seen;
    for (int round = 0; round < 50; ++round) {
        FT_HANDLE handle = nullptr;
        QCOMPARE(openSerial("VPANEL01", &handle), FT_STATUS(FT_OK));
        QVERIFY(handle != nullptr);
        QVERIFY2(seen.insert(handle).second, "handle value issued twice");
        QCOMPARE(FT_Close(handle), FT_STATUS(FT_OK));
        if (round % 10 == 9)
            bed().reset();
    }
    for (FT_HANDLE old : seen)
        QCOMPARE(writeBytes(old, word(protocol::DisplayStartWord)), FT_STATUS(FT_INVALID_HANDLE));
}

void TestVirtualBridge::unplugWhileOpen()
{
    FT_HANDLE handle = nullptr;
    QCOMPARE(openSerial("VPANEL01", &handle), FT_STATUS(FT_OK));
    QCOMPARE(writeBytes(handle, word(protocol::OpenCloseWord)), FT_STATUS(FT_OK));
    QVERIFY(bed().unplug("VPANEL01"));
    QVERIFY(!bed().config("VPANEL01").isOpen);

    FT_DWORD written = 77;
    QCOMPARE(writeBytes(handle, word(protocol::DisplayStartWord), &written), FT_STATUS(FT_IO_ERROR));
    QCOMPARE(written, 0u);
    QCOMPARE(FT_ResetDevice(handle), FT_STATUS(FT_IO_ERROR));
    QCOMPARE(bed().captured("VPANEL01"), word(protocol::OpenCloseWord));
    QCOMPARE(bed().callHistory("VPANEL01").back(), std::string("FT_ResetDevice failed"));

    // Plugged in again, the bridge opens afresh; the lost handle only closes.
    bed().plug("VPANEL01");
    FT_HANDLE fresh = nullptr;
    QCOMPARE(openSerial("VPANEL01", &fresh), FT_STATUS(FT_OK));
    QVERIFY(fresh != handle);
    QCOMPARE(writeBytes(handle, word(protocol::DisplayStartWord)), FT_STATUS(FT_IO_ERROR));
    QCOMPARE(FT_Close(handle), FT_STATUS(FT_OK));
    QCOMPARE(FT_Close(handle), FT_STATUS(FT_INVALID_HANDLE));
    QVERIFY(bed().config("VPANEL01").isOpen);
    QCOMPARE(writeBytes(fresh, word(protocol::DisplayStopWord)), FT_STATUS(FT_OK));
    auto expected = word(protocol::OpenCloseWord);
    const auto stop = word(protocol::DisplayStopWord);
    expected.insert(expected.end(), stop.begin(), stop.end());
    QCOMPARE(bed().captured("VPANEL01"), expected);
    QCOMPARE(bed().config("VPANEL01").opens, 2);
    QCOMPARE(bed().config("VPANEL01").closes, 1);
}

void TestVirtualBridge::nullOutParameters_data()
{
    QTest::addColumn<int>("which");
    QTest::newRow("CreateDeviceInfoList count") << 0;
    QTest::newRow("GetDeviceInfoList count") << 1;
    QTest::newRow("GetDeviceInfoList records") << 2;
    QTest::newRow("Write count") << 3;
    QTest::newRow("Write buffer") << 4;
}

void TestVirtualBridge::nullOutParameters()
{
    QFETCH(int, which);
    FT_DWORD count = 0;
    QCOMPARE(FT_CreateDeviceInfoList(&count), FT_STATUS(FT_OK));
    FT_HANDLE handle = nullptr;
    QCOMPARE(openSerial("VPANEL01", &handle), FT_STATUS(FT_OK));
    FT_DEVICE_LIST_INFO_NODE node;
    auto bytes = word(protocol::OpenCloseWord);
    FT_STATUS status = FT_OK;
    switch (which) {
    case 0: status = FT_CreateDeviceInfoList(nullptr); break;
    case 1: status = FT_GetDeviceInfoList(&node, nullptr); break;
    case 2: status = FT_GetDeviceInfoList(nullptr, &count); break;
    case 3: status = FT_Write(handle, bytes.data(), 4, nullptr); break;
    default: status = FT_Write(handle, nullptr, 4, &count); break;
    }
    QCOMPARE(status, FT_STATUS(FT_INVALID_PARAMETER));
    QVERIFY(bed().captured("VPANEL01").empty());
}

void TestVirtualBridge::injectedFailures_data()
{
    QTest::addColumn<D2xxCall>("call");
    QTest::addColumn<int>("count");
    QTest::addColumn<uint>("status");

    QTest::newRow("CreateDeviceInfoList") << D2xxCall::CreateDeviceInfoList << 2 << uint(FT_OTHER_ERROR);
    QTest::newRow("GetDeviceInfoList") << D2xxCall::GetDeviceInfoList << 1 << uint(FT_IO_ERROR);
    QTest::newRow("OpenEx") << D2xxCall::OpenEx << 3 << uint(FT_DEVICE_NOT_FOUND);
    QTest::newRow("ResetDevice") << D2xxCall::ResetDevice << 1 << uint(FT_IO_ERROR);
    QTest::newRow("Purge") << D2xxCall::Purge << 2 << uint(FT_OTHER_ERROR);
    QTest::newRow("SetBitMode") << D2xxCall::SetBitMode << 1 << uint(FT_INVALID_PARAMETER);
    QTest::newRow("SetUSBParameters") << D2xxCall::SetUSBParameters << 1 << uint(FT_IO_ERROR);
    QTest::newRow("SetFlowControl") << D2xxCall::SetFlowControl << 2 << uint(FT_IO_ERROR);
    QTest::newRow("SetTimeouts") << D2xxCall::SetTimeouts << 1 << uint(FT_OTHER_ERROR);
    QTest::newRow("Write") << D2xxCall::Write << 4 << uint(FT_IO_ERROR);
    QTest::newRow("Close") << D2xxCall::Close << 2 << uint(FT_OTHER_ERROR);
}

void TestVirtualBridge::injectedFailures()
{
    QFETCH(D2xxCall, call);
    QFETCH(int, count);
    QFETCH(uint, status);

    FT_HANDLE handle = nullptr;
    QCOMPARE(openSerial("VPANEL01", &handle), FT_STATUS(FT_OK));
    bed().plug("SPARE");
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(4);
    FT_DWORD listed = 0;
    QCOMPARE(FT_CreateDeviceInfoList(&listed), FT_STATUS(FT_OK));

    // One attempt of the call; leaves the bridges ready for the next one.
    FT_HANDLE spare = nullptr;
    const std::map<D2xxCall, std::function<FT_STATUS()>> attempts{
        {D2xxCall::CreateDeviceInfoList, [&] { return FT_CreateDeviceInfoList(&listed); }},
        {D2xxCall::GetDeviceInfoList, [&] { return FT_GetDeviceInfoList(nodes.data(), &listed); }},
        {D2xxCall::OpenEx, [&] {
             const FT_STATUS s = openSerial("SPARE", &spare);
             if (s == FT_OK)
                 FT_Close(spare);
             return s;
         }},
        {D2xxCall::ResetDevice, [&] { return FT_ResetDevice(handle); }},
        {D2xxCall::Purge, [&] { return FT_Purge(handle, 3); }},
        {D2xxCall::SetBitMode, [&] { return FT_SetBitMode(handle, 0, 0x40); }},
        {D2xxCall::SetUSBParameters, [&] { return FT_SetUSBParameters(handle, 36000, 36000); }},
        {D2xxCall::SetFlowControl, [&] { return FT_SetFlowControl(handle, 0x0100, 0, 0); }},
        {D2xxCall::SetTimeouts, [&] { return FT_SetTimeouts(handle, 500, 0); }},
        {D2xxCall::Write, [&] { return writeBytes(handle, word(protocol::DisplayStartWord)); }},
        {D2xxCall::Close, [&] {
             if (!spare)
                 openSerial("SPARE", &spare);
             const FT_STATUS s = FT_Close(spare);
             if (s == FT_OK)
                 spare = nullptr;
             return s;
         }},
    };

    bed().failNext(call, count, status);
    for (int i = 0; i < count; ++i)
        QCOMPARE(attempts.at(call)(), FT_STATUS(status));
    for (int i = 0; i < 2; ++i)
        QCOMPARE(attempts.at(call)(), FT_STATUS(FT_OK));

    // Failed calls did nothing: only the two good ones left a mark.
    const bool onSpare = call == D2xxCall::OpenEx || call == D2xxCall::Close;
    const bool onBridge = call != D2xxCall::CreateDeviceInfoList && call != D2xxCall::GetDeviceInfoList;
    const auto history = bed().callHistory(onSpare ? "SPARE" : "VPANEL01");
    if (onBridge)
        QCOMPARE(countEndingWith(history, " failed"), count);
    QCOMPARE(bed().captured("VPANEL01").size(), call == D2xxCall::Write ? std::size_t(8) : std::size_t(0));
    const auto config = bed().config(onSpare ? "SPARE" : "VPANEL01");
    if (call == D2xxCall::ResetDevice)
        QCOMPARE(config.resets, 2);
    if (call == D2xxCall::Purge)
        QCOMPARE(config.purges, 2);
    if (call == D2xxCall::OpenEx || call == D2xxCall::Close)
        QCOMPARE(config.closes, 2);
}

void TestVirtualBridge::consoleOpenSequenceIsRecorded()
{
    const auto openClose = word(protocol::OpenCloseWord);
    FT_HANDLE handle = nullptr;
    QCOMPARE(openSerial("VPANEL01", &handle), FT_STATUS(FT_OK));
    QCOMPARE(FT_ResetDevice(handle), FT_STATUS(FT_OK));
    FT_Purge(handle, FT_PURGE_RX | FT_PURGE_TX);
    FT_SetBitMode(handle, 0, FT_BITMODE_SYNC_FIFO);
    FT_SetUSBParameters(handle, 36000, 36000);
    FT_SetFlowControl(handle, FT_FLOW_RTS_CTS, 0, 0);
    FT_SetTimeouts(handle, 500, 0);
    FT_DWORD written = 0;
    QCOMPARE(writeBytes(handle, openClose, &written), FT_STATUS(FT_OK));
    QCOMPARE(written, 4u);
    QVERIFY(bed().panel("VPANEL01").linkOpen);

    const auto open = bed().config("VPANEL01");
    QVERIFY(open.isOpen);
    QCOMPARE(int(open.bitMask), 0);
    QCOMPARE(int(open.bitMode), 0x40);
    QCOMPARE(open.inTransferSize, 36000u);
    QCOMPARE(open.outTransferSize, 36000u);
    QCOMPARE(int(open.flowControl), 0x0100);
    QCOMPARE(open.readTimeout, 500u);
    QCOMPARE(open.writeTimeout, 0u);
    QCOMPARE(open.lastPurgeMask, 3u);
    QCOMPARE(open.resets, 1);
    QCOMPARE(open.purges, 1);

    QCOMPARE(writeBytes(handle, openClose), FT_STATUS(FT_OK));
    QCOMPARE(FT_Close(handle), FT_STATUS(FT_OK));
    QVERIFY(!bed().panel("VPANEL01").linkOpen);
    const auto closed = bed().config("VPANEL01");
    QVERIFY(!closed.isOpen);
    QCOMPARE(closed.opens, 1);
    QCOMPARE(closed.closes, 1);
    QCOMPARE(bed().callHistory("VPANEL01"),
             strings({"FT_OpenEx", "FT_ResetDevice", "FT_Purge 3", "FT_SetBitMode 0 64",
                      "FT_SetUSBParameters 36000 36000", "FT_SetFlowControl 256 0 0", "FT_SetTimeouts 500 0",
                      "FT_Write 4", "FT_Write 4", "FT_Close"}));
    QCOMPARE(testenv::hex(bed().captured("VPANEL01")), QString("FF FE 0D 0A FF FE 0D 0A"));
}

void TestVirtualBridge::panelFollowsStream()
{
    FT_HANDLE handle = nullptr;
    QCOMPARE(openSerial("VPANEL01", &handle), FT_STATUS(FT_OK));
    const std::vector<double> volts{1, 2, -3, 4, -3, 4, 0, -5, 5, -5, 5, -5, 5};
    const auto drive = protocol::buildDriveSettingsPacket(volts, std::nullopt);
    const auto scan = protocol::buildScanTimingPacket(10, 20, 30);
    const std::vector<Bytes> writes{word(protocol::DisplayStartWord), taggedFrame(3, 0x0102, 0x04),
                                    drive, scan, Bytes{0x00, 0x11, 0x22}};
    std::size_t total = 0;
    for (const auto &bytes : writes) {
        QCOMPARE(writeBytes(handle, bytes), FT_STATUS(FT_OK));
        total += bytes.size();
    }
    auto state = bed().panel("VPANEL01");
    QVERIFY(state.showing);
    QVERIFY(!state.linkOpen);
    QCOMPARE(state.framesReceived, 1u);
    QCOMPARE(state.bytesReceived, std::uint64_t(total));
    QCOMPARE(state.protocolErrors, 3u);
    QVERIFY(state.lastFrame && state.lastDrive && state.lastScan);
    QCOMPARE(int(state.lastFrame->mode), 0x04);
    QCOMPARE(int(state.lastFrame->gray(0)), 3);
    QCOMPARE(int(state.lastFrame->gray(2)), 0x02);
    QCOMPARE(state.lastDrive->codes[6], std::uint16_t((drive[14] << 8) | drive[15]));

    QCOMPARE(writeBytes(handle, word(protocol::DisplayStopWord)), FT_STATUS(FT_OK));
    QVERIFY(!bed().panel("VPANEL01").showing);
}

void TestVirtualBridge::listenersRunOnTheirThreads()
{
    struct Seen {
        std::string serial;
        protocol::DecodedPacket::Kind kind;
        std::thread::id thread;
        bool showingThen;
    };
    std::vector<Seen> seen;
    const int packets = bed().addPacketListener([&](const std::string &serial, const protocol::DecodedPacket &p) {
        seen.push_back({serial, p.kind, std::this_thread::get_id(), bed().panel(serial).showing});
    });
    std::vector<std::thread::id> plugThreads;
    const int plugs = bed().addPlugListener([&] { plugThreads.push_back(std::this_thread::get_id()); });

    std::thread::id writer;
    std::thread worker([&] {
        writer = std::this_thread::get_id();
        FT_HANDLE handle = nullptr;
        openSerial("VPANEL01", &handle);
        Bytes bytes = word(protocol::DisplayStartWord);
        const auto frame = taggedFrame(0, 1, 0x00);
        bytes.insert(bytes.end(), frame.begin(), frame.end());
        writeBytes(handle, bytes);
        bed().plug("OTHER");
        bed().plug("OTHER");  // no change, no call
    });
    worker.join();
    bed().unplug("OTHER");
    bed().unplug("OTHER");

    QCOMPARE(seen.size(), std::size_t(2));
    QCOMPARE(seen[0].kind, protocol::DecodedPacket::DisplayStart);
    QCOMPARE(seen[1].kind, protocol::DecodedPacket::Frame);
    for (const auto &s : seen) {
        QCOMPARE(s.serial, std::string("VPANEL01"));
        QVERIFY(s.thread == writer);
        QVERIFY(s.showingThen);  // the panel state is current when listeners run
    }
    QCOMPARE(plugThreads.size(), std::size_t(2));
    QVERIFY(plugThreads[0] == writer);
    QVERIFY(plugThreads[1] == std::this_thread::get_id());

    bed().removeListener(packets);
    bed().removeListener(plugs);
    bed().plug("OTHER");
    FT_HANDLE handle = nullptr;
    QCOMPARE(openSerial("OTHER", &handle), FT_STATUS(FT_OK));
    QCOMPARE(writeBytes(handle, word(protocol::DisplayStopWord)), FT_STATUS(FT_OK));
    QCOMPARE(seen.size(), std::size_t(2));
    QCOMPARE(plugThreads.size(), std::size_t(2));
}

void TestVirtualBridge::concurrentWritersNeverTear()
{
    constexpr int kPerThread = 1500;
    FT_HANDLE handle = nullptr;
    QCOMPARE(openSerial("VPANEL01", &handle), FT_STATUS(FT_OK));
    std::vector<std::uint64_t> offsets;
    bed().addPacketListener([&](const std::string &, const protocol::DecodedPacket &p) {
        offsets.push_back(p.offset);  // writers are serialised: no lock needed
    });

    // Thread 0 sends still frames and start words, thread 1 video frames and
    // stop words: the type byte tells who wrote a packet.
    std::atomic<int> failures{0};
    auto writer = [&](int thread) {
        const Bytes control = word(thread == 0 ? protocol::DisplayStartWord : protocol::DisplayStopWord);
        for (int i = 0; i < kPerThread; ++i) {
            const Bytes bytes = i % 3 == 0 ? taggedFrame(thread, i, thread == 0 ? 0x04 : 0x00) : control;
            if (writeBytes(handle, bytes) != FT_OK)
                ++failures;
        }
    };
    std::thread first(writer, 0), second(writer, 1);
    first.join();
    second.join();
    QCOMPARE(failures.load(), 0);

    const auto capture = bed().captured("VPANEL01");
    int expectedSequence[2] = {0, 0};
    std::size_t packets = 0;
    for (std::size_t at = 0; at < capture.size(); ++packets) {
        QCOMPARE(int(capture[at]), 0xFF);
        QCOMPARE(offsets.at(packets), std::uint64_t(at));
        const std::uint8_t type = capture.at(at + 1);
        const int thread = (type == 0x04 || type == 0xAA) ? 0 : 1;
        int &sequence = expectedSequence[thread];
        if (type == 0x04 || type == 0x00) {
            QVERIFY2(sequence % 3 == 0, "frame out of order");
            QVERIFY2(frameMatchesTag(&capture[at], thread, sequence), "torn frame");
            at += protocol::kDisplayFrameSize;
        } else {
            QVERIFY2(sequence % 3 != 0, "control word out of order");
            QCOMPARE(int(capture.at(at + 2)), 0x0D);
            QCOMPARE(int(capture.at(at + 3)), 0x0A);
            at += protocol::kControlWordSize;
        }
        ++sequence;
    }
    QCOMPARE(expectedSequence[0], kPerThread);
    QCOMPARE(expectedSequence[1], kPerThread);
    QCOMPARE(offsets.size(), packets);

    const auto state = bed().panel("VPANEL01");
    QCOMPARE(state.framesReceived, std::uint64_t(2 * 500));
    QCOMPARE(state.protocolErrors, 0u);
    QCOMPARE(state.bytesReceived, std::uint64_t(capture.size()));
    QCOMPARE(countEndingWith(bed().callHistory("VPANEL01"), "FT_Write 36004"), 1000);
}

void TestVirtualBridge::linkSpeedEmulation_data()
{
    QTest::addColumn<double>("rate");
    QTest::addColumn<int>("threads");
    QTest::addColumn<int>("framesPerThread");

    QTest::newRow("off") << 0.0 << 1 << 10;
    QTest::newRow("one writer") << 1.2e6 << 1 << 10;
    QTest::newRow("two writers queue") << 1.2e6 << 2 << 5;
}

void TestVirtualBridge::linkSpeedEmulation()
{
    QFETCH(double, rate);
    QFETCH(int, threads);
    QFETCH(int, framesPerThread);
    FT_HANDLE handle = nullptr;
    QCOMPARE(openSerial("VPANEL01", &handle), FT_STATUS(FT_OK));
    bed().setLinkRate(rate);
    const Bytes frame = taggedFrame(0, 0, 0x04);

    QElapsedTimer clock;
    clock.start();
    std::vector<std::thread> writers;
    for (int t = 0; t < threads; ++t) {
        writers.emplace_back([&] {
            for (int i = 0; i < framesPerThread; ++i)
                writeBytes(handle, frame);
        });
    }
    for (auto &w : writers)
        w.join();
    const double seconds = clock.nsecsElapsed() / 1e9;

    const double bytes = double(frame.size()) * threads * framesPerThread;
    const double expected = rate > 0 ? bytes / rate : 0.0;
    QVERIFY2(seconds >= expected * 0.95, qPrintable(QString("took %1 s, expected %2 s").arg(seconds).arg(expected)));
    QVERIFY2(seconds <= expected + 1.0, qPrintable(QString("took %1 s, expected %2 s").arg(seconds).arg(expected)));
    QCOMPARE(bed().panel("VPANEL01").framesReceived, std::uint64_t(threads * framesPerThread));
}

void TestVirtualBridge::pacedWriteLeavesTestbedResponsive()
{
    FT_HANDLE handle = nullptr;
    QCOMPARE(openSerial("VPANEL01", &handle), FT_STATUS(FT_OK));
    const Bytes frame = taggedFrame(0, 0, 0x04);
    bed().setLinkRate(double(frame.size()));  // one second per frame
    std::atomic<bool> done{false};
    std::thread writer([&] {
        writeBytes(handle, frame);
        done = true;
    });
    QTest::qWait(100);
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(listedSerials(), strings({"VPANEL01"}));
    bed().plug("SIDE");
    QVERIFY(bed().panel("VPANEL01").framesReceived == 0);
    const qint64 elapsed = clock.elapsed();
    QVERIFY(!done.load());
    writer.join();
    QVERIFY2(elapsed < 500, qPrintable(QString("blocked for %1 ms").arg(elapsed)));
    QCOMPARE(bed().panel("VPANEL01").framesReceived, 1u);
}

void TestVirtualBridge::resetRestoresStartState()
{
    FT_HANDLE handle = nullptr;
    QCOMPARE(openSerial("VPANEL01", &handle), FT_STATUS(FT_OK));
    QCOMPARE(writeBytes(handle, word(protocol::DisplayStartWord)), FT_STATUS(FT_OK));
    bed().plug("EXTRA");
    bed().setLinkRate(10.0);
    bed().failNext(D2xxCall::CreateDeviceInfoList, 5, FT_IO_ERROR);
    int calls = 0;
    bed().addPacketListener([&](const std::string &, const protocol::DecodedPacket &) { ++calls; });
    bed().addPlugListener([&] { ++calls; });

    bed().reset();
    QCOMPARE(bed().pluggedSerials(), strings({"VPANEL01"}));
    QVERIFY(bed().captured("VPANEL01").empty());
    QVERIFY(bed().callHistory("VPANEL01").empty());
    QVERIFY(!bed().panel("VPANEL01").showing);
    QCOMPARE(bed().config("VPANEL01").opens, 0);
    QCOMPARE(writeBytes(handle, word(protocol::DisplayStopWord)), FT_STATUS(FT_INVALID_HANDLE));
    QCOMPARE(listedSerials(), strings({"VPANEL01"}));  // failures cleared

    FT_HANDLE fresh = nullptr;
    QCOMPARE(openSerial("VPANEL01", &fresh), FT_STATUS(FT_OK));
    QElapsedTimer clock;
    clock.start();
    QCOMPARE(writeBytes(fresh, word(protocol::DisplayStartWord)), FT_STATUS(FT_OK));  // 400 ms at 10 B/s
    bed().plug("EXTRA");
    QVERIFY(clock.elapsed() < 200);
    QCOMPARE(calls, 0);
}

QTEST_GUILESS_MAIN(TestVirtualBridge)
#include "test_virtual_bridge.moc"
