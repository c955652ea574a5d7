// For the vistrelctl tests: the wire in letters, and the media the scripts use.
#pragma once

#include "media_files.h"

#include <QDir>
#include <QFile>
#include <QString>

namespace ctltest {

// One letter a packet: A start word, D stop word, O open/close word,
// S settings, T scan timing, F display frame.
inline QString words(const std::uint8_t *bytes, std::size_t size)
{
    QString out;
    vistrel::protocol::StreamDecoder decoder;
    std::vector<vistrel::protocol::DecodedPacket> packets = decoder.feed(bytes, size);
    for (const auto &packet : decoder.finish())
        packets.push_back(packet);
    for (const auto &packet : packets)
        out += QLatin1Char("ADOSTF"[packet.kind]);
    return decoder.protocolErrors() ? out + "?" : out;
}
inline QString words(const std::vector<std::uint8_t> &bytes) { return words(bytes.data(), bytes.size()); }
inline QString words(const QByteArray &bytes) { return words(reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())); }

inline QString dataPath(const QString &name) { return QDir(testenv::dataDir()).filePath(name); }

inline bool writeFile(const QString &name, const QByteArray &contents)
{
    QFile file(dataPath(name));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

// gray.jpg, a 12-frame ramp.mp4, and bad.jpg / bad.mp4 that no decoder reads.
inline bool makeMedia()
{
    return !displaytest::rampVideo("ramp.mp4", 12).isEmpty()
        && cv::imwrite(dataPath("gray.jpg").toStdString(), cv::Mat(100, 200, CV_8UC3, cv::Scalar::all(90)))
        && writeFile("bad.jpg", "not a picture") && writeFile("bad.mp4", "not a video");
}

} // namespace ctltest
