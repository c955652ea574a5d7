// The "Virtual panel" window beside a console on the virtual bridge: a
// session driven through the console's slots must show up in the window's
// widgets; plugging through the window reaches the console's device list;
// the window follows the bridge written to until the user picks one; it
// lives and dies with the console.
#include "display_media.h"
#include "gray_table_plot.h"
#include "message_box_recorder.h"
#include "panel_picture_view.h"
#include "panel_placement.h"
#include "panel_readout.h"
#include "test_environment.h"
#include "virtual_panel_window.h"
#include "vistrel_inspector.h"

#include <QDeadlineTimer>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QTableWidget>
#include <QtTest>

#include <memory>
#include <thread>

using namespace displaytest;
using namespace vistrel::virt;
using vistrel::protocol::Bytes;

namespace {

constexpr const char *kSecondSerial = "VPANEL02";

int gray(const QImage &image, int x, int y) { return image.constScanLine(y)[x]; }

// A handle of our own on a bridge, as a second writer beside the console.
struct OwnHandle {
    explicit OwnHandle(const char *serial)
    {
        QByteArray name(serial);
        status = FT_OpenEx(name.data(), FT_OPEN_BY_SERIAL_NUMBER, &handle);
    }
    ~OwnHandle()
    {
        if (status == FT_OK)
            FT_Close(handle);
    }
    FT_STATUS write(const Bytes &bytes)
    {
        FT_DWORD written = 0;
        return FT_Write(handle, const_cast<std::uint8_t *>(bytes.data()), static_cast<FT_DWORD>(bytes.size()), &written);
    }
    FT_HANDLE handle = nullptr;
    FT_STATUS status = FT_OTHER_ERROR;
};

Bytes controlWord(const vistrel::protocol::ControlWord &word) { return Bytes(word.begin(), word.end()); }

Bytes flatFrame(int level)
{
    std::vector<std::uint8_t> pixels(180 * 100, static_cast<std::uint8_t>(level));
    return vistrel::protocol::buildGrayFrame(pixels.data(), 180, 100, 180, vistrel::protocol::kFrameModeVideo);
}

} // namespace

class VirtualPanelWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void scriptedSessionShowsWhatThePanelReceived();
    void framesFromAnotherThreadAreCounted();
    void hotPlugThroughTheWindowReachesTheConsole();
    void viewFollowsWritesUntilUserPicks();
    void closingTheConsoleClosesThePanel();
    void closingThePanelLeavesTheConsole();

private:
    template <typename T> T *widget(const char *name)
    {
        T *found = m_panel ? m_panel->findChild<T *>(name) : nullptr;
        if (!found)
            qWarning("no widget %s", name);
        return found;
    }
    QString text(const char *label) { return widget<QLabel>(label)->text(); }
    QString voltsCell(int column) { return widget<QTableWidget>("driveVoltsTable")->item(0, column)->text(); }
    QString codeCell(int column) { return widget<QTableWidget>("driveVoltsTable")->item(1, column)->text(); }
    QImage picture() { return widget<PanelPictureView>("panelPicture")->image(); }
    QStringList bridgeSerials();
    void typeDefaultSettings();
    void pressStartAfterLock();

    std::unique_ptr<Vistrel> m_console;
    QPointer<VirtualPanelWindow> m_panel;
    QString m_nextPath;
    QString m_video;
    QString m_picture;
    std::vector<int> m_videoLevels;
};

void VirtualPanelWindowTest::initTestCase()
{
    m_video = testenv::dataDir() + "/panel-ramp.mp4";
    m_picture = testenv::dataDir() + "/panel-quadrants.jpg";
    QVERIFY(writeRampVideo(m_video, 12));
    QVERIFY(writeJpeg(m_picture, quadrantImage({360, 200}, {40, 100, 160, 220})));
    m_videoLevels = decodedLevels(m_video);
    QCOMPARE(m_videoLevels.size(), std::size_t(12));
    VistrelInspector::setOpenFileDialog([this](QWidget *, const QString &, const QString &, const QString &) {
        return m_nextPath;
    });
}

// The testbed drops its listeners on reset, so the window comes after it.
void VirtualPanelWindowTest::init()
{
    testenv::clearSettingsStore();
    Testbed::instance().reset();
    m_console = std::make_unique<Vistrel>();
    m_console->show();
    m_panel = openVirtualPanelBeside(*m_console);
    QVERIFY(m_panel);
    QVERIFY(m_panel->isVisible());
    QCOMPARE(m_panel->windowTitle(), QString("Virtual panel"));
}

