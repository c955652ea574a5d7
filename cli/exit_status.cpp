#include "exit_status.h"

namespace vistrel::cli {

int interruptedStatus(int signalNumber)
{
    return 128 + signalNumber;
}

ExitStatus statusForNotice(session::Notice::Kind kind)
{
    using session::Notice;
    switch (kind) {
    case Notice::DeviceNotConnected:
    case Notice::Busy:
    case Notice::FieldsEmpty:
    case Notice::NoFile:
        return ExitStatus::Refused;
    case Notice::PictureUnreadable:
    case Notice::VideoUnreadable:
        return ExitStatus::Unreadable;
    case Notice::OpenFailed:
        return ExitStatus::NoBridge;
    case Notice::WriteFailed:
    case Notice::CloseFailed:
    case Notice::LinkLost:
        return ExitStatus::LinkFailed;
    case Notice::LinkRestored:
        return ExitStatus::Ok;
    }
    return ExitStatus::LinkFailed;
}

} // namespace vistrel::cli
