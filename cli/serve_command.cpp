#include "serve_command.h"

#include "exit_status.h"
#include "interrupt.h"
#include "serve.h"
#include "wait_loop.h"

namespace vistrel::cli {

int serve(const QString &listen, const QString &mediaRoot, QTextStream &out, QTextStream &err)
{
    session::PanelSession session;
    session.setPreviewArea(QSize());  // headless: nobody sees a preview, so none is made
    QString error;
    std::unique_ptr<remote::ScpiServer> server =
        remote::startServer(session, listen, mediaRoot, QStringLiteral("vistrelctl"), out, error);
    if (!server) {
        err << "vistrelctl: " << error << '\n';
        err.flush();
        return int(ExitStatus::Usage);
    }
    // As in the window: a bridge pulled while nobody asks is noticed.
    session.pollTimer()->start(1000);
    WaitLoop untilSignal([] { return false; });
    untilSignal.run(std::nullopt);
    server.reset();
    session.pollTimer()->stop();
    session.close();  // takes down what is shown first
    return interruptedStatus(pendingInterrupt());
}

} // namespace vistrel::cli
