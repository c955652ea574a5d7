// The virtual panel's readouts on their own: frames to pictures, settings
// packets back to volts, scan timing text, the frame-rate meter, the picture
// scale, the plot and where the window goes beside the console.
#include "gray_table_plot.h"
#include "panel_picture_view.h"
#include "panel_placement.h"
#include "panel_readout.h"

#include <QtTest>

#include <cmath>

using namespace vistrel;
using namespace vistrel::virt;
using protocol::DecodedPacket;

Q_DECLARE_METATYPE(protocol::Bytes)
Q_DECLARE_METATYPE(std::vector<double>)

namespace {

// The one packet the bytes decode to, as the emulated controller sees it.
DecodedPacket decodeOne(const protocol::Bytes &bytes)
{
    protocol::StreamDecoder decoder;
    const std::vector<DecodedPacket> packets = decoder.feed(bytes.data(), bytes.size());
    return packets.size() == 1 ? packets.front() : DecodedPacket{};
}

protocol::Bytes grayRampFrame()
{
    std::vector<std::uint8_t> gray(180 * 100);
    for (int row = 0; row < 100; ++row) {
        for (int column = 0; column < 180; ++column)
            gray[static_cast<std::size_t>(row * 180 + column)] = static_cast<std::uint8_t>((row * 7 + column) % 256);
    }
    return protocol::buildGrayFrame(gray.data(), 180, 100, 180, protocol::kFrameModeVideo);
}

// The drive voltages the console typed: Vss, Vdd, Voff, Von, Vbias, Vl, Vh.
std::vector<double> typedVolts(std::initializer_list<double> seven)
{
    const std::vector<double> v(seven);
    return {v[0], v[1], v[2], v[3], v[2], v[3], v[4], v[5], v[6], v[5], v[6], v[5], v[6]};
}

const auto kStart = FrameRateMeter::Clock::time_point(std::chrono::seconds(100));

FrameRateMeter::Clock::time_point at(double seconds)
{
    return kStart + std::chrono::duration_cast<FrameRateMeter::Clock::duration>(std::chrono::duration<double>(seconds));
}

} // namespace

class PanelReadoutTest : public QObject
{
    Q_OBJECT

private slots:
    void pictureFollowsImageRaster_data();
    void pictureFollowsImageRaster();
    void frameModeNames_data();
    void frameModeNames();
    void settingsDecodeBackToTypedVolts_data();
    void settingsDecodeBackToTypedVolts();
    void voltsTextHasNoNegativeZero_data();
    void voltsTextHasNoNegativeZero();
    void scanTimingShowsFieldsAndRate_data();
    void scanTimingShowsFieldsAndRate();
    void countsAreGrouped_data();
    void countsAreGrouped();
    void frameRateOverLastSecond_data();
    void frameRateOverLastSecond();
    void pictureScaleIsWholeAndFits_data();
    void pictureScaleIsWholeAndFits();
    void plotDrawsTheTablesItIsGiven();
    void placementBesideConsole_data();
    void placementBesideConsole();
};

void PanelReadoutTest::pictureFollowsImageRaster_data()
{
    QTest::addColumn<protocol::Bytes>("packet");
    QTest::addColumn<int>("trimSlots");  // slots cut off the decoded frame
    QTest::newRow("all on") << protocol::buildAllOnFrame() << 0;
    QTest::newRow("checker") << protocol::buildCheckerFrame() << 0;
    QTest::newRow("gray ramp") << grayRampFrame() << 0;
    QTest::newRow("short frame") << grayRampFrame() << 9000;
}

void PanelReadoutTest::pictureFollowsImageRaster()
{
    QFETCH(protocol::Bytes, packet);
    QFETCH(int, trimSlots);
    DecodedPacket decoded = decodeOne(packet);
    QCOMPARE(decoded.kind, DecodedPacket::Frame);
    protocol::DisplayFrame frame = decoded.frame;
    frame.slotBytes.resize(frame.slotBytes.size() - 2 * static_cast<std::size_t>(trimSlots));

    const QImage image = panelImage(frame);
    QCOMPARE(image.size(), QSize(180, 100));
    const int keptSlots = 18000 - trimSlots;
    for (int slot = 0; slot < 18000; ++slot) {
        const int expected = slot < keptSlots ? packet[static_cast<std::size_t>(3 + 2 * slot)] : 0;
        const int shown = image.constScanLine(slot / 180)[slot % 180];
        if (shown != expected)
            QFAIL(qPrintable(QString("slot %1: shown %2, sent %3").arg(slot).arg(shown).arg(expected)));
    }
}

