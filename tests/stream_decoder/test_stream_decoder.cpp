// The panel-side decoder over streams cut into arbitrary chunks, with
// garbage between the packets.
#include "display_frame.h"
#include "packets.h"
#include "stream_decoder.h"
#include "test_environment.h"

#include <QElapsedTimer>
#include <QtTest>

#include <random>

using namespace vistrel::protocol;

namespace {

Bytes fromHex(const QByteArray &text)
{
    const QByteArray raw = QByteArray::fromHex(QByteArray(text).replace(' ', ""));
    return Bytes(raw.begin(), raw.end());
}

struct SentPacket {
    std::uint64_t offset;
    Bytes bytes;
};

// A stream of known packets separated by garbage that forms no packet.
struct TestStream {
    Bytes bytes;
    std::vector<SentPacket> packets;
    std::uint64_t garbageBytes = 0;
    std::vector<std::size_t> garbageStarts;  // stream offsets of garbage FF bytes
};

std::size_t lengthOfType(std::uint8_t type)
{
    switch (type) {
    case 0xAA: case 0xFD: case 0xFE: return 4;
    case 0x01: return 1554;
    case 0x02: return 20;
    case 0x00: case 0x04: return 36004;
    default: return 0;
    }
}

class StreamBuilder
{
public:
    explicit StreamBuilder(unsigned seed) : m_random(seed) {}

    TestStream build(int packetCount)
    {
        TestStream stream;
        for (int i = 0; i < packetCount; ++i) {
            addGarbage(stream);
            stream.packets.push_back({stream.bytes.size(), randomPacket()});
            const Bytes &packet = stream.packets.back().bytes;
            stream.bytes.insert(stream.bytes.end(), packet.begin(), packet.end());
        }
        addGarbage(stream);
        return stream;
    }

private:
    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    Bytes randomPacket()
    {
        switch (pick(0, 7)) {
        case 0: return Bytes(DisplayStartWord.begin(), DisplayStartWord.end());
        case 1: return Bytes(DisplayStopWord.begin(), DisplayStopWord.end());
        case 2: return Bytes(OpenCloseWord.begin(), OpenCloseWord.end());
        case 3: return buildScanTimingPacket(pick(0, 80), pick(0, 80), pick(1, 60));
        case 4: {
            std::vector<double> volts(kDriveValueCount);
            for (double &v : volts)
                v = pick(-1000, 1000) / 100.0;
            return buildDriveSettingsPacket(volts, pick(0, 1) ? std::optional<double>(2.2)
                                                              : std::nullopt);
        }
        case 5: return pick(0, 1) ? buildAllOnFrame() : buildCheckerFrame();
        default: {
            Bytes image(kSlotCount);
            for (auto &pixel : image)
                pixel = static_cast<std::uint8_t>(pick(0, 255));
            return buildGrayFrame(image.data(), kPanelWidth, kPanelHeight, kPanelWidth,
                                  pick(0, 1) ? kFrameModeStill : kFrameModeVideo);
        }
        }
    }

    // Garbage rich in false starts: FF followed by type bytes and end markers.
    void addGarbage(TestStream &stream)
    {
        static const std::uint8_t alphabet[] = {0xFF, 0xFF, 0x00, 0x01, 0x02, 0x04, 0xAA,
                                                0xFD, 0xFE, 0x0D, 0x0A, 0x33, 0x7E};
        const int count = pick(0, 3) == 0 ? 0 : pick(1, 12);
        for (int i = 0; i < count; ++i) {
            const std::uint8_t byte = alphabet[pick(0, int(sizeof alphabet) - 1)];
            if (byte == 0xFF)
                stream.garbageStarts.push_back(stream.bytes.size());
            stream.bytes.push_back(byte);
        }
        stream.garbageBytes += static_cast<std::uint64_t>(count);
    }

