// vistrel-wire: its report and picture functions, then the built tool run
// on a log written here.
#include "display_frame.h"
#include "packets.h"
#include "stream_decoder.h"
#include "test_environment.h"
#include "wire_report.h"
#include "wire_tool.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QtTest>

using namespace vistrel;
using protocol::Bytes;
using protocol::DecodedPacket;

namespace {

std::uint8_t patternA(int r, int c) { return std::uint8_t((r * 5 + c * 3) & 0xFF); }
std::uint8_t patternB(int r, int c) { return std::uint8_t((255 - r * 2 - c) & 0xFF); }

Bytes patternFrame(std::uint8_t (*pattern)(int, int), std::uint8_t mode)
{
    Bytes image(protocol::kSlotCount);
    for (int r = 0; r < protocol::kPanelHeight; ++r)
        for (int c = 0; c < protocol::kPanelWidth; ++c)
            image[std::size_t(r * protocol::kPanelWidth + c)] = pattern(r, c);
    return protocol::buildGrayFrame(image.data(), protocol::kPanelWidth, protocol::kPanelHeight,
                                     protocol::kPanelWidth, mode);
}

DecodedPacket decodeOne(const Bytes &packet)
{
    protocol::StreamDecoder decoder;
    const auto packets = decoder.feed(packet.data(), packet.size());
    return packets.size() == 1 ? packets.front() : DecodedPacket{};
}

std::vector<double> formDefaults() { return {-2, 2, -12, 12, -12, 12, 0, 0, 5, 0, 5, 0, 5}; }

void append(Bytes &log, const Bytes &bytes) { log.insert(log.end(), bytes.begin(), bytes.end()); }

template <std::size_t N>
void append(Bytes &log, const std::array<std::uint8_t, N> &bytes)
{
    log.insert(log.end(), bytes.begin(), bytes.end());
}

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

ToolRun runTool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(VISTREL_WIRE_TOOL), arguments);
    ToolRun run;
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
        run.err = QStringLiteral("did not finish");
        return run;
    }
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The console's traffic of a short session, with three stray bytes after the
// stop word and a control word cut short at the end.
Bytes sessionLog()
{
    Bytes log;
    append(log, protocol::OpenCloseWord);                              // 0
    append(log, protocol::DisplayStartWord);                           // 4
    append(log, patternFrame(patternA, protocol::kFrameModeStill));     // 8
    append(log, protocol::DisplayStopWord);                            // 36012
    append(log, Bytes{0x12, 0x34, 0x56});                              // 36016
    append(log, protocol::buildDriveSettingsPacket(formDefaults(), std::nullopt));  // 36019
    append(log, protocol::buildScanTimingPacket(0, 0, 60));            // 37573
    append(log, patternFrame(patternB, protocol::kFrameModeVideo));     // 37593
    append(log, Bytes{0xFF, 0xAA, 0x0D});                              // 73597
    return log;
}

QString writeLog(const QString &name, const Bytes &bytes)
{
    const QString path = QDir(testenv::dataDir()).filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return {};
    file.write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
    return path;
}

} // namespace

class TestWireTool : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void arguments_data();
    void arguments();
    void packetLines_data();
    void packetLines();
    void driveLine();
    void listsSessionLog();
    void writesFrame_data();
    void writesFrame();
    void failsClearly_data();
    void failsClearly();
    void helpSaysFramesCountFromZero();

private:
    QString m_log;
};

void TestWireTool::initTestCase()
{
    m_log = writeLog(QStringLiteral("session.log"), sessionLog());
    QVERIFY(!m_log.isEmpty());
}

