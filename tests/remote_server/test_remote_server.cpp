// The remote-control server on a panel session, driven over loopback
// sockets: each command puts the bytes vistrelctl's session calls put on the
// wire; answers, error codes and error queues per connection (the window follows
// its session's signals, whoever acts: tests/fault_matrix, tests/window_view).
#include "scpi_client.h"

#include <QRegularExpression>

#include <memory>

using namespace remotetest;
using displaytest::kSerial;
using vistrel::virt::Testbed;

namespace {

const QByteArray kVersion = VISTREL_VERSION;
using L = QByteArrayList;

// Each line, carried out before the next; "unplug" pulls VPANEL01 (the
// poll notices), "fail" makes the next write fail.
bool play(Served &rig, const QByteArrayList &lines)
{
    for (const QByteArray &line : lines) {
        if (line == "unplug") {
            Testbed::instance().unplug(kSerial);
            rig.session.refreshDevices();
        } else if (line == "fail") {
            Testbed::instance().failNext(vistrel::virt::D2xxCall::Write, 1, FT_IO_ERROR);
        } else if (!rig.client.sendAll({line})) {
            return false;
        }
    }
    return true;
}

} // namespace

class TestRemoteServer : public QObject
{
    Q_OBJECT

    std::unique_ptr<Served> m_rig;

private slots:
    void initTestCase()
    {
        QVERIFY(ctltest::makeMedia());
        QDir::setCurrent(testenv::dataDir());
    }

    void init()
    {
        Testbed::instance().reset();
        Testbed::instance().plug("VPANEL02");
        m_rig = std::make_unique<Served>();
        QVERIFY(m_rig->start());
    }
    void cleanup() { m_rig.reset(); }

    // Every command against the same calls made on a session directly, byte
    // for byte (vistrelctl: tests/cli_run).
    void commandsWriteWhatTheSessionCallsWrite()
    {
        Client &client = m_rig->client;
        QVERIFY(client.sendAll({"DEV:OPEN", "DRIV:SET 2,-2,12,-12,5,0,0.00,2.2", "patt:show allon", "PATT:OFF", "PATTERN:SHOW CHECKER",
                                "DISP:STOP", "PATT:SHOW SQUARES,7,200,30", "PATT:SHOW HSTEPS,7", "PATT:OFF", "PICT:SHOW \"gray.jpg\"",
                                "*RST", "VID:PLAY \"ramp.mp4\",30"}));
        QVERIFY(QTest::qWaitFor([&client] { return client.query("DISP:STAT?") == "NONE"; }, 10000));
        QVERIFY(client.sendAll({"DEV:CLOSE"}));
        QCOMPARE(client.errors(), QByteArrayList());
        const std::vector<std::uint8_t> remote = displaytest::wire();
        QVERIFY(!remote.empty() && QByteArray(reinterpret_cast<const char *>(remote.data()), int(remote.size())) == ctltest::sessionWire());
    }

    // Queries and what they answer after the lines before them.
    void answers_data()
    {
        QTest::addColumn<QByteArrayList>("before");
        QTest::addColumn<QByteArrayList>("queries");
        QTest::addColumn<QByteArrayList>("answers");
        QTest::newRow("closed") << L{} << L{"*IDN?", "DEV:LIST?", "SYST:ERR?"} << L{"Vistrel,test,0," + kVersion, "\"VPANEL01\",\"VPANEL02\"", "0,\"No error\""};
        QTest::newRow("open") << L{"DEV:OPEN"} << L{"*idn?", "DEVICE:STATE?", "DISP:STAT?"} << L{"Vistrel,test,VPANEL01," + kVersion, "OPEN", "NONE"};
        QTest::newRow("open the second") << L{"DEV:OPEN \"VPANEL02\""} << L{"*IDN?"} << L{"Vistrel,test,VPANEL02," + kVersion};
        QTest::newRow("closed again") << L{"DEV:OPEN", "DEV:CLOS"} << L{"DEV:STAT?"} << L{"CLOSED"};
        QTest::newRow("lost") << L{"DEV:OPEN", "unplug"} << L{"DEV:STAT?"} << L{"LOST"};
        QTest::newRow("pattern lit") << L{"DEV:OPEN", "PATT:SHOW CHECKER"} << L{"DISP:STAT?", "PATT?"} << L{"PATT", "CHECKER"};
        QTest::newRow("defaults filled") << L{"DEV:OPEN", "PATT:SHOW GRAY,7", "PATT:SHOW squares,4"} << L{"PATT?"} << L{"SQUARES,4,255,0"};
        QTest::newRow("no pattern") << L{"DEV:OPEN", "PATT:SHOW ALLON", "*RST"} << L{"PATT?"} << L{"NONE"};
        QTest::newRow("picture") << L{"DEV:OPEN", "PICT:SHOW \"gray.jpg\""} << L{"DISP:STAT?"} << L{"PICT"};
        QTest::newRow("video") << L{"DEV:OPEN", "VID:PLAY \"ramp.mp4\",12,LOOP"} << L{"DISP:STAT?", "RATE?"} << L{"VID", "12"};
        QTest::newRow("rate") << L{"RATE 30"} << L{"RATE?"} << L{"30"};
        QTest::newRow("refused rate") << L{"RATE 61"} << L{"RATE?"} << L{"60"};
    }
    void answers()
    {
        QFETCH(QByteArrayList, before);
        QFETCH(QByteArrayList, queries);
        QFETCH(QByteArrayList, answers);
        QVERIFY(play(*m_rig, before));
        for (int i = 0; i < queries.size(); ++i)
            QCOMPARE(m_rig->client.query(queries[i]), answers[i]);
        QCOMPARE(m_rig->client.unasked(), QByteArray());
    }