void VirtualPanelWindowTest::cleanup()
{
    m_console.reset();
    QVERIFY2(m_panel.isNull(), "the panel window goes with the console");
}

QStringList VirtualPanelWindowTest::bridgeSerials()
{
    QStringList serials;
    auto *list = widget<QListWidget>("bridgeList");
    for (int row = 0; row < list->count(); ++row)
        serials << list->item(row)->text();
    return serials;
}

void VirtualPanelWindowTest::typeDefaultSettings()
{
    Ui_Vistrel &ui = VistrelInspector::ui(*m_console);
    const std::pair<QLineEdit *, const char *> fields[] = {
        {ui.lineEdit_vss, "-2"}, {ui.lineEdit_vdd, "2"},     {ui.lineEdit_voff, "-12"}, {ui.lineEdit_von, "12"},
        {ui.lineEdit_vbais, "0.00"}, {ui.lineEdit_grvl, "0.00"}, {ui.lineEdit_grvh, "5"}, {ui.lineEdit_fps, "30"},
    };
    for (const auto &field : fields) {
        field.first->clear();
        QTest::keyClicks(field.first, field.second);
        QCOMPARE(field.first->text(), QString(field.second));
    }
}

// Start and Stop share one button that locks itself for a second.
void VirtualPanelWindowTest::pressStartAfterLock()
{
    QPushButton *start = VistrelInspector::ui(*m_console).startButton;
    QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), 2000);
    m_console->on_StartVideo_click();
}

void VirtualPanelWindowTest::scriptedSessionShowsWhatThePanelReceived()
{
    MessageBoxRecorder boxes;
    QCOMPARE(text("linkStateLabel"), QString("Closed"));
    QCOMPARE(text("framesLabel"), QString("0"));
    QVERIFY(picture().isNull());

    m_console->on_Open_CLose_click();
    m_panel->refresh();
    QCOMPARE(text("linkStateLabel"), QString("Open"));
    QCOMPARE(text("showingLabel"), QString("Stopped"));
    QCOMPARE(text("bytesLabel"), QString("4"));

    m_console->fullbrightness();  // All ON
    m_panel->refresh();
    QCOMPARE(text("showingLabel"), QString("Showing"));
    QCOMPARE(text("framesLabel"), QString("1"));
    QCOMPARE(text("modeLabel"), QString("0x04 (pattern or picture)"));
    QImage shown = picture();
    QCOMPARE(shown.size(), QSize(180, 100));
    for (const QPoint &p : {QPoint(0, 0), QPoint(179, 0), QPoint(90, 50), QPoint(179, 99)})
        QCOMPARE(gray(shown, p.x(), p.y()), 255);
    // On screen: whole squares of white inside the dark surround.
    auto *view = widget<PanelPictureView>("panelPicture");
    const QImage grabbed = view->grab().toImage();
    const QRect area = view->pictureRect();
    QCOMPARE(area.width() % 180, 0);
    QCOMPARE(area.width() / 180, area.height() / 100);
    QCOMPARE(qGray(grabbed.pixel(area.center())), 255);
    QCOMPARE(qGray(grabbed.pixel(area.topLeft())), 255);
    if (area.left() > 0)
        QVERIFY(qGray(grabbed.pixel(area.left() - 1, area.center().y())) < 100);

    m_console->fullbrightness();  // All OFF
    m_panel->refresh();
    QCOMPARE(text("showingLabel"), QString("Stopped"));
    QCOMPARE(text("framesLabel"), QString("1"));

    typeDefaultSettings();
    m_console->sendValue2Device();
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes()[0].text, QString("Settings success!"));
    m_console->sendScan2Device();
    m_panel->refresh();
    const QStringList volts{"-2.00", "2.00", "-12.00", "12.00", "0.00", "0.00", "5.00"};
    for (int column = 0; column < DriveColumnCount; ++column)
        QCOMPARE(voltsCell(column), volts[column]);
    QCOMPARE(codeCell(ColumnVss), QString("0x7332"));
    QCOMPARE(codeCell(ColumnVbias), QString("0x7FFF"));
    QCOMPARE(codeCell(ColumnVl), QString("0x803F"));
    QCOMPARE(codeCell(ColumnVh), QString("0xBFFF"));
    QCOMPARE(text("scanLabel"), QString("lead 0   body 16600   tail 0   period 1673333 (30 fps)"));
    const auto linear = widget<GrayTablePlot>("grayTablePlot")->tables();
    QVERIFY(linear);
    QCOMPARE((*linear)[0][127], std::uint16_t(0x9FFF));

    // Gamma on: same ends, a bent middle.
    Ui_Vistrel &ui = VistrelInspector::ui(*m_console);
    ui.radioButton_gamma->setChecked(true);
    ui.lineEdit_gamma->setText("2.2");
    m_console->sendValue2Device();
    m_panel->refresh();
    const auto curved = widget<GrayTablePlot>("grayTablePlot")->tables();
    QVERIFY(curved);
    QCOMPARE((*curved)[2][0], (*linear)[2][0]);
    QCOMPARE((*curved)[2][255], (*linear)[2][255]);
    QVERIFY((*curved)[1][127] > (*linear)[1][127]);
    QCOMPARE(voltsCell(ColumnVl), QString("0.00"));
    QCOMPARE(voltsCell(ColumnVh), QString("5.00"));
    ui.radioButton_gamma->setChecked(false);

    // A still picture: four gray quadrants.
    m_nextPath = m_picture;
    m_console->on_FindJPG_click();
    pressStartAfterLock();
    m_panel->refresh();
    QCOMPARE(text("showingLabel"), QString("Showing"));
    QCOMPARE(text("framesLabel"), QString("2"));
    shown = picture();
    const int levels[] = {40, 100, 160, 220};
    const QPoint centres[] = {{45, 25}, {135, 25}, {45, 75}, {135, 75}};
    for (int q = 0; q < 4; ++q)
        QVERIFY2(std::abs(gray(shown, centres[q].x(), centres[q].y()) - levels[q]) <= 4, qPrintable(QString::number(q)));
    pressStartAfterLock();  // take it down
    m_panel->refresh();
    QCOMPARE(text("showingLabel"), QString("Stopped"));

    // A video to its end at 30 frames per second.
    m_nextPath = m_video;
    m_console->on_FindVideo_click();
    pressStartAfterLock();
    QTRY_COMPARE_WITH_TIMEOUT(text("framesLabel"), QString("14"), 5000);
    const double rate = text("fpsLabel").section(' ', 0, 0).toDouble();
    QVERIFY2(rate > 5 && rate < 45, qPrintable(text("fpsLabel")));
    QTRY_COMPARE_WITH_TIMEOUT(ui.startButton->text(), QString("Start"), 5000);
    m_panel->refresh();
    QCOMPARE(text("showingLabel"), QString("Stopped"));
    QCOMPARE(text("modeLabel"), QString("0x00 (video)"));
    QVERIFY(std::abs(gray(picture(), 90, 50) - m_videoLevels.back()) <= 1);
    QTRY_COMPARE_WITH_TIMEOUT(text("fpsLabel"), QString("0.0 fps"), 2000);

    m_console->on_Open_CLose_click();
    m_panel->refresh();
    QCOMPARE(text("linkStateLabel"), QString("Closed"));
    QCOMPARE(text("bytesLabel"), countText(Testbed::instance().captured(kSerial).size()));
    QCOMPARE(text("errorsLabel"), QString("0"));
    QCOMPARE(boxes.boxes().size(), 2);
}

