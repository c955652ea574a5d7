#include "frame_conversion.h"

#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace vistrel::display {

namespace {

int grayConversionCode(int channels)
{
    return channels == 4 ? cv::COLOR_BGRA2GRAY : cv::COLOR_BGR2GRAY;
}

// For each of `target` pixels the source pixel nearest to it, mapped as
// OpenCV's nearest-neighbour resize maps it, so a preview looks the same
// whichever made it.
std::vector<int> nearestSources(int source, int target)
{
    const double step = 1.0 / (static_cast<double>(target) / source);
    std::vector<int> sources(static_cast<std::size_t>(target));
    for (int i = 0; i < target; ++i)
        sources[static_cast<std::size_t>(i)] = std::min(static_cast<int>(std::floor(i * step)), source - 1);
    return sources;
}

} // namespace

cv::Mat toGray(const cv::Mat &image)
{
    cv::Mat gray;
    if (image.channels() == 1)
        image.copyTo(gray);
    else if (!image.empty())
        cv::cvtColor(image, gray, grayConversionCode(image.channels()));
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

// Made for every video frame, so in one pass straight from the slots: each
// source row is expanded once and copied to the rows that repeat it.
QImage panelPreview(const protocol::Bytes &frame, cv::Size area)
{
    const cv::Size fitted = letterboxRect(kPanelSize, area).size();
    if (frame.size() != protocol::kDisplayFrameSize || fitted.empty())
        return {};
    QImage preview(fitted.width, fitted.height, QImage::Format_RGB32);
    const std::vector<int> columns = nearestSources(protocol::kPanelWidth, fitted.width);
    const std::vector<int> rows = nearestSources(protocol::kPanelHeight, fitted.height);
    const auto lineBytes = static_cast<std::size_t>(fitted.width) * sizeof(QRgb);
    for (int y = 0; y < fitted.height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(preview.scanLine(y));
        const int row = rows[static_cast<std::size_t>(y)];
        if (y > 0 && row == rows[static_cast<std::size_t>(y) - 1]) {
            std::memcpy(line, preview.constScanLine(y - 1), lineBytes);
            continue;
        }
        const std::uint8_t *grays = frame.data() + 3 + 2 * std::size_t{protocol::kPanelWidth} * static_cast<std::size_t>(row);
        for (int x = 0; x < fitted.width; ++x) {
            const std::uint8_t gray = grays[2 * columns[static_cast<std::size_t>(x)]];
            line[x] = qRgb(gray, gray, gray);
        }
    }
    return preview;
}

VideoFrame convertVideoFrame(const cv::Mat &bgr, cv::Size previewArea)
{
    VideoFrame frame;
    frame.packet = panelFrame(bgr, kPanelSize, protocol::kFrameModeVideo);
    frame.preview = panelPreview(frame.packet, previewArea);
    return frame;
}

} // namespace vistrel::display