void PanelReadoutTest::frameModeNames_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<QString>("text");
    QTest::newRow("still") << 0x04 << "0x04 (pattern or picture)";
    QTest::newRow("video") << 0x00 << "0x00 (video)";
    QTest::newRow("other") << 0x7F << "0x7F (unknown)";
}

void PanelReadoutTest::frameModeNames()
{
    QFETCH(int, mode);
    QFETCH(QString, text);
    QCOMPARE(frameModeText(static_cast<std::uint8_t>(mode)), text);
}

void PanelReadoutTest::settingsDecodeBackToTypedVolts_data()
{
    QTest::addColumn<std::vector<double>>("volts");
    QTest::addColumn<double>("gamma");  // 0: linear tables
    QTest::addColumn<QStringList>("texts");
    const QStringList defaults{"-2.00", "2.00", "-12.00", "12.00", "0.00", "0.00", "5.00"};
    QTest::newRow("form defaults") << typedVolts({-2, 2, -12, 12, 0, 0, 5}) << 0.0 << defaults;
    QTest::newRow("defaults with gamma") << typedVolts({-2, 2, -12, 12, 0, 0, 5}) << 2.2 << defaults;
    QTest::newRow("scale ends") << typedVolts({-10, 10, -20, 20, -10, 10, -10}) << 0.0
                                << QStringList{"-10.00", "10.00", "-20.00", "20.00", "-10.00", "10.00", "-10.00"};
    QTest::newRow("fractions, Vl above Vh") << typedVolts({1.5, -3.25, -7.5, 15.75, 2.5, 6.25, -4.5}) << 1.8
                                            << QStringList{"1.50", "-3.25", "-7.50", "15.75", "2.50", "6.25", "-4.50"};
}

void PanelReadoutTest::settingsDecodeBackToTypedVolts()
{
    QFETCH(std::vector<double>, volts);
    QFETCH(double, gamma);
    QFETCH(QStringList, texts);
    const auto packet = protocol::buildDriveSettingsPacket(volts, gamma > 0 ? std::optional<double>(gamma) : std::nullopt);
    const DecodedPacket decoded = decodeOne(packet);
    QCOMPARE(decoded.kind, DecodedPacket::Drive);
    const DriveVolts shown = driveVolts(decoded.drive);
    QStringList shownTexts;
    for (double value : shown)
        shownTexts << voltsText(value);
    QCOMPARE(shownTexts, texts);
    // Vl comes back through the 256/255 stretch to within one code.
    QVERIFY2(std::abs(shown[ColumnVl] - volts[protocol::DriveVl0]) <= 20.0 / 65535 * 1.5,
             qPrintable(QString::number(shown[ColumnVl], 'f', 6)));
}

void PanelReadoutTest::voltsTextHasNoNegativeZero_data()
{
    QTest::addColumn<double>("volts");
    QTest::addColumn<QString>("text");
    QTest::newRow("tiny negative") << -0.0003 << "0.00";
    QTest::newRow("negative zero") << -0.0 << "0.00";
    QTest::newRow("rounds down") << -2.0004 << "-2.00";
    QTest::newRow("rounds up") << 4.996 << "5.00";
    QTest::newRow("small but shown") << -0.01 << "-0.01";
}

void PanelReadoutTest::voltsTextHasNoNegativeZero()
{
    QFETCH(double, volts);
    QFETCH(QString, text);
    QCOMPARE(voltsText(volts), text);
}

