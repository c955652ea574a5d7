// Set: its refusals, the 1554-byte drive settings packet on the wire, the
// settings store around it, and the encoding members of the window.
#include "debug_capture.h"
#include "message_box_recorder.h"
#include "test_environment.h"
#include "virtual_bridge.h"
#include "vistrel_inspector.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QtTest>

#include <map>
#include <memory>
#include <vector>

using vistrel::virt::D2xxCall;
using vistrel::virt::Testbed;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Texts = std::map<QString, QString>;  // field objectName -> text

const Bytes kOpenCloseWord{0xFF, 0xFE, 0x0D, 0x0A};
constexpr std::size_t kPacketSize = 1554;
constexpr std::size_t kTableOffset = 16;
constexpr std::size_t kTableSize = 512;
const QString kSendOk = QStringLiteral(" Send OK");

// The texts a fresh form shows.
const Texts kFormDefaults{
    {"lineEdit_vss", "-2"}, {"lineEdit_vdd", "2"}, {"lineEdit_voff", "-12"}, {"lineEdit_von", "12"},
    {"lineEdit_vbais", "0.00"}, {"lineEdit_grvl", "0.00"}, {"lineEdit_grvh", "5"}, {"lineEdit_fps", "60"},
};

const QStringList kStoredKeys{"lineEdit_vdd", "lineEdit_vss", "lineEdit_von", "lineEdit_voff",
                              "lineEdit_grvh", "lineEdit_grvl", "lineEdit_vbais", "lineEdit_fps"};

QSettings *openStore()
{
    auto *store = new QSettings(QStringLiteral("Halvorn"), QStringLiteral("Vistrel"));
    store->beginGroup(QStringLiteral("ReceiverSettings"));
    return store;
}

Texts storedTexts()
{
    std::unique_ptr<QSettings> store(openStore());
    Texts texts;
    for (const QString &key : store->childKeys())
        texts[key] = store->value(key).toString();
    return texts;
}

void storeTexts(const Texts &texts)
{
    std::unique_ptr<QSettings> store(openStore());
    for (const auto &entry : texts)
        store->setValue(entry.first, entry.second);
}

unsigned word(const Bytes &bytes, std::size_t offset)
{
    return unsigned(bytes.at(offset)) << 8 | bytes.at(offset + 1);
}

unsigned tableEntry(const Bytes &packet, int table, int entry)
{
    return word(packet, kTableOffset + kTableSize * std::size_t(table) + 2 * std::size_t(entry));
}

Bytes head(const Bytes &bytes, std::size_t n)
{
    return Bytes(bytes.begin(), bytes.begin() + std::min(n, bytes.size()));
}

} // namespace

class TestDriveSettings : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("VISTREL_VIRTUAL_DEVICES", "VPANEL01"); }
    void init();
    void cleanup() { window.reset(); }

    void refusalsWriteNothing_data();
    void refusalsWriteNothing();
    void emptyFieldReloadsEveryStoredText();
    void defaultTextsGiveReferencePacket();
    void singleFieldCodes_data();
    void singleFieldCodes();
    void gammaCurve_data();
    void gammaCurve();
    void gammaFieldIgnoredWhileOff();
    void failedWriteStillSavesAndReportsSuccess_data();
    void failedWriteStillSavesAndReportsSuccess();
    void encodingMembers();

private:
    Ui_Vistrel &ui() { return VistrelInspector::ui(*window); }
    QLineEdit *field(const QString &name) { return window->findChild<QLineEdit *>(name); }
    void setTexts(const Texts &texts)
    {
        for (const auto &entry : texts)
            field(entry.first)->setText(entry.second);
    }
    Texts fieldTexts()
    {
        Texts texts;
        for (const QString &key : kStoredKeys)
            texts[key] = field(key)->text();
        return texts;
    }
    // A new window over a store that holds exactly these texts.
    void rebuildWindowWithStore(const Texts &stored)
    {
        window.reset();  // its destructor stores the fields: clear after it
        testenv::clearSettingsStore();
        storeTexts(stored);
        rebuildWindow();
    }
    void rebuildWindow()
    {
        window = std::make_unique<Vistrel>();
        VistrelInspector::pollTimer(*window)->stop();
    }
    void openLink()
    {
        ui().openButton->click();
        QVERIFY(VistrelInspector::deviceOpen(*window));
        Testbed::instance().clearCaptured("VPANEL01");
    }
    // Presses Set with the given texts over the form defaults; the packet sent.
    Bytes sendWith(const Texts &overrides)
    {
        setTexts(kFormDefaults);
        setTexts(overrides);
        Testbed::instance().clearCaptured("VPANEL01");
        MessageBoxRecorder boxes;
        ui().sendButton->click();
        return Testbed::instance().captured("VPANEL01");
    }

    std::unique_ptr<Vistrel> window;
};

