// The device list against plugging and unplugging: each poll diffs the driver's list against it.
#include "link_fixture.h"

namespace {
QStringList list(const QString &text) { return text.isEmpty() ? QStringList() : text.split('|'); }  // "|A": "", "A"
} // namespace

class TestLinkDiscovery : public QObject, LinkFixture
{
    Q_OBJECT

private slots:
    void init() { fresh(); }

    void poll_data()
    {
        QTest::addColumn<QString>("plugged");
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("failingCall");  // -1: none
        QTest::addColumn<QString>("after");    // the first entry is then current
        QTest::addColumn<QString>("debugLines");
        const QString gone = QStringLiteral("Device remove"), twice = gone + '|' + gone;
        QTest::newRow("last bridge unplugged") << "" << "VPANEL01" << -1 << "" << "";
        QTest::newRow("second bridge added") << "VPANEL01|VPANEL02" << "VPANEL01" << -1 << "VPANEL01|VPANEL02" << "";
        QTest::newRow("two adjacent leave in one poll") << "A1|D4" << "A1|B2|C3|D4" << -1 << "A1|D4" << twice;
        QTest::newRow("swap between two polls") << "VPANEL02" << "VPANEL01" << -1 << "VPANEL02" << gone;
        QTest::newRow("empty serial never listed") << "|VPANEL01" << "VPANEL01" << -1 << "VPANEL01" << "";
        QTest::newRow("empty serial keeps no entry") << "VPANEL01|" << "|VPANEL01|X" << -1 << "VPANEL01" << twice;
        QTest::newRow("count call fails") << "VPANEL02" << "VPANEL01" << int(D2xxCall::CreateDeviceInfoList)
                                          << "VPANEL01" << "Failed to create device info list. Error code:  4";
        QTest::newRow("listing fails") << "A1" << "B2" << int(D2xxCall::GetDeviceInfoList) << "B2" << "";
    }
    void poll()
    {
        QFETCH(QString, plugged);
        QFETCH(QString, before);
        QFETCH(int, failingCall);
        QFETCH(QString, after);
        QFETCH(QString, debugLines);
        bed().unplug("VPANEL01");
        for (const QString &serial : list(plugged))
            bed().plug(serial.toStdString());
        QComboBox *combo = ui().devicecomboBox;
        combo->clear();
        combo->addItems(list(before));
        bed().failNext(D2xxCall(failingCall), failingCall < 0 ? 0 : 1, FT_IO_ERROR);
        DebugCapture debug;
        window->checkDevices();
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i)
            entries << combo->itemText(i);
        QCOMPARE(entries, list(after));
        QCOMPARE(combo->currentIndex(), after.isEmpty() ? -1 : 0);
        QCOMPARE(debug.captured(), list(debugLines));
    }
};

QTEST_MAIN(TestLinkDiscovery)
#include "test_link_discovery.moc"