void TestWireTool::arguments_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");  // a part of the message; empty when valid
    QTest::addColumn<QString>("log");
    QTest::addColumn<int>("frame");       // -1: none
    QTest::newRow("log only") << QStringList{"a.log"} << "" << "a.log" << -1;
    QTest::newRow("frame and png") << QStringList{"a.log", "--frame", "3", "--out", "x.png"}
                                   << "" << "a.log" << 3;
    QTest::newRow("equals form, upper-case pgm") << QStringList{"--frame=0", "--out=x.PGM", "a.log"}
                                                 << "" << "a.log" << 0;
    QTest::newRow("help alone") << QStringList{"--help"} << "" << "" << -1;
    QTest::newRow("no log") << QStringList{} << "no log file" << "" << -1;
    QTest::newRow("two logs") << QStringList{"a.log", "b.log"} << "only one log file" << "" << -1;
    QTest::newRow("unknown option") << QStringList{"a.log", "-x"} << "unknown option -x" << "" << -1;
    QTest::newRow("frame not a number") << QStringList{"a.log", "--frame", "two", "--out", "x.png"}
                                        << "frame number" << "" << -1;
    QTest::newRow("negative frame") << QStringList{"a.log", "--frame", "-1", "--out", "x.png"}
                                    << "frame number" << "" << -1;
    QTest::newRow("frame without value") << QStringList{"a.log", "--frame"} << "needs a value" << "" << -1;
    QTest::newRow("frame without out") << QStringList{"a.log", "--frame", "1"} << "--frame needs --out" << "" << -1;
    QTest::newRow("out without frame") << QStringList{"a.log", "--out", "x.png"} << "--out needs --frame" << "" << -1;
    QTest::newRow("out not a picture") << QStringList{"a.log", "--frame", "1", "--out", "x.jpg"}
                                       << "must end in .png or .pgm" << "" << -1;
    QTest::newRow("extension only in folder") << QStringList{"a.log", "--frame", "1", "--out", "d.png/x"}
                                              << "must end in .png or .pgm" << "" << -1;
}

void TestWireTool::arguments()
{
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    QFETCH(QString, log);
    QFETCH(int, frame);
    std::vector<std::string> list;
    for (const QString &arg : args)
        list.push_back(arg.toStdString());
    const wire::ParsedArguments parsed = wire::parseWireArguments(list);
    const QString got = QString::fromStdString(parsed.error);
    if (error.isEmpty()) {
        QCOMPARE(got, QString());
        QCOMPARE(QString::fromStdString(parsed.options.logPath), log);
        QCOMPARE(parsed.options.frame.has_value(), frame >= 0);
        if (frame >= 0)
            QCOMPARE(*parsed.options.frame, std::uint64_t(frame));
    } else {
        QVERIFY2(got.contains(error), qPrintable(got));
    }
}

void TestWireTool::packetLines_data()
{
    QTest::addColumn<QByteArray>("packetHex");
    QTest::addColumn<int>("which");  // 0: given bytes, 1: all-on frame, 2: checker frame
    QTest::addColumn<QString>("line");
    QTest::newRow("start word") << QByteArray("FFAA0D0A") << 0
        << "         0  DisplayStartWord        4";
    QTest::newRow("open close word") << QByteArray("FFFE0D0A") << 0
        << "         0  OpenCloseWord           4";
    QTest::newRow("scan timing") << QByteArray("FF02000003E8000035200000 07D0 0023B4A0 0D0A").replace(' ', "") << 0
        << "         0  ScanTimingPacket       20  lead=1000 body=13600 tail=2000 period=2340000";
    QTest::newRow("all on") << QByteArray() << 1
        << "         0  DisplayFramePacket  36004  mode=04 gray min=255 mean=255.00 max=255";
    QTest::newRow("checker") << QByteArray() << 2
        << "         0  DisplayFramePacket  36004  mode=04 gray min=0 mean=127.50 max=255";
}

void TestWireTool::packetLines()
{
    QFETCH(QByteArray, packetHex);
    QFETCH(int, which);
    QFETCH(QString, line);
    const QByteArray raw = QByteArray::fromHex(packetHex);
    const Bytes packet = which == 1 ? protocol::buildAllOnFrame()
        : which == 2               ? protocol::buildCheckerFrame()
                                   : Bytes(raw.begin(), raw.end());
    QCOMPARE(QString::fromStdString(wire::describePacket(decodeOne(packet))), line);
}

void TestWireTool::driveLine()
{
    const DecodedPacket packet =
        decodeOne(protocol::buildDriveSettingsPacket(formDefaults(), std::nullopt));
    QCOMPARE(QString::fromStdString(wire::describePacket(packet)),
             QStringLiteral("         0  DriveSettingsPacket  1554  Vss=7332 (-2.000 V),"
                            " Vdd=8CCC (2.000 V), Voff=3333 (-12.000 V), Von=CCCC (12.000 V),"
                            " Voff2=3333 (-12.000 V), Von2=CCCC (12.000 V), Vbias=7FFF (-0.000 V);"
                            " table0=803F..BFFF table1=803F..BFFF table2=803F..BFFF"));
}