void PanelReadoutTest::scanTimingShowsFieldsAndRate_data()
{
    QTest::addColumn<int>("lead");
    QTest::addColumn<int>("tail");
    QTest::addColumn<int>("fps");
    QTest::addColumn<QString>("text");
    QTest::newRow("60 fps") << 0 << 0 << 60 << "lead 0   body 16600   tail 0   period 6666 (60 fps)";
    QTest::newRow("1 fps") << 0 << 0 << 1 << "lead 0   body 16600   tail 0   period 98340000 (1 fps)";
    QTest::newRow("lead and tail") << 10 << 6 << 25 << "lead 1000   body 15000   tail 600   period 2340000 (25 fps)";
}

void PanelReadoutTest::scanTimingShowsFieldsAndRate()
{
    QFETCH(int, lead);
    QFETCH(int, tail);
    QFETCH(int, fps);
    QFETCH(QString, text);
    const DecodedPacket decoded = decodeOne(protocol::buildScanTimingPacket(lead, tail, fps));
    QCOMPARE(decoded.kind, DecodedPacket::Scan);
    QCOMPARE(scanTimingText(decoded.scan), text);
}

void PanelReadoutTest::countsAreGrouped_data()
{
    QTest::addColumn<qulonglong>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0ULL << "0";
    QTest::newRow("one frame") << 36004ULL << "36,004";
    QTest::newRow("millions") << 1234567ULL << "1,234,567";
}

void PanelReadoutTest::countsAreGrouped()
{
    QFETCH(qulonglong, count);
    QFETCH(QString, text);
    QCOMPARE(countText(count), text);
}

void PanelReadoutTest::frameRateOverLastSecond_data()
{
    QTest::addColumn<double>("interval");  // seconds between frames
    QTest::addColumn<int>("frames");
    QTest::addColumn<double>("silence");   // seconds after the last frame
    QTest::addColumn<double>("rate");
    QTest::newRow("60 fps stream") << 1.0 / 60 << 180 << 0.0 << 60.0;
    QTest::newRow("10 fps stream") << 0.1 << 30 << 0.05 << 10.0;
    QTest::newRow("older frames forgotten") << 0.01 << 100 << 0.995 << 1.0;
    QTest::newRow("stopped a second ago") << 1.0 / 30 << 60 << 1.2 << 0.0;
    QTest::newRow("one frame") << 1.0 << 1 << 0.5 << 1.0;
    QTest::newRow("none") << 1.0 << 0 << 0.0 << 0.0;
}

void PanelReadoutTest::frameRateOverLastSecond()
{
    QFETCH(double, interval);
    QFETCH(int, frames);
    QFETCH(double, silence);
    QFETCH(double, rate);
    FrameRateMeter meter;
    for (int i = 0; i < frames; ++i)
        meter.addFrame(at(i * interval));
    const double end = frames > 0 ? (frames - 1) * interval + silence : silence;
    QVERIFY2(std::abs(meter.rate(at(end)) - rate) < 0.01, qPrintable(QString::number(meter.rate(at(end)))));
}

void PanelReadoutTest::pictureScaleIsWholeAndFits_data()
{
    QTest::addColumn<QSize>("area");
    QTest::addColumn<int>("scale");
    QTest::newRow("exactly three") << QSize(540, 300) << 3;
    QTest::newRow("one short of three") << QSize(539, 300) << 2;
    QTest::newRow("height decides") << QSize(1000, 299) << 2;
    QTest::newRow("too small still shows") << QSize(100, 50) << 1;
}

void PanelReadoutTest::pictureScaleIsWholeAndFits()
{
    QFETCH(QSize, area);
    QFETCH(int, scale);
    QCOMPARE(PanelPictureView::scaleFor(area), scale);
    PanelPictureView view;
    view.resize(area);
    const QRect picture = view.pictureRect();
    QCOMPARE(picture.size(), QSize(180 * scale, 100 * scale));
    QVERIFY(scale == 1 || QRect(QPoint(), area).contains(picture));
}

