#include "ftdi_status.h"

#include <ftdi.h>

#include <iterator>

namespace vistrel::ftdi {

namespace {

struct CodeMeaning {
    Call call;
    int code;
    FT_STATUS status;
};

// The codes that mean something other than the call's usual failure
// (fallbackFor below).
constexpr CodeMeaning kMeanings[] = {
    {Call::FindAll, -3, FT_INSUFFICIENT_RESOURCES},   // out of memory
    {Call::OpenDevice, -8, FT_INVALID_HANDLE},        // context invalid
    {Call::Reset, -2, FT_DEVICE_NOT_OPENED},          // no USB device behind the context
    {Call::Purge, -3, FT_DEVICE_NOT_OPENED},
    {Call::BitMode, -2, FT_DEVICE_NOT_OPENED},
    {Call::FlowControl, -2, FT_DEVICE_NOT_OPENED},
    {Call::ChunkSize, -1, FT_INSUFFICIENT_RESOURCES}, // buffer allocation failed
    {Call::Write, -666, FT_DEVICE_NOT_OPENED},
};

// An open that fails at any step (permission, claim, configuration) leaves
// the bridge not opened; elsewhere a failure is a failed USB transfer.
FT_STATUS fallbackFor(Call call)
{
    return call == Call::OpenDevice ? FT_DEVICE_NOT_OPENED : FT_IO_ERROR;
}

} // namespace

FT_STATUS statusFor(Call call, int code)
{
    if (code >= 0)
        return FT_OK;
    for (const CodeMeaning &meaning : kMeanings) {
        if (meaning.call == call && meaning.code == code)
            return meaning.status;
    }
    return fallbackFor(call);
}

std::string errorText(ftdi_context *context)
{
    const char *text = context ? ftdi_get_error_string(context) : nullptr;
    return text ? std::string(text) : std::string("no error text");
}

} // namespace vistrel::ftdi
