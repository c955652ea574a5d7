// A display frame as a 180 x 100 gray picture: slot k -> row k / 180,
// column k mod 180, gray from the slot's second byte.
#ifndef VISTREL_WIRE_PICTURE_H
#define VISTREL_WIRE_PICTURE_H

#include "stream_decoder.h"

#include <string>

namespace vistrel::wire {

// 18000 bytes, row-major, 180 per row.
protocol::Bytes frameToGray(const protocol::DisplayFrame &frame);

// Binary PGM (P5) of a width x height gray raster.
protocol::Bytes encodePgm(const protocol::Bytes &gray, int width, int height);

// Writes the frame as .pgm or .png, chosen by the path's extension (any case).
// Returns an empty string on success, else what went wrong.
std::string writeFramePicture(const protocol::DisplayFrame &frame, const std::string &path);

// True for a path ending in .png or .pgm, any case.
bool hasPictureExtension(const std::string &path);

} // namespace vistrel::wire

#endif
