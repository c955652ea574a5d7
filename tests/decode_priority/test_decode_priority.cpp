// Decoding yields to the writer: while a video plays, the threads that decode
// it (the reader and the decoder's own) run one nice step below the writer,
// which keeps the nice value the program was started with.
#include "media_files.h"
#include "thread_priority.h"
#include "videothread.h"

#include <QDir>
#include <QtTest>

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

int niceOfThisThread()
{
    return getpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)));
}

// Nice values of the process's threads, from /proc (field 19 of each stat).
QList<int> niceOfEveryThread()
{
    QList<int> values;
    for (const QString &task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile stat("/proc/self/task/" + task + "/stat");
        if (stat.open(QIODevice::ReadOnly)) {
            const QByteArray text = stat.readAll();
            values << text.mid(text.lastIndexOf(')') + 2).split(' ').value(16).toInt();
        }
    }
    return values;
}

} // namespace

class TestDecodePriority : public QObject
{
    Q_OBJECT

private slots:
    void decodingRunsBelowTheWriter()
    {
        const QString video = displaytest::rampVideo("priority.mp4", 30);
        QVERIFY(!video.isEmpty());
        const int started = niceOfThisThread();
        std::atomic<int> writerNice{-100};
        vistrel::display::VideoOptions options;
        options.path = video;
        options.loop = true;
        options.sink = [&](const displaytest::Bytes &) {
            writerNice = niceOfThisThread();
            return true;
        };
        vistrel::display::VideoThread worker(std::move(options));
        worker.play();
        QTRY_COMPARE(writerNice.load(), started);
        const QList<int> nice = niceOfEveryThread();
        worker.stop();
        const int lowered = started + vistrel::display::kDecodingNiceStep;
        // The reader, and with more than one core the decoder's own threads.
        const int decoding = QThread::idealThreadCount() > 1 ? 2 : 1;
        QVERIFY2(nice.count(lowered) >= decoding, qPrintable(QString("%1 threads lowered").arg(nice.count(lowered))));
        QCOMPARE(nice.count(started) + nice.count(lowered), nice.size());
    }
};

QTEST_MAIN(TestDecodePriority)
#include "test_decode_priority.moc"
