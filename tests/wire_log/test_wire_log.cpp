// The wire log: bytes appended unchanged and in order, across resets and
// concurrent writers; a broken path reported once; fed by the virtual bridge.
#include "d2xx.h"
#include "packets.h"
#include "test_environment.h"
#include "virtual_bridge.h"
#include "wire_log.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <thread>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

using Bytes = std::vector<std::uint8_t>;
using vistrel::virt::Testbed;
Q_DECLARE_METATYPE(std::vector<Bytes>)

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray toArray(const Bytes &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()), int(bytes.size()));
}

void useLog(const QString &path)
{
    qputenv("VISTREL_WIRE_LOG", QFile::encodeName(path));
    vistrel::wireLogReset();
}

void append(const Bytes &bytes)
{
    vistrel::wireLogAppend(bytes.data(), bytes.size());
}

#if defined(_WIN32)
int duplicateFd(int fd) { return _dup(fd); }
void redirectFd(int from, int to) { _dup2(from, to); }
void closeFd(int fd) { _close(fd); }
int fdOf(std::FILE *file) { return _fileno(file); }
#else
int duplicateFd(int fd) { return dup(fd); }
void redirectFd(int from, int to) { dup2(from, to); }
void closeFd(int fd) { ::close(fd); }
int fdOf(std::FILE *file) { return fileno(file); }
#endif

// Sends what the process writes on stderr to a file while it exists.
class StderrCapture {
public:
    explicit StderrCapture(const QString &path) : m_path(path)
    {
        std::fflush(stderr);
        m_saved = duplicateFd(fdOf(stderr));
        std::FILE *sink = std::fopen(QFile::encodeName(path).constData(), "wb");
        if (sink) {
            redirectFd(fdOf(sink), fdOf(stderr));
            std::fclose(sink);
        }
    }
    ~StderrCapture() { restore(); }
    QString text()
    {
        restore();
        return QString::fromLocal8Bit(readAll(m_path));
    }

private:
    void restore()
    {
        if (m_saved < 0)
            return;
        std::fflush(stderr);
        redirectFd(m_saved, fdOf(stderr));
        closeFd(m_saved);
        m_saved = -1;
    }
    QString m_path;
    int m_saved = -1;
};

} // namespace

class TestWireLog : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void appendsBytesUnchanged_data();
    void appendsBytesUnchanged();
    void keepsAppendingAcrossResets();
    void resetPicksUpNewPath();
    void noVariableNoLog_data();
    void noVariableNoLog();
    void unwritablePathReportedOnce_data();
    void unwritablePathReportedOnce();
    void concurrentAppendsStayWhole();
    void virtualBridgeLogsAcceptedWrites();

private:
    QTemporaryDir m_dir;
    QString m_log;
};

void TestWireLog::init()
{
    QVERIFY(m_dir.isValid());
    m_log = m_dir.filePath(QString("wire-%1.bin").arg(QTest::currentTestFunction()));
    QFile::remove(m_log);
    useLog(m_log);
}

void TestWireLog::cleanup()
{
    qunsetenv("VISTREL_WIRE_LOG");
    vistrel::wireLogReset();
    Testbed::instance().reset();
}

void TestWireLog::appendsBytesUnchanged_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<std::vector<Bytes>>("chunks");

    Bytes frame(36004);
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = std::uint8_t(i * 31 + 7);
    QTest::newRow("one control word") << QByteArray() << std::vector<Bytes>{{0xFF, 0xFE, 0x0D, 0x0A}};
    QTest::newRow("binary kept as is")
        << QByteArray() << std::vector<Bytes>{{0x00, 0x0D, 0x0A, 0x1A}, {0xFF}, {0x0A, 0x0D, 0x00}};
    QTest::newRow("empty chunk ignored") << QByteArray() << std::vector<Bytes>{{0x01}, {}, {0x02}};
    QTest::newRow("big frame") << QByteArray() << std::vector<Bytes>{frame, {0xFF, 0xAA, 0x0D, 0x0A}};
    QTest::newRow("existing file kept") << QByteArray("earlier\r\n") << std::vector<Bytes>{{0xFF, 0xFD}};
}

