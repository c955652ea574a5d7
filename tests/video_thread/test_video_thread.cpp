// The video worker on its own, on the virtual bridge: one frame per decoded
// frame in order, the end of the file, looping, stopping, and the pacing.
#include "display_media.h"
#include "frame_pacer.h"
#include "test_environment.h"
#include "videothread.h"

#include <QPointer>
#include <QSignalSpy>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <numeric>
#include <thread>

using namespace displaytest;
using Clock = std::chrono::steady_clock;
using vistrel::display::FramePacer;
using vistrel::virt::Testbed;

namespace {

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

} // namespace

class VideoThreadTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void pacerPeriod_data();
    void pacerPeriod();
    void pacerDoesNotBurstAfterFallingBehind();
    void pacerAnswersStopWhileWaiting();

    void sendsOneFramePerDecodedFrame();
    void loopRestartsAtFirstFrame();
    void unopenableFileSendsNothingUntilStopped();
    void stopJoinsAndReleasesRunningWorker();
    void stopOnFinishedWorkerOnlyClearsPlaying();
    void writesKeepThePeriod_data();
    void writesKeepThePeriod();
    void lowRatesAreOneFramePerSecond_data();
    void lowRatesAreOneFramePerSecond();

private:
    VideoThread *startWorker(const QString &path, int fps, bool loop);

    FT_HANDLE m_handle = nullptr;
    QString m_ramp36;
    QString m_ramp12;
    QString m_ramp3;
    std::vector<int> m_levels36;
    std::vector<int> m_levels12;
};

void VideoThreadTest::initTestCase()
{
    m_ramp36 = testenv::dataDir() + "/ramp36.mp4";
    m_ramp12 = testenv::dataDir() + "/ramp12.mp4";
    m_ramp3 = testenv::dataDir() + "/ramp3.mp4";
    QVERIFY(writeRampVideo(m_ramp36, 36));
    QVERIFY(writeRampVideo(m_ramp12, 12));
    QVERIFY(writeRampVideo(m_ramp3, 3));
    m_levels36 = decodedLevels(m_ramp36);
    m_levels12 = decodedLevels(m_ramp12);
    QCOMPARE(m_levels36.size(), std::size_t(36));
    QCOMPARE(m_levels12.size(), std::size_t(12));
    for (std::size_t i = 1; i < m_levels36.size(); ++i)
        QVERIFY2(m_levels36[i] - m_levels36[i - 1] >= 3, "frames must be told apart by their gray level");
}

void VideoThreadTest::init()
{
    Testbed::instance().reset();
    char serial[] = "VPANEL01";
    QCOMPARE(FT_OpenEx(serial, FT_OPEN_BY_SERIAL_NUMBER, &m_handle), FT_STATUS(FT_OK));
    Testbed::instance().clearCaptured(kSerial);
}

void VideoThreadTest::cleanup()
{
    FT_Close(m_handle);
    m_handle = nullptr;
}

VideoThread *VideoThreadTest::startWorker(const QString &path, int fps, bool loop)
{
    auto *worker = new VideoThread(path, fps);
    worker->deviceHandle = m_handle;
    worker->playing = true;
    worker->loopPlay = loop;
    return worker;
}

void VideoThreadTest::pacerPeriod_data()
{
    QTest::addColumn<int>("fps");
    QTest::addColumn<qint64>("periodNs");
    QTest::newRow("60 fps, not rounded to 16 ms") << 60 << qint64(16666667);
    QTest::newRow("24 fps") << 24 << qint64(41666667);
    QTest::newRow("1 fps") << 1 << qint64(1000000000);
    QTest::newRow("0 is taken as 1") << 0 << qint64(1000000000);
    QTest::newRow("negative is taken as 1") << -7 << qint64(1000000000);
}

void VideoThreadTest::pacerPeriod()
{
    QFETCH(int, fps);
    QFETCH(qint64, periodNs);
    const FramePacer pacer(fps);
    QCOMPARE(qint64(std::chrono::duration_cast<std::chrono::nanoseconds>(pacer.period()).count()), periodNs);
}

