// Video playback driven through the main window on the virtual bridge:
// Start, Stop and the lock, the end of a video, Loop Play, and everything
// that may end a playback early (a new file, closing the link, quitting).
#include "display_media.h"
#include "message_box_recorder.h"
#include "test_environment.h"
#include "videothread.h"
#include "vistrel_inspector.h"

#include <QCheckBox>
#include <QLabel>
#include <QPointer>
#include <QtTest>

#include <algorithm>
#include <memory>
#include <numeric>

using namespace displaytest;
using vistrel::virt::Testbed;

namespace {

std::size_t framesOnPanel() { return Testbed::instance().panel(kSerial).framesReceived; }

// Waits without running the event loop, so signals queued for the window stay queued.
bool waitFinishedWithoutEvents(VideoThread *worker)
{
    return worker->wait(10000);
}

} // namespace

class PlaybackTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void startWithoutFileAsksForOne();
    void choosingVideoRecordsPathOnly();
    void videoPlaysToItsEndOnce();
    void secondPressWithinLockIsIgnored();
    void loopPlayDecidesAtTheEnd();
    void stopInTheMiddle();
    void closingLinkEndsPlayback();
    void quittingDuringPlayback();
    void choosingFileWhilePlaying_data();
    void choosingFileWhilePlaying();
    void stopAfterWorkerFinishedReleasesIt();
    void stopAfterPictureShownThenVideoChosen();

private:
    void chooseVideo(const QString &path);
    void chooseFile(const char *button, const QString &path);
    void pressStart();
    void waitForLock();
    QPushButton *button(const char *name) { return m_window->findChild<QPushButton *>(name); }
    QCheckBox *loopBox() { return VistrelInspector::ui(*m_window).loopcheckBox; }
    VideoThread *worker() { return VistrelInspector::videoThread(*m_window); }
    void verifyNoMoreFrames();

    std::unique_ptr<Vistrel> m_window;
    QString m_nextPath;
    QStringList m_captions;
    QStringList m_filters;
    QString m_ramp24;
    QString m_ramp12;
    QString m_picture;
    std::vector<int> m_levels24;
    std::vector<int> m_levels12;
};

void PlaybackTest::initTestCase()
{
    m_ramp24 = testenv::dataDir() + "/ramp24.mp4";
    m_ramp12 = testenv::dataDir() + "/ramp12.mp4";
    m_picture = testenv::dataDir() + "/gray.jpg";
    QVERIFY(writeRampVideo(m_ramp24, 24));
    QVERIFY(writeRampVideo(m_ramp12, 12));
    QVERIFY(writeJpeg(m_picture, flatImage({200, 100}, 128)));
    m_levels24 = decodedLevels(m_ramp24);
    m_levels12 = decodedLevels(m_ramp12);
    QCOMPARE(m_levels24.size(), std::size_t(24));
    QCOMPARE(m_levels12.size(), std::size_t(12));
    VistrelInspector::setOpenFileDialog(
        [this](QWidget *, const QString &caption, const QString &, const QString &filter) {
            m_captions.append(caption);
            m_filters.append(filter);
            return m_nextPath;
        });
}

// Each case opens the link the way the user does, then forgets its traffic.
void PlaybackTest::init()
{
    testenv::clearSettingsStore();
    Testbed::instance().reset();
    m_window = std::make_unique<Vistrel>();
    QCOMPARE(VistrelInspector::ui(*m_window).devicecomboBox->currentText(), QString(kSerial));
    button("openButton")->click();
    QVERIFY(VistrelInspector::deviceOpen(*m_window));
    Testbed::instance().clearCaptured(kSerial);
    m_captions.clear();
    m_filters.clear();
}