    std::mt19937 m_random;
};

// True when no garbage FF happens to begin a well-formed packet, so the
// packets put in are exactly the packets to come out.
bool garbageFormsNoPacket(const TestStream &stream)
{
    for (std::size_t at : stream.garbageStarts) {
        if (at + 1 >= stream.bytes.size())
            continue;
        const std::size_t length = lengthOfType(stream.bytes[at + 1]);
        if (length == 0 || at + length > stream.bytes.size())
            continue;
        if (stream.bytes[at + length - 2] == 0x0D && stream.bytes[at + length - 1] == 0x0A)
            return false;
    }
    return true;
}

TestStream cleanStream(unsigned seed, int packetCount)
{
    for (unsigned attempt = 0;; ++attempt) {
        TestStream stream = StreamBuilder(seed * 1000 + attempt).build(packetCount);
        if (garbageFormsNoPacket(stream))
            return stream;
    }
}

std::uint16_t be16(const Bytes &bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
}

std::int32_t be32(const Bytes &bytes, std::size_t at)
{
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < 4; ++i)
        bits = bits << 8 | bytes[at + i];
    return static_cast<std::int32_t>(bits);
}

DecodedPacket::Kind expectedKind(std::uint8_t type)
{
    switch (type) {
    case 0xAA: return DecodedPacket::DisplayStart;
    case 0xFD: return DecodedPacket::DisplayStop;
    case 0xFE: return DecodedPacket::OpenClose;
    case 0x01: return DecodedPacket::Drive;
    case 0x02: return DecodedPacket::Scan;
    default: return DecodedPacket::Frame;
    }
}

// Compares a decoded packet field by field with the bytes that were sent.
QString mismatch(const DecodedPacket &got, const SentPacket &sent)
{
    const Bytes &b = sent.bytes;
    if (got.offset != sent.offset || got.length != b.size() || got.kind != expectedKind(b[1]))
        return QStringLiteral("offset/length/kind %1/%2/%3").arg(got.offset).arg(got.length).arg(got.kind);
    if (got.kind == DecodedPacket::Drive) {
        for (std::size_t i = 0; i < 7; ++i)
            if (got.drive.codes[i] != be16(b, 2 + 2 * i))
                return QStringLiteral("code %1").arg(i);
        for (std::size_t t = 0; t < 3; ++t)
            for (std::size_t k = 0; k < 256; ++k)
                if (got.drive.tables[t][k] != be16(b, 16 + 512 * t + 2 * k))
                    return QStringLiteral("table %1 entry %2").arg(t).arg(k);
    }
    if (got.kind == DecodedPacket::Scan) {
        for (std::size_t i = 0; i < 4; ++i)
            if (got.scan.fields[i] != be32(b, 2 + 4 * i))
                return QStringLiteral("scan field %1").arg(i);
    }
    if (got.kind == DecodedPacket::Frame) {
        if (got.frame.mode != b[1])
            return QStringLiteral("frame mode");
        if (got.frame.slotBytes != Bytes(b.begin() + 2, b.end() - 2))
            return QStringLiteral("frame slots");
    }
    return {};
}

// A start, D stop, O open/close, S settings, T timing, F frame.
QChar kindLetter(DecodedPacket::Kind kind)
{
    static const char letters[] = "ADOSTF";
    return QChar(letters[kind]);
}

std::vector<DecodedPacket> feedInChunks(StreamDecoder &decoder, const Bytes &stream,
                                        unsigned seed, int maxChunk)
{
    std::mt19937 random(seed);
    std::vector<DecodedPacket> out;
    std::size_t at = 0;
    while (at < stream.size()) {
        // Mostly short chunks, now and then one long enough to hold several packets.
        const int limit = std::uniform_int_distribution<int>(0, 9)(random) == 0 ? maxChunk : 64;
        std::size_t size = std::uniform_int_distribution<std::size_t>(1, std::size_t(limit))(random);
        size = std::min(size, stream.size() - at);
        for (auto &p : decoder.feed(stream.data() + at, size))
            out.push_back(std::move(p));
        at += size;
    }
    return out;
}

} // namespace

