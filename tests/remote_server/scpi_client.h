// A remote-protocol client for the server tests (header only): the server
// runs in the test's own event loop, so every wait spins it.
#pragma once

#include "panel_session.h"
#include "scpi_server.h"
#include "stream_decoder.h"
#include "virtual_bridge.h"

#include <QTcpSocket>
#include <QtTest>

namespace remotetest {

class Client
{
public:
    bool connectTo(quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        return QTest::qWaitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; }, 5000);
    }
    void send(const QByteArray &line) { socket.write(line + '\n'); }
    // The next answer line without its LF; empty after `ms` without one.
    QByteArray readLine(int ms = 5000)
    {
        return QTest::qWaitFor([this] { return socket.canReadLine(); }, ms) ? socket.readLine().chopped(1) : QByteArray();
    }
    QByteArray query(const QByteArray &line, int ms = 5000)
    {
        send(line);
        return readLine(ms);
    }
    // Everything answered since, after the server had `ms` to answer.
    QByteArray unasked(int ms = 200)
    {
        QTest::qWait(ms);
        return socket.readAll();
    }
    // Sends each line; after the last, *OPC? so that all of them were carried out.
    bool sendAll(const QByteArrayList &lines)
    {
        for (const QByteArray &line : lines)
            send(line);
        return query("*OPC?") == "1";
    }
    // Every error in the connection's queue, oldest first, the queue then empty.
    QByteArrayList errors()
    {
        QByteArrayList codes;
        for (QByteArray answer = query("SYST:ERR?"); !answer.startsWith("0,") && codes.size() < 40; answer = query("SYST:ERR?"))
            codes << (answer.isEmpty() ? "timeout" : answer);
        return codes;
    }

    QTcpSocket socket;
};

inline vistrel::remote::ServerOptions loopback()
{
    return {QHostAddress(QHostAddress::LocalHost), 0, {}, "test"};
}

// A session, a server on it listening on a free port, and a client connected to it.
struct Served {
    vistrel::session::PanelSession session;
    vistrel::remote::ScpiServer server{session, loopback()};
    Client client;
    bool start() { return server.listen().isEmpty() && client.connectTo(server.port()); }
};

// VPANEL01's wire, one letter a packet: A start word, D stop word, O
// open/close word, S settings, T scan timing, F display frame; "?" after a
// framing error.
inline QString wireLetters()
{
    const std::vector<std::uint8_t> bytes = vistrel::virt::Testbed::instance().captured("VPANEL01");
    vistrel::protocol::StreamDecoder decoder;
    QString letters;
    for (const auto &packet : decoder.feed(bytes.data(), bytes.size()))
        letters += QLatin1Char("ADOSTF"[packet.kind]);
    return decoder.protocolErrors() ? letters + '?' : letters;
}

// n copies of one line (Qt 5's QList has no such constructor).
inline QByteArrayList repeated(int n, const QByteArray &line)
{
    QByteArrayList lines;
    while (n-- > 0)
        lines << line;
    return lines;
}

} // namespace remotetest
