// A remote-protocol client for the server tests (header only): the server
// runs in the test's own event loop, so every wait spins it.
#pragma once

#include "../cli_run/ctl_support.h"
#include "scpi_server.h"

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

// A session, a server on it listening on a free port, and a client connected to it.
struct Served {
    vistrel::session::PanelSession session;
    vistrel::remote::ScpiServer server{session, {QHostAddress(QHostAddress::LocalHost), 0, {}, "test"}};
    Client client;
    bool start() { return server.listen().isEmpty() && client.connectTo(server.port()); }
};

// n copies of one line.
inline QByteArrayList repeated(int n, const QByteArray &line) { return QVector<QByteArray>(n, line).toList(); }

} // namespace remotetest
