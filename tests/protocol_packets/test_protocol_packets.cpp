// Packet and display-frame builders against the bytes the panel expects.
#include "display_frame.h"
#include "test_environment.h"

#include <QtTest>

#include <cmath>
#include <limits>

using namespace vistrel::protocol;

namespace {

QString hexAt(const Bytes &b, std::size_t from, std::size_t count)
{
    return testenv::hex(Bytes(b.begin() + std::ptrdiff_t(std::min(from, b.size())), b.end()), count);
}

std::uint16_t slotWord(const Bytes &frame, std::size_t slot) { return std::uint16_t(frame[2 + 2 * slot] << 8 | frame[3 + 2 * slot]); }

Bytes word(const ControlWord &w) { return Bytes(w.begin(), w.end()); }

// Vss, Vdd, Voff, Von, Voff, Von, Vbias, then Vl, Vh for each of the three tables.
Bytes drive(double vss, double vdd, double voff, double von, double vbias, std::optional<double> gamma = {})
{
    return buildDriveSettingsPacket({vss, vdd, voff, von, voff, von, vbias, 0, 5, 0, 5, 0, 5}, gamma);
}

} // namespace

Q_DECLARE_METATYPE(Bytes)

class TestProtocolPackets : public QObject
{
    Q_OBJECT
private slots:
    void bytes_data()
    {
        QTest::addColumn<Bytes>("packet");
        QTest::addColumn<int>("size");
        QTest::addColumn<int>("at");  // drive table k, entry e: 16 + 512 k + 2 e
        QTest::addColumn<QString>("expected");
        const QString lit = QStringLiteral(" 00 FF").repeated(10), dark = QStringLiteral(" 00 00").repeated(10);
        QTest::newRow("start word") << word(DisplayStartWord) << 4 << 0 << "FF AA 0D 0A";
        QTest::newRow("stop word") << word(DisplayStopWord) << 4 << 0 << "FF FD 0D 0A";
        QTest::newRow("open close word") << word(OpenCloseWord) << 4 << 0 << "FF FE 0D 0A";
        QTest::newRow("scan 60 fps") << buildScanTimingPacket(0, 0, 60) << 20 << 0 << "FF 02 00 00 00 00 00 00 40 D8 00 00 00 00 00 00 1A 0A 0D 0A";
        QTest::newRow("scan 1 fps") << buildScanTimingPacket(0, 0, 1) << 20 << 0 << "FF 02 00 00 00 00 00 00 40 D8 00 00 00 00 05 DC 8C A0 0D 0A";
        QTest::newRow("scan lead, tail") << buildScanTimingPacket(10, 20, 25) << 20 << 0 << "FF 02 00 00 03 E8 00 00 35 20 00 00 07 D0 00 23 B4 A0 0D 0A";
        QTest::newRow("drive default head") << drive(-2, 2, -12, 12, 0) << 1554 << 0 << "FF 01 73 32 8C CC 33 33 CC CC 33 33 CC CC 7F FF 80 3F";
        QTest::newRow("drive table 1 entry 127") << drive(-2, 2, -12, 12, 0) << 1554 << 16 + 512 + 254 << "9F FF";
        QTest::newRow("drive table 2 254, 255, tail") << drive(-2, 2, -12, 12, 0) << 1554 << 1548 << "BF BF BF FF 0D 0A";
        QTest::newRow("gamma entries 127, 128") << drive(-2, 2, -12, 12, 0, 2.2) << 1554 << 16 + 254 << "B2 00 B2 3E";
        QTest::newRow("gamma table 2 entry 255") << drive(-2, 2, -12, 12, 0, 2.2) << 1554 << 1550 << "BF FF 0D 0A";
        QTest::newRow("Voff +20, Von -20") << drive(0, 0, 20, -20, 0) << 1554 << 6 << "FF FF 00 00 FF FF 00 00";
        QTest::newRow("Vbias +10") << drive(0, 0, 0, 0, 10) << 1554 << 14 << "FF FF";
        // Far outside a scale (only a value that skipped the field rules): the
        // code stops at the scale's end, and nothing undefined happens on the way.
        QTest::newRow("above scale saturates") << drive(0, 0, 0, 21, 0) << 1554 << 8 << "FF FF";
        QTest::newRow("below scale saturates") << drive(0, 0, -21, 0, -11) << 1554 << 6 << "00 00 7F FF 00 00 7F FF 00 00";
        QTest::newRow("huge and infinite") << drive(1e308, -1e308, std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(), 0) << 1554 << 2 << "FF FF 00 00 FF FF 00 00";
        QTest::newRow("not a number") << drive(std::nan(""), 0, 0, 0, std::nan("")) << 1554 << 2 << "00 00 7F FF";
        // Gray level 0 (entry 255) under a curve that is no number or infinite there.
        QTest::newRow("NaN gamma") << drive(0, 0, 0, 0, 0, std::nan("")) << 1554 << 16 + 510 << "00 00";
        QTest::newRow("negative gamma") << drive(0, 0, 0, 0, 0, -1.0) << 1554 << 16 + 508 << "00 00 00 00";
        QTest::newRow("all on tail") << buildAllOnFrame() << 36004 << 36000 << "FF FF 0D 0A";
        QTest::newRow("checker group 0") << buildCheckerFrame() << 36004 << 0 << "FF 04" + QString(lit + dark).repeated(5);
        QTest::newRow("checker group 10") << buildCheckerFrame() << 36004 << 2002 << QString(dark + lit).repeated(2).mid(1);
    }

    void bytes()
    {
        QFETCH(Bytes, packet);
        QFETCH(int, size);
        QFETCH(int, at);
        QFETCH(QString, expected);
        QCOMPARE(int(packet.size()), size);
        QCOMPARE(hexAt(packet, std::size_t(at), std::size_t(expected.size() + 1) / 3), expected);
    }

    void grayFrame()
    {
        auto pattern = [](int r, int c) { return std::uint8_t((r * 7 + c * 3 + 1) & 0xFF); };
        // Padded lines in video mode; a larger still image is cropped, a smaller one leaves dark slots.
        for (const auto &[width, height, stride, mode] : {std::array<int, 4>{180, 100, 192, 0x00}, {200, 120, 200, 0x04}, {50, 20, 50, 0x04}}) {
            Bytes image(std::size_t(stride * height), 0xEE);
            for (int r = 0; r < height; ++r)
                for (int c = 0; c < width; ++c)
                    image[std::size_t(r * stride + c)] = pattern(r, c);
            const Bytes frame = buildGrayFrame(image.data(), width, height, std::size_t(stride), std::uint8_t(mode));
            QCOMPARE(frame.size(), kDisplayFrameSize);
            QCOMPARE(hexAt(frame, 0, 2) + " " + hexAt(frame, kDisplayFrameSize - 2, 2), QString::asprintf("FF %02X 0D 0A", mode));
            for (int r = 0; r < 100; ++r)
                for (int c = 0; c < 180; ++c)
                    if (slotWord(frame, std::size_t(180 * r + c)) != (r < height && c < width ? pattern(r, c) : 0))
                        QFAIL(qPrintable(QStringLiteral("%1 x %2 image: row %3 column %4").arg(width).arg(height).arg(r).arg(c)));
        }
    }
};

QTEST_GUILESS_MAIN(TestProtocolPackets)
#include "test_protocol_packets.moc"
