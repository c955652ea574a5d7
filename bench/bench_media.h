// Source videos for the benchmarks, made at run time: moving shapes over a
// drifting gradient, something a codec has to work for without the
// pathological cost of noise.
#ifndef VISTREL_BENCH_BENCH_MEDIA_H
#define VISTREL_BENCH_BENCH_MEDIA_H

#include <QString>
#include <opencv2/core.hpp>

namespace benchmedia {

cv::Mat syntheticFrame(cv::Size size, int index);

// Writes `frames` frames at `fps`, H.264 where OpenCV's FFmpeg writer offers
// it, else MPEG-4; `codecUsed` names the one taken. False when none opens.
bool writeVideo(const QString &path, cv::Size size, int frames, double fps, QString &codecUsed);

} // namespace benchmedia

#endif
