// Starting the server from a front end's command line: --listen [ADDR:]PORT
// and --media-root DIR, the exposure rule, and the "listening on" line.
#ifndef VISTREL_REMOTE_SERVE_H
#define VISTREL_REMOTE_SERVE_H

#include "scpi_server.h"

#include <QTextStream>

#include <memory>
#include <optional>

namespace vistrel::remote {

struct ListenAddress {
    QHostAddress address;
    quint16 port = 0;
};

// "5025", "127.0.0.1:0", "[::1]:5025", "0.0.0.0:5025", "localhost:5025";
// an empty text is 127.0.0.1:5025. Nothing for anything else.
std::optional<ListenAddress> parseListenAddress(const QString &text);

// 127.0.0.0/8 and ::1.
bool isLoopback(const QHostAddress &address);

// The server listening as asked, after "listening on ADDR:PORT" went to
// `out`; nothing and the reason in `error` otherwise (a bad address, an
// address outside loopback without a media root, a media root that is no
// folder, a socket that cannot listen).
std::unique_ptr<ScpiServer> startServer(session::PanelSession &session, const QString &listen,
                                        const QString &mediaRoot, const QString &model, QTextStream &out,
                                        QString &error);

} // namespace vistrel::remote

#endif
