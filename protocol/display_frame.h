// The 36004-byte DisplayFramePacket: FF, mode byte, 18000 two-byte pixel
// slots, CR LF.
#ifndef VISTREL_PROTOCOL_DISPLAY_FRAME_H
#define VISTREL_PROTOCOL_DISPLAY_FRAME_H

#include "packets.h"

namespace vistrel::protocol {

constexpr int kPanelWidth = 180;
constexpr int kPanelHeight = 100;
constexpr std::size_t kSlotCount = 18000;
constexpr std::size_t kDisplayFrameSize = 36004;
constexpr std::uint8_t kFrameModeStill = 0x04;
constexpr std::uint8_t kFrameModeVideo = 0x00;

// Every byte FF but the mode byte (04) and the end marker.
Bytes buildAllOnFrame();

// 10 x 10 checkerboard over 180 groups of 100 slots; slot 0 lit (00 FF).
Bytes buildCheckerFrame();

// An 8-bit gray image on the image raster: pixel (row r, column c) goes to
// slot 180 r + c as 00, gray. Only the part inside 180 x 100 is packed;
// an empty image leaves every slot 00 00.
Bytes buildGrayFrame(const std::uint8_t *gray, int width, int height, std::size_t stride,
                     std::uint8_t mode);

} // namespace vistrel::protocol

#endif
