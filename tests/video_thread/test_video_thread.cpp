// The video worker on its own: pacing, read-ahead, Loop Play, previews, progress
// and bounds. Its sink records what it is handed; no bridge is involved.
#include "media_files.h"
#include "frame_pacer.h"
#include "read_ahead.h"
#include "thread_priority.h"
#include "videothread.h"
#include <QDir>
#include <QSignalSpy>
#include <QtTest>
#include <mutex>
#include <thread>
#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

using namespace displaytest;
using vistrel::display::VideoOptions;
using vistrel::display::VideoThread;
using Clock = std::chrono::steady_clock;

// Which ramp frame the worker hands its sink ("?" if none); from the
// refuseFrom-th frame on the sink refuses them.
class Recorder {
public:
    vistrel::display::FrameSink sink()
    {
        return [this](const Bytes &frame) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_words << rampWord(frame[2 + 2 * 9000 + 1]);
            return refuseFrom == 0 || m_words.size() < refuseFrom;
        };
    }
    void reset()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_words.clear();
        refuseFrom = 0;
    }
    std::uint64_t count() const { return std::uint64_t(words().size()); }
    QStringList words() const { std::lock_guard<std::mutex> lock(m_mutex); return m_words; }
    std::atomic<int> refuseFrom{0};

private:
    mutable std::mutex m_mutex;
    QStringList m_words;
};

class VideoThreadTest : public QObject
{
    Q_OBJECT
    const QString m_ramp = rampVideo("ramp24.mp4", 24);
    const QString m_short = rampVideo("ramp5.mp4", 5);
    Recorder m_recorder;

    static double msSince(Clock::time_point start) { return std::chrono::duration<double, std::milli>(Clock::now() - start).count(); }

    std::unique_ptr<VideoThread> makeWorker(VideoOptions options)
    {
        m_recorder.reset();
        options.sink = m_recorder.sink();
        return std::make_unique<VideoThread>(options);
    }
    std::unique_ptr<VideoThread> startWorker(int fps, const QString &path, bool loop = false)
    {
        auto worker = makeWorker({path, fps, loop, 0, 0, {}, {}});
        worker->play();
        return worker;
    }

private slots:
    void initTestCase() { QVERIFY(!m_ramp.isEmpty() && !m_short.isEmpty()); }

    // The period is 1000 / fps ms, not rounded, fps below 1 taken as 1; a late
    // write goes out at once, and the next one still waits a whole period.
    // (Whole playbacks keeping it: test_playback's lastFrameDwell.)
    void pacer()
    {
        QCOMPARE(std::chrono::nanoseconds(vistrel::display::FramePacer(60).period()).count(), 16666667L);
        QCOMPARE(std::chrono::nanoseconds(vistrel::display::FramePacer(-7).period()).count(), 1000000000L);
        std::atomic<bool> keepGoing{true};
        vistrel::display::FramePacer pacer(100);
        QVERIFY(pacer.waitForTurn(keepGoing));
        std::this_thread::sleep_for(std::chrono::milliseconds(45));
        auto start = Clock::now();
        QVERIFY(pacer.waitForTurn(keepGoing) && msSince(start) < 5);
        start = Clock::now();
        QVERIFY(pacer.waitForTurn(keepGoing) && msSince(start) >= 9.9);
        const auto margin = pacer.wakeMargin();
        QVERIFY(margin >= std::chrono::microseconds(20) && margin <= std::chrono::microseconds(200));
    }

#ifdef __linux__
    // The waiting thread asks for short slices and keeps its nice value (a
    // console started with `nice` stays nice). Kernels before 6.12 keep no
    // slice for ordinary threads, so only the nice value is checked there.
    void pacingThreadAsksForShortSlices()
    {
        struct Attr {
            std::uint32_t size, policy;
            std::uint64_t flags;
            std::int32_t nice;
            std::uint32_t priority;
            std::uint64_t runtime, deadline, period;
        } attr{};
        std::thread pacing([&] {
            setpriority(PRIO_PROCESS, 0, 3);  // this thread only, on Linux
            vistrel::display::FramePacer::preciseSleepsOnThisThread();
            syscall(SYS_sched_getattr, 0, &attr, sizeof attr, 0);
        });
        pacing.join();
        QCOMPARE(attr.nice, 3);
        if (QVersionNumber::fromString(QSysInfo::kernelVersion()) < QVersionNumber(6, 12))
            QSKIP("this kernel keeps no slice for ordinary threads");
        QCOMPARE(attr.runtime, vistrel::display::FramePacer::kShortestSlice);
    }

