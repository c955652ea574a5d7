#include "playback_progress.h"

#include <algorithm>
#include <cmath>

namespace vistrel::display {

namespace {

using Seconds = std::chrono::duration<double>;
constexpr double kKeptShare = 0.97;

// "mm:ss", minutes not wrapped at the hour.
QString clockText(double seconds)
{
    const auto whole = static_cast<long long>(std::max(0.0, std::floor(seconds)));
    return QStringLiteral("%1:%2").arg(whole / 60, 2, 10, QLatin1Char('0')).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

QString rateText(const PlaybackProgress &p)
{
    if (!p.rateMissed())
        return QStringLiteral("%1 fps").arg(p.achievedFps, 0, 'f', 1);
    const QString kept = QStringLiteral("%1 of %2 fps").arg(std::lround(p.achievedFps)).arg(p.askedFps);
    return p.decoderBound() ? QStringLiteral("decoder keeps ") + kept : kept + QStringLiteral(" kept");
}

} // namespace

double PlaybackProgress::positionSeconds() const
{
    return askedFps > 0 ? static_cast<double>(frame) / askedFps : 0.0;
}

double PlaybackProgress::durationSeconds() const
{
    return askedFps > 0 ? static_cast<double>(totalFrames) / askedFps : 0.0;
}

bool PlaybackProgress::rateMissed() const
{
    return settled && achievedFps < kKeptShare * askedFps;
}

bool PlaybackProgress::decoderBound() const
{
    return rateMissed() && decoderFps < kKeptShare * askedFps;
}

QString progressText(const PlaybackProgress &p)
{
    const QString dot = QStringLiteral(" \u00B7 ");
    if (p.totalFrames <= 0)
        return QStringLiteral("frame %1").arg(p.frame) + dot + clockText(p.positionSeconds()) + dot + rateText(p);
    return QStringLiteral("frame %1 / %2").arg(p.frame).arg(p.totalFrames) + dot + clockText(p.positionSeconds())
           + QStringLiteral(" / ") + clockText(p.durationSeconds()) + dot + rateText(p);
}

ProgressMeter::ProgressMeter(int askedFps, std::int64_t totalFrames)
    : m_askedFps(askedFps), m_totalFrames(std::max<std::int64_t>(0, totalFrames))
{
}

std::optional<PlaybackProgress> ProgressMeter::frameWritten(std::int64_t frame, Clock::time_point start,
                                                            Clock::duration decodeTime)
{
    if (!m_firstStart)
        m_firstStart = start;
    m_window.push_back({start, decodeTime});
    while (start - m_window.front().start > std::chrono::seconds(1))
        m_window.pop_front();
    const bool due = !m_lastReport || frame == 1 || frame == m_totalFrames || start - *m_lastReport >= kReportInterval;
    if (!due)
        return std::nullopt;
    m_lastReport = start;
    return measure(frame);
}

PlaybackProgress ProgressMeter::measure(std::int64_t frame) const
{
    PlaybackProgress p;
    p.frame = frame;
    p.totalFrames = m_totalFrames;
    p.askedFps = m_askedFps;
    const Write &first = m_window.front();
    const Write &last = m_window.back();
    p.settled = last.start - *m_firstStart >= std::chrono::seconds(1);
    const double span = Seconds(last.start - first.start).count();
    if (m_window.size() >= 2 && span > 0)
        p.achievedFps = static_cast<double>(m_window.size() - 1) / span;
    Clock::duration decoding{};
    for (const Write &write : m_window)
        decoding += write.decodeTime;
    const double decodingSeconds = Seconds(decoding).count();
    if (decodingSeconds > 0)
        p.decoderFps = static_cast<double>(m_window.size()) / decodingSeconds;
    return p;
}

} // namespace vistrel::display