    // A video reports where it is until a stop (its stop word: tests/session).
    void videoState()
    {
        Client &client = m_rig->client;
        QVERIFY(client.sendAll({"DEV:OPEN", "VID:PLAY \"ramp.mp4\",30,LOOP"}));
        QByteArray state;
        QVERIFY(QTest::qWaitFor([&] { return (state = client.query("VID:STAT?")).startsWith("PLAY,") && !state.startsWith("PLAY,0,"); }, 5000));
        // Frame 1 to 12 of 12, then the rate.
        QVERIFY2(QRegularExpression("^PLAY,([1-9]|1[0-2]),12,[^,]+$").match(state).hasMatch(), state.constData());
        QVERIFY(client.sendAll({"DISP:STOP"}));
        QCOMPARE(client.query("VID:STAT?"), QByteArray("IDLE"));
    }

    // What the session refuses, as error codes, and what reached the wire.
    void refusals_data()
    {
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<QByteArrayList>("errors");
        QTest::addColumn<QString>("wire");
        QTest::newRow("pattern before open") << L{"PATT:SHOW ALLON"} << L{"-241,\"Hardware missing\""} << "";
        QTest::newRow("no such bridge") << L{"DEV:OPEN \"VPANEL09\""} << L{"-241,\"Hardware missing\""} << "";
        QTest::newRow("open another") << L{"DEV:OPEN", "DEV:OPEN \"VPANEL02\""} << L{"-221,\"Settings conflict\""} << "O";
        QTest::newRow("pattern over a picture") << L{"DEV:OPEN", "PICT:SHOW \"gray.jpg\"", "PATT:SHOW CHECKER"} << L{"-221,\"Settings conflict\""} << "OAF";
        QTest::newRow("picture over a pattern") << L{"DEV:OPEN", "PATT:SHOW CHECKER", "PICT:SHOW \"gray.jpg\""} << L{"-221,\"Settings conflict\""} << "OAF";
        QTest::newRow("the same pattern twice") << L{"DEV:OPEN", "PATT:SHOW CHECKER", "PATT:SHOW CHECKER"} << L{} << "OAF";
        QTest::newRow("no such picture") << L{"DEV:OPEN", "PICT:SHOW \"nowhere.jpg\""} << L{"-256,\"File name not found\""} << "O";
        QTest::newRow("not a picture") << L{"DEV:OPEN", "PICT:SHOW \"bad.jpg\""} << L{"-257,\"File name error\""} << "O";
        QTest::newRow("not a video") << L{"DEV:OPEN", "VID:PLAY \"bad.mp4\""} << L{"-257,\"File name error\""} << "O";
        QTest::newRow("values for all on") << L{"DEV:OPEN", "PATT:SHOW ALLON,3"} << L{"-108,\"Parameter not allowed\""} << "O";
        QTest::newRow("write fails") << L{"DEV:OPEN", "fail", "PATT:SHOW ALLON"} << L{"-240,\"Hardware error\""} << "O";
        QTest::newRow("parse errors in order") << L{"FOO", "RATE 0", "*IDN? 1"} << L{"-113,\"Undefined header\"", "-222,\"Data out of range\"", "-108,\"Parameter not allowed\""} << "";
        QTest::newRow("cleared") << L{"FOO", "*CLS"} << L{} << "";
        QTest::newRow("stop with nothing shown") << L{"DEV:OPEN", "DISP:STOP", "PATT:OFF", "*RST"} << L{} << "O";
    }
    void refusals()
    {
        QFETCH(QByteArrayList, lines);
        QFETCH(QByteArrayList, errors);
        QFETCH(QString, wire);
        Client &client = m_rig->client;
        QVERIFY(play(*m_rig, lines));
        QCOMPARE(client.errors(), errors);
        QCOMPARE(displaytest::letters(), wire);
    }

    // Sixteen entries, the newest replaced on overflow; another client's queue untouched.
    void errorQueuePerConnection()
    {
        Client &noisy = m_rig->client, quiet;
        QVERIFY(quiet.connectTo(m_rig->server.port()));
        QVERIFY(noisy.sendAll(QByteArrayList{"RATE 0"} + repeated(19, "BOGUS")));
        QCOMPARE(quiet.query("SYST:ERR?"), QByteArray("0,\"No error\""));
        const QByteArrayList queued = noisy.errors();
        QCOMPARE(queued.size(), 16);
        QCOMPARE(queued.first(), QByteArray("-222,\"Data out of range\""));
        QCOMPARE(queued.mid(1, 14), repeated(14, "-113,\"Undefined header\""));
        QCOMPARE(queued.last(), QByteArray("-350,\"Queue overflow\""));
    }
};

QTEST_GUILESS_MAIN(TestRemoteServer)
#include "test_remote_server.moc"
