// vistrelctl, the built program, on the virtual bridge: the session's bytes,
// exit statuses, JSON lines, aging runs, signals.
#include "ctl_support.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <csignal>

using namespace ctltest;

namespace {

const QString kSet = "set vdd=2 vss=-2 von=12 voff=-12 vh=5 vl=0 vbias=0.00";
const QString kEveryCommand = "open\n" + kSet + " gamma=2.2\npattern all-on\npattern off\npattern checker\nstop\n"
                              "pattern squares 7 200 30\npattern hsteps 7\npattern off\n"
                              "show gray.jpg\nstop\nplay ramp.mp4 fps=30\nwait 10ms\nclose\n";

struct CtlRun {
    int status = -1;
    QString out, err;
    QByteArray wire;
};

QString wireLog() { return dataPath("wire.bin"); }

// The virtual bridges `devices`, the media folder, a fresh wire log.
void prepare(QProcess &process, const QString &devices = "VPANEL01")
{
    QFile::remove(wireLog());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("VISTREL_WIRE_LOG", wireLog());
    environment.insert("VISTREL_VIRTUAL_DEVICES", devices);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(testenv::dataDir());
}

CtlRun finish(QProcess &process)
{
    const bool finished = process.waitForFinished(30000) && process.exitStatus() == QProcess::NormalExit;
    QFile log(wireLog());
    return {finished ? process.exitCode() : -1, QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError()), log.open(QIODevice::ReadOnly) ? log.readAll() : QByteArray()};
}

CtlRun run(const QStringList &arguments, const QString &devices = "VPANEL01", const QByteArray &input = {})
{
    QProcess process;
    prepare(process, devices);
    process.start(VISTRELCTL, arguments);
    process.write(input);
    process.closeWriteChannel();
    return finish(process);
}

QList<QJsonObject> jsonLines(const QString &out)
{
    QList<QJsonObject> objects;
    for (const QString &line : out.split('\n', Qt::SkipEmptyParts)) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
        objects << (error.error == QJsonParseError::NoError ? document.object() : QJsonObject{{"unparsed", line}});
    }
    return objects;
}

} // namespace