    // Decoding yields to the writer: the reader and the decoder's own threads
    // run a nice step below it; the writer keeps the program's.
    void decodingRunsBelowTheWriter()
    {
        std::atomic<int> writerNice{-100};
        VideoThread worker({m_ramp, 60, true, 0, 0, {}, [&](const Bytes &) {
                                writerNice = getpriority(PRIO_PROCESS, 0);  // this thread, on Linux
                                return true;
                            }});
        worker.play();
        const int started = getpriority(PRIO_PROCESS, 0);
        QTRY_COMPARE(writerNice.load(), started);
        QList<int> nice;
        for (const QString &task : QDir("/proc/self/task").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile stat("/proc/self/task/" + task + "/stat");
            const QByteArray text = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
            nice << text.mid(text.lastIndexOf(')') + 2).split(' ').value(16).toInt();  // field 19
        }
        worker.stop();
        const int lowered = started + vistrel::display::kDecodingNiceStep;
        QVERIFY(nice.count(lowered) >= (QThread::idealThreadCount() > 1 ? 2 : 1));  // the decoder's threads with 2 cores
        QCOMPARE(nice.count(started) + nice.count(lowered), nice.size());
    }
#endif

    // At one frame a second, Stop is honoured at once (the writer asleep in its
    // pacer, the reader waiting with frames ready) and joins both threads.
    void stopWithinOnePeriod()
    {
        auto worker = startWorker(0, m_ramp);
        QTRY_COMPARE(m_recorder.count(), 1u);
        QTest::qWait(400);
        QCOMPARE(m_recorder.count(), 1u);
        const auto start = Clock::now();
        worker->stop();
        QVERIFY2(msSince(start) < 50, qPrintable(QString("stop took %1 ms").arg(msSince(start))));
        QVERIFY(worker->isFinished());
        QCOMPARE(m_recorder.count(), 1u);
    }

    // The reader reaches the end of the file first; Loop Play switched on
    // during the last frame still loops, as the writer finds it at the end of
    // that frame's period. (Switched off during a pass: test_playback's statusLine.)
    void loopSwitchedOnDuringTheLastFrame()
    {
        auto worker = startWorker(4, m_short);
        QTRY_COMPARE_WITH_TIMEOUT(m_recorder.count(), std::uint64_t(5), 3000);
        worker->setLoop(true);
        QTRY_VERIFY_WITH_TIMEOUT(m_recorder.count() >= 7, 5000);
        worker->stop();
        QCOMPARE(m_recorder.words().mid(0, 7), ramp(7, 5));
    }

    // Previews: the panel's 9:5 image fitted into the preview area, gray, following a new size.
    void previewsAndProgress()
    {
        // Two passes, so frames are still read after the resize below; the panel's 9:5 in 200 x 100: 180 x 100.
        auto worker = makeWorker({m_ramp, 60, true, 0, 2, {200, 100}, {}});
        QSignalSpy previews(worker.get(), &VideoThread::frameReady);
        QSignalSpy reports(worker.get(), &VideoThread::progress);
        worker->play();
        QTRY_VERIFY(m_recorder.count() >= 5);
        worker->setPreviewArea({100, 100});
        QVERIFY(worker->wait(5000));  // read only once the worker has ended
        QCOMPARE(previews.size(), 48);
        const QImage first = previews.first().first().value<QImage>();
        QCOMPARE(first.size(), QSize(180, 100));
        QCOMPARE(first.format(), QImage::Format_RGB32);
        for (const QPoint at : {QPoint(0, 0), QPoint(179, 99), QPoint(89, 50)}) {
            const QRgb shown = first.pixel(at);
            QVERIFY2(qRed(shown) == qGreen(shown) && qGreen(shown) == qBlue(shown) && std::abs(qGray(shown) - 16) <= 4,
                     qPrintable(QString::number(shown, 16)));
        }
        QCOMPARE(previews.last().first().value<QImage>().size(), QSize(100, 56));
        QVERIFY(reports.size() >= 2 && reports.size() < 24);  // a few a second, not one per frame
        const auto last = reports.last().first().value<vistrel::display::PlaybackProgress>();
        QCOMPARE(QString("%1 / %2 at %3").arg(last.frame).arg(last.totalFrames).arg(last.askedFps), QString("24 / 24 at 60"));
    }

