#include "serve.h"

#include <QFileInfo>

namespace vistrel::remote {

namespace {

constexpr quint16 kDefaultPort = 5025;

std::optional<quint16> portNumber(const QString &text)
{
    bool number = false;
    const uint port = text.toUInt(&number);
    if (!number || port > 65535 || text.startsWith(QLatin1Char('+')))
        return std::nullopt;
    return quint16(port);
}

QString shown(const QHostAddress &address, quint16 port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
        ? QStringLiteral("[%1]").arg(address.toString())
        : address.toString();
    return QStringLiteral("%1:%2").arg(host).arg(port);
}

} // namespace

std::optional<ListenAddress> parseListenAddress(const QString &text)
{
    if (text.isEmpty())
        return ListenAddress{QHostAddress(QHostAddress::LocalHost), kDefaultPort};
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    const std::optional<quint16> port = portNumber(text.mid(colon + 1));
    if (!port)
        return std::nullopt;
    if (colon < 0)
        return ListenAddress{QHostAddress(QHostAddress::LocalHost), *port};
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return ListenAddress{QHostAddress(QHostAddress::LocalHost), *port};
    const QHostAddress address(host);
    if (address.isNull())
        return std::nullopt;
    return ListenAddress{address, *port};
}

bool isLoopback(const QHostAddress &address)
{
    return address.isLoopback() && address != QHostAddress(QHostAddress::AnyIPv6);
}

std::unique_ptr<ScpiServer> startServer(session::PanelSession &session, const QString &listen,
                                        const QString &mediaRoot, const QString &model, QTextStream &out,
                                        QString &error)
{
    const std::optional<ListenAddress> where = parseListenAddress(listen);
    if (!where) {
        error = QStringLiteral("--listen %1: give [ADDR:]PORT, such as 5025 or 127.0.0.1:5025").arg(listen);
        return nullptr;
    }
    if (!mediaRoot.isEmpty() && !QFileInfo(mediaRoot).isDir()) {
        error = QStringLiteral("--media-root %1: no such folder").arg(mediaRoot);
        return nullptr;
    }
    if (!isLoopback(where->address) && mediaRoot.isEmpty()) {
        error = QStringLiteral("refusing to serve on %1 without --media-root: clients beyond this machine "
                               "could read any file you can")
                    .arg(where->address.toString());
        return nullptr;
    }
    auto server = std::make_unique<ScpiServer>(session, ServerOptions{where->address, where->port, mediaRoot, model});
    const QString failure = server->listen();
    if (!failure.isEmpty()) {
        error = QStringLiteral("cannot listen on %1: %2").arg(shown(where->address, where->port), failure);
        return nullptr;
    }
    out << "listening on " << shown(server->address(), server->port()) << '\n';
    out.flush();
    return server;
}

} // namespace vistrel::remote