void VideoThreadTest::pacerDoesNotBurstAfterFallingBehind()
{
    std::atomic<bool> keepGoing{true};
    FramePacer pacer(100);  // 10 ms
    QVERIFY(pacer.waitForTurn(keepGoing));
    std::this_thread::sleep_for(std::chrono::milliseconds(45));  // four periods late
    const auto late = Clock::now();
    QVERIFY(pacer.waitForTurn(keepGoing));
    QVERIFY2(msSince(late) < 3, "a late frame goes out at once");
    const auto second = Clock::now();
    QVERIFY(pacer.waitForTurn(keepGoing));
    QVERIFY2(msSince(second) >= 9.9, "the frame after a late one still waits a whole period");
}

void VideoThreadTest::pacerAnswersStopWhileWaiting()
{
    std::atomic<bool> keepGoing{true};
    FramePacer pacer(1);
    QVERIFY(pacer.waitForTurn(keepGoing));
    std::thread stopper([&keepGoing] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        keepGoing = false;
    });
    const auto start = Clock::now();
    const bool turn = pacer.waitForTurn(keepGoing);
    const double waited = msSince(start);
    stopper.join();
    QVERIFY(!turn);
    QVERIFY2(waited < 300, qPrintable(QString("stop seen after %1 ms").arg(waited)));
}

void VideoThreadTest::sendsOneFramePerDecodedFrame()
{
    std::unique_ptr<VideoThread> worker(startWorker(m_ramp36, 60, false));
    QSignalSpy frames(worker.get(), &VideoThread::frameReady);
    QSignalSpy ends(worker.get(), &VideoThread::sendFrameStop);
    QSignalSpy debug(worker.get(), &VideoThread::sendDebug);
    worker->start();
    QVERIFY(worker->wait(10000));

    const auto bytes = wire();
    QCOMPARE(bytes.size(), std::size_t(36 * 36004));
    for (std::size_t i = 0; i < 36; ++i) {
        const std::size_t at = i * 36004;
        QCOMPARE(testenv::hex({bytes.begin() + at, bytes.begin() + at + 2}), QString("FF 00"));
        QCOMPARE(testenv::hex({bytes.begin() + at + 36002, bytes.begin() + at + 36004}), QString("0D 0A"));
    }
    std::vector<int> expected(36);
    std::iota(expected.begin(), expected.end(), 0);
    QCOMPARE(summarize(bytes, m_levels36).frames, expected);

    QCOMPARE(ends.count(), 1);
    QCOMPARE(ends.at(0).at(0).toBool(), false);
    QCOMPARE(debug.count(), 1);
    QCOMPARE(debug.at(0).at(0).toString(), QString("Inform: Able to open video file."));
    QCOMPARE(frames.count(), 36);
    const QImage preview = frames.at(5).at(0).value<QImage>();
    QCOMPARE(preview.size(), QSize(64, 36));
    QCOMPARE(preview.format(), QImage::Format_Grayscale8);
    QVERIFY(std::abs(qGray(preview.pixel(32, 18)) - m_levels36[5]) <= 1);
    QVERIFY(!worker->playing);
}

void VideoThreadTest::loopRestartsAtFirstFrame()
{
    VideoThread *worker = startWorker(m_ramp12, 60, true);
    QSignalSpy ends(worker, &VideoThread::sendFrameStop);
    worker->start();
    QTRY_VERIFY_WITH_TIMEOUT(Testbed::instance().panel(kSerial).framesReceived >= 30, 10000);
    worker->stop();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    const std::vector<int> frames = summarize(wire(), m_levels12).frames;
    QVERIFY(frames.size() >= 30);
    for (std::size_t i = 0; i < frames.size(); ++i)
        QCOMPARE(frames[i], int(i % 12));
    QCOMPARE(ends.count(), 0);
}

