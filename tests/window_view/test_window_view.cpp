// The window as a view of its session: OPEN while a bridge is lost, the Start lock, shortcuts,
// the generated patterns and no preview while minimised (the buttons after every action and
// fault: tests/fault_matrix).
#include "display_media.h"
#include "message_box_recorder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>

using namespace displaytest;

class TestWindowView : public QObject
{
    Q_OBJECT
    std::unique_ptr<Vistrel> m_window;
    const QString m_picture = testenv::dataDir() + "/view.jpg";

    QString texts() { return buttonTexts(*m_window); }
    QString enabled() { return writersEnabled(*m_window); }
    void click(const QString &name) { button(*m_window, name)->click(); }
    void activate()  // for key presses
    {
        m_window->show();
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(cv::imwrite(m_picture.toStdString(), cv::Mat(40, 80, CV_8UC3, cv::Scalar::all(60))));
    }
    void init() { openWindowOnPanel(m_window); }
    void cleanup() { m_window.reset(); }

    // While the lost bridge is awaited the button reads OPEN; pressing it ends the wait (opening
    // another bridge if one is listed) and the lost one does not reopen when it is back.
    void openWhileLost_data()
    {
        QTest::addColumn<QString>("listed");  // plugged before the press
        QTest::newRow("none listed: the wait ends") << "";
        QTest::newRow("another listed: it opens") << "VPANEL02";
    }
    void openWhileLost()
    {
        QFETCH(QString, listed);
        MessageBoxRecorder boxes;
        Testbed::instance().unplug(kSerial);
        m_window->session().refreshDevices();
        QCOMPARE(texts().section('|', 0, 0), "OPEN");
        if (!listed.isEmpty())
            Testbed::instance().plug(listed.toStdString());
        m_window->session().refreshDevices();
        click("openButton");
        Testbed::instance().plug(kSerial);
        m_window->session().refreshDevices();
        QCOMPARE(boxes.boxes().constLast(),
                 "|bridge VPANEL01 disconnected: the link is closed and reopens when the bridge is back");
        QCOMPARE(texts().section('|', 0, 0), listed.isEmpty() ? "OPEN" : "CLOSE");
        QCOMPARE(testenv::hex(Testbed::instance().captured("VPANEL02"), 4), listed.isEmpty() ? "" : "FF FE 0D 0A");
        QCOMPARE(testenv::hex(Testbed::instance().captured(kSerial), 4), "");
        if (!listed.isEmpty())
            return;
        click("openButton");  // as after start-up
        QCOMPARE(testenv::hex(Testbed::instance().captured(kSerial), 4), "FF FE 0D 0A");
    }

    // A pattern lit while Start waits out its second keeps Start locked
    // after the second: it would otherwise send the picture over the pattern.
    void startLockUnderPattern()
    {
        choose(*m_window, "pushButton_OpenFile_jpg", m_picture);
        click("startButton");
        QTRY_VERIFY_WITH_TIMEOUT(button(*m_window, "startButton")->isEnabled(), 2000);
        click("startButton");  // Stop: the second lock begins
        QVERIFY(!button(*m_window, "startButton")->isEnabled());
        click("pushButton_brightness");
        QTest::qWait(1200);
        QCOMPARE(enabled(), "010000");
        click("pushButton_brightness");
        QCOMPARE(enabled(), "111111");
        QCOMPARE(letters(), "AFDAFD");  // the picture, then the pattern, nothing over it
    }

