// The SCPI error codes the server reports, and their standard texts.
#ifndef VISTREL_REMOTE_SCPI_ERRORS_H
#define VISTREL_REMOTE_SCPI_ERRORS_H

namespace vistrel::remote {

enum ScpiError : int {
    NoError = 0,
    SyntaxError = -102,
    ParameterNotAllowed = -108,
    MissingParameter = -109,
    UndefinedHeader = -113,
    SettingsConflict = -221,
    DataOutOfRange = -222,
    IllegalParameterValue = -224,
    HardwareError = -240,
    HardwareMissing = -241,
    FileNameNotFound = -256,
    FileNameError = -257,
    QueueOverflow = -350,
    InputBufferOverrun = -363,
};

// "Syntax error", "Queue overflow", ...; "No error" for 0.
const char *errorText(int code);

} // namespace vistrel::remote

#endif