class TestStreamDecoder : public QObject
{
    Q_OBJECT
private slots:
    void randomChunkings_data();
    void randomChunkings();
    void shortStreams_data();
    void shortStreams();
    void cutPacketWaitsForItsEnd();
    void offsetsCountAcrossChunks();
    void resetForgetsEverything();
    void voltsFromCodes_data();
    void voltsFromCodes();
    void driveVoltsRoundTrip();
    void byteByByteFramesAreCheap();
};

void TestStreamDecoder::randomChunkings_data()
{
    QTest::addColumn<unsigned>("seed");
    QTest::addColumn<int>("maxChunk");
    for (unsigned seed : {1u, 2u, 3u, 17u, 2024u}) {
        QTest::addRow("seed %u, chunks up to 64 KiB", seed) << seed << 65536;
        QTest::addRow("seed %u, chunks up to 5 bytes", seed) << seed << 5;
    }
    QTest::newRow("one byte at a time") << 9u << 1;
    QTest::newRow("whole stream at once") << 10u << 0;
}

void TestStreamDecoder::randomChunkings()
{
    QFETCH(unsigned, seed);
    QFETCH(int, maxChunk);
    const TestStream stream = cleanStream(seed, 40);
    QVERIFY(stream.garbageBytes > 0);

    StreamDecoder decoder;
    std::vector<DecodedPacket> got;
    if (maxChunk == 0)
        got = decoder.feed(stream.bytes.data(), stream.bytes.size());
    else if (maxChunk == 1)
        for (std::uint8_t byte : stream.bytes)
            for (auto &p : decoder.feed(&byte, 1))
                got.push_back(std::move(p));
    else
        got = feedInChunks(decoder, stream.bytes, seed + 77, maxChunk);
    for (auto &p : decoder.finish())
        got.push_back(std::move(p));

    QCOMPARE(got.size(), stream.packets.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        const QString problem = mismatch(got[i], stream.packets[i]);
        QVERIFY2(problem.isEmpty(), qPrintable(QStringLiteral("packet %1: %2").arg(i).arg(problem)));
    }
    QCOMPARE(decoder.protocolErrors(), stream.garbageBytes);
    QCOMPARE(decoder.bytesReceived(), std::uint64_t(stream.bytes.size()));
    QCOMPARE(decoder.pendingBytes(), std::size_t{0});
}

void TestStreamDecoder::shortStreams_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QString>("kinds");  // kindLetter of each decoded packet
    QTest::addColumn<int>("errorsBeforeEnd");
    QTest::addColumn<int>("errorsAfterEnd");
    QTest::newRow("no start marker") << QByteArray("00 11 22") << "" << 3 << 3;
    QTest::newRow("unknown type") << QByteArray("FF 33 FF AA 0D 0A") << "A" << 2 << 2;
    QTest::newRow("doubled start marker") << QByteArray("FF FF AA 0D 0A") << "A" << 1 << 1;
    QTest::newRow("wrong end marker") << QByteArray("FF AA 0D 0B FF FD 0D 0A") << "D" << 4 << 4;
    QTest::newRow("stray end marker") << QByteArray("0D 0A FF FE 0D 0A") << "O" << 2 << 2;
    QTest::newRow("three words back to back")
        << QByteArray("FF FE 0D 0A FF AA 0D 0A FF FD 0D 0A") << "OAD" << 0 << 0;
    QTest::newRow("truncated word at end") << QByteArray("FF FE 0D 0A FF AA 0D") << "O" << 0 << 3;
    QTest::newRow("lone start marker") << QByteArray("FF") << "" << 0 << 1;
    QTest::newRow("false scan start before a word")
        << QByteArray("FF 02 FF AA 0D 0A") << "A" << 0 << 2;
    QTest::newRow("false frame start holds back a word")
        << QByteArray("FF 00 FF AA 0D 0A FF FD 0D 0A") << "AD" << 0 << 2;
    QTest::newRow("false scan start rejected by its end")
        << (QByteArray("FF 02 ") + QByteArray("00 ").repeated(16) + "0D 0D FF AA 0D 0A")
        << "A" << 20 << 20;
}