void TestDriveSettings::init()
{
    Testbed::instance().reset();
    testenv::clearSettingsStore();
    rebuildWindow();
}

void TestDriveSettings::refusalsWriteNothing_data()
{
    QTest::addColumn<bool>("open");
    QTest::addColumn<QString>("startText");
    QTest::addColumn<QString>("emptyField");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("reloaded");

    const QString prohibited = QStringLiteral("Operation prohibited during operation!");
    QTest::newRow("link closed") << false << "Start" << "" << "" << "device not connected" << false;
    QTest::newRow("link closed beats empty field") << false << "Start" << "lineEdit_von" << ""
                                                   << "device not connected" << false;
    QTest::newRow("picture or video shown") << true << "Stop" << "" << "Attention" << prohibited << false;
    QTest::newRow("start text compared exactly") << true << "start" << "" << "Attention" << prohibited
                                                 << false;
    QTest::newRow("showing beats empty field") << true << "Stop" << "lineEdit_grvl" << "Attention"
                                               << prohibited << false;
    for (const char *name : {"lineEdit_grvl", "lineEdit_grvh", "lineEdit_vss", "lineEdit_vdd",
                             "lineEdit_voff", "lineEdit_fps", "lineEdit_von"}) {
        QTest::newRow(qPrintable(QStringLiteral("empty %1").arg(name)))
            << true << "Start" << name << "" << "input fields are empty" << true;
    }
}

void TestDriveSettings::refusalsWriteNothing()
{
    QFETCH(bool, open);
    QFETCH(QString, startText);
    QFETCH(QString, emptyField);
    QFETCH(QString, title);
    QFETCH(QString, text);
    QFETCH(bool, reloaded);

    rebuildWindowWithStore(kFormDefaults);
    if (open)
        openLink();
    const Texts edited{{"lineEdit_vdd", "3.5"}, {"lineEdit_vss", "-4"}, {"lineEdit_von", "18"}};
    setTexts(edited);
    if (!emptyField.isEmpty())
        field(emptyField)->clear();
    const Texts typed = fieldTexts();
    ui().startButton->setText(startText);

    DebugCapture debug;
    MessageBoxRecorder boxes;
    window->sendValue2Device();

    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().at(0).title, title);
    QCOMPARE(boxes.boxes().at(0).text, text);
    QVERIFY(Testbed::instance().captured("VPANEL01").empty());
    QVERIFY(!debug.captured().contains(kSendOk));
    QCOMPARE(storedTexts(), kFormDefaults);
    QCOMPARE(fieldTexts(), reloaded ? kFormDefaults : typed);
}

void TestDriveSettings::emptyFieldReloadsEveryStoredText()
{
    // Vbias was never stored: it comes back empty.
    const Texts stored{{"lineEdit_vdd", "1.5"}, {"lineEdit_vss", "-1"},  {"lineEdit_von", "15"},
                       {"lineEdit_voff", "-15"}, {"lineEdit_grvh", "4"}, {"lineEdit_grvl", "0.5"},
                       {"lineEdit_fps", "30"}};
    rebuildWindowWithStore(stored);
    openLink();
    setTexts({{"lineEdit_vdd", "3"}, {"lineEdit_vbais", "0.2"}, {"lineEdit_fps", "45"}, {"lineEdit_grvl", ""}});
    QCOMPARE(VistrelInspector::fps(*window), 45);

    MessageBoxRecorder boxes;
    ui().sendButton->click();

    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().at(0).text, QStringLiteral("input fields are empty"));
    Texts expected = stored;
    expected["lineEdit_vbais"] = QString();
    QCOMPARE(fieldTexts(), expected);
    QCOMPARE(VistrelInspector::fps(*window), 30);  // the frame rate follows the reloaded text
    QVERIFY(Testbed::instance().captured("VPANEL01").empty());
    QCOMPARE(storedTexts(), stored);
}

