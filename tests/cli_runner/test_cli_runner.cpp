// vistrelctl in this process on virtual bridges the test controls: late bridges, lost ones.
#include "../cli_run/ctl_support.h"
#include "virtual_bridge.h"
#include "vistrelctl_app.h"

#include <QElapsedTimer>
#include <QtTest>

#include <functional>
#include <memory>

using namespace ctltest;
using vistrel::protocol::DecodedPacket;
using vistrel::virt::D2xxCall;
using vistrel::virt::Testbed;

namespace {

Testbed &bed() { return Testbed::instance(); }

struct InProcessRun {
    int status = -1;
    QString out, err;
    qint64 ms = 0;
};

InProcessRun runCtl(const QStringList &arguments)
{
    InProcessRun run;
    QTextStream out(&run.out), err(&run.err);
    QElapsedTimer clock;
    clock.start();
    run.status = vistrel::cli::runVistrelctl(QStringList{"vistrelctl", "--virtual"} + arguments, out, err);
    run.ms = clock.elapsed();
    return run;
}

// Runs `action` once, on the writing thread, when the n-th packet of `kind` has arrived.
void onPacket(DecodedPacket::Kind kind, int n, std::function<void()> action)
{
    auto seen = std::make_shared<int>(0);
    bed().addPacketListener([=](const std::string &, const DecodedPacket &packet) {
        if (packet.kind == kind && ++*seen == n)
            action();
    });
}

} // namespace

class TestCliRunner : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(makeMedia()); }
    void init()
    {
        bed().reset();  // VPANEL01 alone, no listeners
        QDir::setCurrent(testenv::dataDir());
    }

    // Production lines plug the panel in as the test starts.
    void waitDevice_data()
    {
        QTest::addColumn<int>("plugAfterMs");  // -1: never
        QTest::addColumn<QString>("plugged");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        const QStringList openClose{"-e", "open; close"};
        QTest::newRow("open waits for the named bridge") << 300 << "VPANEL07" << QStringList{"--serial", "VPANEL07", "--wait-device", "5"} + openClose << 0;
        QTest::newRow("open waits for any bridge") << 300 << "VPANEL07" << QStringList{"--wait-device", "5"} + openClose << 0;
        QTest::newRow("another bridge is no use") << 300 << "VPANEL08" << QStringList{"--serial", "VPANEL07", "--wait-device", "1"} + openClose << 2;
        QTest::newRow("given up after the wait") << -1 << "" << QStringList{"--wait-device", "0.5"} + openClose << 2;
        QTest::newRow("no wait asked") << 300 << "VPANEL07" << openClose << 2;
        QTest::newRow("list waits") << 300 << "VPANEL07" << QStringList{"--wait-device", "5", "list"} << 0;
        QTest::newRow("list gives up") << -1 << "" << QStringList{"--wait-device", "0.3", "list"} << 2;
    }
    void waitDevice()
    {
        QFETCH(int, plugAfterMs);
        QFETCH(QString, plugged);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        const bool list = arguments.contains("list");
        bed().unplug("VPANEL01");
        if (plugAfterMs >= 0)
            QTimer::singleShot(plugAfterMs, [plugged] { bed().plug(plugged.toStdString()); });
        const InProcessRun run = runCtl(arguments);
        QCOMPARE(run.status, status);
        QCOMPARE(displaytest::letters(bed().captured(plugged.toStdString())), status == 0 && !list ? "OO" : "");
        if (list)
            QCOMPARE(run.out, status == 0 ? QString(plugged + "\n") : QString());
        const int waited = int(1000 * arguments.value(arguments.indexOf("--wait-device") + 1).toDouble());
        if (status == 0)  // found once it was plugged, not later than a poll after
            QVERIFY2(run.ms >= plugAfterMs && run.ms < plugAfterMs + 1000, qPrintable(QString::number(run.ms)));
        else  // looked for as long as asked, and no longer
            QVERIFY2(run.ms >= waited && run.ms < waited + 1000, qPrintable(QString::number(run.ms)));
        if (status == 2)
            QVERIFY2(run.err.contains(waited ? QString("(waited %1 s)").arg(waited / 1000.0) : "attached\n"), qPrintable(run.err));
    }

    // A write that fails or a bridge that goes away ends the script with 3,
    // the link closed as cleanly as the bridge still allows.
    void linkFailures_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("wire");  // the virtual panel's letters (ctl_support.h)
        QTest::newRow("the pattern frame fails") << "open; pattern checker; close" << "fail after A" << "checker frame not sent" << "OADO";
        QTest::newRow("a frame fails during play") << "open; play ramp.mp4; close" << "fail after F3"
                                                   << "video frame not sent; FT_Write: FT_IO_ERROR: playback stopped" << "OAFFFDO";
        QTest::newRow("bridge pulled during play") << "open; play ramp.mp4; close" << "unplug after F3"
                                                   << "bridge VPANEL01 disconnected" << "OAFFF";
        QTest::newRow("bridge pulled during wait") << "open; pattern all-on; wait 10s; close" << "unplug after F1"
                                                   << "bridge VPANEL01 disconnected" << "OAF";
        QTest::newRow("bridge pulled, then close") << "open; pattern all-on; wait 200ms; close" << "unplug after F1"
                                                   << "close: link closed, but not sent: display stop word: FT_Write: FT_IO_ERROR; open/close word" << "OAF";
    }
    void linkFailures()
    {
        QFETCH(QString, script);
        QFETCH(QString, fault);
        QFETCH(QString, message);
        QFETCH(QString, wire);
        const QString after = fault.section(' ', 2);
        const auto kind = DecodedPacket::Kind(QString("ADOSTF").indexOf(after.at(0)));
        const int nth = after.size() > 1 ? after.mid(1).toInt() : 1;
        if (fault.startsWith("fail"))
            onPacket(kind, nth, [] { bed().failNext(D2xxCall::Write, 1, FT_IO_ERROR); });
        else
            onPacket(kind, nth, [] { bed().unplug("VPANEL01"); });
        const InProcessRun run = runCtl({"-e", script});
        QCOMPARE(run.status, 3);
        QVERIFY2(run.err.contains(message), qPrintable(run.err));
        QCOMPARE(displaytest::letters(bed().captured("VPANEL01")), wire);
        QCOMPARE(bed().callHistory("VPANEL01").back(), std::string("FT_Close"));
        QVERIFY(!bed().isOpen("VPANEL01"));
        QVERIFY2(run.ms < 3000, "a lost bridge is noticed within the poll");
    }
};

QTEST_GUILESS_MAIN(TestCliRunner)
#include "test_cli_runner.moc"
