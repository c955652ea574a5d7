// The two test patterns on the wire and in the interface: each on and off,
// the buttons they lock, and the refusal without an open device.
#include "message_box_recorder.h"
#include "test_environment.h"
#include "vistrel_inspector.h"
#include "virtual_bridge.h"

#include <QtTest>

#include <memory>

using vistrel::virt::Testbed;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr const char *kSerial = "VPANEL01";
const Bytes kStartWord{0xFF, 0xAA, 0x0D, 0x0A};
const Bytes kStopWord{0xFF, 0xFD, 0x0D, 0x0A};

Bytes allOnFrame()
{
    Bytes frame(36004, 0xFF);
    frame[1] = 0x04;
    frame[36002] = 0x0D;
    frame[36003] = 0x0A;
    return frame;
}

// Slot (group i, position j) of the checker raster is lit in every other
// 10 x 10 cell, starting lit at slot 0.
Bytes checkerFrame()
{
    Bytes frame(36004, 0x00);
    frame[0] = 0xFF;
    frame[1] = 0x04;
    for (int i = 0; i < 180; ++i)
        for (int j = 0; j < 100; ++j)
            frame[3 + 200 * i + 2 * j] = ((i / 10 + j / 10) % 2 == 0) ? 0xFF : 0x00;
    frame[36002] = 0x0D;
    frame[36003] = 0x0A;
    return frame;
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes &part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

} // namespace

class DisplayPatternsTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void checkerFrameFacts();
    void toggleOnAndOff_data();
    void toggleOnAndOff();
    void refusedWithoutDevice_data();
    void refusedWithoutDevice();
    void failedWritesStillToggle();

private:
    QPushButton *button(const QString &name) { return m_window->findChild<QPushButton *>(name); }
    void verifyButtons(const QStringList &names, bool enabled);

    std::unique_ptr<Vistrel> m_window;
    FT_HANDLE m_handle = nullptr;
};

void DisplayPatternsTest::init()
{
    testenv::clearSettingsStore();
    Testbed::instance().reset();
    m_window = std::make_unique<Vistrel>();
    char serial[] = "VPANEL01";
    QCOMPARE(FT_OpenEx(serial, FT_OPEN_BY_SERIAL_NUMBER, &m_handle), FT_STATUS(FT_OK));
    Testbed::instance().clearCaptured(kSerial);
}

void DisplayPatternsTest::cleanup()
{
    m_window.reset();
    FT_Close(m_handle);
}

void DisplayPatternsTest::verifyButtons(const QStringList &names, bool enabled)
{
    const QString style = enabled ? VistrelInspector::enabledButtonStyle(*m_window)
                                  : VistrelInspector::disabledButtonStyle(*m_window);
    QVERIFY(!style.isEmpty());
    for (const QString &name : names) {
        QPushButton *widget = button(name);
        QVERIFY2(widget, qPrintable(name));
        QVERIFY2(widget->isEnabled() == enabled, qPrintable(name));
        QVERIFY2(widget->styleSheet() == style, qPrintable(name + ": " + widget->styleSheet()));
    }
}

// The checkerboard as the panel sees it: runs of ten, phase flipping every
// ten groups, half of the slots lit.
void DisplayPatternsTest::checkerFrameFacts()
{
    VistrelInspector::attachDevice(*m_window, m_handle);
    button("pushButton_chessboard")->click();
    const Bytes wire = Testbed::instance().captured(kSerial);
    QCOMPARE(wire.size(), std::size_t(4 + 36004));
    const Bytes frame(wire.begin() + 4, wire.end());
    QCOMPARE(testenv::hex(Bytes(frame.begin() + 2, frame.begin() + 22), 20),
             QString("00 FF 00 FF 00 FF 00 FF 00 FF 00 FF 00 FF 00 FF 00 FF 00 FF"));
    QCOMPARE(testenv::hex(Bytes(frame.begin() + 22, frame.begin() + 42), 20),
             QString("00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"));
    QCOMPARE(frame[2003], std::uint8_t(0x00));  // group 10 starts dark
    QCOMPARE(frame[2023], std::uint8_t(0xFF));
    int lit = 0;
    for (std::size_t slot = 0; slot < 18000; ++slot) {
        QCOMPARE(frame[2 + 2 * slot], std::uint8_t(0x00));
        lit += frame[3 + 2 * slot] == 0xFF;
    }
    QCOMPARE(lit, 9000);
}

