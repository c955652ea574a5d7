// Packet and display-frame builders against the bytes the panel expects.
#include "display_frame.h"
#include "packets.h"
#include "test_environment.h"

#include <QtTest>

using namespace vistrel::protocol;

namespace {

Bytes fromHex(const QByteArray &text)
{
    const QByteArray raw = QByteArray::fromHex(QByteArray(text).replace(' ', ""));
    return Bytes(raw.begin(), raw.end());
}

Bytes slice(const Bytes &bytes, std::size_t from, std::size_t count)
{
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

// Vss, Vdd, Voff, Von, Voff, Von, Vbias, then Vl, Vh for each table.
std::vector<double> driveVolts(double vss, double vdd, double voff, double von, double vbias,
                               double vl, double vh)
{
    return {vss, vdd, voff, von, voff, von, vbias, vl, vh, vl, vh, vl, vh};
}

std::vector<double> formDefaults() { return driveVolts(-2, 2, -12, 12, 0.0, 0.0, 5); }

std::uint16_t tableEntry(const Bytes &packet, int table, int k)
{
    const std::size_t at = 16 + 512 * static_cast<std::size_t>(table) + 2 * static_cast<std::size_t>(k);
    return static_cast<std::uint16_t>(packet[at] << 8 | packet[at + 1]);
}

std::uint16_t slotWord(const Bytes &frame, std::size_t slot)
{
    return static_cast<std::uint16_t>(frame[2 + 2 * slot] << 8 | frame[3 + 2 * slot]);
}

void verifyFraming(const Bytes &packet, std::size_t size, std::uint8_t type)
{
    QCOMPARE(packet.size(), size);
    QCOMPARE(packet.front(), std::uint8_t{0xFF});
    QCOMPARE(packet[1], type);
    QCOMPARE(packet[size - 2], std::uint8_t{0x0D});
    QCOMPARE(packet[size - 1], std::uint8_t{0x0A});
}

} // namespace

Q_DECLARE_METATYPE(std::vector<double>)

class TestProtocolPackets : public QObject
{
    Q_OBJECT
private slots:
    void controlWords_data();
    void controlWords();
    void scanTiming_data();
    void scanTiming();
    void volFormulaCodes_data();
    void volFormulaCodes();
    void volFormulaEntryCount();
    void driveDefaultsHeadAndTail();
    void driveDefaultTables_data();
    void driveDefaultTables();
    void driveCodeEncoding_data();
    void driveCodeEncoding();
    void driveGammaCurve();
    void driveGammaZeroFlattensTables();
    void int2strWritesLow16BigEndian_data();
    void int2strWritesLow16BigEndian();
    void sum16_data();
    void sum16();
    void allOnFrame();
    void checkerRunStructure();
    void grayFramePlacement_data();
    void grayFramePlacement();
};

void TestProtocolPackets::controlWords_data()
{
    QTest::addColumn<int>("word");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("display start") << 0 << QByteArray("FF AA 0D 0A");
    QTest::newRow("display stop") << 1 << QByteArray("FF FD 0D 0A");
    QTest::newRow("open close") << 2 << QByteArray("FF FE 0D 0A");
}

void TestProtocolPackets::controlWords()
{
    QFETCH(int, word);
    QFETCH(QByteArray, expected);
    const ControlWord words[] = {DisplayStartWord, DisplayStopWord, OpenCloseWord};
    const Bytes actual(words[word].begin(), words[word].end());
    QCOMPARE(testenv::hex(actual), testenv::hex(fromHex(expected)));
}

void TestProtocolPackets::scanTiming_data()
{
    QTest::addColumn<int>("lead");
    QTest::addColumn<int>("tail");
    QTest::addColumn<int>("fps");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("60 fps") << 0 << 0 << 60
        << QByteArray("FF 02 00 00 00 00 00 00 40 D8 00 00 00 00 00 00 1A 0A 0D 0A");
    QTest::newRow("1 fps") << 0 << 0 << 1
        << QByteArray("FF 02 00 00 00 00 00 00 40 D8 00 00 00 00 05 DC 8C A0 0D 0A");
    QTest::newRow("30 fps truncates") << 0 << 0 << 30
        << QByteArray("FF 02 00 00 00 00 00 00 40 D8 00 00 00 00 00 19 88 75 0D 0A");
    QTest::newRow("lead and tail") << 10 << 20 << 25
        << QByteArray("FF 02 00 00 03 E8 00 00 35 20 00 00 07 D0 00 23 B4 A0 0D 0A");
    QTest::newRow("negative body") << 200 << 0 << 60
        << QByteArray("FF 02 00 00 4E 20 FF FF F2 B8 00 00 00 00 00 00 1A 0A 0D 0A");
    QTest::newRow("fps 0 taken as 1") << 0 << 0 << 0
        << QByteArray("FF 02 00 00 00 00 00 00 40 D8 00 00 00 00 05 DC 8C A0 0D 0A");
    QTest::newRow("negative fps taken as 1") << 0 << 0 << -5
        << QByteArray("FF 02 00 00 00 00 00 00 40 D8 00 00 00 00 05 DC 8C A0 0D 0A");
}

void TestProtocolPackets::scanTiming()
{
    QFETCH(int, lead);
    QFETCH(int, tail);
    QFETCH(int, fps);
    QFETCH(QByteArray, expected);
    QCOMPARE(testenv::hex(buildScanTimingPacket(lead, tail, fps), 64),
             testenv::hex(fromHex(expected), 64));
}

void TestProtocolPackets::volFormulaCodes_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<double>("volts");
    QTest::addColumn<double>("code");
    QTest::newRow("wide scale bottom") << 0 << -20.0 << 0.0;
    QTest::newRow("wide scale top") << 5 << 20.0 << 65535.0;
    QTest::newRow("Vss -2") << 0 << -2.0 << 29490.75;
    QTest::newRow("Vdd 2") << 1 << 2.0 << 36044.25;
    QTest::newRow("Voff -12") << 2 << -12.0 << 13107.0;
    QTest::newRow("Von 12") << 3 << 12.0 << 52428.0;
    QTest::newRow("narrow scale bottom") << 6 << -10.0 << 0.0;
    QTest::newRow("narrow scale top") << 12 << 10.0 << 65535.0;
    QTest::newRow("narrow midpoint") << 7 << 0.0 << 32767.5;
    QTest::newRow("wide midpoint") << 4 << 0.0 << 32767.5;
    QTest::newRow("narrow scale 5 V") << 8 << 5.0 << 49151.25;
    QTest::newRow("not clamped above") << 3 << 21.0 << 67173.375;
}