void TestStreamDecoder::shortStreams()
{
    QFETCH(QByteArray, stream);
    QFETCH(QString, kinds);
    QFETCH(int, errorsBeforeEnd);
    QFETCH(int, errorsAfterEnd);
    const Bytes bytes = fromHex(stream);
    for (const bool byteByByte : {false, true}) {
        StreamDecoder decoder;
        std::vector<DecodedPacket> got;
        const std::size_t step = byteByByte ? 1 : bytes.size();
        for (std::size_t at = 0; at < bytes.size(); at += step)
            for (auto &p : decoder.feed(bytes.data() + at, std::min(step, bytes.size() - at)))
                got.push_back(std::move(p));
        QCOMPARE(int(decoder.protocolErrors()), errorsBeforeEnd);
        for (auto &p : decoder.finish())
            got.push_back(std::move(p));
        QString initials;
        for (const auto &p : got)
            initials += kindLetter(p.kind);
        QCOMPARE(initials, kinds);
        QCOMPARE(int(decoder.protocolErrors()), errorsAfterEnd);
        QCOMPARE(decoder.pendingBytes(), std::size_t{0});
    }
}

void TestStreamDecoder::cutPacketWaitsForItsEnd()
{
    const Bytes scan = buildScanTimingPacket(3, 4, 60);
    StreamDecoder decoder;
    QVERIFY(decoder.feed(scan.data(), 19).empty());
    QCOMPARE(decoder.pendingBytes(), std::size_t{19});
    QCOMPARE(decoder.protocolErrors(), std::uint64_t{0});
    const auto got = decoder.feed(scan.data() + 19, 1);
    QCOMPARE(got.size(), std::size_t{1});
    QCOMPARE(got[0].kind, DecodedPacket::Scan);
    QCOMPARE(got[0].scan.fields[0], 300);
    QCOMPARE(got[0].scan.fields[1], 15900);
    QCOMPARE(got[0].scan.fields[2], 400);
    QCOMPARE(got[0].scan.fields[3], 6666);
    QCOMPARE(decoder.pendingBytes(), std::size_t{0});
}

void TestStreamDecoder::offsetsCountAcrossChunks()
{
    const Bytes frame = buildCheckerFrame();
    Bytes stream = fromHex("12 FF FE 0D 0A");
    stream.insert(stream.end(), frame.begin(), frame.end());
    stream.push_back(0x34);
    stream.insert(stream.end(), DisplayStopWord.begin(), DisplayStopWord.end());
    StreamDecoder decoder;
    std::vector<DecodedPacket> got = decoder.feed(stream.data(), 1000);
    for (auto &p : decoder.feed(stream.data() + 1000, stream.size() - 1000))
        got.push_back(std::move(p));
    QCOMPARE(got.size(), std::size_t{3});
    QCOMPARE(got[0].offset, std::uint64_t{1});
    QCOMPARE(got[1].offset, std::uint64_t{5});
    QCOMPARE(got[1].length, kDisplayFrameSize);
    QCOMPARE(got[1].frame.gray(0), std::uint8_t{0xFF});
    QCOMPARE(got[1].frame.gray(10), std::uint8_t{0x00});
    QCOMPARE(got[2].offset, std::uint64_t{5 + kDisplayFrameSize + 1});
    QCOMPARE(decoder.protocolErrors(), std::uint64_t{2});
}

void TestStreamDecoder::resetForgetsEverything()
{
    StreamDecoder decoder;
    const Bytes junk = fromHex("01 02 FF AA 0D");
    decoder.feed(junk.data(), junk.size());
    QCOMPARE(decoder.pendingBytes(), std::size_t{3});
    decoder.reset();
    QCOMPARE(decoder.bytesReceived(), std::uint64_t{0});
    QCOMPARE(decoder.protocolErrors(), std::uint64_t{0});
    QCOMPARE(decoder.pendingBytes(), std::size_t{0});
    const auto got = decoder.feed(DisplayStopWord.data(), DisplayStopWord.size());
    QCOMPARE(got.size(), std::size_t{1});
    QCOMPARE(got[0].offset, std::uint64_t{0});
    QCOMPARE(got[0].kind, DecodedPacket::DisplayStop);
}

