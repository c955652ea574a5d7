// The remote-control server: SCPI lines over TCP, carried out on the panel
// session one at a time in the order they arrive, whichever client sent
// them. Each connection has its own error queue and gets only its own
// answers. What one client sends is read in bounded pieces, so an endless
// line, a flood or a client that reads no answers costs bounded memory and
// leaves the others answered.
#ifndef VISTREL_REMOTE_SCPI_SERVER_H
#define VISTREL_REMOTE_SCPI_SERVER_H

#include "scpi_command.h"
#include "session_actions.h"

#include <QHostAddress>
#include <QObject>
#include <QTcpServer>

#include <cstdint>
#include <deque>
#include <map>
#include <memory>

class QTcpSocket;

namespace vistrel::remote {

struct ServerOptions {
    QHostAddress address{QHostAddress::LocalHost};
    quint16 port = 5025;
    QString mediaRoot;  // empty: any path the user can read
    QString model;      // *IDN?'s second field: the program's name
};

class ScpiServer : public QObject
{
public:
    static constexpr int kMaxLine = 64 * 1024;       // longer lines are dropped with -363
    static constexpr std::size_t kErrorQueue = 16;
    static constexpr int kMaxWaitingLines = 256;     // per client, before its socket is left unread
    static constexpr qint64 kMaxUnreadAnswers = 1 << 20;

    ScpiServer(session::PanelSession &session, const ServerOptions &options, QObject *parent = nullptr);
    ~ScpiServer() override;

    // The error text when the socket cannot listen.
    QString listen();
    QHostAddress address() const { return m_server.serverAddress(); }
    quint16 port() const { return m_server.serverPort(); }

private:
    struct Connection {
        QTcpSocket *socket = nullptr;  // null once the client has gone
        QByteArray line;               // the line read so far
        bool overrun = false;          // dropping the rest of a too long line
        std::deque<int> errors;
        int waiting = 0;               // its lines in m_queue
    };
    struct Entry {
        std::uint64_t connection;
        ParseResult parsed;
    };

    void accept();
    void read(std::uint64_t id);
    void takeBytes(std::uint64_t id, Connection &connection, const char *bytes, qint64 size);
    void endLine(std::uint64_t id, Connection &connection, int error);
    void disconnected(std::uint64_t id);
    void scheduleDrain();
    void drain();
    void carryOut(Connection &connection, const ParseResult &parsed);
    QByteArray nextError(Connection &connection);
    void pushError(Connection &connection, int code);
    void forget(std::uint64_t id);

    session::PanelSession &m_session;
    ServerOptions m_options;
    SessionActions m_actions;
    QTcpServer m_server;
    std::map<std::uint64_t, Connection> m_connections;
    std::deque<Entry> m_queue;
    std::uint64_t m_nextId = 1;
    bool m_draining = false;
    bool m_drainScheduled = false;
};

} // namespace vistrel::remote

#endif
