// The two test patterns: each on and off (wire and buttons), and the refusal
// without an open device.
#include "display_media.h"
#include "message_box_recorder.h"

using namespace displaytest;

class DisplayPatternsTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<Vistrel> m_window;

private slots:
    void init() { openWindowOnPanel(m_window); }

    void toggleOnAndOff_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QStringList>("labels");  // while off, while on
        QTest::addColumn<QString>("otherPattern");
        QTest::addColumn<Bytes>("frame");
        QTest::newRow("All ON") << "pushButton_brightness" << QStringList{"All ON", "All OFF"} << "pushButton_chessboard"
                                << panelFrame(0x04, [](int) { return 0xFFFF; });
        // Lit in every other 10 x 10 cell of the 180 groups of 100 slots.
        QTest::newRow("Checker") << "pushButton_chessboard" << QStringList{"Checker ON", "Checker OFF"}
                                 << "pushButton_brightness"
                                 << panelFrame(0x04, [](int s) { return (s / 1000 + s % 100 / 10) % 2 ? 0 : 0xFF; });
    }
    void toggleOnAndOff()
    {
        QFETCH(QString, name);
        QFETCH(QStringList, labels);
        QFETCH(QString, otherPattern);
        QFETCH(Bytes, frame);
        for (bool on : {true, false}) {
            button(*m_window, name)->click();
            QCOMPARE(wire(), on ? kStartWord + frame : kStartWord + frame + kStopWord);
            QCOMPARE(button(*m_window, name)->text(), labels[on]);
            verifyButtons(*m_window, {"sendButton", otherPattern, "pushButton_OpenFile_jpg", "pushButton_OpenFile_mp4",
                                      "startButton"}, !on);
        }
    }

    void refusedWithoutDevice()
    {
        m_window = std::make_unique<Vistrel>();  // the link never opened
        Testbed::instance().clearCaptured(kSerial);  // the old window closed its link on the way out
        MessageBoxRecorder boxes;
        button(*m_window, "pushButton_brightness")->click();
        button(*m_window, "pushButton_chessboard")->click();
        QCOMPARE(boxes.boxes().size(), 2);
        QCOMPARE(boxes.boxes()[0].text + ", " + boxes.boxes()[1].text, QString("device not connected, device not connected"));
        QCOMPARE(button(*m_window, "pushButton_brightness")->text() + ", " + button(*m_window, "pushButton_chessboard")->text(),
                 QString("All ON, Checker ON"));
        QVERIFY(button(*m_window, "startButton")->isEnabled());
        QVERIFY(wire().empty());
    }
};

QTEST_MAIN(DisplayPatternsTest)
#include "test_display_patterns.moc"
