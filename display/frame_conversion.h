// Turning decoded images into what the panel and the preview need: the gray
// 180 x 100 display frame and its preview at the size it is shown. Pure
// functions, no device.
#ifndef VISTREL_DISPLAY_FRAME_CONVERSION_H
#define VISTREL_DISPLAY_FRAME_CONVERSION_H

#include "display_frame.h"

#include <QImage>
#include <QSize>
#include <opencv2/core.hpp>

namespace vistrel::display {

// The panel's picture, and the preview area assumed until a window reports
// the size it shows previews at (twice the panel each way).
inline const cv::Size kPanelSize(protocol::kPanelWidth, protocol::kPanelHeight);
inline const QSize kDefaultPreviewArea(2 * protocol::kPanelWidth, 2 * protocol::kPanelHeight);

// One-channel 8-bit copy of a BGR (or already gray, or BGRA) image.
cv::Mat toGray(const cv::Mat &image);

// The panel's order: scale the colour image to `size` (bilinear, stretched),
// then convert to gray. An empty image gives an empty result.
cv::Mat scaleThenGray(const cv::Mat &image, cv::Size size);

// The display frame of an image, scaled to `panelSize` and packed on the
// image raster with the given mode byte. An empty image gives a frame whose
// slots are all 00 00.
protocol::Bytes panelFrame(const cv::Mat &image, cv::Size panelSize, std::uint8_t mode);

// Where an image of size `source` lies in `area` with its aspect ratio kept:
// the largest such rectangle, centred, at least one pixel each way. Empty
// when either size is.
cv::Rect letterboxRect(cv::Size source, cv::Size area);

// The preview of a display frame at the size it is shown: the panel's image,
// nearest pixel, scaled to the largest size that fits `area` with the
// panel's 9:5 kept (letterboxRect's size), so the preview shows what the
// panel shows, pixel edges and all. Whoever shows it centres it in the area
// and draws the black bars, which need no pixels here and no copying for
// each frame. Held as 32-bit RGB (R = G = B), the screen's own format, so it
// is drawn without a conversion; it owns its pixels, so it may be handed to
// another thread. Null for anything but a display frame, or an empty area.
QImage panelPreview(const protocol::Bytes &frame, cv::Size area);

// What the video worker makes of one decoded frame.
struct VideoFrame {
    QImage preview;           // panelPreview of the packet; null without an area
    protocol::Bytes packet;   // mode byte 00
};
// The preview is made from the 180 x 100 panel image, not from the source:
// its cost follows the preview's size alone, whatever the source's.
VideoFrame convertVideoFrame(const cv::Mat &bgr, cv::Size previewArea);

} // namespace vistrel::display

#endif
