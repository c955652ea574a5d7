// vistrel-virtual started as a user starts it: on the virtual bridges, with
// its panel window, it writes nothing of its own to the terminal; with --play
// it starts a video on the first bridge with nobody at the controls; with
// --listen it serves remote control on its session. (Its
// command line is tested with the other programs' in tests/command_line.)
#include "test_environment.h"

#include <QProcess>
#include <QTcpSocket>
#include <QtTest>
#include <opencv2/videoio.hpp>

namespace {

// Lines the platform itself prints (no runtime folder, what the offscreen
// plugin cannot do, fonts); none are ours.
QStringList ownLines(const QString &text)
{
    static const QRegularExpression platform("^(QStandardPaths:|qt\\.qpa\\.|This plugin does not support)|fontconfig",
                                             QRegularExpression::CaseInsensitiveOption);
    QStringList lines;
    for (const QString &line : text.split('\n', Qt::SkipEmptyParts)) {
        if (!platform.match(line).hasMatch())
            lines << line;
    }
    return lines;
}

// Ends the console and reads what it wrote to the bridge.
QByteArray endAndReadWire(QProcess &process, const QString &log)
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
    // Started on the virtual bridges and left running for a while, the
    // console and its panel window print nothing but what the platform does.
    void quietStart()
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("QT_LOGGING_RULES");
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(VIRTUAL_CONSOLE), QStringList());
        QVERIFY(process.waitForStarted());
        QVERIFY(!process.waitForFinished(2500));  // still running: two polls have passed
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        const QStringList err = ownLines(QString::fromLocal8Bit(process.readAllStandardError()));
        QVERIFY2(err.isEmpty(), qPrintable(err.join('\n')));
        QCOMPARE(ownLines(QString::fromLocal8Bit(process.readAllStandardOutput())), QStringList());
    }

    // --play opens the first bridge and plays the file: the wire log holds
    // the open word, the start word and the frames; played once, the stop
    // word follows the last frame, looped the frames go on.
    void autoplay_data()
    {
        QTest::addColumn<bool>("loop");
        QTest::newRow("once") << false;
        QTest::newRow("looped") << true;
    }
    void autoplay()
    {
        QFETCH(bool, loop);
        const QString video = testenv::dataDir() + "/autoplay.mp4";
        {
            cv::VideoWriter writer(video.toStdString(), cv::CAP_FFMPEG, cv::VideoWriter::fourcc('m', 'p', '4', 'v'), 30, {64, 36});
            QVERIFY(writer.isOpened());
            for (int i = 0; i < 6; ++i)
                writer.write(cv::Mat(36, 64, CV_8UC3, cv::Scalar::all(20 * i)));
        }
        const QString log = testenv::dataDir() + "/autoplay.bin";
        QFile::remove(log);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VISTREL_WIRE_LOG", log);
        env.insert("VISTREL_VIRTUAL_DEVICES", "VPANEL01");
        QProcess process;
        process.setProcessEnvironment(env);
        QStringList arguments{"--play", video, "--fps", "30"};
        if (loop)
            arguments << "--loop";
        process.start(QStringLiteral(VIRTUAL_CONSOLE), arguments);
        QVERIFY(process.waitForStarted());
        const qint64 frame = 36004, once = 4 + 4 + 6 * frame + 4;
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(log).size() >= (loop ? 8 + 9 * frame : once), 15000);
        QTest::qWait(300);  // nothing more once it has ended by itself
        const QByteArray wire = endAndReadWire(process, log);
        QCOMPARE(wire.left(8).toHex(' '), QByteArray("ff fe 0d 0a ff aa 0d 0a"));
        if (!loop)
            QCOMPARE(wire.size(), once);
        for (qint64 at = 8; at + frame <= wire.size(); at += frame)  // each frame whole, in the video's order
            QCOMPARE(QByteArray(wire.mid(int(at), 2) + wire.mid(int(at + frame - 2), 2)).toHex(' '), QByteArray("ff 00 0d 0a"));
        if (!loop)
            QCOMPARE(wire.right(4).toHex(' '), QByteArray("ff fd 0d 0a"));
    }

    // --listen serves the window's own session: "listening on" with the port
    // chosen, and a pattern lit by a client reaches the wire. Beyond
    // loopback it refuses to start without --media-root.
    void listen()
    {
        const QString log = testenv::dataDir() + "/listen.bin";
        QFile::remove(log);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("VISTREL_WIRE_LOG", log);
        QProcess refused;
        refused.setProcessEnvironment(env);
        refused.start(QStringLiteral(VIRTUAL_CONSOLE), {"--listen", "0.0.0.0:0"});
        QVERIFY(refused.waitForFinished(10000));
        QCOMPARE(refused.exitCode(), 1);
        QVERIFY(QString::fromLocal8Bit(refused.readAllStandardError()).contains("without --media-root"));
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(VIRTUAL_CONSOLE), {"--listen", "127.0.0.1:0"});
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
