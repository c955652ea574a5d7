// The device list against plugging and unplugging: each poll diffs the
// driver's list against devicecomboBox.
#include "debug_capture.h"
#include "test_environment.h"
#include "virtual_bridge.h"
#include "vistrel_inspector.h"

#include <QComboBox>
#include <QPushButton>
#include <QtTest>

#include <memory>
#include <string>

using vistrel::virt::D2xxCall;
using vistrel::virt::Testbed;

namespace {

const QString kRemoveLine = QStringLiteral("Device remove");

QStringList entries(const QComboBox *combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i)
        texts << combo->itemText(i);
    return texts;
}

// Leaves exactly these bridges plugged, in this order.
void plugOnly(const QStringList &serials)
{
    Testbed &bed = Testbed::instance();
    for (const std::string &serial : bed.pluggedSerials())
        bed.unplug(serial);
    for (const QString &serial : serials)
        bed.plug(serial.toStdString());
}

} // namespace

class TestLinkDiscovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { qputenv("VISTREL_VIRTUAL_DEVICES", "VPANEL01"); }
    void init();
    void cleanup() { window.reset(); }

    void deviceAddedAppendsWithDebugLine();
    void onePoll_data();
    void onePoll();
    void unplugThenReplugOverTwoPolls();
    void failingEnumerationLeavesList_data();
    void failingEnumerationLeavesList();
    void pollNeverTouchesLinkState();
    void timerRunsThePoll();

private:
    QComboBox *combo() { return VistrelInspector::ui(*window).devicecomboBox; }
    void setEntries(const QStringList &texts, int current = 0)
    {
        combo()->clear();
        combo()->addItems(texts);
        combo()->setCurrentIndex(texts.isEmpty() ? -1 : current);
    }

    std::unique_ptr<Vistrel> window;
};

void TestLinkDiscovery::init()
{
    Testbed::instance().reset();
    testenv::clearSettingsStore();
    window = std::make_unique<Vistrel>();
    // The tests run each poll themselves.
    VistrelInspector::pollTimer(*window)->stop();
}

void TestLinkDiscovery::deviceAddedAppendsWithDebugLine()
{
    setEntries({QStringLiteral("VPANEL01")});
    DebugCapture debug;
    window->handleDeviceAdded(QStringLiteral("FT9XK2"));
    window->handleDeviceAdded(QString());
    QCOMPARE(entries(combo()), QStringList({"VPANEL01", "FT9XK2", ""}));
    QCOMPARE(debug.captured(), QStringList({"Adding item to ComboBox:  \"FT9XK2\"",
                                            "Adding item to ComboBox:  \"\""}));
    QCOMPARE(combo()->currentIndex(), 0);
}

void TestLinkDiscovery::onePoll_data()
{
    QTest::addColumn<QStringList>("plugged");
    QTest::addColumn<QStringList>("before");
    QTest::addColumn<int>("currentBefore");
    QTest::addColumn<QStringList>("after");
    QTest::addColumn<QString>("currentAfter");
    QTest::addColumn<int>("removeLines");

    QTest::newRow("last bridge unplugged: cleared silently")
        << QStringList() << QStringList({"VPANEL01"}) << 0 << QStringList() << QString() << 0;
    QTest::newRow("second bridge appended, first stays current")
        << QStringList({"VPANEL01", "VPANEL02"}) << QStringList({"VPANEL01"}) << 0
        << QStringList({"VPANEL01", "VPANEL02"}) << "VPANEL01" << 0;
    QTest::newRow("first appearance at a poll")
        << QStringList({"VPANEL01"}) << QStringList() << -1
        << QStringList({"VPANEL01"}) << "VPANEL01" << 0;
    QTest::newRow("two adjacent entries leave in one poll")
        << QStringList({"A1", "D4"}) << QStringList({"A1", "B2", "C3", "D4"}) << 0
        << QStringList({"A1", "D4"}) << "A1" << 2;
    QTest::newRow("swap: new one added, old one removed in the same poll")
        << QStringList({"VPANEL02"}) << QStringList({"VPANEL01"}) << 0
        << QStringList({"VPANEL02"}) << "VPANEL02" << 1;
    QTest::newRow("serials compared case-sensitively")
        << QStringList({"vpanel01"}) << QStringList({"VPANEL01"}) << 0
        << QStringList({"vpanel01"}) << "vpanel01" << 1;
    QTest::newRow("empty serial is never added")
        << QStringList({"", "VPANEL01"}) << QStringList({"VPANEL01"}) << 0
        << QStringList({"VPANEL01"}) << "VPANEL01" << 0;
    QTest::newRow("empty start entry survives while counts match")
        << QStringList({""}) << QStringList({""}) << 0 << QStringList({""}) << "" << 0;
    QTest::newRow("as many devices as entries: unmatched entry stays")
        << QStringList({"VPANEL01", ""}) << QStringList({"VPANEL01", "GONE"}) << 1
        << QStringList({"VPANEL01", "GONE"}) << "GONE" << 0;
    QTest::newRow("empty serial keeps no entry alive")
        << QStringList({"VPANEL01", ""}) << QStringList({"", "VPANEL01", "GONE"}) << 1
        << QStringList({"VPANEL01"}) << "VPANEL01" << 2;
    QTest::newRow("unchanged list")
        << QStringList({"VPANEL01", "VPANEL02"}) << QStringList({"VPANEL01", "VPANEL02"}) << 1
        << QStringList({"VPANEL01", "VPANEL02"}) << "VPANEL02" << 0;
    QTest::newRow("longest serial, 15 characters")
        << QStringList({"ABCDEFGHIJKLMNO"}) << QStringList() << -1
        << QStringList({"ABCDEFGHIJKLMNO"}) << "ABCDEFGHIJKLMNO" << 0;
}

