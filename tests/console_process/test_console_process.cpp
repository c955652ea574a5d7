// vistrel-virtual as a user starts it: quiet, --play, --listen (its options: tests/command_line).
#include "media_files.h"

#include <QProcess>
#include <QTcpSocket>
#include <algorithm>
#include <QtTest>

namespace {

// Lines the platform itself prints (runtime folder, offscreen plugin, fonts); none are ours.
QStringList ownLines(const QString &text)
{
    static const QRegularExpression platform("^(QStandardPaths:|qt\\.qpa\\.|This plugin does not support)|fontconfig",
                                             QRegularExpression::CaseInsensitiveOption);
    QStringList lines = text.split('\n', Qt::SkipEmptyParts);
    lines.erase(std::remove_if(lines.begin(), lines.end(), [](const QString &line) { return platform.match(line).hasMatch(); }),
                lines.end());
    return lines;
}

// Starts the console offscreen on VPANEL01 with a fresh wire log `log` ("" for none).
void startConsole(QProcess &process, const QStringList &arguments, const QString &log = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("QT_LOGGING_RULES");
    env.insert("VISTREL_VIRTUAL_DEVICES", "VPANEL01");
    if (!log.isEmpty()) {
        QFile::remove(log);
        env.insert("VISTREL_WIRE_LOG", log);
    }
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(VIRTUAL_CONSOLE), arguments);
}

// Ends the console and reads what it wrote to the bridge.
QByteArray endAndReadWire(QProcess &process, const QString &log = {})
{
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();
    QFile file(log);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestConsoleProcess : public QObject
{
    Q_OBJECT

private slots:
    void quietStart()
    {
        QProcess process;
        startConsole(process, {});
        QVERIFY(process.waitForStarted());
        QVERIFY(!process.waitForFinished(2500));  // still running: two polls have passed
        endAndReadWire(process);
        const QStringList err = ownLines(QString::fromLocal8Bit(process.readAllStandardError()));
        QVERIFY2(err.isEmpty(), qPrintable(err.join('\n')));
        QCOMPARE(ownLines(QString::fromLocal8Bit(process.readAllStandardOutput())), QStringList());
    }

    // Open word, start word, the frames (their bytes: tests/playback); once, the stop word follows.
    void autoplay_data()
    {
        QTest::addColumn<bool>("loop");
        QTest::newRow("once") << false;
        QTest::newRow("looped") << true;
    }
    void autoplay()
    {
        QFETCH(bool, loop);
        const QString video = displaytest::rampVideo("autoplay.mp4", 6), log = testenv::dataDir() + "/autoplay.bin";
        QVERIFY(!video.isEmpty());
        QProcess process;
        startConsole(process, QStringList{"--play", video, "--fps", "30"} + (loop ? QStringList{"--loop"} : QStringList()), log);
        const qint64 frame = 36004, once = 4 + 4 + 6 * frame + 4;
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(log).size() >= (loop ? 8 + 9 * frame : once), 15000);
        QTest::qWait(300);  // nothing more once it has ended by itself
        const QByteArray wire = endAndReadWire(process, log);
        QCOMPARE(wire.left(8).toHex(' '), QByteArray("ff fe 0d 0a ff aa 0d 0a"));
        if (!loop) {
            QCOMPARE(wire.size(), once);
            QCOMPARE(wire.right(4).toHex(' '), QByteArray("ff fd 0d 0a"));
        }
    }

    // "listening on" with the port chosen, and a client's pattern reaches the
    // wire; beyond loopback it refuses to start without --media-root.
    void listen()
    {
        const QString log = testenv::dataDir() + "/listen.bin";
        QProcess refused;
        startConsole(refused, {"--listen", "0.0.0.0:0"}, log);
        QVERIFY(refused.waitForFinished(10000));
        QCOMPARE(refused.exitCode(), 1);
        QVERIFY(QString::fromLocal8Bit(refused.readAllStandardError()).contains("without --media-root"));
        QProcess process;
        startConsole(process, {"--listen", "127.0.0.1:0"}, log);
        QVERIFY(process.waitForReadyRead(10000));
        const QRegularExpressionMatch listening =
            QRegularExpression("^listening on 127\\.0\\.0\\.1:(\\d+)\n$").match(QString::fromLocal8Bit(process.readLine()));
        QVERIFY(listening.hasMatch());
        QTcpSocket client;
        client.connectToHost(QHostAddress::LocalHost, quint16(listening.captured(1).toUInt()));
        client.write("DEV:OPEN\nPATT:SHOW ALLON\n*OPC?\n");
        QTRY_VERIFY_WITH_TIMEOUT(client.canReadLine(), 10000);
        QCOMPARE(client.readLine(), QByteArray("1\n"));
        const QByteArray wire = endAndReadWire(process, log);
        QCOMPARE(wire.left(12).toHex(' '), QByteArray("ff fe 0d 0a ff aa 0d 0a ff 04 ff ff"));
        QCOMPARE(wire.size(), 4 + 4 + 36004);
    }
};

QTEST_GUILESS_MAIN(TestConsoleProcess)
#include "test_console_process.moc"
