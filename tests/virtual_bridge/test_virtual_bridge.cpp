// The virtual bridge through the D2XX calls and its Testbed interface, and
// the ring that holds its capture.
#include "byte_ring.h"
#include "display_frame.h"
#include "test_environment.h"
#include "virtual_bridge.h"

#include <QtTest>

#include <algorithm>
#include <chrono>
#include <functional>
#include <numeric>
#include <thread>
#include <tuple>

using vistrel::virt::D2xxCall;
namespace protocol = vistrel::protocol;
using Bytes = std::vector<std::uint8_t>;
using Strings = std::vector<std::string>;

namespace {

vistrel::virt::Testbed &bed() { return vistrel::virt::Testbed::instance(); }
Bytes word(const protocol::ControlWord &w) { return Bytes(w.begin(), w.end()); }
const Bytes kStart = word(protocol::DisplayStartWord), kStop = word(protocol::DisplayStopWord);
QString captured() { return testenv::hex(bed().captured("VPANEL01")); }

FT_STATUS open(const char *serial, FT_HANDLE *handle)
{
    return FT_OpenEx(const_cast<char *>(serial), FT_OPEN_BY_SERIAL_NUMBER, handle);
}

FT_STATUS write(FT_HANDLE handle, Bytes bytes, FT_DWORD *written = nullptr)
{
    FT_DWORD ignored = 0;
    return FT_Write(handle, bytes.data(), FT_DWORD(bytes.size()), written ? written : &ignored);
}

FT_HANDLE openPanel() { FT_HANDLE handle = nullptr; open("VPANEL01", &handle); return handle; }

Strings listed()
{
    FT_DWORD count = 0;
    FT_CreateDeviceInfoList(&count);
    std::vector<FT_DEVICE_LIST_INFO_NODE> nodes(count + 1);
    FT_GetDeviceInfoList(nodes.data(), &count);
    Strings serials(count);
    std::transform(nodes.begin(), nodes.begin() + count, serials.begin(), [](auto &node) { return node.SerialNumber; });
    return serials;
}

Strings listed(const char *devices)  // after a reset with VISTREL_VIRTUAL_DEVICES = devices (null: unset)
{
    devices ? qputenv("VISTREL_VIRTUAL_DEVICES", devices) : qunsetenv("VISTREL_VIRTUAL_DEVICES");
    bed().reset();
    return listed();
}

} // namespace

