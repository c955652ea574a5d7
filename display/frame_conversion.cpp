#include "frame_conversion.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cstdint>

namespace vistrel::display {

namespace {

int grayConversionCode(int channels)
{
    return channels == 4 ? cv::COLOR_BGRA2GRAY : cv::COLOR_BGR2GRAY;
}

// Converts into `out`, which may already hold memory of the right size
// (e.g. a QImage's pixels), so nothing is copied afterwards.
void convertToGray(const cv::Mat &image, cv::Mat &out)
{
    if (image.channels() == 1)
        image.copyTo(out);
    else
        cv::cvtColor(image, out, grayConversionCode(image.channels()));
}

} // namespace

cv::Mat toGray(const cv::Mat &image)
{
    cv::Mat gray;
    if (!image.empty())
        convertToGray(image, gray);
    return gray;
}

cv::Mat scaleThenGray(const cv::Mat &image, cv::Size size)
{
    if (image.empty() || size.area() <= 0)
        return {};
    cv::Mat scaled;
    cv::resize(image, scaled, size, 0, 0, cv::INTER_LINEAR);
    return toGray(scaled);
}

protocol::Bytes panelFrame(const cv::Mat &image, cv::Size panelSize, std::uint8_t mode)
{
    const cv::Mat gray = scaleThenGray(image, panelSize);
    if (gray.empty())
        return protocol::buildGrayFrame(nullptr, 0, 0, 0, mode);
    return protocol::buildGrayFrame(gray.data, gray.cols, gray.rows, gray.step[0], mode);
}

cv::Rect letterboxRect(cv::Size source, cv::Size area)
{
    if (source.area() <= 0 || area.area() <= 0)
        return {};
    // Whole-number cross products decide which side fills the area, so an
    // image of the area's own shape fills it exactly.
    const std::int64_t sw = source.width, sh = source.height, aw = area.width, ah = area.height;
    cv::Size fitted;
    if (sw * ah >= sh * aw)
        fitted = {area.width, static_cast<int>(std::max<std::int64_t>(1, (sh * aw + sw / 2) / sw))};
    else
        fitted = {static_cast<int>(std::max<std::int64_t>(1, (sw * ah + sh / 2) / sh)), area.height};
    return {(area.width - fitted.width) / 2, (area.height - fitted.height) / 2, fitted.width, fitted.height};
}

QImage fittedGray(const cv::Mat &image, cv::Size area, int interpolation)
{
    const cv::Size fitted = letterboxRect(image.size(), area).size();
    if (image.empty() || fitted.empty())
        return {};
    cv::Mat gray;
    if (fitted == image.size())
        convertToGray(image, gray);
    else if (image.channels() == 1)
        cv::resize(image, gray, fitted, 0, 0, interpolation);
    else {
        // Scale first: the colour conversion then runs on the smaller image.
        cv::Mat scaled;
        cv::resize(image, scaled, fitted, 0, 0, interpolation);
        convertToGray(scaled, gray);
    }
    QImage preview(fitted.width, fitted.height, QImage::Format_RGB32);
    cv::Mat target(fitted.height, fitted.width, CV_8UC4, preview.bits(),
                   static_cast<std::size_t>(preview.bytesPerLine()));
    cv::cvtColor(gray, target, cv::COLOR_GRAY2BGRA);  // into the preview's own pixels
    return preview;
}

VideoFrame convertVideoFrame(const cv::Mat &bgr, cv::Size previewArea)
{
    VideoFrame frame;
    frame.preview = fittedGray(bgr, previewArea, cv::INTER_NEAREST);
    frame.packet = panelFrame(bgr, kPanelSize, protocol::kFrameModeVideo);
    return frame;
}

} // namespace vistrel::display