void TestProtocolPackets::volFormulaCodes()
{
    QFETCH(int, index);
    QFETCH(double, volts);
    QFETCH(double, code);
    std::vector<double> input(kDriveValueCount, 0.0);
    input[static_cast<std::size_t>(index)] = volts;
    QCOMPARE(volFormula(input)[static_cast<std::size_t>(index)], code);
}

void TestProtocolPackets::volFormulaEntryCount()
{
    const std::vector<double> shortInput{20.0, 20.0};
    const std::vector<double> codes = volFormula(shortInput);
    QCOMPARE(codes.size(), kDriveValueCount);
    QCOMPARE(codes[1], 65535.0);
    for (std::size_t i = 2; i < codes.size(); ++i)
        QCOMPARE(codes[i], 0.0);
    QCOMPARE(volFormula(std::vector<double>(20, 10.0)).size(), kDriveValueCount);
    QCOMPARE(volFormula({}).size(), kDriveValueCount);
}

void TestProtocolPackets::driveDefaultsHeadAndTail()
{
    const Bytes packet = buildDriveSettingsPacket(formDefaults(), std::nullopt);
    verifyFraming(packet, kDriveSettingsSize, 0x01);
    QCOMPARE(testenv::hex(packet, 18),
             QStringLiteral("FF 01 73 32 8C CC 33 33 CC CC 33 33 CC CC 7F FF 80 3F"));
}

void TestProtocolPackets::driveDefaultTables_data()
{
    QTest::addColumn<int>("entry");
    QTest::addColumn<int>("code");
    QTest::newRow("entry 0") << 0 << 0x803F;
    QTest::newRow("entry 127") << 127 << 0x9FFF;
    QTest::newRow("entry 254") << 254 << 0xBFBF;
    QTest::newRow("entry 255") << 255 << 0xBFFF;
}

