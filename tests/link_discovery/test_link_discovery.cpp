// The device list against plugging and unplugging: each poll diffs the
// driver's list against the one shown, and the window's list follows.
#include "device_list.h"
#include "link_fixture.h"

namespace {
QStringList list(const QString &text) { return text.isEmpty() ? QStringList() : text.split('|'); }  // "|A": "", "A"
QStringList entries(const QComboBox *combo)
{
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i);
    return out;
}
} // namespace

class TestLinkDiscovery : public QObject, LinkFixture
{
    Q_OBJECT

private slots:
    void init() { fresh(); }

    void follow_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("reported");
        QTest::addColumn<QString>("after");
        QTest::newRow("last bridge unplugged") << "VPANEL01" << "" << "";
        QTest::newRow("second bridge added") << "VPANEL01" << "VPANEL01|VPANEL02" << "VPANEL01|VPANEL02";
        QTest::newRow("two adjacent leave in one poll") << "A1|B2|C3|D4" << "A1|D4" << "A1|D4";
        QTest::newRow("swap between two polls") << "VPANEL01" << "VPANEL02" << "VPANEL02";
        QTest::newRow("empty serial never listed") << "VPANEL01" << "|VPANEL01" << "VPANEL01";
        QTest::newRow("empty serial keeps no entry") << "|VPANEL01|X" << "VPANEL01|" << "VPANEL01";
        // As many bridges as entries: taken as the same bridges, nothing removed.
        QTest::newRow("blank entry kept while counts match") << "|A1" << "A1|" << "|A1";
        QTest::newRow("renamed bridge replaces its entry") << "A1|B2" << "A1|C3" << "A1|C3";
    }
    void follow()
    {
        QFETCH(QString, shown);
        QFETCH(QString, reported);
        QFETCH(QString, after);
        using namespace vistrel::session;
        QCOMPARE(applied(list(shown), followReported(list(shown), list(reported))), list(after));
    }

    // The poll, or the first listing as the window starts, reaches the window's list through the
    // session; a failing driver call leaves the list as it was (empty at the start).
    void listFollowsPlugging_data()
    {
        QTest::addColumn<bool>("atStart");
        QTest::addColumn<QString>("plugged");  // once VPANEL01 is gone; at the start, besides it
        QTest::addColumn<int>("failingCall");  // -1: none
        QTest::addColumn<QString>("after");
        QTest::newRow("plugged and unplugged") << false << "VPANEL02|VPANEL03" << -1 << "VPANEL02|VPANEL03";
        QTest::newRow("count call fails") << false << "VPANEL02" << int(D2xxCall::CreateDeviceInfoList) << "VPANEL01";
        QTest::newRow("listing fails") << false << "VPANEL02" << int(D2xxCall::GetDeviceInfoList) << "VPANEL01";
        QTest::newRow("start, blank serial") << true << "|VPANEL02" << -1 << "VPANEL01||VPANEL02";
        QTest::newRow("start, count call fails") << true << "" << int(D2xxCall::CreateDeviceInfoList) << "";
        QTest::newRow("start, listing fails") << true << "" << int(D2xxCall::GetDeviceInfoList) << "";
    }
    void listFollowsPlugging()
    {
        QFETCH(bool, atStart);
        QFETCH(QString, plugged);
        QFETCH(int, failingCall);
        QFETCH(QString, after);
        QCOMPARE(entries(ui().devicecomboBox), QStringList{"VPANEL01"});
        if (atStart)
            window.reset();
        else
            bed().unplug("VPANEL01");
        for (const QString &serial : list(plugged))
            bed().plug(serial.toStdString());
        bed().failNext(D2xxCall(failingCall), failingCall < 0 ? 0 : 1, FT_IO_ERROR);
        if (atStart)
            window = std::make_unique<Vistrel>();
        else
            window->session().refreshDevices();
        QCOMPARE(entries(ui().devicecomboBox), list(after));
        QCOMPARE(VistrelInspector::session(*window).devices(), list(after));
        QCOMPARE(ui().devicecomboBox->currentIndex(), after.isEmpty() ? -1 : 0);
    }
};

QTEST_MAIN(TestLinkDiscovery)
#include "test_link_discovery.moc"