void TestLinkDiscovery::onePoll()
{
    QFETCH(QStringList, plugged);
    QFETCH(QStringList, before);
    QFETCH(int, currentBefore);
    QFETCH(QStringList, after);
    QFETCH(QString, currentAfter);
    QFETCH(int, removeLines);

    plugOnly(plugged);
    setEntries(before, currentBefore);
    DebugCapture debug;
    window->checkDevices();

    QCOMPARE(entries(combo()), after);
    QCOMPARE(combo()->currentText(), currentAfter);
    QCOMPARE(debug.count(kRemoveLine), removeLines);
    QCOMPARE(debug.captured().size(), removeLines);  // no other line
}

void TestLinkDiscovery::unplugThenReplugOverTwoPolls()
{
    setEntries({"VPANEL01"});
    DebugCapture debug;
    QVERIFY(Testbed::instance().unplug("VPANEL01"));
    window->checkDevices();
    QCOMPARE(entries(combo()), QStringList());
    Testbed::instance().plug("VPANEL01");
    window->checkDevices();
    QCOMPARE(entries(combo()), QStringList({"VPANEL01"}));
    QCOMPARE(combo()->currentText(), QStringLiteral("VPANEL01"));
    QVERIFY2(debug.captured().isEmpty(), qPrintable(debug.captured().join('|')));
}

void TestLinkDiscovery::failingEnumerationLeavesList_data()
{
    QTest::addColumn<int>("call");
    QTest::addColumn<uint>("status");
    QTest::addColumn<QStringList>("debugLines");

    QTest::newRow("count call fails, status logged")
        << int(D2xxCall::CreateDeviceInfoList) << uint(FT_IO_ERROR)
        << QStringList({"Failed to create device info list. Error code:  4"});
    QTest::newRow("large status printed unsigned")
        << int(D2xxCall::CreateDeviceInfoList) << uint(0xFFFFFFF0u)
        << QStringList({"Failed to create device info list. Error code:  4294967280"});
    QTest::newRow("list call fails silently")
        << int(D2xxCall::GetDeviceInfoList) << uint(FT_OTHER_ERROR) << QStringList();
}

void TestLinkDiscovery::failingEnumerationLeavesList()
{
    QFETCH(int, call);
    QFETCH(uint, status);
    QFETCH(QStringList, debugLines);

    setEntries({"VPANEL01"});
    plugOnly({"VPANEL02", "VPANEL03"});  // a pending change the failed poll must not apply
    const FT_STATUS statusBefore = VistrelInspector::ftStatus(*window);
    Testbed::instance().failNext(static_cast<D2xxCall>(call), 1, status);

    DebugCapture debug;
    window->checkDevices();
    QCOMPARE(entries(combo()), QStringList({"VPANEL01"}));
    QCOMPARE(debug.captured(), debugLines);
    QCOMPARE(VistrelInspector::ftStatus(*window), statusBefore);

    debug.clear();
    window->checkDevices();  // the next poll tries again
    QCOMPARE(entries(combo()), QStringList({"VPANEL02", "VPANEL03"}));
    QCOMPARE(debug.captured(), QStringList({"Device remove"}));
}

void TestLinkDiscovery::pollNeverTouchesLinkState()
{
    Ui_Vistrel &ui = VistrelInspector::ui(*window);
    setEntries({"VPANEL01"});
    ui.openButton->click();
    QVERIFY(VistrelInspector::deviceOpen(*window));
    const auto historyBefore = Testbed::instance().callHistory("VPANEL01");

    Testbed::instance().plug("VPANEL02");
    window->checkDevices();
    QVERIFY(Testbed::instance().unplug("VPANEL01"));
    window->checkDevices();

    QCOMPARE(entries(combo()), QStringList({"VPANEL02"}));
    QVERIFY(VistrelInspector::deviceOpen(*window));
    QCOMPARE(ui.openButton->text(), QStringLiteral("CLOSE"));
    QCOMPARE(VistrelInspector::ftStatus(*window), FT_STATUS(FT_OK));
    QCOMPARE(Testbed::instance().callHistory("VPANEL01"), historyBefore);
    QVERIFY(Testbed::instance().callHistory("VPANEL02").empty());
}

void TestLinkDiscovery::timerRunsThePoll()
{
    setEntries({"VPANEL01"});
    Testbed::instance().plug("VPANEL02");
    VistrelInspector::pollTimer(*window)->start();
    QTRY_COMPARE_WITH_TIMEOUT(entries(combo()), QStringList({"VPANEL01", "VPANEL02"}), 3000);
}

QTEST_MAIN(TestLinkDiscovery)
#include "test_link_discovery.moc"
