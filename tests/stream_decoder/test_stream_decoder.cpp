// The panel-side decoder over streams cut into arbitrary chunks, with garbage between the packets.
#include "stream_decoder.h"

#include <QtTest>

#include <map>
#include <random>

using namespace vistrel::protocol;

namespace {

struct Stream { Bytes bytes; std::vector<std::pair<std::uint64_t, Bytes>> packets; std::uint64_t garbage = 0; };  // packets: offset, bytes

// Kind and length of each packet type.
const std::map<std::uint8_t, std::pair<DecodedPacket::Kind, std::size_t>> kTypes{
    {0xAA, {DecodedPacket::DisplayStart, 4}}, {0xFD, {DecodedPacket::DisplayStop, 4}}, {0xFE, {DecodedPacket::OpenClose, 4}},
    {0x01, {DecodedPacket::Drive, 1554}}, {0x02, {DecodedPacket::Scan, 20}}, {0x00, {DecodedPacket::Frame, 36004}}, {0x04, {DecodedPacket::Frame, 36004}}};

// Known packets separated by garbage rich in false starts (FF, type bytes, end
// markers), drawn anew while a garbage FF happens to begin a well-formed packet.
Stream randomStream(unsigned seed, int count)
{
    std::mt19937 random(seed);
    auto pick = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    static const std::uint8_t alphabet[] = {0xFF, 0xFF, 0x00, 0x01, 0x02, 0x04, 0xAA, 0xFD, 0xFE, 0x0D, 0x0A, 0x33};
    const ControlWord words[] = {DisplayStartWord, DisplayStopWord, OpenCloseWord};
    Stream s;
    std::vector<std::size_t> falseStarts;
    for (int i = 0; i < count; ++i) {
        for (int n = pick(0, 3) ? pick(1, 12) : 0; n > 0; --n, ++s.garbage) {
            s.bytes.push_back(alphabet[pick(0, 11)]);
            if (s.bytes.back() == 0xFF)
                falseStarts.push_back(s.bytes.size() - 1);
        }
        Bytes packet(kSlotCount);
        std::vector<double> volts(kDriveValueCount);
        switch (pick(0, 4)) {
        case 0: packet.assign(words[i % 3].begin(), words[i % 3].end()); break;
        case 1: packet = buildScanTimingPacket(pick(0, 80), pick(0, 80), pick(1, 60)); break;
        case 2:
            std::generate(volts.begin(), volts.end(), [&] { return pick(-1000, 1000) / 100.0; });
            packet = buildDriveSettingsPacket(volts, pick(0, 1) ? std::optional<double>(2.2) : std::nullopt);
            break;
        case 3: packet = pick(0, 1) ? buildAllOnFrame() : buildCheckerFrame(); break;
        default:
            for (auto &pixel : packet)
                pixel = std::uint8_t(pick(0, 255));
            packet = buildGrayFrame(packet.data(), kPanelWidth, kPanelHeight, kPanelWidth, pick(0, 1) ? kFrameModeStill : kFrameModeVideo);
        }
        s.packets.emplace_back(s.bytes.size(), packet);
        s.bytes.insert(s.bytes.end(), packet.begin(), packet.end());
    }
    s.bytes.insert(s.bytes.end(), {0xFF, 0xAA, 0x0D});  // a control word cut short ends the stream
    s.garbage += 3;
    for (std::size_t at : falseStarts) {
        const auto type = at + 1 < s.bytes.size() ? kTypes.find(s.bytes[at + 1]) : kTypes.end();
        const std::size_t end = type == kTypes.end() ? 0 : at + type->second.second;
        if (end && end <= s.bytes.size() && s.bytes[end - 2] == 0x0D && s.bytes[end - 1] == 0x0A)
            return randomStream(seed + 1000, count);
    }
    return s;
}

// Compares a decoded packet field by field with the bytes that were sent.
QString mismatch(const DecodedPacket &got, std::uint64_t offset, const Bytes &b)
{
    if (got.offset != offset || got.length != b.size() || got.kind != kTypes.at(b[1]).first)
        return QStringLiteral("packet at %1 of length %2, kind %3").arg(got.offset).arg(got.length).arg(got.kind);
    for (std::size_t i = 0; got.kind == DecodedPacket::Drive && i < 7 + 3 * 256; ++i)  // codes, then tables
        if ((i < 7 ? got.drive.codes[i] : got.drive.tables[(i - 7) / 256][(i - 7) % 256]) != (b[2 + 2 * i] << 8 | b[3 + 2 * i]))
            return QStringLiteral("drive word %1 at %2").arg(i).arg(offset);
    if (got.kind == DecodedPacket::Frame && (got.frame.mode != b[1] || got.frame.slotBytes != Bytes(b.begin() + 2, b.end() - 2)))
        return QStringLiteral("frame at %1").arg(offset);
    return {};
}

} // namespace

class TestStreamDecoder : public QObject
{
    Q_OBJECT
private slots:
    void randomChunkings_data()
    {
        QTest::addColumn<int>("maxChunk");  // 0: the whole stream at once; also the seed
        for (const int maxChunk : {65536, 64, 5, 1, 0})
            QTest::newRow(qPrintable(maxChunk ? QStringLiteral("chunks of up to %1 bytes").arg(maxChunk) : QStringLiteral("all at once"))) << maxChunk;
    }

    void randomChunkings()
    {
        QFETCH(int, maxChunk);
        const Stream stream = randomStream(unsigned(maxChunk), 40);
        std::mt19937 random{unsigned(maxChunk)};
        StreamDecoder decoder;
        std::vector<DecodedPacket> got;
        const auto sink = [&](const DecodedPacket &p) { got.push_back(p); };
        std::uniform_int_distribution<std::size_t> chunk(1, std::size_t(std::max(1, maxChunk)));
        for (std::size_t at = 0, size = 0; at < stream.bytes.size(); at += size)
            decoder.feed(stream.bytes.data() + at, size = std::min(maxChunk ? chunk(random) : stream.bytes.size(), stream.bytes.size() - at), sink);
        decoder.finish(sink);
        QCOMPARE(got.size(), stream.packets.size());
        for (std::size_t i = 0; i < got.size(); ++i)
            QCOMPARE(mismatch(got[i], stream.packets[i].first, stream.packets[i].second), QString());
        QCOMPARE(decoder.protocolErrors(), stream.garbage);
        QCOMPARE(decoder.bytesReceived(), std::uint64_t(stream.bytes.size()));
        QCOMPARE(decoder.packetBytes(), stream.bytes.size() - stream.garbage);
        QCOMPARE(decoder.pendingBytes(), std::size_t{0});
    }
};

QTEST_GUILESS_MAIN(TestStreamDecoder)
#include "test_stream_decoder.moc"
