// Every user action against every fault the bridge can show: a driver call
// failing with each status that matters, an unplug, an unplug and replug, a
// slow link. Whatever happens, the session and the window must end in a state
// that agrees with itself and with what the panel received, no worker may be
// left running, and nothing may hang.
#include "display_media.h"
#include "message_box_recorder.h"
#include "videothread.h"

#include <QCheckBox>
#include <QElapsedTimer>

using namespace displaytest;
using vistrel::session::Content;
using vistrel::session::LinkState;
using vistrel::virt::D2xxCall;

namespace {

const QStringList kActions{"open", "set", "all on", "checker", "picture", "video start", "video running", "stop", "close"};

struct CallName {
    D2xxCall call;
    const char *name;
};
const CallName kCalls[] = {
    {D2xxCall::OpenEx, "FT_OpenEx"}, {D2xxCall::ResetDevice, "FT_ResetDevice"}, {D2xxCall::Purge, "FT_Purge"},
    {D2xxCall::SetBitMode, "FT_SetBitMode"}, {D2xxCall::SetUSBParameters, "FT_SetUSBParameters"},
    {D2xxCall::SetFlowControl, "FT_SetFlowControl"}, {D2xxCall::SetTimeouts, "FT_SetTimeouts"},
    {D2xxCall::Write, "FT_Write"}, {D2xxCall::Close, "FT_Close"},
};

// What the six writer buttons must allow for the content shown:
// Set, All ON, Checker, picture file, video file, Start.
QString expectedEnabled(Content content)
{
    switch (content) {
    case Content::Idle: return "111111";
    case Content::AllOn: return "010000";
    case Content::Checker: return "001000";
    default: return "000110";  // Start waits out its second separately
    }
}

} // namespace

class TestFaultMatrix : public QObject
{
    Q_OBJECT
    std::unique_ptr<Vistrel> m_window;
    const QString m_picture = testenv::dataDir() + "/matrix.jpg";
    const QString m_video = rampVideo("matrix.mp4", 8);

    vistrel::session::PanelSession &session() { return VistrelInspector::session(*m_window); }
    // Puts the console where the action starts from; that traffic is forgotten.
    void prepare(const QString &action)
    {
        auto &s = session();
        s.close();  // openWindowOnPanel opened the link; "open" starts from closed
        if (action != "open")
            QVERIFY(s.open(kSerial));
        if (action == "set") {
            for (const char *field : {"lineEdit_vdd", "lineEdit_vss", "lineEdit_von", "lineEdit_voff",
                                      "lineEdit_grvh", "lineEdit_grvl", "lineEdit_fps"})
                m_window->findChild<QLineEdit *>(field)->setText("5");
        } else if (action == "picture" || action == "stop") {
            QVERIFY(s.choosePicture(m_picture));
            if (action == "stop")
                QVERIFY(s.startShow(false));
        } else if (action.startsWith("video")) {
            s.chooseVideo(m_video);
            VistrelInspector::ui(*m_window).loopcheckBox->setChecked(true);
            if (action == "video running")
                QVERIFY(s.startShow(true));
        } else if (action == "close") {
            QVERIFY(s.togglePattern(vistrel::session::Pattern::Checker));
        }
        Testbed::instance().clearCaptured(kSerial);
    }

    void act(const QString &action)
    {
        if (action == "open" || action == "close")
            button(*m_window, "openButton")->click();
        else if (action == "set")
            button(*m_window, "sendButton")->click();
        else if (action == "all on")
            button(*m_window, "pushButton_brightness")->click();
        else if (action == "checker")
            button(*m_window, "pushButton_chessboard")->click();
        else if (action == "picture" || action == "video start" || action == "stop")
            button(*m_window, "startButton")->click();
        QTest::qWait(action.startsWith("video") ? 300 : 20);  // let frames go out and faults land
    }

