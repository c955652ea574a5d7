// The window as a view of its session: after each way the panel's content or
// the link can end, every button shows its idle text and is free again;
// boxes say what went wrong; the Start lock follows the state.
#include "display_media.h"
#include "message_box_recorder.h"

#include <QCheckBox>

using namespace displaytest;

namespace {
const QStringList kTexts{"openButton", "pushButton_brightness", "pushButton_chessboard", "startButton"};
const QStringList kWriters{"sendButton", "pushButton_brightness", "pushButton_chessboard",
                           "pushButton_OpenFile_jpg", "pushButton_OpenFile_mp4", "startButton"};
} // namespace

class TestWindowView : public QObject
{
    Q_OBJECT
    std::unique_ptr<Vistrel> m_window;
    const QString m_picture = testenv::dataDir() + "/view.jpg";
    const QString m_video = rampVideo("view.mp4", 6);

    QString texts()
    {
        QStringList out;
        for (const QString &name : kTexts)
            out << button(*m_window, name)->text();
        return out.join('|');
    }
    QString enabled()  // one digit per writer button
    {
        QString out;
        for (const QString &name : kWriters)
            out += button(*m_window, name)->isEnabled() ? '1' : '0';
        return out;
    }
    void click(const QString &name) { button(*m_window, name)->click(); }
    void clickStartWhenFree()
    {
        QTRY_VERIFY_WITH_TIMEOUT(button(*m_window, "startButton")->isEnabled(), 2000);
        click("startButton");
    }

private slots:
    void initTestCase()
    {
        QVERIFY(!m_video.isEmpty());
        QVERIFY(cv::imwrite(m_picture.toStdString(), cv::Mat(40, 80, CV_8UC3, cv::Scalar::all(60))));
    }
    void init()
    {
        openWindowOnPanel(m_window);
        VistrelInspector::pollTimer(*m_window)->stop();  // the test polls itself
    }
    void cleanup() { m_window.reset(); }

    void afterEachEnding_data()
    {
        QTest::addColumn<QString>("shown");   // brought up first
        QTest::addColumn<QString>("ending");  // what takes it down
        QTest::addColumn<QString>("box");
        const QString lost = "bridge VPANEL01 disconnected: the link is closed and reopens when the bridge is back";
        for (const char *shown : {"all on", "checker", "picture", "video"}) {
            QTest::newRow(qPrintable(QString(shown) + ", CLOSE")) << QString(shown) << "close" << "";
            QTest::newRow(qPrintable(QString(shown) + ", unplugged")) << QString(shown) << "unplug" << lost;
        }
        QTest::newRow("video, its end") << "video once" << "end" << "";
        QTest::newRow("video, a failed frame") << "video" << "frame fails"
                                               << "video frame not sent\nFT_Write: FT_IO_ERROR: playback stopped";
    }
    void afterEachEnding()
    {
        QFETCH(QString, shown);
        QFETCH(QString, ending);
        QFETCH(QString, box);
        if (shown == "all on" || shown == "checker") {
            click(shown == "all on" ? "pushButton_brightness" : "pushButton_chessboard");
            QCOMPARE(enabled(), shown == "all on" ? "010000" : "001000");
        } else {
            const bool picture = shown == "picture";
            choose(*m_window, picture ? "pushButton_OpenFile_jpg" : "pushButton_OpenFile_mp4", picture ? m_picture : m_video);
            VistrelInspector::ui(*m_window).loopcheckBox->setChecked(shown == "video");
            click("startButton");
            QCOMPARE(texts(), "CLOSE|All ON|Checker ON|Stop");
            QCOMPARE(enabled(), "000110");  // Start itself waits out its second
        }
        MessageBoxRecorder boxes;
        if (ending == "close")
            click("openButton");
        else if (ending == "unplug") {
            Testbed::instance().unplug(kSerial);
            m_window->checkDevices();
        } else if (ending == "frame fails")
            Testbed::instance().failNext(vistrel::virt::D2xxCall::Write, 1, FT_IO_ERROR);
        const bool linkEnds = ending == "close" || ending == "unplug";
        QTRY_COMPARE_WITH_TIMEOUT(texts(), QString(linkEnds ? "OPEN" : "CLOSE") + "|All ON|Checker ON|Start", 5000);
        QTRY_COMPARE_WITH_TIMEOUT(enabled(), QString("111111"), 2000);
        // Buttons that were locked wear the enabled style again; a lit
        // pattern's own button was never locked and keeps the form's.
        QStringList unlocked{"sendButton", "pushButton_brightness", "pushButton_chessboard"};
        unlocked.removeAll(shown == "all on" ? "pushButton_brightness" : shown == "checker" ? "pushButton_chessboard" : "");
        verifyButtons(*m_window, unlocked, true);
        QCOMPARE(boxes.boxes().isEmpty() ? QString() : boxes.boxes().constLast().text, box);
        QVERIFY(!VistrelInspector::videoThread(*m_window));
    }

    // The replugged bridge is reopened by itself and the window says so.
    void replugReopens()
    {
        MessageBoxRecorder boxes;
        Testbed::instance().unplug(kSerial);
        m_window->checkDevices();
        QCOMPARE(texts().section('|', 0, 0), "OPEN");
        Testbed::instance().plug(kSerial);
        m_window->checkDevices();
        QCOMPARE(texts().section('|', 0, 0), "CLOSE");
        QCOMPARE(boxes.boxes().constLast().text, "bridge VPANEL01 reconnected: the link is open again");
        QCOMPARE(VistrelInspector::ui(*m_window).devicecomboBox->currentText(), kSerial);
    }

    // Start with the link closed says so and shows nothing.
    void startWithoutLink()
    {
        click("openButton");
        choose(*m_window, "pushButton_OpenFile_jpg", m_picture);
        MessageBoxRecorder boxes;
        click("startButton");
        QCOMPARE(boxes.boxes().size(), 1);
        QCOMPARE(boxes.boxes()[0].text, "device not connected");
        QCOMPARE(texts(), "OPEN|All ON|Checker ON|Start");
    }

    // A pattern lit while Start waits out its second keeps Start locked
    // after the second: it would otherwise send the picture over the pattern.
    void startLockUnderPattern()
    {
        choose(*m_window, "pushButton_OpenFile_jpg", m_picture);
        click("startButton");
        clickStartWhenFree();  // Stop: the second lock begins
        QVERIFY(!button(*m_window, "startButton")->isEnabled());
        click("pushButton_brightness");
        QTest::qWait(1200);
        QCOMPARE(enabled(), "010000");
        click("pushButton_brightness");
        QCOMPARE(enabled(), "111111");
        QString words;  // control words as letters, each frame as F
        for (const QString &word : packets())
            words += word.at(0).isLetter() && word.size() == 1 ? word : "F";
        QCOMPARE(words, "AFDAFD");  // the picture, then the pattern, nothing over it
    }
};

QTEST_MAIN(TestWindowView)
#include "test_window_view.moc"