void DisplayPatternsTest::toggleOnAndOff_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("onLabel");
    QTest::addColumn<QString>("offLabel");
    QTest::addColumn<QStringList>("others");
    QTest::addColumn<Bytes>("frame");
    QTest::newRow("All ON") << "pushButton_brightness" << "All ON" << "All OFF"
                            << QStringList{"sendButton", "pushButton_chessboard", "pushButton_OpenFile_jpg",
                                           "pushButton_OpenFile_mp4", "startButton"}
                            << allOnFrame();
    QTest::newRow("Checker") << "pushButton_chessboard" << "Checker ON" << "Checker OFF"
                             << QStringList{"sendButton", "pushButton_brightness", "pushButton_OpenFile_jpg",
                                            "pushButton_OpenFile_mp4", "startButton"}
                             << checkerFrame();
}

void DisplayPatternsTest::toggleOnAndOff()
{
    QFETCH(QString, name);
    QFETCH(QString, onLabel);
    QFETCH(QString, offLabel);
    QFETCH(QStringList, others);
    QFETCH(Bytes, frame);
    VistrelInspector::attachDevice(*m_window, m_handle);
    QPushButton *toggle = button(name);

    toggle->click();
    QCOMPARE(Testbed::instance().captured(kSerial), concat({kStartWord, frame}));
    QCOMPARE(toggle->text(), offLabel);
    QVERIFY(toggle->isEnabled());
    verifyButtons(others, false);
    QCOMPARE(VistrelInspector::ftStatus(*m_window), FT_STATUS(FT_OK));
    QCOMPARE(VistrelInspector::bytesWritten(*m_window), FT_DWORD(36004));

    toggle->click();
    QCOMPARE(Testbed::instance().captured(kSerial), concat({kStartWord, frame, kStopWord}));
    QCOMPARE(toggle->text(), onLabel);
    verifyButtons(others, true);
    QVERIFY(!VistrelInspector::allOnActive(*m_window));
    QVERIFY(!VistrelInspector::checkerActive(*m_window));

    toggle->click();  // and on again: the same start word and frame
    QCOMPARE(Testbed::instance().captured(kSerial), concat({kStartWord, frame, kStopWord, kStartWord, frame}));
    QCOMPARE(toggle->text(), offLabel);
}

void DisplayPatternsTest::refusedWithoutDevice_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("label");
    QTest::newRow("All ON") << "pushButton_brightness" << "All ON";
    QTest::newRow("Checker") << "pushButton_chessboard" << "Checker ON";
}

void DisplayPatternsTest::refusedWithoutDevice()
{
    QFETCH(QString, name);
    QFETCH(QString, label);
    MessageBoxRecorder boxes;
    for (int press = 1; press <= 2; ++press) {
        button(name)->click();
        QCOMPARE(boxes.boxes().size(), press);
        QCOMPARE(boxes.boxes().last().text, QString("device not connected"));
        QCOMPARE(boxes.boxes().last().title, QString());
        QCOMPARE(button(name)->text(), label);
    }
    QVERIFY(Testbed::instance().captured(kSerial).empty());
    QVERIFY(!VistrelInspector::allOnActive(*m_window));
    QVERIFY(!VistrelInspector::checkerActive(*m_window));
    QVERIFY(button("startButton")->isEnabled());
}

void DisplayPatternsTest::failedWritesStillToggle()
{
    VistrelInspector::attachDevice(*m_window, m_handle);
    Testbed::instance().failNext(vistrel::virt::D2xxCall::Write, 2, FT_IO_ERROR);
    button("pushButton_brightness")->click();
    QVERIFY(Testbed::instance().captured(kSerial).empty());
    QCOMPARE(VistrelInspector::ftStatus(*m_window), FT_STATUS(FT_IO_ERROR));
    QCOMPARE(button("pushButton_brightness")->text(), QString("All OFF"));
    QVERIFY(VistrelInspector::allOnActive(*m_window));
    verifyButtons({"sendButton", "pushButton_chessboard", "startButton"}, false);

    button("pushButton_brightness")->click();
    QCOMPARE(Testbed::instance().captured(kSerial), kStopWord);
    QCOMPARE(button("pushButton_brightness")->text(), QString("All ON"));
    QVERIFY(!VistrelInspector::allOnActive(*m_window));
}

QTEST_MAIN(DisplayPatternsTest)
#include "test_display_patterns.moc"
