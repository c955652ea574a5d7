// Every user action against every bridge fault: the session and the window
// end agreeing with each other and the panel, no worker left, nothing hangs.
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

// The driver calls a link makes, OpenEx to Close in the order of D2xxCall.
const char *const kCalls[] = {"FT_OpenEx", "FT_ResetDevice", "FT_Purge", "FT_SetBitMode", "FT_SetUSBParameters",
                              "FT_SetFlowControl", "FT_SetTimeouts", "FT_Write", "FT_Close"};

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
        const QMap<QString, QString> buttons{{"open", "openButton"}, {"close", "openButton"}, {"set", "sendButton"},
            {"all on", "pushButton_brightness"}, {"checker", "pushButton_chessboard"}, {"picture", "startButton"},
            {"video start", "startButton"}, {"stop", "startButton"}};
        if (buttons.contains(action))
            button(*m_window, buttons[action])->click();
        QTest::qWait(action.startsWith("video") ? 300 : 20);  // let frames go out and faults land
    }

    void verifyConsistent()
    {
        const Content content = session().content();
        const LinkState link = session().linkState();
        VideoThread *worker = VistrelInspector::videoThread(*m_window);
        QCOMPARE(worker != nullptr, content == Content::Video);
        if (worker)
            QVERIFY(worker->isRunning());
        if (link != LinkState::Open) {
            QCOMPARE(content, Content::Idle);
        } else {
            QVERIFY(Testbed::instance().isOpen(kSerial));
            const auto panel = Testbed::instance().panel(kSerial);
            QCOMPARE(panel.showing, content != Content::Idle);
            if (content == Content::AllOn || content == Content::Checker) {
                QVERIFY(panel.lastFrame);
                // Slot 0 is lit in both patterns; slot 10 starts the checker's first dark cell.
                QCOMPARE(int(panel.lastFrame->gray(0)), 0xFF);
                QCOMPARE(int(panel.lastFrame->gray(10)), content == Content::AllOn ? 0xFF : 0x00);
                // Lit from idle, its own button was never locked and keeps the form's style.
                const char *own = content == Content::AllOn ? "pushButton_brightness" : "pushButton_chessboard";
                const QString style = button(*m_window, own)->styleSheet();
                QVERIFY(style != VistrelInspector::enabledButtonStyle(*m_window)
                        && style != VistrelInspector::disabledButtonStyle(*m_window));
            }
        }
        const bool showing = content == Content::Picture || content == Content::Video;
        QCOMPARE(buttonTexts(*m_window), QStringList({link == LinkState::Open ? "CLOSE" : "OPEN",
                                                      content == Content::AllOn ? "All OFF" : "All ON",
                                                      content == Content::Checker ? "Checker OFF" : "Checker ON",
                                                      showing ? "Stop" : "Start"}).join('|'));
        // Set, All ON, Checker and the two file buttons; Start waits out its second separately.
        const QString writers = content == Content::Idle ? "11111" : content == Content::AllOn ? "01000"
                                : content == Content::Checker ? "00100" : "00011";
        QCOMPARE(writersEnabled(*m_window).left(5), writers);
        for (const char *name : {"sendButton", "pushButton_brightness", "pushButton_chessboard", "pushButton_OpenFile_jpg"})
            QCOMPARE(button(*m_window, name)->styleSheet() == VistrelInspector::disabledButtonStyle(*m_window),
                     !button(*m_window, name)->isEnabled());
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
            for (int call = int(D2xxCall::OpenEx); call <= int(D2xxCall::Close); ++call) {
                for (FT_STATUS status : {FT_STATUS(FT_IO_ERROR), FT_STATUS(FT_DEVICE_NOT_FOUND)}) {
                    const char *name = kCalls[call - int(D2xxCall::OpenEx)];
                    const QString tag = QString("%1, %2 %3").arg(action, name, status == FT_IO_ERROR ? "io error" : "not found");
                    QTest::newRow(qPrintable(tag)) << action << "call" << call << uint(status);
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

        QPointer<VideoThread> worker = VistrelInspector::videoThread(*m_window);
        clock.restart();
        m_window.reset();
        QVERIFY(worker.isNull());
        QVERIFY2(clock.elapsed() < 3000, "closing the console took longer than three seconds");
    }
};

QTEST_MAIN(TestFaultMatrix)
#include "test_fault_matrix.moc"