class TestCliRun : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(makeMedia());
        QVERIFY(writeFile("every.vs", kEveryCommand.toUtf8()));
    }

    // Byte for byte what the same calls on the session send (the remote server: tests/remote_server;
    // the generated frames themselves: tests/protocol_patterns).
    void everyCommandSendsTheSessionsBytes()
    {
        const QByteArray reference = sessionWire();
        QCOMPARE(words(reference), "OS" "AFD" "AFD" "AFFD" "AFD" "A" + QString(12, 'F') + "D" "O");
        const CtlRun ctl = run({"--virtual", "--json", "run", "every.vs"});
        QCOMPARE(ctl.err, QString());
        QCOMPARE(ctl.status, 0);
        QVERIFY2(ctl.wire == reference, qPrintable(words(ctl.wire)));
        // One JSON object a command and a summary, adding up to the wire.
        const QList<QJsonObject> lines = jsonLines(ctl.out);
        QCOMPARE(lines.size(), 15);
        double bytes = 0;
        for (int i = 0; i < 14; ++i) {
            const QJsonObject &line = lines[i];
            QCOMPARE(line.value("line").toInt(), i + 1);
            QCOMPARE(line.value("command").toString(), kEveryCommand.section('\n', i, i));
            QVERIFY(line.value("ok").toBool() && line.value("error").isNull() && line.value("duration_ms").toDouble() >= 0);
            bytes += line.value("bytes").toDouble();
        }
        QCOMPARE(lines[12].value("duration_ms").toDouble() >= 10, true);
        const QJsonObject summary = lines.last();
        QVERIFY(summary.value("summary").toBool() && summary.value("ok").toBool());
        QCOMPARE(summary.value("exit").toInt(), 0);
        QCOMPARE(summary.value("run").toInt(), 14);
        QCOMPARE(bytes, double(ctl.wire.size()));
        QCOMPARE(summary.value("bytes").toDouble(), bytes);
    }

    // Exit statuses, stderr and the wire; for list, the bridges in plug order on stdout.
    void exitStatuses_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");  // on stderr
        QTest::addColumn<QString>("wire");
        QTest::addColumn<QString>("devices");
        QTest::addColumn<QString>("out");  // null: not checked
        const auto row = [](const char *name, const QStringList &arguments, int status, const QString &message, const QString &wire,
                            const QString &devices = "VPANEL01", const QString &out = {}) {
            QTest::newRow(name) << arguments << status << message << wire << devices << out;
        };
        const QString show = "open; show gray.jpg; ";
        row("0: script on standard input", {"run", "-"}, 0, "", "OO");
        row("0: the second bridge by serial", {"--serial", "VPANEL02", "-e", "open;close"}, 0, "", "OO", "VPANEL01,VPANEL02");
        row("0: stop and pattern off with nothing lit", {"-e", "open; stop; pattern off; close"}, 0, "", "OO");
        row("0: play bounded by frames", {"-e", "open; play ramp.mp4 frames=5"}, 0, "", "OA" + QString(5, 'F') + "DO");
        row("0: play bounded by loops", {"-e", "open; play ramp.mp4 loops=2"}, 0, "", "OA" + QString(24, 'F') + "DO");
        row("1: nothing to do", {}, 1, "nothing to do", "");
        row("1: unknown command word", {"lst"}, 1, "unknown command 'lst'", "");
        row("1: -e and run", {"-e", "open", "run", "every.vs"}, 1, "no command may follow", "");
        row("1: serve beyond loopback without a media root", {"serve", "--listen", "0.0.0.0:0"}, 1, "without --media-root", "");
        row("1: --listen without serve", {"--listen", "5025", "list"}, 1, "go with serve", "");
        row("1: bad --wait-device", {"--wait-device", "soon", "list"}, 1, "--wait-device soon", "");
        row("1: no script file", {"run", "absent.vs"}, 1, "cannot read absent.vs", "");
        row("1: a mistake on line 3, nothing sent", {"-e", "open\npattern all-on\nlight all"}, 1, "-e:3: unknown command 'light'", "", "VPANEL01", "");
        row("1: a missing picture, nothing sent", {"-e", "open; pattern all-on; show nowhere.jpg"}, 1, "-e:1: show: no such file: nowhere.jpg", "",
            "VPANEL01", "");
        row("1: --repeat 0", {"--repeat", "0", "-e", "open"}, 1, "--repeat 0: give a whole number", "");
        row("1: --for without a unit", {"--for", "90", "-e", "open"}, 1, "--for 90: give a time", "");
        row("1: --repeat and --for", {"--repeat", "2", "--for", "8h", "-e", "open"}, 1, "at most one of --repeat and --for", "");
        row("2: no bridge", {"-e", "open"}, 2, "-e:1: open: no bridge attached", "", "");
        row("2: not that bridge", {"--serial", "VPANEL09", "-e", "open"}, 2, "no bridge VPANEL09 attached", "");
        row("4: picture not readable", {"-e", "open; show bad.jpg"}, 4, "-e:1: picture not readable", "");
        row("4: video not readable", {"-e", "open\n\nplay bad.mp4"}, 4, "-e:3: video not readable", "");
        row("5: set with a picture shown", {"-e", show + kSet}, 5, "Operation prohibited during operation!", "OAFDO");
        row("5: a pattern before open", {"-e", "pattern all-on"}, 5, "-e:1: pattern all-on: device not connected", "");
        row("5: a pattern over a picture", {"-e", show + "pattern gray 9"}, 5, "pattern gray 9: Operation prohibited during operation!", "OAFDO");
        row("list: plug order", {"list"}, 0, "", "", " VPANEL03,VPANEL01 , VPANEL02", "VPANEL03\nVPANEL01\nVPANEL02\n");
        row("list: json", {"--json", "list"}, 0, "", "", "B,A", "{\"serial\":\"B\"}\n{\"serial\":\"A\"}\n");
        row("list: none", {"list"}, 0, "", "", "", "");
        row("list: the named one missing", {"--serial", "C", "list"}, 2, "no bridge C attached", "", "B,A", "B\nA\n");
    }
    void exitStatuses()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, devices);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(QString, wire);
        QFETCH(QString, out);
        const CtlRun ctl = run(QStringList{"--virtual"} + arguments, devices, "open # from stdin\nclose\n");
        QVERIFY2(message.isEmpty() ? ctl.err.isEmpty() : ctl.err.contains(message), qPrintable(ctl.err));
        QCOMPARE(ctl.status, status);
        QCOMPARE(words(ctl.wire), wire);
        if (!out.isNull())
            QCOMPARE(ctl.out, out);
    }

    // VISTREL_BACKEND names a backend as --virtual does; a name this build
    // lacks leaves the real bridges.
    void backendByName_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("backend");
        QTest::addColumn<bool>("onVirtual");
        QTest::newRow("VISTREL_BACKEND=virtual") << QStringList{"list"} << QByteArray("virtual") << true;
        QTest::newRow("VISTREL_BACKEND=ftdi") << QStringList{"list"} << QByteArray("ftdi") << false;
        QTest::newRow("an unknown name") << QStringList{"list"} << QByteArray("Virtual") << false;
    }
    void backendByName()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, backend);
        QFETCH(bool, onVirtual);
#ifndef HAS_REAL_BRIDGES
        if (!onVirtual)
            QSKIP("this build has no real bridges");