void TestProtocolPackets::driveDefaultTables()
{
    QFETCH(int, entry);
    QFETCH(int, code);
    const Bytes packet = buildDriveSettingsPacket(formDefaults(), std::nullopt);
    for (int table = 0; table < 3; ++table)
        QCOMPARE(int(tableEntry(packet, table, entry)), code);
}

void TestProtocolPackets::driveCodeEncoding_data()
{
    QTest::addColumn<std::vector<double>>("volts");
    QTest::addColumn<int>("codeIndex");
    QTest::addColumn<int>("code");
    QTest::newRow("Voff +20 is FFFF") << driveVolts(0, 0, 20, 0, 0, 0, 0) << 2 << 0xFFFF;
    QTest::newRow("Voff copy follows") << driveVolts(0, 0, 20, 0, 0, 0, 0) << 4 << 0xFFFF;
    QTest::newRow("Von -20 is 0000") << driveVolts(0, 0, 0, -20, 0, 0, 0) << 5 << 0x0000;
    QTest::newRow("Vbias +10 is FFFF") << driveVolts(0, 0, 0, 0, 10, 0, 0) << 6 << 0xFFFF;
    QTest::newRow("Vbias -10 is 0000") << driveVolts(0, 0, 0, 0, -10, 0, 0) << 6 << 0x0000;
    QTest::newRow("above scale keeps low 16 bits")
        << driveVolts(0, 0, 0, 21, 0, 0, 0) << 3 << 0x0665;
    QTest::newRow("below scale truncates toward zero")
        << driveVolts(-21, 0, 0, 0, 0, 0, 0) << 0 << 0xF99A;
}

void TestProtocolPackets::driveCodeEncoding()
{
    QFETCH(std::vector<double>, volts);
    QFETCH(int, codeIndex);
    QFETCH(int, code);
    const Bytes packet = buildDriveSettingsPacket(volts, std::nullopt);
    const std::size_t at = 2 + 2 * static_cast<std::size_t>(codeIndex);
    QCOMPARE(int(packet[at] << 8 | packet[at + 1]), code);
}

void TestProtocolPackets::driveGammaCurve()
{
    const Bytes linear = buildDriveSettingsPacket(formDefaults(), std::nullopt);
    const Bytes curved = buildDriveSettingsPacket(formDefaults(), 2.2);
    verifyFraming(curved, kDriveSettingsSize, 0x01);
    QCOMPARE(testenv::hex(curved, 16), testenv::hex(linear, 16));
    for (int table = 0; table < 3; ++table) {
        QCOMPARE(int(tableEntry(curved, table, 255)), 0xBFFF);
        QCOMPARE(tableEntry(curved, table, 0), tableEntry(linear, table, 0));
        QCOMPARE(int(tableEntry(curved, table, 127)), 0xB200);
        QCOMPARE(int(tableEntry(curved, table, 128)), 0xB23E);
        for (int k = 1; k < 255; ++k) {
            QVERIFY2(tableEntry(curved, table, k) > tableEntry(linear, table, k),
                     qPrintable(QString::number(k)));
        }
    }
}

void TestProtocolPackets::driveGammaZeroFlattensTables()
{
    // A gamma field that is not a number reads as 0: every entry is entry 0.
    const Bytes packet = buildDriveSettingsPacket(formDefaults(), 0.0);
    for (int table = 0; table < 3; ++table)
        for (int k = 0; k < 256; ++k)
            QCOMPARE(int(tableEntry(packet, table, k)), 0x803F);
}

void TestProtocolPackets::int2strWritesLow16BigEndian_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("0x1234") << 0x1234 << QByteArray("12 34");
    QTest::newRow("70000 keeps low 16 bits") << 70000 << QByteArray("11 70");
    QTest::newRow("zero") << 0 << QByteArray("00 00");
    QTest::newRow("minus one") << -1 << QByteArray("FF FF");
}

void TestProtocolPackets::int2strWritesLow16BigEndian()
{
    QFETCH(int, value);
    QFETCH(QByteArray, expected);
    Bytes out{0xAB, 0xAB, 0xAB};
    QCOMPARE(int2str(value, out.data()), out.data());
    QCOMPARE(testenv::hex(out, 2), testenv::hex(fromHex(expected)));
    QCOMPARE(out[2], std::uint8_t{0xAB});
}

