// The wire log: accepted writes appended unchanged and in order.
#include "display_frame.h"
#include "virtual_bridge.h"
#include "wire_log.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <thread>

using Bytes = std::vector<std::uint8_t>;

namespace {

QByteArray readHex(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toHex() : "unreadable";
}

QByteArray hexOf(const Bytes &b) { return QByteArray(reinterpret_cast<const char *>(b.data()), int(b.size())).toHex(); }
void append(const Bytes &bytes) { vistrel::wireLogAppend(bytes.data(), bytes.size()); }
void useLog(const QString &path) { qputenv("VISTREL_WIRE_LOG", QFile::encodeName(path)); vistrel::wireLogReset(); }

} // namespace

class TestWireLog : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_log;

private slots:
    void init() { useLog(m_log = m_dir.filePath(QTest::currentTestFunction())); }
    void cleanup() { vistrel::virt::Testbed::instance().reset(); }

    void appendsUnchangedInOrder()
    {
        auto &bed = vistrel::virt::Testbed::instance();
        FT_HANDLE handle = nullptr;
        FT_DWORD n = 0;
        Bytes frame = vistrel::protocol::buildCheckerFrame();
        QCOMPARE(FT_OpenEx(const_cast<char *>("VPANEL01"), FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_STATUS(FT_OK));
        QCOMPARE(FT_Write(handle, frame.data(), 36004, &n), FT_STATUS(FT_OK));
        bed.failNext(vistrel::virt::D2xxCall::Write, 1, FT_IO_ERROR);
        QCOMPARE(FT_Write(handle, frame.data(), 4, &n), FT_STATUS(FT_IO_ERROR));  // refused: not logged
        append({0x00, 0x0A, 0x0D, 0x1A});
        QCOMPARE(readHex(m_log), hexOf(frame) + "000a0d1a");  // flushed at once
        vistrel::wireLogReset();
        append({0x03});
        bed.reset();
        append({0x04, 0x05});
        QCOMPARE(readHex(m_log), hexOf(frame) + "000a0d1a030405");
    }

    void unwritablePathIsHarmless()
    {
        append({0x11});
        for (const QString &path : {m_dir.filePath("no/such/wire.bin"), m_dir.path()}) {
            useLog(path);
            append({0xFF, 0xFE});
        }
        useLog(m_log);
        append({0x22});
        QCOMPARE(readHex(m_log), QByteArray("1122"));
    }

    void concurrentAppendsStayWhole()
    {
        // Each writer's chunks hold its own byte; their lengths vary with the sequence.
        auto chunk = [](int w, int s) { return Bytes(1 + (s * 37 + w * 101) % 5000, std::uint8_t(w + 1)); };
        std::vector<std::thread> writers;
        for (int w = 0; w < 4; ++w)
            writers.emplace_back([&, w] { for (int s = 0; s < 200; ++s) append(chunk(w, s)); });
        for (auto &writer : writers)
            writer.join();
        const QByteArray log = QByteArray::fromHex(readHex(m_log));
        int next[5] = {}, at = 0;
        while (at < log.size() && log[at] >= 1 && log[at] <= 4) {
            const QByteArray expected = hexOf(chunk(log[at] - 1, next[int(log[at])]++));
            QCOMPARE(log.mid(at, expected.size() / 2).toHex(), expected);
            at += expected.size() / 2;
        }
        QCOMPARE(at, log.size());
        QCOMPARE(QVector<int>(next + 1, next + 5), QVector<int>(4, 200));
    }
};

QTEST_GUILESS_MAIN(TestWireLog)
#include "test_wire_log.moc"