    void verifyConsistent()
    {
        auto &s = session();
        const Content content = s.content();
        const LinkState link = s.linkState();
        // No worker without a video, and a video always has a running worker.
        VideoThread *worker = VistrelInspector::videoThread(*m_window);
        QCOMPARE(worker != nullptr, content == Content::Video);
        if (worker)
            QVERIFY(worker->isRunning());
        // A link that is not open shows nothing.
        if (link != LinkState::Open) {
            QCOMPARE(content, Content::Idle);
        } else {
            QVERIFY(Testbed::instance().config(kSerial).isOpen);
            // The panel shows exactly when the session says something is shown.
            const auto panel = Testbed::instance().panel(kSerial);
            QCOMPARE(panel.showing, content != Content::Idle);
            if (content == Content::AllOn || content == Content::Checker) {
                QVERIFY(panel.lastFrame);
                // Slot 0 is lit in both patterns; slot 10 starts the checker's first dark cell.
                QCOMPARE(int(panel.lastFrame->gray(0)), 0xFF);
                QCOMPARE(int(panel.lastFrame->gray(10)), content == Content::AllOn ? 0xFF : 0x00);
            }
        }
        // The window shows the session's state.
        const bool showing = content == Content::Picture || content == Content::Video;
        QCOMPARE(buttonTexts(*m_window), QStringList({link == LinkState::Open ? "CLOSE" : "OPEN",
                                                      content == Content::AllOn ? "All OFF" : "All ON",
                                                      content == Content::Checker ? "Checker OFF" : "Checker ON",
                                                      showing ? "Stop" : "Start"}).join('|'));
        QCOMPARE(writersEnabled(*m_window).left(5), expectedEnabled(content).left(5));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!m_video.isEmpty());
        QVERIFY(cv::imwrite(m_picture.toStdString(), cv::Mat(30, 60, CV_8UC3, cv::Scalar::all(100))));
    }
    void cleanup()
    {
        m_window.reset();
        Testbed::instance().setLinkRate(0);
    }

    void matrix_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<int>("call");
        QTest::addColumn<uint>("status");
        for (const QString &action : kActions) {
            for (const CallName &c : kCalls) {
                for (FT_STATUS status : {FT_STATUS(FT_IO_ERROR), FT_STATUS(FT_DEVICE_NOT_FOUND)}) {
                    const QString tag = QString("%1, %2 %3").arg(action, c.name, status == FT_IO_ERROR ? "io error" : "not found");
                    QTest::newRow(qPrintable(tag)) << action << "call" << int(c.call) << uint(status);
                }
            }
            for (const char *fault : {"unplug", "unplug, replug", "slow link"})
                QTest::newRow(qPrintable(action + ", " + fault)) << action << QString(fault) << -1 << 0u;
        }
    }
    void matrix()
    {
        QFETCH(QString, action);
        QFETCH(QString, fault);
        QFETCH(int, call);
        QFETCH(uint, status);
        openWindowOnPanel(m_window);
        VistrelInspector::pollTimer(*m_window)->stop();
        prepare(action);
        MessageBoxRecorder boxes(QMessageBox::No);
        if (fault == "call")
            Testbed::instance().failNext(D2xxCall(call), 1, status);
        else if (fault.startsWith("unplug"))
            Testbed::instance().unplug(kSerial);
        else
            Testbed::instance().setLinkRate(400000);  // a frame takes 90 ms

        QElapsedTimer clock;
        clock.start();
        act(action);
        if (fault.startsWith("unplug"))
            m_window->session().refreshDevices();
        if (fault == "unplug, replug") {
            Testbed::instance().plug(kSerial);
            m_window->session().refreshDevices();
        }
        QVERIFY2(clock.elapsed() < 5000, "an action took longer than five seconds");
        verifyConsistent();
        if (fault == "unplug, replug" && action != "open" && action != "close")
            QCOMPARE(session().linkState(), LinkState::Open);  // reopened by itself
        Testbed::instance().failNext(D2xxCall(call), 0, 0);  // an unused failure must not leak into teardown

        // The window goes without a trace of a worker, in bounded time.
        QPointer<VideoThread> worker = VistrelInspector::videoThread(*m_window);
        clock.restart();
        m_window.reset();
        QVERIFY(worker.isNull());
        QVERIFY2(clock.elapsed() < 3000, "closing the console took longer than three seconds");
    }
};

QTEST_MAIN(TestFaultMatrix)
#include "test_fault_matrix.moc"