void TestWireTool::listsSessionLog()
{
    const ToolRun run = runTool({m_log});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    const QStringList expectedStarts{
        "         0  OpenCloseWord           4",
        "         4  DisplayStartWord        4",
        "         8  DisplayFramePacket  36004  mode=04 gray min=0 ",
        "     36012  DisplayStopWord         4",
        "     36019  DriveSettingsPacket  1554  Vss=7332 (-2.000 V),",
        "     37573  ScanTimingPacket       20  lead=0 body=16600 tail=0 period=6666",
        "     37593  DisplayFramePacket  36004  mode=00 gray min=",
        "packets: 7",
        "  DisplayStartWord    1",
        "  DisplayStopWord     1",
        "  OpenCloseWord       1",
        "  DriveSettingsPacket 1",
        "  ScanTimingPacket    1",
        "  DisplayFramePacket  2",
        "bytes: 73600",
        "protocol errors: 6",
        "  of which at the end of the log, in a packet cut short: 3",
    };
    QCOMPARE(lines.size(), expectedStarts.size());
    for (int i = 0; i < lines.size(); ++i)
        QVERIFY2(lines[i].startsWith(expectedStarts[i]), qPrintable(lines[i]));
}

void TestWireTool::writesFrame_data()
{
    QTest::addColumn<int>("frame");
    QTest::addColumn<QString>("file");
    QTest::newRow("first frame as pgm") << 0 << "frame0.pgm";
    QTest::newRow("second frame as png") << 1 << "frame1.png";
    QTest::newRow("second frame as upper-case PGM") << 1 << "frame1.PGM";
}

void TestWireTool::writesFrame()
{
    QFETCH(int, frame);
    QFETCH(QString, file);
    const QString out = QDir(testenv::dataDir()).filePath(file);
    QFile::remove(out);
    const ToolRun run = runTool({m_log, "--frame", QString::number(frame), "--out", out});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith(QStringLiteral("frame %1 (offset ").arg(frame)), qPrintable(run.out));

    QFile picture(out);
    QVERIFY(picture.open(QIODevice::ReadOnly));
    const QByteArray head = picture.read(15);
    const bool pgm = !file.endsWith(".png");
    QCOMPARE(head.startsWith("P5\n180 100\n255\n"), pgm);
    QImage image(out, pgm ? "PGM" : "PNG");
    QCOMPARE(image.size(), QSize(180, 100));
    QVERIFY(image.isGrayscale());
    const auto pattern = frame == 0 ? patternA : patternB;
    for (int r = 0; r < 100; ++r)
        for (int c = 0; c < 180; ++c)
            if (qGray(image.pixel(c, r)) != pattern(r, c))
                QFAIL(qPrintable(QStringLiteral("row %1 column %2").arg(r).arg(c)));
}

void TestWireTool::failsClearly_data()
{
    const QString dir = testenv::dataDir();
    const QString out = QDir(dir).filePath(QStringLiteral("never.pgm"));
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing log") << QStringList{QDir(dir).filePath("absent.log")} << 1
                                 << "cannot open";
    QTest::newRow("log is a folder") << QStringList{dir} << 1 << "cannot read";
    QTest::newRow("frame out of range") << QStringList{"LOG", "--frame", "2", "--out", out} << 1
                                        << "frame 2 out of range: LOG holds 2 display frames (numbered from 0)";
    QTest::newRow("unwritable picture") << QStringList{"LOG", "--frame", "0", "--out", dir + "/no/such/x.pgm"}
                                        << 1 << "cannot create";
    QTest::newRow("bad option") << QStringList{"LOG", "--verbose"} << 2 << "unknown option --verbose";
    QTest::newRow("bad frame number") << QStringList{"LOG", "--frame", "x1", "--out", out} << 2
                                      << "frame number";
    QTest::newRow("no arguments") << QStringList{} << 2 << "no log file";
}

void TestWireTool::failsClearly()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    args.replaceInStrings(QStringLiteral("LOG"), m_log);
    message.replace(QStringLiteral("LOG"), m_log);
    const QString never = QDir(testenv::dataDir()).filePath(QStringLiteral("never.pgm"));
    QFile::remove(never);
    const ToolRun run = runTool(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.startsWith(QStringLiteral("vistrel-wire: ")), qPrintable(run.err));
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QCOMPARE(run.out, QString());
    QVERIFY(!QFile::exists(never));
}

void TestWireTool::helpSaysFramesCountFromZero()
{
    const ToolRun run = runTool({"--help"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.startsWith(QStringLiteral("Usage: vistrel-wire LOGFILE")));
    QVERIFY(run.out.contains(QStringLiteral("counting from 0")));
}

QTEST_MAIN(TestWireTool)
#include "test_wire_tool.moc"