class TestVirtualBridge : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { listed(nullptr); }

    void environmentAndPlugOrder()
    {
        QCOMPARE(listed(""), Strings{});
        QCOMPARE(listed(" B2 ,, A1,B2"), Strings({"B2", "A1"}));
        QCOMPARE(listed(nullptr), Strings{"VPANEL01"});
        bed().plug("VB");
        bed().plug("VA");
        bed().plug("VPANEL01");  // present already: stays where it is
        QCOMPARE(listed(), Strings({"VPANEL01", "VB", "VA"}));
        QVERIFY(bed().unplug("VB"));
        bed().plug("VB");
        QCOMPARE(listed(), Strings({"VPANEL01", "VA", "VB"}));
    }

    void errorStatuses()
    {
        FT_HANDLE handle = openPanel(), other = nullptr;
        FT_STATUS s = FT_OK;
        QCOMPARE(open("VPANEL0", &other), FT_STATUS(FT_DEVICE_NOT_FOUND));
        QCOMPARE(open("VPANEL01", &other), FT_STATUS(FT_DEVICE_NOT_OPENED));
        QCOMPARE(other, FT_HANDLE(nullptr));

        // Injected failures: the next N calls fail with the status and do nothing, then normal service.
        bed().plug("SPARE");
        const std::vector<std::tuple<D2xxCall, int, FT_STATUS, std::function<FT_STATUS()>>> cases{
            {D2xxCall::OpenEx, 3, FT_DEVICE_NOT_FOUND, [&] { return (s = open("SPARE", &other)) ? s : FT_Close(other); }},
            {D2xxCall::Write, 4, FT_IO_ERROR, [&] { return write(handle, kStart); }}};
        for (const auto &[call, count, status, attempt] : cases) {
            bed().failNext(call, count, status);
            for (int i = 0; i < count + 2; ++i)
                QCOMPARE(attempt(), i < count ? status : FT_STATUS(FT_OK));
        }

        FT_DWORD written = 77;
        QVERIFY(bed().unplug("VPANEL01"));
        QCOMPARE(write(handle, kStop, &written), FT_STATUS(FT_IO_ERROR));
        QCOMPARE(written, 0u);
        bed().plug("VPANEL01");
        QCOMPARE(FT_Close(handle), FT_STATUS(FT_OK));
        QCOMPARE(FT_Close(handle), FT_STATUS(FT_INVALID_HANDLE));
        QCOMPARE(write(handle, kStop), FT_STATUS(FT_INVALID_HANDLE));
        QCOMPARE(write(openPanel(), kStop), FT_STATUS(FT_OK));
        QCOMPARE(captured(), QString("FF AA 0D 0A FF AA 0D 0A FF FD 0D 0A"));
    }

    // Pulled, what the panel last had can still be read; plugged in again it is a
    // controller powered up anew. (Its decoding: the session and virtual panel tests.)
    void replugForgetsThePanelState()
    {
        const FT_HANDLE handle = openPanel();
        for (const Bytes &bytes : {kStart, protocol::buildCheckerFrame(), protocol::buildScanTimingPacket(10, 20, 30),
                                   protocol::buildDriveSettingsPacket({1, 2, -3, 4, -3, 4, 0, -5, 5, -5, 5, -5, 5}, {})})
            QCOMPARE(write(handle, bytes), FT_STATUS(FT_OK));
        QVERIFY(bed().unplug("VPANEL01"));
        const auto pulled = bed().panel("VPANEL01");
        QVERIFY(pulled.lastFrame && pulled.lastDrive && pulled.lastScan);
        bed().plug("VPANEL01");
        const auto replugged = bed().panel("VPANEL01");
        QVERIFY(!replugged.lastFrame && !replugged.lastDrive && !replugged.lastScan && !replugged.linkOpen);
        FT_Close(handle);
    }

    void concurrentWritersNeverTear()
    {
        // Every third packet a frame: all-on stills and start words from one writer, blank video and stop from the other.
        const Bytes frames[2] = {protocol::buildAllOnFrame(), protocol::buildGrayFrame(nullptr, 0, 0, 0, 0x00)};
        auto packet = [&](int thread, int i) { return i % 3 ? (thread ? kStop : kStart) : frames[thread]; };
        const FT_HANDLE handle = openPanel();
        auto writer = [&](int thread) {
            for (int i = 0; i < 1500; ++i)
                write(handle, packet(thread, i));
        };
        std::thread first(writer, 0), second(writer, 1);
        first.join();
        second.join();
        const Bytes capture = bed().captured("VPANEL01");
        int next[2] = {0, 0};
        std::size_t at = 0;
        while (at < capture.size()) {
            const int thread = capture.at(at + 1) == protocol::kFrameModeStill || capture[at + 1] == kStart[1] ? 0 : 1;
            const Bytes expected = packet(thread, next[thread]++);
            QVERIFY(capture.size() - at >= expected.size() && std::equal(expected.begin(), expected.end(), &capture[at]));
            at += expected.size();
        }
        const auto state = bed().panel("VPANEL01");  // the decoder saw every frame, nothing garbled
        QCOMPARE(QString("%1 %2 %3 %4").arg(next[0]).arg(next[1]).arg(state.framesReceived).arg(state.protocolErrors),
                 QString("1500 1500 1000 0"));
    }

    // The ring itself with small chunks, so that writes cross chunk and ring
    // ends: the newest bytes in order, storage taken chunk by chunk as bytes
    // arrive and never beyond the capacity.
    void ringChunks_data()
    {
        QTest::addColumn<int>("capacity");
        QTest::addColumn<int>("chunk");
        QTest::addColumn<QList<int>>("writes");
        QTest::newRow("within the first chunk") << 10 << 4 << QList<int>{3};
        QTest::newRow("across chunks, not full") << 10 << 4 << QList<int>{3, 3, 3};
        QTest::newRow("a short last chunk, wrapped") << 10 << 4 << QList<int>{7, 6, 5};
        QTest::newRow("one write across the ring's end") << 9 << 4 << QList<int>{8, 8};
        QTest::newRow("longer than the ring") << 9 << 4 << QList<int>{2, 23, 1};
        QTest::newRow("chunk larger than the ring") << 5 << 64 << QList<int>{4, 4, 4};
    }
    void ringChunks()
    {
        QFETCH(int, capacity);
        QFETCH(int, chunk);
        QFETCH(QList<int>, writes);
        vistrel::virt::ByteRing ring{std::size_t(capacity), std::size_t(chunk)};
        Bytes sent;
        for (const int size : writes) {
            Bytes bytes(static_cast<std::size_t>(size));
            std::iota(bytes.begin(), bytes.end(), std::uint8_t(sent.size()));  // a running count
            sent.insert(sent.end(), bytes.begin(), bytes.end());
            ring.append(bytes.data(), bytes.size());
            const std::size_t touched = std::min(sent.size(), std::size_t(capacity));
            const std::size_t chunks = (touched + std::size_t(chunk) - 1) / std::size_t(chunk);
            QCOMPARE(ring.storage(), std::min(chunks * std::size_t(chunk), std::size_t(capacity)));
        }
        const std::size_t kept = std::min(sent.size(), std::size_t(capacity));
        QCOMPARE(ring.contents(), Bytes(sent.end() - std::ptrdiff_t(kept), sent.end()));
        ring.setCapacity(3);
        QCOMPARE(ring.contents(), Bytes(sent.end() - 3, sent.end()));
        QCOMPARE(ring.storage(), std::size_t(3));
    }

    void limitsChangeAndReset()
    {
        const FT_HANDLE handle = openPanel();
        for (std::uint8_t b = 1; b <= 6; ++b)
            write(handle, Bytes(b, b));  // 1, 2 2, 3 3 3, ...: 21 bytes, 6 writes
        bed().setCaptureLimit(5);  // lowering keeps the newest
        bed().setHistoryLimit(2);
        QCOMPARE(captured(), QString("06 06 06 06 06"));
        QCOMPARE(bed().callHistory("VPANEL01"), Strings({"FT_Write 5", "FT_Write 6"}));
        bed().setCaptureLimit(8);  // raising keeps what is there and makes room
        write(handle, Bytes{7, 8});
        FT_Close(handle);
        QCOMPARE(captured(), QString("06 06 06 06 06 07 08"));
        QCOMPARE(bed().callHistory("VPANEL01"), Strings({"FT_Write 2", "FT_Close"}));
        bed().plug("LATER");  // a bridge plugged afterwards gets the limits too
        FT_HANDLE later = nullptr;
        QCOMPARE(open("LATER", &later), FT_STATUS(FT_OK));
        write(later, Bytes(20, 9));
        QCOMPARE(bed().captured("LATER").size(), std::size_t(8));
        QCOMPARE(bed().panel("LATER").bytesReceived, std::uint64_t(20));  // the panel sees past the capture
        bed().setCaptureLimit(0);  // keeps nothing, and takes no write amiss
        write(later, Bytes(3, 9));
        QVERIFY(bed().captured("LATER").empty());
        QCOMPARE(bed().callHistory("LATER").size(), std::size_t(2));
    }

    void linkSpeedEmulation()
    {
        const FT_HANDLE handle = openPanel();
        bed().setLinkRate(1.2e6);
        const auto begin = std::chrono::steady_clock::now();
        for (int i = 0; i < 10; ++i)
            QCOMPARE(write(handle, protocol::buildAllOnFrame()), FT_STATUS(FT_OK));
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        const double expected = 10 * 36004 / 1.2e6;
        QVERIFY2(seconds >= expected * 0.95 && seconds <= expected + 1.0, qPrintable(QString::number(seconds)));
    }
};

QTEST_GUILESS_MAIN(TestVirtualBridge)
#include "test_virtual_bridge.moc"
