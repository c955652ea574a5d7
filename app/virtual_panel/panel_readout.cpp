#include "panel_readout.h"

#include <QLocale>

#include <algorithm>
#include <cmath>

namespace vistrel::virt {

using protocol::kPanelHeight;
using protocol::kPanelWidth;

QImage panelImage(const protocol::DisplayFrame &frame)
{
    QImage image(kPanelWidth, kPanelHeight, QImage::Format_Grayscale8);
    image.fill(0);
    const std::size_t slotCount = std::min<std::size_t>(frame.slotBytes.size() / 2, protocol::kSlotCount);
    uchar *row = nullptr;
    for (std::size_t slot = 0; slot < slotCount; ++slot) {
        const int column = static_cast<int>(slot) % kPanelWidth;
        if (column == 0)  // a row at a time: scanLine() checks for sharing each call
            row = image.scanLine(static_cast<int>(slot) / kPanelWidth);
        row[column] = frame.gray(slot);
    }
    return image;
}

QString frameModeText(std::uint8_t mode)
{
    const QString hex = QStringLiteral("0x") + QString::number(mode, 16).rightJustified(2, QLatin1Char('0')).toUpper();
    switch (mode) {
    case protocol::kFrameModeStill:
        return hex + QStringLiteral(" (pattern or picture)");
    case protocol::kFrameModeVideo:
        return hex + QStringLiteral(" (video)");
    default:
        return hex + QStringLiteral(" (unknown)");
    }
}

const char *driveColumnName(DriveColumn column)
{
    static const char *const names[DriveColumnCount] = {"Vss", "Vdd", "Voff", "Von", "Vbias", "Vl", "Vh"};
    return column >= 0 && column < DriveColumnCount ? names[column] : "";
}

DriveVolts driveVolts(const protocol::DriveSettings &drive, int table)
{
    const auto &entries = drive.tables[static_cast<std::size_t>(std::clamp(table, 0, 2))];
    const double vhCode = entries[255];
    const double vlCode = vhCode + (entries[0] - vhCode) * 256.0 / 255.0;
    DriveVolts volts{};
    volts[ColumnVss] = drive.volts[protocol::DriveVss];
    volts[ColumnVdd] = drive.volts[protocol::DriveVdd];
    volts[ColumnVoff] = drive.volts[protocol::DriveVoff];
    volts[ColumnVon] = drive.volts[protocol::DriveVon];
    volts[ColumnVbias] = drive.volts[protocol::DriveVbias];
    volts[ColumnVl] = protocol::narrowScaleVolts(vlCode);
    volts[ColumnVh] = protocol::narrowScaleVolts(vhCode);
    return volts;
}

QString voltsText(double volts)
{
    const double rounded = std::round(volts * 100.0) / 100.0;
    return QString::number(rounded == 0.0 ? 0.0 : rounded, 'f', 2);
}

QString scanTimingText(const protocol::ScanTiming &scan)
{
    const auto &f = scan.fields;
    const double frameTime = static_cast<double>(f[3]) + 1660000.0;
    const QString rate = frameTime > 0.0 ? QString::number(1e8 / frameTime, 'g', 4) + QStringLiteral(" fps")
                                         : QStringLiteral("no rate");
    return QStringLiteral("lead %1   body %2   tail %3   period %4 (%5)")
        .arg(f[0]).arg(f[1]).arg(f[2]).arg(f[3]).arg(rate);
}

QString countText(std::uint64_t count)
{
    QLocale english(QLocale::English, QLocale::UnitedStates);
    return english.toString(static_cast<qulonglong>(count));
}

void FrameRateMeter::addFrame(Clock::time_point when)
{
    m_times.push_back(when);
    while (!m_times.empty() && when - m_times.front() > std::chrono::seconds(1))
        m_times.pop_front();
}

double FrameRateMeter::rate(Clock::time_point now) const
{
    const auto windowStart = now - std::chrono::seconds(1);
    const auto first = std::find_if(m_times.begin(), m_times.end(),
                                    [&](Clock::time_point t) { return t > windowStart && t <= now; });
    const auto count = std::count_if(first, m_times.end(), [&](Clock::time_point t) { return t <= now; });
    if (count < 2)
        return static_cast<double>(count);
    const auto last = first + (count - 1);
    const double span = std::chrono::duration<double>(*last - *first).count();
    return span > 0.0 ? (count - 1) / span : 0.0;
}

} // namespace vistrel::virt