void PlaybackTest::cleanup()
{
    m_window.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void PlaybackTest::chooseFile(const char *name, const QString &path)
{
    m_nextPath = path;
    button(name)->click();
}

void PlaybackTest::chooseVideo(const QString &path) { chooseFile("pushButton_OpenFile_mp4", path); }

void PlaybackTest::pressStart()
{
    QVERIFY(button("startButton")->isEnabled());
    button("startButton")->click();
}

void PlaybackTest::waitForLock()
{
    QTRY_VERIFY_WITH_TIMEOUT(button("startButton")->isEnabled(), 1500);
}

void PlaybackTest::verifyNoMoreFrames()
{
    const std::size_t sent = wire().size();
    QTest::qWait(60);  // several periods at 60 frames per second
    QCOMPARE(wire().size(), sent);
}

void PlaybackTest::startWithoutFileAsksForOne()
{
    MessageBoxRecorder boxes;
    button("startButton")->click();
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].text, QString("No File"));
    QCOMPARE(boxes.boxes()[0].title, QString());
    QVERIFY2(button("startButton")->isEnabled(), "no lock without a file");
    QCOMPARE(button("startButton")->text(), QString("Start"));
    QVERIFY(wire().empty());
}

void PlaybackTest::choosingVideoRecordsPathOnly()
{
    chooseFile("pushButton_OpenFile_jpg", m_picture);
    chooseVideo(m_ramp24);
    QCOMPARE(m_captions.last(), QString("Open Video File"));
    QCOMPARE(m_filters.last(), QString("MP4 Files (*.mp4)"));
    QCOMPARE(VistrelInspector::mediaPath(*m_window), m_ramp24);
    QVERIFY(!VistrelInspector::stillImageMode(*m_window));
    QVERIFY2(!VistrelInspector::stillImage(*m_window).empty(), "the picture stays as it was");
    QVERIFY(!worker());

    chooseVideo(QString());  // cancelled
    QCOMPARE(VistrelInspector::mediaPath(*m_window), m_ramp24);
    QVERIFY(!VistrelInspector::stillImageMode(*m_window));
    QVERIFY(wire().empty());
}

void PlaybackTest::videoPlaysToItsEndOnce()
{
    chooseVideo(m_ramp24);
    pressStart();
    QCOMPARE(button("startButton")->text(), QString("Stop"));
    QVERIFY(worker());
    for (const char *name : {"sendButton", "pushButton_brightness", "pushButton_chessboard"})
        QVERIFY2(!button(name)->isEnabled(), name);

    QTRY_COMPARE_WITH_TIMEOUT(button("startButton")->text(), QString("Start"), 5000);
    QVERIFY(!worker());
    QTest::qWait(50);
    const WireSummary summary = summarize(wire(), m_levels24);
    QCOMPARE(QString::fromStdString(summary.shape), "A" + QString(24, 'F') + "D");
    std::vector<int> expected(24);
    std::iota(expected.begin(), expected.end(), 0);
    QCOMPARE(summary.frames, expected);
    QVERIFY(button("sendButton")->isEnabled());
    QCOMPARE(button("sendButton")->styleSheet(), VistrelInspector::enabledButtonStyle(*m_window));
    QVERIFY2(!button("pushButton_brightness")->isEnabled(), "patterns stay locked until the next Stop");
    QVERIFY(!button("pushButton_chessboard")->isEnabled());
    const QImage shown = VistrelInspector::ui(*m_window).videoShowlabel->pixmap(Qt::ReturnByValue).toImage();
    QCOMPARE(shown.size(), QSize(64, 36));
    QVERIFY(std::abs(qGray(shown.pixel(32, 18)) - m_levels24.back()) <= 1);
}

void PlaybackTest::secondPressWithinLockIsIgnored()
{
    chooseVideo(m_ramp12);
    loopBox()->setChecked(true);
    pressStart();
    VideoThread *first = worker();
    QVERIFY(!button("startButton")->isEnabled());
    m_window->on_StartVideo_click();
    QCOMPARE(worker(), first);
    QCOMPARE(button("startButton")->text(), QString("Stop"));
    QVERIFY(first->isRunning());

    waitForLock();
    pressStart();
    QCOMPARE(button("startButton")->text(), QString("Start"));
    QVERIFY(!worker());
    verifyNoMoreFrames();
    const std::string shape = summarize(wire(), m_levels12).shape;
    QCOMPARE(shape.front(), 'A');
    QCOMPARE(shape.back(), 'D');
    QCOMPARE(int(std::count(shape.begin(), shape.end(), 'D')), 1);
    QVERIFY2(std::count(shape.begin(), shape.end(), 'F') >= 30, "looped past the end for a second");
}

