// The remote-control server measured in one process over loopback: query
// round trips, pipelined commands, pattern changes on the virtual bridge,
// and the server under abuse (an endless line, a client that floods and
// never reads, thirty clients at once): the time a newcomer waits for its
// answer and the resident memory the server needs meanwhile.
#include "command_line.h"
#include "proc_status.h"
#include "panel_session.h"
#include "scpi_server.h"
#include "virtual_bridge.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using vistrel::remote::ScpiServer;

// Runs the event loop until `done` holds (or 60 s pass).
template <typename Done>
bool spin(Done done)
{
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&loop, &done] {
        if (done())
            loop.quit();
    });
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    check.start(0);
    if (!done())
        loop.exec();
    return done();
}

struct Client {
    explicit Client(quint16 port)
    {
        socket.connectToHost(QHostAddress::LocalHost, port);
        spin([this] { return socket.state() == QAbstractSocket::ConnectedState; });
    }
    QByteArray query(const QByteArray &line)
    {
        socket.write(line + '\n');
        spin([this] { return socket.canReadLine(); });
        return socket.readLine();
    }
    QTcpSocket socket;
};

void row(const char *what, double value, const char *unit)
{
    std::printf("| %s | %.1f %s |\n", what, value, unit);
    std::fflush(stdout);
}

// Microseconds per query, one at a time: the mean and the 99th percentile.
void roundTrips(quint16 port, int count)
{
    Client client(port);
    std::vector<double> micros;
    for (int i = 0; i < count; ++i) {
        QElapsedTimer clock;
        clock.start();
        client.query("*IDN?");
        micros.push_back(clock.nsecsElapsed() / 1000.0);
    }
    std::sort(micros.begin(), micros.end());
    double sum = 0;
    for (double m : micros)
        sum += m;
    row("*IDN? round trip, mean", sum / count, "us");
    row("*IDN? round trip, 99th percentile", micros[std::size_t(count * 0.99)], "us");
}

void pipelined(quint16 port, int count)
{
    Client client(port);
    QByteArray lines;
    for (int i = 0; i < count; ++i)
        lines += "RATE?\n";
    QElapsedTimer clock;
    clock.start();
    client.socket.write(lines);
    int answered = 0;
    spin([&] {
        while (client.socket.canReadLine()) {
            client.socket.readLine();
            ++answered;
        }
        return answered == count;
    });
    row("pipelined queries", count / (clock.nsecsElapsed() / 1e9), "per s");
}

void patternChanges(quint16 port, int pairs)
{
    Client client(port);
    client.query("DEV:OPEN\n*OPC?");
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < pairs; ++i)
        client.socket.write("PATT:SHOW ALLON\nPATT:OFF\n");
    client.query("*OPC?");
    row("pattern lit and taken down (start, frame, stop)", pairs / (clock.nsecsElapsed() / 1e9), "per s");
    const QByteArray error = client.query("SYST:ERR?");
    if (!error.startsWith("0,"))
        std::fprintf(stderr, "pattern changes failed: %s", error.constData());
    client.query("DEV:CLOSE\n*OPC?");
}

// While `abuse` runs, how long a newcomer waits for *IDN? and how much the
// resident set grew.
template <typename Abuse>
void underAbuse(quint16 port, const char *what, Abuse abuse)
{
    const double before = residentMiB();
    abuse();
    Client newcomer(port);
    QElapsedTimer clock;
    clock.start();
    newcomer.query("*IDN?");
    std::printf("| %s: a newcomer answered after | %.1f ms |\n", what, clock.nsecsElapsed() / 1e6);
    std::printf("| %s: resident memory grew by | %.1f MiB |\n", what, residentMiB() - before);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Measures the remote-control server over loopback."));
    const QCommandLineOption count(QStringLiteral("queries"), QStringLiteral("Queries per measurement (default 2000)."),
                                   QStringLiteral("N"), QStringLiteral("2000"));
    parser.addOption(count);
    vistrel::parseBeforeApplication(parser, argc, argv);
    const int queries = int(vistrel::positiveNumber(parser, count));
    QCoreApplication app(argc, argv);

    vistrel::virt::Testbed::instance().reset();
    vistrel::virt::Testbed::instance().setCaptureLimit(0);
    vistrel::session::PanelSession session;
    ScpiServer server(session, {QHostAddress(QHostAddress::LocalHost), 0, {}, QStringLiteral("bench")});
    if (!server.listen().isEmpty())
        return 1;
    std::printf("| Measure | Value |\n|---|---|\n");
    std::fflush(stdout);
    roundTrips(server.port(), queries);
    pipelined(server.port(), queries * 10);
    patternChanges(server.port(), queries / 10);

    Client longLine(server.port());
    underAbuse(server.port(), "64 MiB line", [&longLine] {
        const QByteArray piece(1 << 20, 'A');
        for (int i = 0; i < 64; ++i) {
            longLine.socket.write(piece);
            spin([&longLine] { return longLine.socket.bytesToWrite() < (1 << 20); });
        }
        spin([&longLine] { return longLine.socket.bytesToWrite() == 0; });
    });
    Client flood(server.port());
    flood.socket.setReadBufferSize(4096);
    underAbuse(server.port(), "a client flooding, never reading", [&flood] {
        QByteArray lines;
        for (int i = 0; i < 100000; ++i)
            lines += "*IDN?\n";
        flood.socket.write(lines);
        QElapsedTimer clock;
        clock.start();
        spin([&clock] { return clock.elapsed() > 500; });
    });
    std::vector<std::unique_ptr<Client>> crowd;
    underAbuse(server.port(), "30 clients, 100 queries each", [&crowd, &server] {
        for (int i = 0; i < 30; ++i) {
            crowd.push_back(std::make_unique<Client>(server.port()));
            for (int q = 0; q < 100; ++q)
                crowd.back()->socket.write("*IDN?\n");
        }
    });
    return 0;
}