void TestStreamDecoder::voltsFromCodes_data()
{
    QTest::addColumn<bool>("wide");
    QTest::addColumn<int>("code");
    QTest::addColumn<double>("volts");
    QTest::newRow("wide bottom") << true << 0 << -20.0;
    QTest::newRow("wide top") << true << 65535 << 20.0;
    QTest::newRow("wide Voff -12") << true << 0x3333 << -12.0;
    QTest::newRow("wide Von 12") << true << 0xCCCC << 12.0;
    QTest::newRow("narrow bottom") << false << 0 << -10.0;
    QTest::newRow("narrow top") << false << 65535 << 10.0;
    QTest::newRow("narrow 5 V") << false << 0xBFFF << 5.0;
}

void TestStreamDecoder::voltsFromCodes()
{
    QFETCH(bool, wide);
    QFETCH(int, code);
    QFETCH(double, volts);
    const double got = wide ? wideScaleVolts(std::uint16_t(code)) : narrowScaleVolts(std::uint16_t(code));
    // One code step is 40/65535 V (wide) or 20/65535 V (narrow).
    QVERIFY2(std::abs(got - volts) < 1e-3, qPrintable(QString::number(got, 'g', 10)));
}

void TestStreamDecoder::driveVoltsRoundTrip()
{
    const std::vector<double> volts{-2, 2, -12, 12, -12, 12, 0.5, 0, 5, 0, 5, 0, 5};
    const Bytes packet = buildDriveSettingsPacket(volts, std::nullopt);
    StreamDecoder decoder;
    const auto got = decoder.feed(packet.data(), packet.size());
    QCOMPARE(got.size(), std::size_t{1});
    QCOMPARE(got[0].kind, DecodedPacket::Drive);
    for (std::size_t i = 0; i < 7; ++i) {
        const double step = i < 6 ? 40.0 / 65535 : 20.0 / 65535;
        QVERIFY2(std::abs(got[0].drive.volts[i] - volts[i]) <= step,
                 qPrintable(QStringLiteral("code %1").arg(i)));
    }
    QCOMPARE(int(got[0].drive.tables[2][255]), 0xBFFF);
}

void TestStreamDecoder::byteByByteFramesAreCheap()
{
    // Two seconds of 60 frame/s video, one byte per call, plus a crawl through
    // garbage full of false frame starts. Linear buffering takes milliseconds;
    // rescanning or shifting the held-back bytes per call takes minutes.
    Bytes stream;
    const Bytes frame = buildAllOnFrame();
    for (int i = 0; i < 120; ++i)
        stream.insert(stream.end(), frame.begin(), frame.end());
    // The odd last byte keeps the stop word's end marker from closing a false start.
    const Bytes falseStarts = fromHex(QByteArray("FF 00 ").repeated(40000) + "33");
    stream.insert(stream.end(), falseStarts.begin(), falseStarts.end());
    stream.insert(stream.end(), DisplayStopWord.begin(), DisplayStopWord.end());

    StreamDecoder decoder;
    std::size_t frames = 0, stops = 0;
    const auto sink = [&](const DecodedPacket &p) {
        frames += p.kind == DecodedPacket::Frame;
        stops += p.kind == DecodedPacket::DisplayStop;
    };
    QElapsedTimer clock;
    clock.start();
    for (std::uint8_t byte : stream)
        decoder.feed(&byte, 1, sink);
    decoder.finish(sink);
    const qint64 elapsed = clock.elapsed();
    qInfo("%zu bytes one at a time: %lld ms", stream.size(), elapsed);
    QCOMPARE(frames, std::size_t{120});
    QCOMPARE(stops, std::size_t{1});
    QCOMPARE(decoder.protocolErrors(), std::uint64_t{falseStarts.size()});
    QVERIFY2(elapsed < 5000, "decoding is not linear in the stream length");
}

QTEST_GUILESS_MAIN(TestStreamDecoder)
#include "test_stream_decoder.moc"
