#include "session_types.h"

namespace vistrel::session {

QString contentName(Content content)
{
    switch (content) {
    case Content::Idle: return QStringLiteral("idle");
    case Content::AllOn: return QStringLiteral("all on");
    case Content::Checker: return QStringLiteral("checker");
    case Content::Pattern: return QStringLiteral("pattern");
    case Content::Picture: return QStringLiteral("picture");
    case Content::Video: return QStringLiteral("video");
    }
    return {};
}

QString linkStateName(LinkState state)
{
    switch (state) {
    case LinkState::Closed: return QStringLiteral("closed");
    case LinkState::Open: return QStringLiteral("open");
    case LinkState::Lost: return QStringLiteral("lost");
    }
    return {};
}

} // namespace vistrel::session