void TestProtocolPackets::sum16_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("7F") << QByteArray("7F") << 127;
    QTest::newRow("7f") << QByteArray("7f") << 127;
    QTest::newRow("00") << QByteArray("00") << 0;
    QTest::newRow("FF") << QByteArray("FF") << 255;
    QTest::newRow("mixed case aB") << QByteArray("aB") << 171;
    QTest::newRow("only first two count") << QByteArray("A0FF") << 160;
    QTest::newRow("unchecked digit") << QByteArray("G0") << 368;
    QTest::newRow("empty") << QByteArray("") << -1;
    QTest::newRow("one character") << QByteArray("7") << -1;
}

void TestProtocolPackets::sum16()
{
    QFETCH(QByteArray, text);
    QFETCH(int, value);
    QCOMPARE(sum_16(text.toStdString()), value);
}

void TestProtocolPackets::allOnFrame()
{
    const Bytes frame = buildAllOnFrame();
    verifyFraming(frame, kDisplayFrameSize, 0x04);
    for (std::size_t i = 2; i < kDisplayFrameSize - 2; ++i)
        QCOMPARE(frame[i], std::uint8_t{0xFF});
}

void TestProtocolPackets::checkerRunStructure()
{
    const Bytes frame = buildCheckerFrame();
    QCOMPARE(testenv::hex(slice(frame, 2, 20), 20), testenv::hex(fromHex(QByteArray("00FF").repeated(10))));
    QCOMPARE(testenv::hex(slice(frame, 22, 20), 20), testenv::hex(Bytes(20, 0)));
    QCOMPARE(testenv::hex(slice(frame, 2002, 20), 20), testenv::hex(Bytes(20, 0)));
    std::size_t lit = 0;
    for (std::size_t group = 0; group < 180; ++group) {
        const bool groupStartsLit = (group / 10) % 2 == 0;
        for (std::size_t run = 0; run < 10; ++run) {
            const bool runLit = groupStartsLit == (run % 2 == 0);
            for (std::size_t s = 0; s < 10; ++s) {
                const std::size_t slot = 100 * group + 10 * run + s;
                QCOMPARE(int(slotWord(frame, slot)), runLit ? 0x00FF : 0x0000);
                lit += runLit;
            }
        }
    }
    QCOMPARE(lit, std::size_t{9000});
}

void TestProtocolPackets::grayFramePlacement_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("stride");
    QTest::addColumn<int>("mode");
    QTest::newRow("exact size, video mode") << 180 << 100 << 180 << 0x00;
    QTest::newRow("exact size, still mode") << 180 << 100 << 180 << 0x04;
    QTest::newRow("padded lines") << 180 << 100 << 192 << 0x04;
    QTest::newRow("larger image is cropped") << 200 << 120 << 200 << 0x04;
    QTest::newRow("smaller image leaves dark slots") << 50 << 20 << 50 << 0x00;
    QTest::newRow("empty image") << 0 << 0 << 0 << 0x04;
}

void TestProtocolPackets::grayFramePlacement()
{
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, stride);
    QFETCH(int, mode);
    auto pattern = [](int r, int c) { return std::uint8_t((r * 7 + c * 3 + 1) & 0xFF); };
    Bytes image(static_cast<std::size_t>(stride * height) + 1, 0xEE);
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            image[static_cast<std::size_t>(r * stride + c)] = pattern(r, c);
    const Bytes frame = buildGrayFrame(image.data(), width, height,
                                       static_cast<std::size_t>(stride), std::uint8_t(mode));
    verifyFraming(frame, kDisplayFrameSize, std::uint8_t(mode));
    for (int r = 0; r < 100; ++r) {
        for (int c = 0; c < 180; ++c) {
            const bool inside = r < height && c < width;
            const int expected = inside ? pattern(r, c) : 0;
            const auto slot = static_cast<std::size_t>(180 * r + c);
            if (slotWord(frame, slot) != expected)
                QFAIL(qPrintable(QStringLiteral("row %1 column %2").arg(r).arg(c)));
        }
    }
}

QTEST_GUILESS_MAIN(TestProtocolPackets)
#include "test_protocol_packets.moc"
