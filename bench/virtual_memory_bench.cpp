// Resident memory of the virtual bridge over a long stream: writes display
// frames through FT_Write, as the video worker does, and prints the process's
// resident set every so often. With bounded captures it levels off once the
// capture ring is full; before, it grew by every byte written.
#include "backend_registry.h"
#include "command_line.h"
#include "proc_status.h"
#include "device_link.h"
#include "display_frame.h"
#include "virtual_bridge.h"

#include <QCommandLineParser>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

long readFrameCount(int argc, char **argv)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes display frames to a virtual bridge and prints the resident memory as it goes."));
    const QCommandLineOption frames(QStringLiteral("frames"), QStringLiteral("Frames to write (default 20000)."),
                                    QStringLiteral("N"), QStringLiteral("20000"));
    parser.addOption(frames);
    vistrel::parseBeforeApplication(parser, argc, argv);
    return vistrel::positiveNumber(parser, frames);
}

} // namespace

int main(int argc, char **argv)
{
    const long frames = readFrameCount(argc, argv);
    vistrel::device::useBackendNamed(vistrel::device::kVirtualBackend);
    vistrel::virt::Testbed::instance().reset();
    vistrel::session::DeviceLink link;  // the console's own writer
    if (!link.open(QStringLiteral("VPANEL01")).ok()) {
        std::fprintf(stderr, "cannot open the virtual bridge\n");
        return 1;
    }
    vistrel::protocol::Bytes frame = vistrel::protocol::buildCheckerFrame();
    const double before = residentMiB();
    std::printf("frames written  MiB written  resident MiB\n%14d  %11.1f  %12.1f\n", 0, 0.0, before);
    const auto start = std::chrono::steady_clock::now();
    for (long n = 1; n <= frames; ++n) {
        if (!link.write(frame.data(), frame.size()).ok()) {
            std::fprintf(stderr, "write %ld failed\n", n);
            return 1;
        }
        if (n % 2000 == 0 || n == frames)
            std::printf("%14ld  %11.1f  %12.1f\n", n, n * double(frame.size()) / (1 << 20), residentMiB());
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    link.close();
    std::printf("resident: %.1f MiB before, %.1f MiB after (%+.1f MiB); %.2f s, %.0f frames/s\n", before,
                residentMiB(), residentMiB() - before, seconds, frames / seconds);
    return 0;
}
