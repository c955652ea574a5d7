#include "scpi_server.h"

#include "scpi_errors.h"

#include <QElapsedTimer>
#include <QTcpSocket>
#include <QTimer>

#include <cstring>

namespace vistrel::remote {

namespace {

// How long commands are carried out before the event loop gets a turn:
// other clients' bytes are read, and a new client answered, between slices.
constexpr qint64 kSliceMs = 10;
constexpr qint64 kReadPiece = 16 * 1024;

} // namespace

ScpiServer::ScpiServer(session::PanelSession &session, const ServerOptions &options, QObject *parent)
    : QObject(parent), m_session(session), m_options(options),
      m_actions(session, options.mediaRoot.isEmpty() ? MediaRoot() : MediaRoot(options.mediaRoot), options.model)
{
    connect(&m_server, &QTcpServer::newConnection, this, &ScpiServer::accept);
}

ScpiServer::~ScpiServer()
{
    m_server.close();
    for (auto &[id, connection] : m_connections) {
        if (connection.socket) {
            connection.socket->disconnect(this);
            connection.socket->abort();
            delete connection.socket;
        }
    }
}

QString ScpiServer::listen()
{
    m_server.setMaxPendingConnections(64);
    if (m_server.listen(m_options.address, m_options.port))
        return {};
    return m_server.errorString();
}

void ScpiServer::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        const std::uint64_t id = m_nextId++;
        // Qt then stops reading from the kernel: a flood waits in TCP's window, not here.
        socket->setReadBufferSize(kReadPiece);
        m_connections[id].socket = socket;
        connect(socket, &QTcpSocket::readyRead, this, [this, id] { read(id); });
        connect(socket, &QTcpSocket::bytesWritten, this, [this, id] { read(id); });
        connect(socket, &QTcpSocket::disconnected, this, [this, id] { disconnected(id); });
    }
}

void ScpiServer::read(std::uint64_t id)
{
    const auto found = m_connections.find(id);
    if (found == m_connections.end() || !found->second.socket)
        return;
    Connection &connection = found->second;
    char piece[4096];
    while (connection.waiting < kMaxWaitingLines && connection.socket->bytesToWrite() < kMaxUnreadAnswers) {
        const qint64 size = connection.socket->read(piece, sizeof piece);
        if (size <= 0)
            break;
        takeBytes(id, connection, piece, size);
    }
    scheduleDrain();
}

void ScpiServer::takeBytes(std::uint64_t id, Connection &connection, const char *bytes, qint64 size)
{
    const char *end = bytes + size;
    while (bytes < end) {
        const char *newline = static_cast<const char *>(std::memchr(bytes, '\n', std::size_t(end - bytes)));
        const char *stop = newline ? newline : end;
        if (!connection.overrun) {
            connection.line.append(bytes, int(stop - bytes));
            if (connection.line.size() > kMaxLine) {
                connection.line.clear();
                connection.line.squeeze();
                connection.overrun = true;
                endLine(id, connection, InputBufferOverrun);
            }
        }
        if (newline) {
            if (!connection.overrun)
                endLine(id, connection, NoError);
            connection.overrun = false;
            connection.line.clear();
        }
        bytes = stop + (newline ? 1 : 0);
    }
}

void ScpiServer::endLine(std::uint64_t id, Connection &connection, int error)
{
    ParseResult parsed{std::nullopt, error};
    if (error == NoError)
        parsed = parseLine(std::string_view(connection.line.constData(), std::size_t(connection.line.size())));
    if (!parsed.command && parsed.error == NoError)
        return;  // a blank line
    m_queue.push_back({id, std::move(parsed)});
    ++connection.waiting;
}

void ScpiServer::disconnected(std::uint64_t id)
{
    const auto found = m_connections.find(id);
    if (found == m_connections.end())
        return;
    // Lines it sent whole are still carried out; the one it left unfinished is not.
    Connection &connection = found->second;
    const QByteArray rest = connection.socket->readAll();
    takeBytes(id, connection, rest.constData(), rest.size());
    connection.socket->deleteLater();
    connection.socket = nullptr;
    forget(id);
    scheduleDrain();
}

void ScpiServer::forget(std::uint64_t id)
{
    const auto found = m_connections.find(id);
    if (found != m_connections.end() && !found->second.socket && found->second.waiting == 0)
        m_connections.erase(found);
}

void ScpiServer::scheduleDrain()
{
    if (m_drainScheduled || m_draining || m_queue.empty())
        return;
    m_drainScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_drainScheduled = false;
        drain();
    });
}

void ScpiServer::drain()
{
    if (m_draining)
        return;  // a session call ran the event loop: the outer drain goes on
    m_draining = true;
    QElapsedTimer slice;
    slice.start();
    while (!m_queue.empty() && slice.elapsed() < kSliceMs) {
        const Entry entry = std::move(m_queue.front());
        m_queue.pop_front();
        Connection &connection = m_connections.at(entry.connection);
        --connection.waiting;
        carryOut(connection, entry.parsed);
        if (connection.socket)
            read(entry.connection);  // room for more of its lines
        else
            forget(entry.connection);
    }
    m_draining = false;
    scheduleDrain();
}

void ScpiServer::carryOut(Connection &connection, const ParseResult &parsed)
{
    if (!parsed.command) {
        pushError(connection, parsed.error);
        return;
    }
    std::optional<QByteArray> answer;
    switch (parsed.command->header) {
    case Header::ClearStatus: connection.errors.clear(); break;
    case Header::NextError: answer = nextError(connection); break;
    default: {
        const Outcome outcome = m_actions.run(*parsed.command);
        if (outcome.error != NoError)
            pushError(connection, outcome.error);
        answer = outcome.answer;
    }
    }
    if (answer && connection.socket)
        connection.socket->write(*answer + '\n');
}

QByteArray ScpiServer::nextError(Connection &connection)
{
    const int code = connection.errors.empty() ? NoError : connection.errors.front();
    if (!connection.errors.empty())
        connection.errors.pop_front();
    return QByteArray::number(code) + ",\"" + errorText(code) + '"';
}

void ScpiServer::pushError(Connection &connection, int code)
{
    if (connection.errors.size() < kErrorQueue)
        connection.errors.push_back(code);
    else
        connection.errors.back() = QueueOverflow;
}

} // namespace vistrel::remote
