// The "Virtual panel" window beside a console on the virtual bridge; readouts a session would not show wrong.
#include "display_media.h"
#include "gray_table_plot.h"
#include "panel_picture_view.h"
#include "panel_placement.h"
#include "panel_readout.h"
#include "test_environment.h"
#include "virtual_panel_window.h"
#include "window_access.h"

#include <QtTest>
#include <QtWidgets>

#include <memory>
#include <thread>

using namespace displaytest;
using namespace vistrel::virt;
namespace proto = vistrel::protocol;
using vistrel::session::Content;
using vistrel::session::PanelSession;
using vistrel::session::Pattern;

class VirtualPanelTest : public QObject
{
    Q_OBJECT
    template <typename T> T *widget(const char *name) { return m_panel->findChild<T *>(name); }
    QStringList texts(std::initializer_list<const char *> labels)  // what the labels show once refreshed
    {
        m_panel->refresh();
        QStringList shown;
        for (const char *label : labels)
            shown << widget<QLabel>(label)->text();
        return shown;
    }
    QString text(const char *label) { return texts({label}).front(); }
    int gray(int x, int y) { return widget<PanelPictureView>("panelPicture")->image().pixelColor(x, y).value(); }
    static QStringList cells(const QAbstractItemModel *model, bool across = false)  // first column, or first row
    {
        QStringList shown;
        for (int i = 0; i < (across ? model->columnCount() : model->rowCount()); ++i)
            shown << model->index(across ? 0 : i, across ? i : 0).data().toString();
        return shown;
    }

    std::unique_ptr<Vistrel> m_console;
    QPointer<VirtualPanelWindow> m_panel;

private slots:
    void init()  // the testbed drops its listeners on reset, so the window comes after it
    {
        testenv::clearSettingsStore();
        Testbed::instance().reset();
        m_console = std::make_unique<Vistrel>();
        m_console->show();
        m_panel = openVirtualPanelBeside(*m_console);
        QVERIFY(m_panel && m_panel->isVisible() && m_panel->windowTitle() == "Virtual panel");
    }

    void cleanup()
    {
        m_console.reset();
        QVERIFY2(m_panel.isNull(), "the panel window goes with the console");
    }

    void scriptedSessionShowsWhatThePanelReceived()
    {
        const QString video = rampVideo("panel-ramp.mp4", 12), still = testenv::dataDir() + "/panel-quadrants.jpg";
        QVERIFY(!video.isEmpty());
        cv::Mat quadrants(200, 360, CV_8UC3);
        for (int q = 0; q < 4; ++q)
            quadrants(cv::Rect(180 * (q % 2), 100 * (q / 2), 180, 100)).setTo(cv::Scalar::all(40 + 60 * q));
        QVERIFY(cv::imwrite(still.toStdString(), quadrants));
        auto &session = m_console->session();  // the window's translation of it: tests/fault_matrix
        QVERIFY(session.open(kSerial));
        QCOMPARE(texts({"linkStateLabel", "showingLabel", "bytesLabel"}), (QStringList{"Open", "Stopped", "4"}));

        QVERIFY(session.togglePattern(Pattern::AllOn));
        QCOMPARE(texts({"showingLabel", "framesLabel", "modeLabel"}),
                 (QStringList{"Showing", "1", "0x04 (pattern or picture)"}));
        auto *view = widget<PanelPictureView>("panelPicture");
        QCOMPARE(gray(0, 0) + gray(179, 0) + gray(90, 50) + gray(0, 99) + gray(179, 99), 5 * 255);
        view->resize(539, 300);  // whole squares per pixel, centred
        QCOMPARE(view->pictureRect(), QRect(89, 50, 360, 200));
        QVERIFY(session.togglePattern(Pattern::AllOn));  // All OFF
        QCOMPARE(texts({"showingLabel", "framesLabel"}), (QStringList{"Stopped", "1"}));

        // Vdd Vss Von Voff Vh Vl Vbias FPS: Vl above Vh, a small negative and a zero survive, and Vl
        // comes back through the 256/255 stretch from gamma-bent tables.
        QCOMPARE(session.sendDriveSettings({"2", "-0.01", "12", "-12", "-4.5", "6.25", "0.00", "30"}, QString("2.2")),
                 PanelSession::SendResult::Sent);
        session.setFps(30);  // as the window's field sets it
        QVERIFY(session.sendScanTiming());
        QCOMPARE(text("scanLabel"), QString("lead 0   body 16600   tail 0   period 1673333 (30 fps)"));
        QCOMPARE(cells(widget<QTableWidget>("driveVoltsTable")->model(), true),
                 (QStringList{"-0.01", "2.00", "-12.00", "12.00", "0.00", "6.25", "-4.50"}));
        const double vl = 16.25 / 20 * 65535, vh = 5.5 / 20 * 65535;  // on the +-10 V scale; entry 127 is gray 128
        QCOMPARE(widget<GrayTablePlot>("grayTablePlot")->tables().value()[0][127],
                 std::uint16_t((vl - vh) / 256 * (std::pow(128 / 255.0, 2.2) * 255) + vh));

        QVERIFY(session.choosePicture(still) && session.startShow(false));  // four gray quadrants
        QCOMPARE(texts({"showingLabel", "framesLabel"}), (QStringList{"Showing", "2"}));
        for (int q = 0; q < 4; ++q)  // each quadrant where it belongs
            QVERIFY(std::abs(gray(45 + 90 * (q % 2), 25 + 50 * (q / 2)) - (40 + 60 * q)) <= 4);
        QVERIFY(session.stopShow());
        QCOMPARE(text("showingLabel"), QString("Stopped"));

        session.chooseVideo(video);  // 12 frames to the end
        QVERIFY(session.startShow(false));
        QTRY_COMPARE_WITH_TIMEOUT(text("framesLabel"), QString("14"), 5000);
        QVERIFY2(std::abs(text("fpsLabel").section(' ', 0, 0).toDouble() - 25) < 20, qPrintable(text("fpsLabel")));
        QTRY_COMPARE_WITH_TIMEOUT(session.content(), Content::Idle, 5000);
        QCOMPARE(texts({"showingLabel", "modeLabel"}), (QStringList{"Stopped", "0x00 (video)"}));
        QVERIFY(std::abs(gray(90, 50) - (16 + 10 * 11)) <= 4);  // the ramp's last frame
        QTRY_COMPARE_WITH_TIMEOUT(text("fpsLabel"), QString("0.0 fps"), 2000);
        session.close();
        QCOMPARE(texts({"linkStateLabel", "errorsLabel"}), (QStringList{"Closed", "0"}));
    }