void VideoThreadTest::unopenableFileSendsNothingUntilStopped()
{
    const QString notAVideo = testenv::dataDir() + "/not_a_video.mp4";
    QFile file(notAVideo);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("this is no video at all");
    file.close();

    VideoThread *worker = startWorker(notAVideo, 60, false);
    QPointer<VideoThread> alive(worker);
    QSignalSpy debug(worker, &VideoThread::sendDebug);
    QSignalSpy ends(worker, &VideoThread::sendFrameStop);
    worker->start();
    QTRY_COMPARE(debug.count(), 1);
    QCOMPARE(debug.at(0).at(0).toString(), QString("Error: Unable to open video file."));
    QTest::qWait(150);
    QVERIFY2(worker->isRunning(), "runs until stopped from outside");
    const auto start = Clock::now();
    worker->stop();
    QVERIFY(msSince(start) < 200);
    QVERIFY(wire().empty());
    QCOMPARE(ends.count(), 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(alive.isNull());
}

void VideoThreadTest::stopJoinsAndReleasesRunningWorker()
{
    VideoThread *worker = startWorker(m_ramp36, 30, true);
    QPointer<VideoThread> alive(worker);
    worker->start();
    QTRY_VERIFY(Testbed::instance().panel(kSerial).framesReceived >= 2);
    worker->stop();
    QVERIFY(worker->isFinished());
    QVERIFY(!worker->playing);
    QVERIFY2(!alive.isNull(), "deletion is deferred to the event loop");
    const std::size_t sent = wire().size();
    QTest::qWait(80);  // more than two periods: nothing may follow the stop
    QCOMPARE(wire().size(), sent);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(alive.isNull());
}

void VideoThreadTest::stopOnFinishedWorkerOnlyClearsPlaying()
{
    VideoThread *worker = startWorker(m_ramp3, 60, false);
    QPointer<VideoThread> alive(worker);
    worker->start();
    QVERIFY(worker->wait(10000));
    worker->playing = true;  // as if nobody had noticed the end yet
    worker->stop();
    QVERIFY(!worker->playing);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(!alive.isNull(), "a finished worker is left to its owner");
    delete worker;
}

void VideoThreadTest::writesKeepThePeriod_data()
{
    QTest::addColumn<int>("fps");
    QTest::newRow("60 fps") << 60;
    QTest::newRow("25 fps") << 25;
}

// The bridge stamps a frame after taking it, so a worker preempted between
// its turn and the stamp makes one interval look long and the next one short
// by the same amount; on a busy machine a few intervals are allowed to look
// short. The mean interval sees no such noise but for its two ends.
void VideoThreadTest::writesKeepThePeriod()
{
    QFETCH(int, fps);
    const double periodMs = 1000.0 / fps;
    FrameClock clock;
    std::unique_ptr<VideoThread> worker(startWorker(m_ramp36, fps, false));
    worker->start();
    QVERIFY(worker->wait(10000));

    const std::vector<double> intervals = clock.intervalsMs();
    QCOMPARE(intervals.size(), std::size_t(35));
    const auto shortOnes = std::count_if(intervals.begin(), intervals.end(),
                                         [periodMs](double interval) { return interval < periodMs - 1.0; });
    const double mean = std::accumulate(intervals.begin(), intervals.end(), 0.0) / intervals.size();
    QString all;
    for (double interval : intervals)
        all += QString::number(interval, 'f', 2) + " ";
    QVERIFY2(shortOnes <= 3, qPrintable("intervals (ms): " + all));
    QVERIFY2(std::abs(mean - periodMs) <= periodMs * 0.10, qPrintable(QString("mean interval %1 ms").arg(mean)));
}

void VideoThreadTest::lowRatesAreOneFramePerSecond_data()
{
    QTest::addColumn<int>("fps");
    QTest::newRow("0") << 0;
    QTest::newRow("-3") << -3;
}

void VideoThreadTest::lowRatesAreOneFramePerSecond()
{
    QFETCH(int, fps);
    FrameClock clock;
    VideoThread *worker = startWorker(m_ramp36, fps, false);
    worker->start();
    QTRY_COMPARE(clock.count(), std::size_t(1));
    QTest::qWait(400);
    QCOMPARE(clock.count(), std::size_t(1));
    const auto start = Clock::now();
    worker->stop();
    const double stopMs = msSince(start);
    QVERIFY2(stopMs < 200, qPrintable(QString("stop took %1 ms in a 1 s period").arg(stopMs)));
    QCOMPARE(clock.count(), std::size_t(1));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_MAIN(VideoThreadTest)
#include "test_video_thread.moc"
