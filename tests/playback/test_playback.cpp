// Video playback through the main window, from Start to whatever ends it.
#include "display_media.h"
#include "videothread.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>

using namespace displaytest;

class PlaybackTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<Vistrel> m_window;
    const QString m_ramp = rampVideo("ramp12.mp4", 12), m_other = rampVideo("other.mp4", 12);
    const QString m_picture = testenv::dataDir() + "/gray.jpg";
    const QString m_short = rampVideo("ramp3.mp4", 3);

    QPushButton *startButton() { return button(*m_window, "startButton"); }
    VideoThread *worker() { return VistrelInspector::videoThread(*m_window); }
    // Starts a video; its worker once the third frame is on the panel.
    VideoThread *play(bool loop, const QString &video)
    {
        choose(*m_window, "pushButton_OpenFile_mp4", video);
        VistrelInspector::ui(*m_window).loopcheckBox->setChecked(loop);
        startButton()->click();
        return QTest::qWaitFor([] { return Testbed::instance().panel(kSerial).framesReceived >= 3; }) ? worker() : nullptr;
    }
    // The wire once nothing more comes: several periods at 60 frames per second.
    QStringList settledPackets()
    {
        const std::size_t sent = wire().size();
        QTest::qWait(60);
        return wire().size() == sent ? packets() : QStringList{"frames after the end"};
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!m_ramp.isEmpty() && !m_other.isEmpty() && !m_short.isEmpty());
        QVERIFY(cv::imwrite(m_picture.toStdString(), cv::Mat(100, 200, CV_8UC3, cv::Scalar::all(128))));
    }
    void init() { openWindowOnPanel(m_window); }

    // The ramp plays, looping unless it is to end by itself, and is ended: one
    // frame per decoded frame, then the words in `tail`; the worker is stopped
    // and released before anything else, and no frame follows.
    void playback_data()
    {
        QTest::addColumn<QString>("end");
        QTest::addColumn<QStringList>("tail");
        QTest::newRow("to its end") << "end" << QStringList{"D"};
        QTest::newRow("to its end, its end queued at Stop") << "end, then Stop" << QStringList{"D"};
        QTest::newRow("Stop after the lock") << "Stop" << QStringList{"D"};
        QTest::newRow("window destroyed") << "quit" << QStringList{"D", "O"};
        QTest::newRow("picture chosen") << "pushButton_OpenFile_jpg" << QStringList{"D"};
        QTest::newRow("video chosen") << "pushButton_OpenFile_mp4" << QStringList{"D"};
    }
    void playback()
    {
        QFETCH(QString, end);
        QFETCH(QStringList, tail);
        QPointer<VideoThread> running = play(!end.startsWith("end"), m_ramp);
        QVERIFY(running && startButton()->text() == "Stop");
        verifyButtons(*m_window, kLockedWhileShowing, false);
        const QString chosen = end.endsWith("jpg") ? m_picture : m_other;
        if (end == "end, then Stop") {
            QVERIFY(running->wait(10000));  // no event loop: its end stays queued
            startButton()->setEnabled(true);  // as the lock's timer would
            startButton()->click();
            QVERIFY2(running.isNull(), "a finished worker is released on Stop");
        } else if (end == "Stop") {
            m_window->on_StartVideo_click();  // within the second: ignored
            QCOMPARE(worker(), running.data());
            QTRY_VERIFY_WITH_TIMEOUT(startButton()->isEnabled(), 1500);
            startButton()->click();
        } else if (end == "quit") {
            m_window.reset();
        } else if (end != "end") {
            choose(*m_window, qPrintable(end), chosen);
        }
        QTRY_VERIFY_WITH_TIMEOUT(running.isNull(), 5000);
        const QStringList words = settledPackets();
        const int frames = words.size() - 1 - tail.size();
        QCOMPARE(words, QStringList{"A"} << ramp(frames, 12) << tail);
        QVERIFY2(end.startsWith("end") ? frames == 12 : end != "Stop" || frames > 30, "once, or looped for a second");
        const Bytes bytes = wire();
        QCOMPARE(bytes.size(), 4 + frames * 36004u + 4 * tail.size());
        for (std::size_t at = 4; at < 4 + frames * 36004u; at += 36004)  // each frame within its head and tail
            QCOMPARE(testenv::hex({bytes[at], bytes[at + 1], bytes[at + 36002], bytes[at + 36003]}), QString("FF 00 0D 0A"));
        if (!m_window)  // quit
            return;
        QCOMPARE(startButton()->text(), QString("Start"));
        verifyButtons(*m_window, kLockedWhileShowing, true);
        QVERIFY(!worker());
        if (end.startsWith("push"))
            QCOMPARE(VistrelInspector::mediaPath(*m_window), chosen);
    }

    // At 10 frames a second every frame stays up for its 100 ms, the last one
    // too before the stop word; the rewind of a loop adds no period. Gaps are
    // measured between the bridge's arrival stamps of consecutive packets.
    void lastFrameDwell_data()
    {
        QTest::addColumn<bool>("loop");
        QTest::newRow("once: the stop word after a whole period") << false;
        QTest::newRow("looped: the first frame one period after the last") << true;
    }
    void lastFrameDwell()
    {
        QFETCH(bool, loop);
        using Clock = std::chrono::steady_clock;
        std::vector<Clock::time_point> stamps;  // the worker's, then the GUI's after it has joined the worker
        const int listener = Testbed::instance().addPacketListener([&stamps](const std::string &, const auto &) { stamps.push_back(Clock::now()); });
        VistrelInspector::session(*m_window).setFps(10);
        play(loop, m_short);
        if (loop) {
            QVERIFY(QTest::qWaitFor([] { return Testbed::instance().panel(kSerial).framesReceived >= 5; }, 3000));
            startButton()->setEnabled(true);  // as the lock's timer would
            startButton()->click();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!worker(), 3000);
        Testbed::instance().removeListener(listener);
        const QStringList words = packets();
        QCOMPARE(words.mid(0, 5), QStringList{"A"} << ramp(3, 3) << (loop ? "0" : "D"));
        for (std::size_t i = 2; i < 5; ++i) {  // from the first frame's arrival to the fourth packet
            const double gap = std::chrono::duration<double, std::milli>(stamps[i] - stamps[i - 1]).count();
            QVERIFY2(gap >= 95 && gap < 170, qPrintable(QString("%1 ms before packet %2").arg(gap).arg(words[int(i)])));
        }
    }

    // While a video plays the line under the preview shows where it is and
    // the rate kept, from the session's reports (the last one: test_video_thread);
    // it empties when it ends.
    void statusLine()
    {
        QLabel *status = m_window->findChild<QLabel *>("playbackStatus");
        QVERIFY(status && status->text().isEmpty());
        QVERIFY(play(true, m_ramp));  // looping, so a slow machine still sees it play
        // The rate reads "60.0 fps", or says who falls behind on a slow machine.
        const QRegularExpression shown("^frame ([0-9]+) / 12 \u00B7 00:00 / 00:00 \u00B7 "
                                       "(decoder keeps )?[0-9.]+ (of 60 )?fps( kept)?$");
        QTRY_VERIFY2(shown.match(status->text()).hasMatch(), qPrintable(status->text()));
        VistrelInspector::ui(*m_window).loopcheckBox->setChecked(false);  // ends at the end of this pass
        QTRY_VERIFY_WITH_TIMEOUT(!worker(), 5000);
        QVERIFY(status->text().isEmpty());
    }
};

QTEST_MAIN(PlaybackTest)
#include "test_playback.moc"
