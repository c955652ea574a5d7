// vistrel-wire, the built tool, run on a log written here.
#include "display_frame.h"
#include "program_run.h"
#include "test_environment.h"

#include <QImage>
#include <QtTest>

using namespace vistrel::protocol;

namespace {

std::uint8_t pattern(int r, int c) { return std::uint8_t((255 - r * 2 - c) & 0xFF); }

testenv::ProgramRun runTool(const QStringList &arguments) { return testenv::runProgram(VISTREL_WIRE_TOOL, arguments); }

} // namespace

class TestWireTool : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void listsSessionLog();
    // A log that cannot be opened: tests/command_line.
    void writesFrame();

private:
    QString m_log;
};

void TestWireTool::initTestCase()
{
    Bytes image(kSlotCount);
    for (std::size_t slot = 0; slot < kSlotCount; ++slot)
        image[slot] = pattern(int(slot) / kPanelWidth, int(slot) % kPanelWidth);
    const auto word = [](const ControlWord &w) { return Bytes(w.begin(), w.end()); };
    // A short session: three stray bytes after the stop word, a control word cut short at the end.
    QByteArray log;
    for (const Bytes &part : {word(OpenCloseWord), word(DisplayStartWord), buildCheckerFrame(), word(DisplayStopWord), Bytes{0x12, 0x34, 0x56},
                              buildDriveSettingsPacket({-2, 2, -12, 12, -12, 12, 0, 0, 5, 0, 5, 0, 5}, std::nullopt), buildScanTimingPacket(0, 0, 60),
                              buildGrayFrame(image.data(), kPanelWidth, kPanelHeight, kPanelWidth, kFrameModeVideo), Bytes{0xFF, 0xAA, 0x0D}})
        log.append(reinterpret_cast<const char *>(part.data()), int(part.size()));
    QFile file(m_log = QDir(testenv::dataDir()).filePath(QStringLiteral("session.log")));
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(log), qint64(log.size()));
}

void TestWireTool::listsSessionLog()
{
    const testenv::ProgramRun run = runTool({m_log});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.err, QString());
    QCOMPARE(run.out.split('\n'), QStringList({
        "         0  OpenCloseWord           4",
        "         4  DisplayStartWord        4",
        "         8  DisplayFramePacket  36004  mode=04 gray min=0 mean=127.50 max=255",
        "     36012  DisplayStopWord         4",
        "     36019  DriveSettingsPacket  1554  Vss=7332 (-2.000 V), Vdd=8CCC (2.000 V), Voff=3333 (-12.000 V),"
        " Von=CCCC (12.000 V), Voff2=3333 (-12.000 V), Von2=CCCC (12.000 V), Vbias=7FFF (0.000 V);"
        " table0=803F..BFFF table1=803F..BFFF table2=803F..BFFF",
        "     37573  ScanTimingPacket       20  lead=0 body=16600 tail=0 period=6666",
        "     37593  DisplayFramePacket  36004  mode=00 gray min=0 mean=120.29 max=255",
        "packets: 7", "  DisplayStartWord    1", "  DisplayStopWord     1", "  OpenCloseWord       1",
        "  DriveSettingsPacket 1", "  ScanTimingPacket    1", "  DisplayFramePacket  2", "bytes: 73600",
        "protocol errors: 6", "  of which at the end of the log, in a packet cut short: 3", ""}));
}

void TestWireTool::writesFrame()
{
    for (const QString file : {"frame1.png", "frame1.pgm"}) {
        const QString out = QDir(testenv::dataDir()).filePath(file);
        QFile::remove(out);
        const testenv::ProgramRun run = runTool({m_log, "--frame", "1", "--out", out});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.out, QStringLiteral("frame 1 (offset 37593, mode 00) written to %1\n").arg(out));
        QFile picture(out);
        QVERIFY(picture.open(QIODevice::ReadOnly));
        QCOMPARE(picture.read(15) == "P5\n180 100\n255\n", file.endsWith(".pgm"));
        QImage expected(180, 100, QImage::Format_Grayscale8);
        for (int r = 0; r < 100; ++r)
            for (int c = 0; c < 180; ++c)
                expected.scanLine(r)[c] = pattern(r, c);
        QCOMPARE(QImage(out, file.endsWith(".pgm") ? "PGM" : "PNG").convertToFormat(QImage::Format_Grayscale8), expected);
    }
}

QTEST_MAIN(TestWireTool)
#include "test_wire_tool.moc"