    // The reader fills its queue, rests until the writer has taken all but
    // a few frames, and fills it again; large previews shorten the queue,
    // and one frame always fits, however large.
    void readAheadRuns_data()
    {
        using vistrel::display::ReadAhead;
        QTest::addColumn<qulonglong>("frameBytes");
        QTest::addColumn<qulonglong>("deepest");
        QTest::addColumn<qulonglong>("resumesAt");
        QTest::newRow("small frames") << qulonglong(40000) << qulonglong(ReadAhead::kMostFrames)
                                      << qulonglong(ReadAhead::kRefillAt);
        QTest::newRow("10 MB previews") << qulonglong(10) * 1024 * 1024 << qulonglong(5) << qulonglong(4);
        QTest::newRow("20 MB previews") << qulonglong(20) * 1024 * 1024 << qulonglong(3) << qulonglong(2);
        QTest::newRow("a frame larger than the whole budget") << qulonglong(100) * 1024 * 1024 << qulonglong(1)
                                                              << qulonglong(0);
    }
    void readAheadRuns()
    {
        QFETCH(qulonglong, frameBytes);
        QFETCH(qulonglong, deepest);
        QFETCH(qulonglong, resumesAt);
        vistrel::display::ReadAhead readAhead;
        std::size_t frames = 0;
        for (int pass = 0; pass < 2; ++pass) {  // the second run behaves as the first
            while (readAhead.roomFor(frames, frames * frameBytes) && frames < 1000)
                ++frames;
            QCOMPARE(qulonglong(frames), deepest);
            while (!readAhead.roomFor(frames, frames * frameBytes))
                --frames;  // the writer takes frames; the reader rests
            QCOMPARE(qulonglong(frames), resumesAt);
        }
    }

    // A bounded worker ends as at the end of its file, once: exactly the
    // frames the first bound reached allows, the file's end included. (Bounds
    // within the file and whole passes through vistrelctl: test_cli_runner.)
    // A frame the sink refuses ends it there, with no end reported.
    void bounds_data()
    {
        QTest::addColumn<bool>("loop");
        QTest::addColumn<int>("frameLimit");
        QTest::addColumn<int>("passLimit");
        QTest::addColumn<int>("frames");
        QTest::addColumn<int>("refused");  // the frame the sink refuses first; 0: none
        QTest::newRow("frames, past the end of a file played once") << false << 8 << 0 << 5 << 0;
        QTest::newRow("frames, past the end of a looping file") << true << 8 << 0 << 8 << 0;
        QTest::newRow("one pass") << true << 0 << 1 << 5 << 0;
        QTest::newRow("passes need a loop") << false << 0 << 3 << 5 << 0;
        QTest::newRow("frames before passes") << true << 7 << 3 << 7 << 0;
        QTest::newRow("a refused frame") << true << 0 << 0 << 2 << 3;
    }
    void bounds()
    {
        QFETCH(bool, loop);
        QFETCH(int, frameLimit);
        QFETCH(int, passLimit);
        QFETCH(int, frames);
        QFETCH(int, refused);
        auto worker = makeWorker({m_short, 60, loop, std::uint64_t(frameLimit), std::uint64_t(passLimit), {}, {}});
        m_recorder.refuseFrom = refused;
        QSignalSpy ends(worker.get(), &VideoThread::sendFrameStop);
        worker->play();
        QVERIFY(worker->wait(5000));
        QCOMPARE(ends.count(), refused ? 0 : 1);
        QVERIFY(refused || !ends.at(0).at(0).toBool());
        QCOMPARE(int(worker->framesWritten()), frames);
        QCOMPARE(m_recorder.words(), ramp(refused ? refused : frames, 5));
    }
};

QTEST_MAIN(VideoThreadTest)
#include "test_video_thread.moc"