// The video worker writes on its own thread; here a plain thread stands in
// for it, faster than the window repaints.
void VirtualPanelWindowTest::framesFromAnotherThreadAreCounted()
{
    OwnHandle bridge(kSerial);
    QCOMPARE(bridge.status, FT_STATUS(FT_OK));
    std::thread writer([&bridge] {
        bridge.write(controlWord(vistrel::protocol::DisplayStartWord));
        for (int i = 0; i < 40; ++i) {
            bridge.write(flatFrame(i * 5));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        bridge.write(Bytes{0x13, 0x37});  // two bytes that start no packet
    });
    // The window's event loop keeps running while the writer works.
    QDeadlineTimer deadline(10000);
    while (Testbed::instance().panel(kSerial).bytesReceived < 4 + 40 * 36004 + 2 && !deadline.hasExpired())
        QTest::qWait(5);
    writer.join();
    QVERIFY(!deadline.hasExpired());
    QTRY_COMPARE(text("framesLabel"), QString("40"));
    QTRY_COMPARE(text("errorsLabel"), QString("2"));
    QCOMPARE(text("bytesLabel"), countText(4 + 40 * 36004 + 2));
    QCOMPARE(gray(picture(), 17, 83), 195);
    QCOMPARE(text("showingLabel"), QString("Showing"));
}

void VirtualPanelWindowTest::hotPlugThroughTheWindowReachesTheConsole()
{
    QComboBox *devices = VistrelInspector::ui(*m_console).devicecomboBox;
    auto comboSerials = [devices] {
        QStringList serials;
        for (int i = 0; i < devices->count(); ++i)
            serials << devices->itemText(i);
        return serials;
    };
    QCOMPARE(bridgeSerials(), QStringList{kSerial});
    QCOMPARE(comboSerials(), QStringList{kSerial});

    widget<QPushButton>("plugButton")->click();
    widget<QPushButton>("plugButton")->click();
    QCOMPARE(bridgeSerials(), (QStringList{kSerial, kSecondSerial, "VPANEL03"}));
    m_console->checkDevices();
    QCOMPARE(comboSerials(), (QStringList{kSerial, kSecondSerial, "VPANEL03"}));

    widget<QListWidget>("bridgeList")->setCurrentRow(1);
    widget<QPushButton>("unplugButton")->click();
    QCOMPARE(bridgeSerials(), (QStringList{kSerial, "VPANEL03"}));
    m_console->checkDevices();
    QCOMPARE(comboSerials(), (QStringList{kSerial, "VPANEL03"}));

    // The freed name is the next one offered.
    widget<QPushButton>("plugButton")->click();
    QCOMPARE(bridgeSerials(), (QStringList{kSerial, "VPANEL03", kSecondSerial}));

    // Plugged elsewhere (a test, the demo script): the list catches up too.
    Testbed::instance().unplug(kSerial);
    Testbed::instance().unplug("VPANEL03");
    Testbed::instance().unplug(kSecondSerial);
    QTRY_COMPARE(bridgeSerials(), QStringList());
    QVERIFY(!m_panel->viewedSerial());
    QVERIFY(!widget<QPushButton>("unplugButton")->isEnabled());
    QCOMPARE(text("framesLabel"), QString::fromUtf8("\u2014"));
}

void VirtualPanelWindowTest::viewFollowsWritesUntilUserPicks()
{
    widget<QPushButton>("plugButton")->click();
    QCOMPARE(m_panel->viewedSerial(), std::optional<std::string>(kSerial));
    QVERIFY(m_panel->followsWrites());

    OwnHandle second(kSecondSerial);
    QCOMPARE(second.status, FT_STATUS(FT_OK));
    second.write(controlWord(vistrel::protocol::OpenCloseWord));
    m_panel->refresh();
    QCOMPARE(m_panel->viewedSerial(), std::optional<std::string>(kSecondSerial));
    QCOMPARE(widget<QListWidget>("bridgeList")->currentRow(), 1);
    QCOMPARE(text("linkStateLabel"), QString("Open"));
    QCOMPARE(text("viewedBridgeLabel"), QString(kSecondSerial));

    widget<QListWidget>("bridgeList")->setCurrentRow(0);  // the user picks one
    QVERIFY(!m_panel->followsWrites());
    QCOMPARE(text("linkStateLabel"), QString("Closed"));
    second.write(flatFrame(77));
    m_panel->refresh();
    QCOMPARE(m_panel->viewedSerial(), std::optional<std::string>(kSerial));
    QCOMPARE(text("framesLabel"), QString("0"));

    // Unplugging the picked bridge hands the choice back.
    widget<QPushButton>("unplugButton")->click();
    QCOMPARE(m_panel->viewedSerial(), std::optional<std::string>(kSecondSerial));
    QVERIFY(m_panel->followsWrites());
    QCOMPARE(text("framesLabel"), QString("1"));
    QCOMPARE(gray(picture(), 0, 0), 77);
}

void VirtualPanelWindowTest::closingTheConsoleClosesThePanel()
{
    QVERIFY(m_console->isVisible());
    m_console->showMinimized();
    QVERIFY2(m_panel && m_panel->isVisible(), "minimising is not closing");
    m_console->close();
    QVERIFY(!m_console->isVisible());
    // Nothing left on screen that would keep the event loop running.
    for (QWidget *window : QApplication::topLevelWidgets())
        QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
    QVERIFY(!m_panel || !m_panel->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_panel.isNull());
}

void VirtualPanelWindowTest::closingThePanelLeavesTheConsole()
{
    QVERIFY(!m_panel->testAttribute(Qt::WA_QuitOnClose));
    m_panel->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(m_panel.isNull());
    QVERIFY(m_console->isVisible());
    // Nobody listens any more; writing must still work.
    m_console->on_Open_CLose_click();
    QVERIFY(VistrelInspector::deviceOpen(*m_console));
    QCOMPARE(Testbed::instance().panel(kSerial).linkOpen, true);
}

int runVirtualPanelWindowTests(int argc, char *argv[])
{
    VirtualPanelWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_virtual_panel.moc"