void TestDriveSettings::defaultTextsGiveReferencePacket()
{
    openLink();
    setTexts(kFormDefaults);
    DebugCapture debug;
    MessageBoxRecorder boxes;
    ui().sendButton->click();

    const Bytes packet = Testbed::instance().captured("VPANEL01");
    QCOMPARE(packet.size(), kPacketSize);
    const Bytes expectedHead{0xFF, 0x01, 0x73, 0x32, 0x8C, 0xCC, 0x33, 0x33, 0xCC,
                             0xCC, 0x33, 0x33, 0xCC, 0xCC, 0x7F, 0xFF, 0x80, 0x3F};
    QCOMPARE(testenv::hex(head(packet, expectedHead.size()), 64), testenv::hex(expectedHead, 64));
    for (int table = 0; table < 3; ++table) {
        QCOMPARE(tableEntry(packet, table, 0), 0x803Fu);
        QCOMPARE(tableEntry(packet, table, 127), 0x9FFFu);
        QCOMPARE(tableEntry(packet, table, 254), 0xBFBFu);
        QCOMPARE(tableEntry(packet, table, 255), 0xBFFFu);
    }
    QCOMPARE(int(packet[kPacketSize - 2]), 0x0D);
    QCOMPARE(int(packet[kPacketSize - 1]), 0x0A);
    QCOMPARE(Testbed::instance().callHistory("VPANEL01").back(), std::string("FT_Write 1554"));

    QCOMPARE(VistrelInspector::ftStatus(*window), FT_STATUS(FT_OK));
    QCOMPARE(debug.count(kSendOk), 1);
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().at(0).title, QStringLiteral("Attention"));
    QCOMPARE(boxes.boxes().at(0).text, QStringLiteral("Settings success!"));
    QCOMPARE(storedTexts(), kFormDefaults);
}

void TestDriveSettings::singleFieldCodes_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("offsets");
    QTest::addColumn<uint>("code");

    const QList<int> vbias{14};
    const QList<int> lastEntries{16 + 510, 528 + 510, 1040 + 510};
    QTest::newRow("empty Vbias is 0 V") << "lineEdit_vbais" << "" << vbias << 0x7FFFu;
    QTest::newRow("lone minus in Vbias is 0 V") << "lineEdit_vbais" << "-" << vbias << 0x7FFFu;
    QTest::newRow("Vbias +10 full scale") << "lineEdit_vbais" << "10" << vbias << 0xFFFFu;
    QTest::newRow("Vbias -10 zero") << "lineEdit_vbais" << "-10" << vbias << 0x0000u;
    QTest::newRow("Voff +20 in both copies") << "lineEdit_voff" << "20" << QList<int>{6, 10} << 0xFFFFu;
    QTest::newRow("Von -20 in both copies") << "lineEdit_von" << "-20" << QList<int>{8, 12} << 0x0000u;
    QTest::newRow("Vss on the 20 V scale") << "lineEdit_vss" << "10" << QList<int>{2} << 0xBFFFu;
    QTest::newRow("Vdd on the 20 V scale") << "lineEdit_vdd" << "-10" << QList<int>{4} << 0x3FFFu;
    QTest::newRow("Vh +10 ends every table") << "lineEdit_grvh" << "10" << lastEntries << 0xFFFFu;
    QTest::newRow("Vl -10 starts every table")
        << "lineEdit_grvl" << "-10" << QList<int>{16, 528, 1040} << 0x00BFu;
}

void TestDriveSettings::singleFieldCodes()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QList<int>, offsets);
    QFETCH(uint, code);

    openLink();
    const Bytes packet = sendWith({{name, text}});
    QCOMPARE(packet.size(), kPacketSize);
    for (int offset : offsets)
        QCOMPARE(word(packet, std::size_t(offset)), code);
}

void TestDriveSettings::gammaCurve_data()
{
    QTest::addColumn<QString>("gammaText");
    QTest::addColumn<double>("gamma");

    QTest::newRow("2.2") << "2.2" << 2.2;
    QTest::newRow("1.8") << "1.8" << 1.8;
    QTest::newRow("1: linear") << "1" << 1.0;
    QTest::newRow("not a number: 0") << "x" << 0.0;
}