    // Each shortcut presses its button (and so obeys its lock); Ctrl+Q asks first.
    void shortcuts_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("after");  // texts, or the box
        QTest::newRow("Ctrl+L closes the link") << int(Qt::Key_L) << int(Qt::ControlModifier) << "OPEN|All ON|Checker ON|Start";
        QTest::newRow("Ctrl+1 lights All ON") << int(Qt::Key_1) << int(Qt::ControlModifier) << "CLOSE|All OFF|Checker ON|Start";
        QTest::newRow("Ctrl+2 lights the checker") << int(Qt::Key_2) << int(Qt::ControlModifier) << "CLOSE|All ON|Checker OFF|Start";
        QTest::newRow("Ctrl+P, F5 shows a picture") << int(Qt::Key_F5) << int(Qt::NoModifier) << "CLOSE|All ON|Checker ON|Stop";
        QTest::newRow("F5 under a lit pattern does nothing") << int(Qt::Key_F5) << int(Qt::NoModifier) << "CLOSE|All OFF|Checker ON|Start";
        QTest::newRow("Ctrl+S presses Set") << int(Qt::Key_S) << int(Qt::ControlModifier) << "|input fields are empty";
        QTest::newRow("Ctrl+Q asks before quitting") << int(Qt::Key_Q) << int(Qt::ControlModifier) << "Attention|Are you sure you want to exit?";
    }
    void shortcuts()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, after);
        activate();
        const QString row = QTest::currentDataTag();
        if (row.startsWith("Ctrl+P")) {
            VistrelInspector::setOpenFileDialog([this](QWidget *, const QString &, const QString &, const QString &) { return m_picture; });
            QTest::keyClick(m_window.get(), Qt::Key_P, Qt::ControlModifier);
            QCOMPARE(VistrelInspector::mediaPath(*m_window), m_picture);
        } else if (row.contains("under a lit pattern")) {
            choose(*m_window, "pushButton_OpenFile_jpg", m_picture);
            click("pushButton_brightness");
        }
        MessageBoxRecorder boxes(QMessageBox::No);
        QTest::keyClick(m_window.get(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        if (after.contains("|") && !after.contains("CLOSE") && !after.contains("OPEN")) {  // a box
            QCOMPARE(boxes.boxes(), QStringList{after});
            QVERIFY(m_window->isVisible());
        } else {
            QCOMPARE(texts(), after);
        }
    }

    // The generated patterns from the window: Show lights, then replaces,
    // Off takes down; the preview follows; Show is locked under a picture.
    void generatedPatterns()
    {
        activate();
        auto *names = m_window->findChild<QComboBox *>("patternComboBox");
        auto *first = m_window->findChild<QSpinBox *>("patternValue1");
        names->setCurrentText("gray");
        QVERIFY(first->isVisibleTo(m_window.get()) && first->maximum() == 255);
        first->setValue(40);
        QTest::keyClick(m_window.get(), Qt::Key_3, Qt::ControlModifier);
        const QImage preview = VistrelInspector::preview(*m_window);
        QCOMPARE(qGray(preview.pixel(preview.width() / 2, preview.height() / 2)), 40);
        QCOMPARE(enabled(), "000000");  // the seed buttons and media wait, as under All ON
        names->setCurrentText("border");
        QVERIFY(!m_window->findChild<QSpinBox *>("patternValue2")->isVisibleTo(m_window.get()));
        click("patternShowButton");
        click("patternShowButton");  // the one lit: nothing
        QTest::keyClick(m_window.get(), Qt::Key_4, Qt::ControlModifier);
        QCOMPARE(letters(), "AFFD");
        QVERIFY(VistrelInspector::preview(*m_window).isNull());
        QCOMPARE(enabled(), "111111");
        choose(*m_window, "pushButton_OpenFile_jpg", m_picture);
        click("startButton");
        QVERIFY(!button(*m_window, "patternShowButton")->isEnabled());
        QVERIFY(!button(*m_window, "patternOffButton")->isEnabled());
    }

    // Every control has a name and a description for assistive technology.
    // Minimised, the console makes no preview while the video still reaches the panel frame by
    // frame; restored, the previews come back.
    void noPreviewWhileMinimised()
    {
        const QString video = rampVideo("sight.mp4", 6);
        activate();
        auto &session = VistrelInspector::session(*m_window);
        const QSize shownArea = session.previewArea();
        QSignalSpy previews(&session, &vistrel::session::PanelSession::videoFrame);
        choose(*m_window, "pushButton_OpenFile_mp4", video);
        VistrelInspector::ui(*m_window).loopcheckBox->setChecked(true);
        click("startButton");
        QTRY_VERIFY(previews.count() > 0);
        m_window->showMinimized();
        QCOMPARE(session.previewArea(), QSize());
        QTest::qWait(700);  // the previews the worker made ahead before (24 frames at most)
        previews.clear();
        const auto before = wire().size();
        QTest::qWait(300);
        QCOMPARE(previews.count(), 0);
        QVERIFY(wire().size() > before + 10 * vistrel::protocol::kDisplayFrameSize);
        m_window->showNormal();
        QCOMPARE(session.previewArea(), shownArea);
        QTRY_VERIFY(previews.count() > 0);
    }

    void accessibleNames()
    {
        for (QWidget *control : m_window->findChildren<QWidget *>()) {
            const bool named = qobject_cast<QAbstractButton *>(control) || qobject_cast<QLineEdit *>(control)
                               || qobject_cast<QComboBox *>(control) || qobject_cast<QSpinBox *>(control);
            if (named && !control->objectName().startsWith("qt_"))  // not a spin box's own line edit
                QVERIFY2(!control->accessibleName().isEmpty() && !control->accessibleDescription().isEmpty(),
                         qPrintable(control->objectName()));
        }
    }
};

QTEST_MAIN(TestWindowView)
#include "test_window_view.moc"
