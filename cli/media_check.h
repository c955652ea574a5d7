// Reads each picture and video a script names before anything is sent, so a
// file that cannot be decoded stops the script while the panel is untouched.
#ifndef VISTREL_CLI_MEDIA_CHECK_H
#define VISTREL_CLI_MEDIA_CHECK_H

#include "script.h"

#include <vector>

namespace vistrel::cli {

// One error per show or play whose file OpenCV cannot decode (a picture as a
// colour image, a video up to its first frame), in script order.
std::vector<ScriptError> unreadableMedia(const std::vector<Command> &commands);

} // namespace vistrel::cli

#endif