void TestDriveSettings::gammaCurve()
{
    QFETCH(QString, gammaText);
    QFETCH(double, gamma);

    openLink();
    const Bytes linear = sendWith({});
    ui().radioButton_gamma->setChecked(true);
    ui().lineEdit_gamma->setText(gammaText);
    const Bytes curved = sendWith({});
    QCOMPARE(curved.size(), kPacketSize);
    QCOMPARE(VistrelInspector::gamma(*window), gamma);
    QCOMPARE(head(curved, 16), head(linear, 16));

    for (int table = 0; table < 3; ++table) {
        const unsigned vh = tableEntry(linear, table, 255);
        const unsigned linearFirst = tableEntry(linear, table, 0);
        int closerToVh = 0;
        for (int k = 0; k < 256; ++k) {
            const unsigned value = tableEntry(curved, table, k);
            const unsigned reference = tableEntry(linear, table, k);
            if (gamma == 0.0) {
                QCOMPARE(value, linearFirst);  // f(g) = 255 for every level
                continue;
            }
            QVERIFY2(value >= reference, qPrintable(QString("table %1 entry %2").arg(table).arg(k)));
            QVERIFY(value <= vh);
            closerToVh += value > reference;
        }
        if (gamma != 0.0) {
            QCOMPARE(tableEntry(curved, table, 0), linearFirst);
            QCOMPARE(tableEntry(curved, table, 255), vh);
            QCOMPARE(closerToVh > 0, gamma > 1.0);
        }
    }
}

void TestDriveSettings::gammaFieldIgnoredWhileOff()
{
    openLink();
    const Bytes before = sendWith({});
    ui().lineEdit_gamma->setText(QStringLiteral("3.5"));
    const Bytes after = sendWith({});
    QCOMPARE(after, before);
    QCOMPARE(VistrelInspector::gamma(*window), 2.2);
}

void TestDriveSettings::failedWriteStillSavesAndReportsSuccess_data()
{
    QTest::addColumn<bool>("unplug");

    QTest::newRow("write fails") << false;
    QTest::newRow("bridge unplugged after open") << true;
}

void TestDriveSettings::failedWriteStillSavesAndReportsSuccess()
{
    QFETCH(bool, unplug);

    openLink();
    if (unplug)
        QVERIFY(Testbed::instance().unplug("VPANEL01"));
    else
        Testbed::instance().failNext(D2xxCall::Write, 1, FT_IO_ERROR);
    const Texts sent{{"lineEdit_vdd", "1"}, {"lineEdit_vss", "-1"}, {"lineEdit_von", "10"},
                     {"lineEdit_voff", "-10"}, {"lineEdit_grvh", "6"}, {"lineEdit_grvl", "1"},
                     {"lineEdit_vbais", ""}, {"lineEdit_fps", "24"}};
    setTexts(sent);

    DebugCapture debug;
    MessageBoxRecorder boxes;
    window->sendValue2Device();

    QVERIFY(VistrelInspector::ftStatus(*window) != FT_OK);
    if (!unplug)
        QCOMPARE(VistrelInspector::ftStatus(*window), FT_STATUS(FT_IO_ERROR));
    QVERIFY(Testbed::instance().captured("VPANEL01").empty());
    QVERIFY(!debug.captured().contains(kSendOk));
    QCOMPARE(boxes.boxes().size(), 1);
    QCOMPARE(boxes.boxes().at(0).title, QStringLiteral("Attention"));
    QCOMPARE(boxes.boxes().at(0).text, QStringLiteral("Settings success!"));
    QCOMPARE(storedTexts(), sent);
}

void TestDriveSettings::encodingMembers()
{
    const std::vector<double> codes = window->VolFormula({-20, 20, 0, -10, 10, 2, -10, 10, 0, 5, -5, 1, -1});
    const std::vector<double> expected{0.0, 65535.0, 32767.5, 16383.75, 49151.25, 36044.25, 0.0,
                                       65535.0, 32767.5, 49151.25, 16383.75, 36044.25, 29490.75};
    QCOMPARE(codes, expected);

    unsigned char bytes[3] = {0, 0, 0xAB};
    QCOMPARE(window->int2str(70000, bytes), bytes);
    QCOMPARE(Bytes(bytes, bytes + 3), (Bytes{0x11, 0x70, 0xAB}));
    QCOMPARE(window->sum_16(QStringLiteral("7f")), 127);
    QCOMPARE(window->sum_16(QStringLiteral("a0zz")), 160);
}

QTEST_MAIN(TestDriveSettings)
#include "test_drive_settings.moc"
