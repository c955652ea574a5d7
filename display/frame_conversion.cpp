#include "frame_conversion.h"

#include <opencv2/imgproc.hpp>

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

QImage grayPreview(const cv::Mat &image, cv::Size size)
{
    if (image.empty() || size.area() <= 0)
        return {};
    QImage preview(size.width, size.height, QImage::Format_Grayscale8);
    cv::Mat target(size.height, size.width, CV_8UC1, preview.bits(),
                   static_cast<std::size_t>(preview.bytesPerLine()));
    cv::resize(toGray(image), target, size, 0, 0, cv::INTER_LINEAR);
    return preview;
}

QImage fullGrayImage(const cv::Mat &image)
{
    if (image.empty())
        return {};
    // Convert straight into the image's own pixels: no second copy.
    QImage gray(image.cols, image.rows, QImage::Format_Grayscale8);
    cv::Mat target(image.rows, image.cols, CV_8UC1, gray.bits(),
                   static_cast<std::size_t>(gray.bytesPerLine()));
    convertToGray(image, target);
    return gray;
}

VideoFrame convertVideoFrame(const cv::Mat &bgr)
{
    VideoFrame frame;
    frame.preview = fullGrayImage(bgr);
    frame.packet = panelFrame(bgr, {protocol::kPanelWidth, protocol::kPanelHeight},
                              protocol::kFrameModeVideo);
    return frame;
}

} // namespace vistrel::display
