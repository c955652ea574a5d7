#include "bench_media.h"

#include <opencv2/imgproc.hpp>
#include <opencv2/videoio.hpp>

#include <cmath>
#include <string>

namespace benchmedia {

cv::Mat syntheticFrame(cv::Size size, int index)
{
    cv::Mat frame(size, CV_8UC3);
    for (int y = 0; y < size.height; ++y) {
        auto *row = frame.ptr<cv::Vec3b>(y);
        for (int x = 0; x < size.width; ++x)
            row[x] = cv::Vec3b(static_cast<uchar>((x + index * 3) & 0xFF), static_cast<uchar>((y + index) & 0xFF),
                               static_cast<uchar>(((x + y) / 4 + index * 2) & 0xFF));
    }
    const int radius = size.height / 6;
    const cv::Point centre((index * 7) % size.width, size.height / 2 + static_cast<int>(radius * std::sin(index / 15.0)));
    cv::circle(frame, centre, radius, cv::Scalar(255, 255, 255), cv::FILLED, cv::LINE_AA);
    cv::rectangle(frame, cv::Rect((index * 11) % size.width, size.height / 8, size.width / 10, size.height / 10),
                  cv::Scalar(0, 0, 0), cv::FILLED);
    cv::putText(frame, std::to_string(index), {size.width / 20, size.height - size.height / 10},
                cv::FONT_HERSHEY_SIMPLEX, size.height / 200.0, cv::Scalar(20, 240, 20), 2, cv::LINE_AA);
    return frame;
}

bool writeVideo(const QString &path, cv::Size size, int frames, double fps, QString &codecUsed)
{
    struct Codec {
        int fourcc;
        const char *name;
    };
    // OpenCV's FFmpeg writer answers for avc1 and H264 alike.
    const Codec codecs[] = {{cv::VideoWriter::fourcc('a', 'v', 'c', '1'), "avc1 (H.264)"},
                            {cv::VideoWriter::fourcc('H', '2', '6', '4'), "H264"},
                            {cv::VideoWriter::fourcc('m', 'p', '4', 'v'), "mp4v (MPEG-4 Part 2, fallback)"}};
    for (const Codec &codec : codecs) {
        cv::VideoWriter writer(path.toStdString(), cv::CAP_FFMPEG, codec.fourcc, fps, size, true);
        if (!writer.isOpened())
            continue;
        for (int i = 0; i < frames; ++i)
            writer.write(syntheticFrame(size, i));
        codecUsed = codec.name;
        return true;
    }
    return false;
}

} // namespace benchmedia
