#include "wire_picture.h"

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace vistrel::wire {

namespace {

std::string lowerExtension(const std::string &path)
{
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot + 1);
    for (char &c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string writeFile(const std::string &path, const protocol::Bytes &bytes)
{
    std::FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return "cannot create " + path + ": " + std::strerror(errno);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    return written && closed ? std::string() : "cannot write " + path;
}

std::string writePng(const std::string &path, protocol::Bytes gray)
{
    const cv::Mat image(protocol::kPanelHeight, protocol::kPanelWidth, CV_8UC1, gray.data());
    try {
        if (cv::imwrite(path, image))
            return {};
    } catch (const cv::Exception &error) {
        return "cannot write " + path + ": " + error.what();
    }
    return "cannot write " + path;
}

} // namespace

protocol::Bytes frameToGray(const protocol::DisplayFrame &frame)
{
    protocol::Bytes gray(protocol::kSlotCount, 0);
    const std::size_t slotCount = frame.slotBytes.size() / 2 < gray.size() ? frame.slotBytes.size() / 2
                                                                    : gray.size();
    for (std::size_t k = 0; k < slotCount; ++k)
        gray[k] = frame.gray(k);  // slot k is already row k / 180, column k % 180
    return gray;
}

protocol::Bytes encodePgm(const protocol::Bytes &gray, int width, int height)
{
    const std::string header = "P5\n" + std::to_string(width) + " " + std::to_string(height)
        + "\n255\n";
    protocol::Bytes file(header.begin(), header.end());
    file.insert(file.end(), gray.begin(), gray.end());
    return file;
}

bool hasPictureExtension(const std::string &path)
{
    const std::string ext = lowerExtension(path);
    return ext == "png" || ext == "pgm";
}

std::string writeFramePicture(const protocol::DisplayFrame &frame, const std::string &path)
{
    protocol::Bytes gray = frameToGray(frame);
    if (lowerExtension(path) == "png")
        return writePng(path, std::move(gray));
    return writeFile(path, encodePgm(gray, protocol::kPanelWidth, protocol::kPanelHeight));
}

} // namespace vistrel::wire