void TestWireLog::appendsBytesUnchanged()
{
    QFETCH(QByteArray, before);
    QFETCH(std::vector<Bytes>, chunks);
    if (!before.isNull()) {
        QFile file(m_log);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    QByteArray expected = before;
    for (const Bytes &chunk : chunks) {
        append(chunk);
        expected += toArray(chunk);
        // Flushed after every write: visible at once to another reader.
        QCOMPARE(readAll(m_log).toHex(), expected.toHex());
    }
}

void TestWireLog::keepsAppendingAcrossResets()
{
    append({0x01, 0x02});
    vistrel::wireLogReset();
    append({0x03});
    Testbed::instance().reset();
    append({0x04, 0x05});
    QCOMPARE(readAll(m_log).toHex(), QByteArray("0102030405"));
}

void TestWireLog::resetPicksUpNewPath()
{
    append({0xAA});
    const QString second = m_dir.filePath("second.bin");
    useLog(second);
    append({0xBB});
    QCOMPARE(readAll(m_log).toHex(), QByteArray("aa"));
    QCOMPARE(readAll(second).toHex(), QByteArray("bb"));
}

void TestWireLog::noVariableNoLog_data()
{
    QTest::addColumn<bool>("set");
    QTest::newRow("unset") << false;
    QTest::newRow("empty") << true;
}

void TestWireLog::noVariableNoLog()
{
    QFETCH(bool, set);
    append({0x11});
    if (set)
        qputenv("VISTREL_WIRE_LOG", "");
    else
        qunsetenv("VISTREL_WIRE_LOG");
    vistrel::wireLogReset();
    StderrCapture errors(m_dir.filePath("stderr-quiet.txt"));
    append({0x22});
    QCOMPARE(readAll(m_log).toHex(), QByteArray("11"));
    QCOMPARE(errors.text(), QString());
}

void TestWireLog::unwritablePathReportedOnce_data()
{
    QTest::addColumn<QString>("relative");
    QTest::newRow("missing folder") << QString("no/such/folder/wire.bin");
    QTest::newRow("a folder") << QString(".");
}

void TestWireLog::unwritablePathReportedOnce()
{
    QFETCH(QString, relative);
    const QString path = QDir(m_dir.path()).filePath(relative);
    useLog(path);
    StderrCapture errors(m_dir.filePath("stderr.txt"));
    for (int i = 0; i < 3; ++i)
        append({0xFF, 0xFE, 0x0D, 0x0A});
    const QString text = errors.text();
    QCOMPARE(text.split('\n', Qt::SkipEmptyParts).size(), 1);
    QVERIFY2(text.contains(path), qPrintable(text));
}

void TestWireLog::concurrentAppendsStayWhole()
{
    // Each chunk: writer id, sequence, then `length` copies of a byte that
    // depends on both; the lengths vary so that torn chunks misparse.
    constexpr int kWriters = 4;
    constexpr int kChunks = 300;
    auto chunkFor = [](int writer, int sequence) {
        const std::size_t length = 1 + (sequence * 37 + writer * 101) % 5000;
        Bytes chunk(3 + length, std::uint8_t(writer * 50 + sequence));
        chunk[0] = std::uint8_t(writer);
        chunk[1] = std::uint8_t(sequence >> 8);
        chunk[2] = std::uint8_t(sequence);
        return chunk;
    };
    std::vector<std::thread> writers;
    for (int w = 0; w < kWriters; ++w) {
        writers.emplace_back([&, w] {
            for (int s = 0; s < kChunks; ++s)
                append(chunkFor(w, s));
        });
    }
    for (auto &writer : writers)
        writer.join();

    const QByteArray log = readAll(m_log);
    int next[kWriters] = {};
    int at = 0;
    while (at < log.size()) {
        const int writer = std::uint8_t(log[at]);
        QVERIFY2(writer < kWriters, "chunk does not start where the last ended");
        const Bytes expected = chunkFor(writer, next[writer]++);
        QCOMPARE(log.mid(at, int(expected.size())).toHex(), toArray(expected).toHex());
        at += int(expected.size());
    }
    for (int count : next)
        QCOMPARE(count, kChunks);
}

void TestWireLog::virtualBridgeLogsAcceptedWrites()
{
    using namespace vistrel::protocol;
    Testbed &bed = Testbed::instance();
    FT_HANDLE handle = nullptr;
    QCOMPARE(FT_OpenEx(const_cast<char *>("VPANEL01"), FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_STATUS(FT_OK));
    FT_DWORD written = 0;
    ControlWord start = DisplayStartWord;
    ControlWord stop = DisplayStopWord;
    QCOMPARE(FT_Write(handle, start.data(), 4, &written), FT_STATUS(FT_OK));
    bed.failNext(vistrel::virt::D2xxCall::Write, 1, FT_IO_ERROR);
    QCOMPARE(FT_Write(handle, stop.data(), 4, &written), FT_STATUS(FT_IO_ERROR));
    QCOMPARE(FT_Write(handle, stop.data(), 4, &written), FT_STATUS(FT_OK));
    QCOMPARE(readAll(m_log).toHex(), toArray(bed.captured("VPANEL01")).toHex());

    bed.unplug("VPANEL01");
    QCOMPARE(FT_Write(handle, start.data(), 4, &written), FT_STATUS(FT_IO_ERROR));
    const QByteArray log = readAll(m_log);
    QCOMPARE(testenv::hex(Bytes(log.begin(), log.end())), QString("FF AA 0D 0A FF FD 0D 0A"));
}

QTEST_GUILESS_MAIN(TestWireLog)
#include "test_wire_log.moc"