// Gamma on bends the curve towards Vh: the painted line must pass through
// each table's own point at a middle gray level, and not through the other's.
void PanelReadoutTest::plotDrawsTheTablesItIsGiven()
{
    const auto volts = typedVolts({-2, 2, -12, 12, 0, 0, 5});
    const auto linear = decodeOne(protocol::buildDriveSettingsPacket(volts, std::nullopt)).drive.tables;
    const auto curved = decodeOne(protocol::buildDriveSettingsPacket(volts, 2.2)).drive.tables;
    GrayTablePlot plot;
    plot.resize(540, 200);
    auto colorAt = [&](const GrayTablePlot::Tables &drawn, const GrayTablePlot::Tables &probed, int level) {
        plot.setTables(drawn);
        const QImage image = plot.grab().toImage();
        const QPointF point = plot.pointFor(level, narrowScaleCodeVolts(probed[0][static_cast<std::size_t>(level)]));
        return image.pixelColor(point.toPoint());
    };
    // The table colours are strong; white, the grid and the axis are not.
    auto onCurve = [](const QColor &c) {
        return std::max({c.red(), c.green(), c.blue()}) - std::min({c.red(), c.green(), c.blue()}) > 50;
    };
    for (int t = 0; t < 3; ++t)
        QVERIFY(onCurve(GrayTablePlot::tableColor(t)));
    for (int level : {64, 128, 192}) {
        QVERIFY2(onCurve(colorAt(linear, linear, level)), qPrintable(QString("linear at %1").arg(level)));
        QVERIFY2(onCurve(colorAt(curved, curved, level)), qPrintable(QString("gamma at %1").arg(level)));
        QVERIFY2(!onCurve(colorAt(curved, linear, level)), qPrintable(QString("gamma off the line at %1").arg(level)));
    }
}

void PanelReadoutTest::placementBesideConsole_data()
{
    QTest::addColumn<QRect>("console");
    QTest::addColumn<QRect>("available");
    QTest::addColumn<QRect>("consoleAfter");
    QTest::addColumn<QRect>("panel");
    const QSize consoleSize(1001, 555);
    const QRect screen(0, 0, 1600, 900);
    QTest::newRow("room on the right") << QRect(QPoint(0, 0), consoleSize) << screen
                                       << QRect(QPoint(0, 0), consoleSize) << QRect(1009, 0, 580, 845);
    QTest::newRow("room on the left, top pulled up") << QRect(QPoint(599, 100), consoleSize) << screen
                                                     << QRect(QPoint(599, 100), consoleSize) << QRect(11, 55, 580, 845);
    QTest::newRow("centred console moves over") << QRect(QPoint(300, 50), consoleSize) << screen
                                                << QRect(QPoint(11, 50), consoleSize) << QRect(1020, 50, 580, 845);
    QTest::newRow("narrow screen: panel narrows") << QRect(QPoint(0, 0), consoleSize) << QRect(0, 0, 1480, 900)
                                                  << QRect(QPoint(0, 0), consoleSize) << QRect(1009, 0, 471, 845);
    QTest::newRow("too small: overlap at the edge") << QRect(QPoint(0, 0), consoleSize) << QRect(0, 0, 1280, 720)
                                                    << QRect(QPoint(0, 0), consoleSize) << QRect(880, 0, 400, 720);
    QTest::newRow("second monitor") << QRect(QPoint(1700, 100), consoleSize) << QRect(1600, 0, 1920, 1080)
                                    << QRect(QPoint(1700, 100), consoleSize) << QRect(2709, 100, 580, 845);
}

void PanelReadoutTest::placementBesideConsole()
{
    QFETCH(QRect, console);
    QFETCH(QRect, available);
    QFETCH(QRect, consoleAfter);
    QFETCH(QRect, panel);
    const SideBySide placed = placeBeside(console, QSize(580, 845), QSize(400, 500), available);
    QCOMPARE(placed.console, consoleAfter);
    QCOMPARE(placed.panel, panel);
    if (available.width() >= console.width() + 8 + 400) {
        QVERIFY(!placed.panel.intersects(placed.console));
        QVERIFY(available.contains(placed.panel));
        QVERIFY(available.contains(placed.console));
    }
}

int runPanelReadoutTests(int argc, char *argv[])
{
    PanelReadoutTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_panel_readout.moc"