// Checked while playing, the box makes the video restart; unchecked again,
// the next end stops playback.
void PlaybackTest::loopPlayDecidesAtTheEnd()
{
    chooseVideo(m_ramp12);
    pressStart();
    loopBox()->setChecked(true);
    QTRY_VERIFY_WITH_TIMEOUT(framesOnPanel() >= 26, 5000);
    QCOMPARE(button("startButton")->text(), QString("Stop"));
    loopBox()->setChecked(false);
    QTRY_COMPARE_WITH_TIMEOUT(button("startButton")->text(), QString("Start"), 5000);
    QTest::qWait(50);

    const WireSummary summary = summarize(wire(), m_levels12);
    QVERIFY(summary.frames.size() >= 36);
    QCOMPARE(summary.frames.size() % 12, std::size_t(0));
    for (std::size_t i = 0; i < summary.frames.size(); ++i)
        QCOMPARE(summary.frames[i], int(i % 12));
    QCOMPARE(summary.shape.back(), 'D');
    QCOMPARE(int(std::count(summary.shape.begin(), summary.shape.end(), 'D')), 1);
}

void PlaybackTest::stopInTheMiddle()
{
    chooseVideo(m_ramp24);
    VistrelInspector::setFps(*m_window, 15);
    pressStart();
    QPointer<VideoThread> running(worker());
    waitForLock();
    QVERIFY(running->isRunning());
    pressStart();
    QVERIFY(!worker());
    QCOMPARE(button("startButton")->text(), QString("Start"));
    for (const char *name : {"sendButton", "pushButton_brightness", "pushButton_chessboard"}) {
        QVERIFY2(button(name)->isEnabled(), name);
        QCOMPARE(button(name)->styleSheet(), VistrelInspector::enabledButtonStyle(*m_window));
    }
    verifyNoMoreFrames();
    QVERIFY(running.isNull());
    const WireSummary summary = summarize(wire(), m_levels24);
    QVERIFY2(summary.frames.size() >= 14 && summary.frames.size() < 24,
             qPrintable(QString::fromStdString(summary.shape)));
    QCOMPARE(summary.shape.back(), 'D');
    QCOMPARE(int(std::count(summary.shape.begin(), summary.shape.end(), 'D')), 1);
}

void PlaybackTest::closingLinkEndsPlayback()
{
    chooseVideo(m_ramp12);
    loopBox()->setChecked(true);
    pressStart();
    QTRY_VERIFY(framesOnPanel() >= 3);
    button("openButton")->click();
    QVERIFY(!VistrelInspector::deviceOpen(*m_window));
    QVERIFY(!worker());
    QCOMPARE(button("startButton")->text(), QString("Start"));
    verifyNoMoreFrames();

    const std::string shape = summarize(wire(), m_levels12).shape;
    QCOMPARE(shape.substr(shape.size() - 2), std::string("DO"));
    const std::vector<std::string> calls = Testbed::instance().callHistory(kSerial);
    const auto close = std::find(calls.begin(), calls.end(), "FT_Close");
    QVERIFY(close != calls.end());
    QCOMPARE(int(std::count_if(close, calls.end(),
                               [](const std::string &call) { return call.rfind("FT_Write", 0) == 0; })),
             0);
}

void PlaybackTest::quittingDuringPlayback()
{
    chooseVideo(m_ramp12);
    loopBox()->setChecked(true);
    pressStart();
    QPointer<VideoThread> running(worker());
    QTRY_VERIFY(framesOnPanel() >= 3);
    m_window.reset();
    const std::size_t sent = wire().size();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY2(running.isNull(), "the stopped worker is released");
    QTest::qWait(60);
    QCOMPARE(wire().size(), sent);
    const std::string shape = summarize(wire(), m_levels12).shape;
    QCOMPARE(int(std::count(shape.begin(), shape.end(), 'D')), 0);
}