    void bridgeListPlugsFollowsAndReachesTheConsole()
    {
        auto *list = widget<QListWidget>("bridgeList");
        const QAbstractItemModel *consoleDevices = VistrelInspector::ui(*m_console).devicecomboBox->model();
        widget<QPushButton>("plugButton")->click();
        widget<QPushButton>("plugButton")->click();
        QCOMPARE(cells(list->model()), (QStringList{kSerial, "VPANEL02", "VPANEL03"}));
        QTRY_COMPARE(cells(consoleDevices), (QStringList{kSerial, "VPANEL02", "VPANEL03"}));  // the console polls

        // Three frames and two stray bytes, faster than the window repaints: the view follows the bridge written to.
        FT_HANDLE handle = nullptr;
        QCOMPARE(FT_OpenEx(const_cast<char *>("VPANEL03"), FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_STATUS(FT_OK));
        auto write = [&](proto::Bytes bytes) { FT_DWORD n; FT_Write(handle, bytes.data(), FT_DWORD(bytes.size()), &n); };
        for (int level : {10, 50, 77})
            write(proto::buildGrayFrame(proto::Bytes(180 * 100, level).data(), 180, 100, 180, proto::kFrameModeVideo));
        write(proto::Bytes{0x13, 0x37});
        FT_Close(handle);
        QCOMPARE(texts({"viewedBridgeLabel", "framesLabel", "errorsLabel", "bytesLabel"}),
                 (QStringList{"VPANEL03", "3", "2", "108,014"}));
        QCOMPARE(gray(17, 83), 77);
        list->setCurrentRow(1);  // the user picks one
        QVERIFY(!m_panel->followsWrites());
        QCOMPARE(texts({"viewedBridgeLabel", "framesLabel"}), (QStringList{"VPANEL02", "0"}));

        widget<QPushButton>("unplugButton")->click();  // unplugging the picked one hands the choice back
        QVERIFY(m_panel->followsWrites());
        QCOMPARE(cells(list->model()), (QStringList{kSerial, "VPANEL03"}));
        QTRY_COMPARE(cells(consoleDevices), (QStringList{kSerial, "VPANEL03"}));
        for (const char *serial : {kSerial, "VPANEL03"})  // unplugged elsewhere: the list catches up
            Testbed::instance().unplug(serial);
        QTRY_COMPARE(cells(list->model()), QStringList());
        QCOMPARE(text("framesLabel"), QString::fromUtf8("\u2014"));
    }

    void aWorkerStreamWakesThePanelOnceNotPerPacket()
    {
        struct WakeCounter : QObject {  // queued calls reaching the window
            int wakes = 0;
            bool eventFilter(QObject *, QEvent *e) override { wakes += e->type() == QEvent::MetaCall; return false; }
        } counter;
        m_panel->installEventFilter(&counter);
        FT_HANDLE handle = nullptr;
        QCOMPARE(FT_OpenEx(const_cast<char *>(kSerial), FT_OPEN_BY_SERIAL_NUMBER, &handle), FT_STATUS(FT_OK));
        proto::Bytes frame = proto::buildGrayFrame(proto::Bytes(18000, 123).data(), 180, 100, 180, proto::kFrameModeVideo);
        std::thread worker([&] {  // the GUI thread waits meanwhile: nothing collects until it is done
            for (FT_DWORD n, i = 0; i < 200; ++i)
                FT_Write(handle, frame.data(), FT_DWORD(frame.size()), &n);
        });
        worker.join();
        FT_Close(handle);
        QCoreApplication::sendPostedEvents(m_panel, QEvent::MetaCall);
        QVERIFY2(counter.wakes == 1, qPrintable(QString::number(counter.wakes)));
        QTRY_COMPARE(widget<QLabel>("framesLabel")->text(), QString("200"));  // shown without a direct refresh
        QCOMPARE(gray(90, 50), 123);
    }

    void closingThePanelLeavesTheConsoleButNotTheOtherWayRound()
    {
        m_panel->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(m_panel.isNull() && m_console->isVisible());
        m_console->on_Open_CLose_click();  // nobody listens any more; writing still works
        QVERIFY(Testbed::instance().panel(kSerial).linkOpen);

        m_panel = openVirtualPanelBeside(*m_console);
        m_console->showMinimized();
        QVERIFY2(m_panel && m_panel->isVisible(), "minimising is not closing");
        m_console->close();
        for (QWidget *window : QApplication::topLevelWidgets())  // nothing left to keep the event loop running
            QVERIFY2(!window->isVisible(), qPrintable(window->objectName()));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(m_panel.isNull());
    }

    void frameRate()
    {
        auto at = [](int ms) { return FrameRateMeter::Clock::time_point(std::chrono::milliseconds(100000 + ms)); };
        FrameRateMeter meter;
        for (int ms = 0; ms < 1000; ms += 10)
            meter.addFrame(at(ms));
        QCOMPARE(meter.rate(at(990)), 100.0);  // (n - 1) / span
        QCOMPARE(meter.rate(at(1985)), 1.0);  // older frames forgotten
    }

    // The console (1002 x 554) and a panel that prefers 580 x 845 and needs
    // 420 x 560 unscrolled, on several screens.
    void placement_data()
    {
        QTest::addColumn<QRect>("screen");   // available area
        QTest::addColumn<QPoint>("console");  // where the console was shown
        QTest::addColumn<QString>("side");
        QTest::addColumn<QSize>("panel");
        QTest::newRow("1920 x 1080, centred") << QRect(0, 0, 1920, 1080) << QPoint(459, 263) << "right" << QSize(580, 845);
        QTest::newRow("2560 x 1440, at the left") << QRect(0, 0, 2560, 1440) << QPoint(0, 0) << "right" << QSize(580, 845);
        QTest::newRow("1600 x 900, centred") << QRect(0, 0, 1600, 900) << QPoint(299, 173) << "right" << QSize(580, 845);
        QTest::newRow("1600 x 1000, off the top") << QRect(0, 0, 1600, 1000) << QPoint(300, -40) << "right" << QSize(580, 845);
        QTest::newRow("1366 x 768: narrower") << QRect(0, 0, 1366, 768) << QPoint(182, 107) << "right" << QSize(356, 768);
        QTest::newRow("1366 x 768, a top bar") << QRect(0, 27, 1366, 741) << QPoint(182, 120) << "right" << QSize(356, 741);
        QTest::newRow("1024 x 1280, upright") << QRect(0, 0, 1024, 1280) << QPoint(11, 363) << "below" << QSize(580, 718);
        QTest::newRow("1280 x 1024: lower") << QRect(0, 0, 1280, 1024) << QPoint(139, 235) << "below" << QSize(580, 462);
    }

    void placement()
    {
        QFETCH(QRect, screen);
        QFETCH(QPoint, console);
        QFETCH(QString, side);
        QFETCH(QSize, panel);
        const QRect before(console, QSize(1002, 554));
        const SideBySide placed = placeBeside(before, {580, 845}, {420, 560}, screen);
        QVERIFY(screen.contains(placed.console) && screen.contains(placed.panel));
        QCOMPARE(placed.console.size(), before.size());
        QCOMPARE(placed.panel.size(), panel);
        const QPoint gap = placed.panel.topLeft() - placed.console.bottomRight();
        QCOMPARE(side == "right" ? gap.x() : gap.y(), 9);  // 8 pixels between, so apart
        // Lined up with the console where the screen allows.
        if (side == "right")
            QCOMPARE(placed.panel.top(), std::min(placed.console.top(), screen.bottom() + 1 - panel.height()));
        else
            QCOMPARE(placed.panel.left(), std::min(placed.console.left(), screen.right() + 1 - panel.width()));
        // The console moves only as far as the panel needs.
        const QRect onScreen = before.translated(0, std::max(0, screen.top() - before.top()));
        const int moved = side == "right" ? onScreen.right() - placed.console.right() : onScreen.bottom() - placed.console.bottom();
        const int needed = side == "right" ? panel.width() + 8 - (screen.right() - onScreen.right())
                                           : panel.height() + 8 - (screen.bottom() - onScreen.bottom());
        QCOMPARE(moved, std::max(0, needed));
    }

    // The view redraws only what differs from the frame before; what it paints
    // must still be exactly what a view given the new frame alone paints.
    void aPartlyChangedFrameLooksLikeAFreshOne_data()
    {
        QTest::addColumn<QRect>("changed");  // panel pixels inverted in the second frame
        QTest::addColumn<QSize>("viewSize");
        QTest::newRow("one pixel, last corner") << QRect(179, 99, 1, 1) << QSize(547, 307);
        QTest::newRow("a block") << QRect(10, 20, 30, 5) << QSize(547, 307);
        QTest::newRow("first column") << QRect(0, 0, 1, 100) << QSize(547, 307);
        QTest::newRow("everything") << QRect(0, 0, 180, 100) << QSize(547, 307);
        QTest::newRow("nothing") << QRect() << QSize(547, 307);
        QTest::newRow("a block, small view") << QRect(100, 40, 7, 33) << QSize(200, 120);
        QTest::newRow("a block, twice the panel") << QRect(100, 40, 7, 33) << QSize(400, 220);
        QTest::newRow("a block, four times") << QRect(100, 40, 7, 33) << QSize(760, 420);
    }

    void aPartlyChangedFrameLooksLikeAFreshOne()
    {
        QFETCH(QRect, changed);
        QFETCH(QSize, viewSize);
        QImage first(proto::kPanelWidth, proto::kPanelHeight, QImage::Format_Grayscale8);
        for (int y = 0; y < first.height(); ++y)
            for (int x = 0; x < first.width(); ++x)
                first.scanLine(y)[x] = static_cast<uchar>((x * 7 + y * 13) & 0xFF);
        QImage second = first.copy();
        for (int y = changed.top(); y <= changed.bottom(); ++y)
            for (int x = changed.left(); x <= changed.right(); ++x)
                second.scanLine(y)[x] = static_cast<uchar>(255 - second.scanLine(y)[x]);

        PanelPictureView updated, fresh;
        for (PanelPictureView *view : {&updated, &fresh})
            view->resize(viewSize);
        updated.setImage(first);
        updated.grab();  // painted once, so the second frame only updates it
        updated.setImage(second);
        fresh.setImage(second);
        const QImage painted = fresh.grab().toImage();
        QCOMPARE(updated.grab().toImage(), painted);
        // Every panel pixel a square of its own gray, none cut or shifted.
        const QRect shown = fresh.pictureRect();
        const int scale = shown.width() / proto::kPanelWidth;
        int wrong = 0;
        for (int y = 0; y < shown.height(); ++y)
            for (int x = 0; x < shown.width(); ++x)
                wrong += qGray(painted.pixel(shown.topLeft() + QPoint(x, y))) != second.pixelColor(x / scale, y / scale).value();
        QCOMPARE(wrong, 0);

        updated.setImage(QImage());  // and back to the empty panel
        fresh.setImage(QImage());
        QCOMPARE(updated.grab().toImage(), fresh.grab().toImage());
    }
};

QTEST_MAIN(VirtualPanelTest)
#include "test_virtual_panel.moc"
