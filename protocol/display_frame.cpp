#include "display_frame.h"

namespace vistrel::protocol {

namespace {

constexpr int kCheckerGroups = 180;
constexpr int kCheckerGroupSlots = 100;
constexpr int kCheckerCell = 10;

Bytes blankFrame(std::uint8_t fill, std::uint8_t mode)
{
    Bytes frame(kDisplayFrameSize, fill);
    frame[0] = kStartMarker;
    frame[1] = mode;
    frame[kDisplayFrameSize - 2] = 0x0D;
    frame[kDisplayFrameSize - 1] = 0x0A;
    return frame;
}

std::uint8_t *slotBytes(Bytes &frame, std::size_t slot) { return &frame[2 + 2 * slot]; }

} // namespace

Bytes buildAllOnFrame() { return blankFrame(0xFF, kFrameModeStill); }

Bytes buildCheckerFrame()
{
    Bytes frame = blankFrame(0x00, kFrameModeStill);
    for (int i = 0; i < kCheckerGroups; ++i) {
        for (int j = 0; j < kCheckerGroupSlots; ++j) {
            if ((i / kCheckerCell + j / kCheckerCell) % 2 == 0)
                slotBytes(frame, static_cast<std::size_t>(kCheckerGroupSlots * i + j))[1] = 0xFF;
        }
    }
    return frame;
}

Bytes buildGrayFrame(const std::uint8_t *gray, int width, int height, std::size_t stride,
                     std::uint8_t mode)
{
    Bytes frame = blankFrame(0x00, mode);
    if (!gray)
        return frame;
    const int rows = height < kPanelHeight ? height : kPanelHeight;
    const int cols = width < kPanelWidth ? width : kPanelWidth;
    for (int r = 0; r < rows; ++r) {
        const std::uint8_t *line = gray + stride * static_cast<std::size_t>(r);
        for (int c = 0; c < cols; ++c)
            slotBytes(frame, static_cast<std::size_t>(kPanelWidth * r + c))[1] = line[c];
    }
    return frame;
}

} // namespace vistrel::protocol