void PlaybackTest::choosingFileWhilePlaying_data()
{
    QTest::addColumn<QByteArray>("fileButton");
    QTest::addColumn<bool>("picture");
    QTest::addColumn<bool>("cancel");
    QTest::newRow("a picture") << QByteArray("pushButton_OpenFile_jpg") << true << false;
    QTest::newRow("another video") << QByteArray("pushButton_OpenFile_mp4") << false << false;
    QTest::newRow("dialog cancelled") << QByteArray("pushButton_OpenFile_mp4") << false << true;
}

// A chosen file ends the playback first: "Start" never shows over a running worker.
void PlaybackTest::choosingFileWhilePlaying()
{
    QFETCH(QByteArray, fileButton);
    QFETCH(bool, picture);
    QFETCH(bool, cancel);
    chooseVideo(m_ramp12);
    loopBox()->setChecked(true);
    pressStart();
    QPointer<VideoThread> running(worker());
    QTRY_VERIFY(framesOnPanel() >= 2);

    const QString chosen = cancel ? QString() : (picture ? m_picture : m_ramp24);
    chooseFile(fileButton.constData(), chosen);
    if (cancel) {
        QCOMPARE(worker(), running.data());
        QVERIFY(running->isRunning());
        QCOMPARE(button("startButton")->text(), QString("Stop"));
        QCOMPARE(VistrelInspector::mediaPath(*m_window), m_ramp12);
        return;
    }
    QVERIFY(!worker());
    QVERIFY(running.isNull());
    QCOMPARE(button("startButton")->text(), QString("Start"));
    QCOMPARE(VistrelInspector::mediaPath(*m_window), chosen);
    QCOMPARE(VistrelInspector::stillImageMode(*m_window), picture);
    verifyNoMoreFrames();
    const std::string shape = summarize(wire(), m_levels12).shape;
    QCOMPARE(shape.back(), 'D');
    QCOMPARE(int(std::count(shape.begin(), shape.end(), 'D')), 1);
    QVERIFY(button("pushButton_brightness")->isEnabled());
}

// The worker has ended and its end is still queued when Stop comes: Stop
// releases it, and the late end writes no second stop word.
void PlaybackTest::stopAfterWorkerFinishedReleasesIt()
{
    chooseVideo(m_ramp12);
    pressStart();
    QPointer<VideoThread> finished(worker());
    QVERIFY(waitFinishedWithoutEvents(finished));
    QCOMPARE(button("startButton")->text(), QString("Stop"));
    button("startButton")->setEnabled(true);  // as the lock's timer would
    pressStart();
    QVERIFY2(finished.isNull(), "a finished worker is released, not leaked");
    QVERIFY(!worker());
    QTest::qWait(50);  // deliver the queued end
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCOMPARE(button("startButton")->text(), QString("Start"));
    const WireSummary summary = summarize(wire(), m_levels12);
    QCOMPARE(QString::fromStdString(summary.shape), "A" + QString(12, 'F') + "D");
    QVERIFY(button("pushButton_brightness")->isEnabled());
}

void PlaybackTest::stopAfterPictureShownThenVideoChosen()
{
    chooseFile("pushButton_OpenFile_jpg", m_picture);
    pressStart();
    QCOMPARE(button("startButton")->text(), QString("Stop"));
    chooseVideo(m_ramp12);
    waitForLock();
    pressStart();
    QCOMPARE(button("startButton")->text(), QString("Start"));
    QVERIFY(!worker());
    QCOMPARE(QString::fromStdString(summarize(wire(), m_levels12).shape), QString("AFD"));
    QVERIFY(button("sendButton")->isEnabled());
    QVERIFY(button("pushButton_chessboard")->isEnabled());
}

QTEST_MAIN(PlaybackTest)
#include "test_playback.moc"