#endif
        qputenv("VISTREL_BACKEND", backend);
        const CtlRun ctl = run(arguments, "VPANEL07");
        qunsetenv("VISTREL_BACKEND");
        QCOMPARE(ctl.status, 0);
        QCOMPARE(ctl.out.contains("VPANEL07"), onVirtual);
    }

    // Aging runs: whole rounds, the link kept open between them, what is lit
    // taken down and the link closed at the end; --for stops between commands.
    void agingRuns_data()
    {
        QTest::addColumn<QStringList>("aging");
        QTest::addColumn<QString>("human");  // the start of the summary without --json
        QTest::newRow("--repeat 3") << QStringList{"--repeat", "3"} << "ok: 3 rounds, 12 commands";
        QTest::newRow("--for 400ms") << QStringList{"--for", "400ms"} << "ok: ";
    }
    void agingRuns()
    {
        QFETCH(QStringList, aging);
        QFETCH(QString, human);
        const QString script = "open; pattern hramp; wait 60ms; pattern gray 7";
        const CtlRun ctl = run(QStringList{"--virtual", "--json"} + aging + QStringList{"-e", script});
        QCOMPARE(ctl.status, 0);
        const QList<QJsonObject> lines = jsonLines(ctl.out);
        const QJsonObject summary = lines.last();
        const int rounds = summary.value("rounds").toInt();
        const int ran = summary.value("run").toInt();
        QCOMPARE(ran, lines.size() - 1);
        QCOMPARE(rounds, ran / 4);
        QVERIFY2(aging.first() == "--repeat" ? rounds == 3 : rounds >= 2 && summary.value("duration_ms").toDouble() >= 400,
                 qPrintable(ctl.out));
        // The first round starts from nothing; later ones replace the lit pattern.
        const int frames = 2 * rounds + (ran % 4 >= 2 ? 1 : 0);
        QCOMPARE(words(ctl.wire), "OA" + QString("F").repeated(frames) + "DO");
        const CtlRun plain = run(QStringList{"--virtual"} + aging + QStringList{"-e", script});
        QVERIFY2(plain.out.section('\n', -2).startsWith(human), qPrintable(plain.out));
    }

    // A signal ends the play or wait, takes down what is shown and closes the link.
    void signalEndsTheScript_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("frames");  // on the wire before the signal
        QTest::newRow("SIGTERM during play") << int(SIGTERM) << "open; play ramp.mp4 fps=30 loops=500" << "play ramp.mp4 fps=30 loops=500" << 3;
        QTest::newRow("SIGINT during wait") << int(SIGINT) << "open; pattern all-on; wait 60s; pattern off" << "wait 60s" << 1;
    }
    void signalEndsTheScript()
    {
        QFETCH(int, signalNumber);
        QFETCH(QString, script);
        QFETCH(QString, command);
        QFETCH(int, frames);
        QProcess process;
        prepare(process);
        process.start(VISTRELCTL, {"--virtual", "--json", "-e", script});
        const bool started = QTest::qWaitFor([frames] { return QFileInfo(wireLog()).size() >= 8 + frames * 36004; }, 10000);
        if (!started)
            process.kill();
        QVERIFY(started);
        QTest::qWait(50);
        ::kill(pid_t(process.processId()), signalNumber);
        const CtlRun ctl = finish(process);
        QCOMPARE(ctl.status, 128 + signalNumber);
        const QString wire = words(ctl.wire);
        QVERIFY2(QRegularExpression("^OAF+DO$").match(wire).hasMatch(), qPrintable(wire));
        const QList<QJsonObject> lines = jsonLines(ctl.out);
        QVERIFY(lines.size() >= 2);
        const QJsonObject &stopped = lines[lines.size() - 2];
        QCOMPARE(stopped.value("command").toString(), command);
        QCOMPARE(stopped.value("ok").toBool(), false);
        QCOMPARE(stopped.value("error").toString(), signalNumber == SIGINT ? "interrupted by SIGINT" : "interrupted by SIGTERM");
        if (command.startsWith("play"))  // the frames it reports are the frames on the wire
            QCOMPARE(stopped.value("frames").toInt(), wire.count('F'));
        QCOMPARE(lines.last().value("exit").toInt(), 128 + signalNumber);
        QCOMPARE(lines.last().value("bytes").toDouble(), double(ctl.wire.size()));
    }

    // A reader that goes away (| head -1) does not end the program with the link open.
    void closedOutputStillClosesTheLink()
    {
        QProcess process;
        prepare(process);
        process.start("bash", {"-c", "\"$0\" \"$@\" | head -1; exit ${PIPESTATUS[0]}", VISTRELCTL, "--virtual", "-e",
                               "open; pattern all-on; wait 200ms; wait 200ms"});
        const CtlRun ctl = finish(process);
        QVERIFY2(ctl.out.startsWith("line 1: open: ok") && ctl.out.count('\n') == 1, qPrintable(ctl.out));
        QCOMPARE(ctl.status, 0);
        QCOMPARE(words(ctl.wire), "OAFDO");
    }
};

QTEST_MAIN(TestCliRun)
#include "test_cli_run.moc"
