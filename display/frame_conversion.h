// Turning decoded images into what the panel and the preview need: the gray
// 180 x 100 display frame and a gray QImage. Pure functions, no device.
#ifndef VISTREL_DISPLAY_FRAME_CONVERSION_H
#define VISTREL_DISPLAY_FRAME_CONVERSION_H

#include "display_frame.h"

#include <QImage>
#include <opencv2/core.hpp>

namespace vistrel::display {

// One-channel 8-bit copy of a BGR (or already gray, or BGRA) image.
cv::Mat toGray(const cv::Mat &image);

// The panel's order: scale the colour image to `size` (bilinear, stretched),
// then convert to gray. An empty image gives an empty result.
cv::Mat scaleThenGray(const cv::Mat &image, cv::Size size);

// The display frame of an image, scaled to `panelSize` and packed on the
// image raster with the given mode byte. An empty image gives a frame whose
// slots are all 00 00.
protocol::Bytes panelFrame(const cv::Mat &image, cv::Size panelSize, std::uint8_t mode);

// The picture preview's order: gray first, then scaled to `size` (bilinear,
// stretched). A null QImage for an empty image.
QImage grayPreview(const cv::Mat &image, cv::Size size);

// Full-resolution gray image that owns its pixels (safe to hand to another
// thread). A null QImage for an empty image.
QImage fullGrayImage(const cv::Mat &image);

// What the video worker makes of one decoded frame.
struct VideoFrame {
    QImage preview;           // full resolution, gray
    protocol::Bytes packet;   // mode byte 00
};
VideoFrame convertVideoFrame(const cv::Mat &bgr);

} // namespace vistrel::display

#endif
