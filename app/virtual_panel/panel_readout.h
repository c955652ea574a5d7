// What the virtual panel window shows, computed from the emulated controller's
// state: the picture, the drive settings back in volts, the scan timing, the
// frame rate. No widgets here, so each piece can be checked on its own.
#ifndef VISTREL_APP_VIRTUAL_PANEL_PANEL_READOUT_H
#define VISTREL_APP_VIRTUAL_PANEL_PANEL_READOUT_H

#include "stream_decoder.h"

#include <QImage>
#include <QString>

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>

namespace vistrel::virt {

// The frame as the panel lays it out: slot k at row k / 180, column k % 180,
// gray level from the slot's second byte. A frame with too few slots leaves
// the rest black.
QImage panelImage(const protocol::DisplayFrame &frame);

// "0x04 (pattern or picture)", "0x00 (video)", "0x7F (unknown)".
QString frameModeText(std::uint8_t mode);

// The drive voltages a settings packet carries, in the order the window
// lists them. Vh is gray table entry 255; entry 0 lies 255/256 of the way
// from Vh to Vl, so Vl is recovered by stretching that span by 256/255.
enum DriveColumn { ColumnVss, ColumnVdd, ColumnVoff, ColumnVon, ColumnVbias, ColumnVl, ColumnVh, DriveColumnCount };
using DriveVolts = std::array<double, DriveColumnCount>;
const char *driveColumnName(DriveColumn column);
DriveVolts driveVolts(const protocol::DriveSettings &drive, int table = 0);

// Two decimals, never "-0.00".
QString voltsText(double volts);

// The four fields of a scan timing packet, with the frame rate the last one
// stands for: "lead 0  body 16600  tail 0  period 6666 (60 fps)".
QString scanTimingText(const protocol::ScanTiming &scan);

// Thousands grouped with commas: 1234567 -> "1,234,567".
QString countText(std::uint64_t count);

// Frames per second over the last second, from the arrival times of frames.
class FrameRateMeter {
public:
    using Clock = std::chrono::steady_clock;

    void addFrame(Clock::time_point when);
    // (n - 1) / span of the n frames of the last second; 0 or 1 with fewer
    // than two frames in it.
    double rate(Clock::time_point now) const;

private:
    std::deque<Clock::time_point> m_times;
};

} // namespace vistrel::virt

#endif
