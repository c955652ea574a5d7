// The panel session without a window: what reaches the panel, and the state it
// reports when writes fail, the bridge goes and comes back, or the link closes.
#include "media_files.h"
#include "panel_session.h"
#include "playback.h"

#include <QSignalSpy>
#include <QtTest>

using namespace displaytest;
using namespace vistrel::session;
using vistrel::protocol::PatternRequest;
using vistrel::virt::D2xxCall;

namespace {

PatternRequest gray(int level) { return {"gray", {level}}; }

// FF 04, every slot the same two bytes, CR LF: a full-field frame as the pattern table writes it.
Bytes fullFrame(std::uint8_t high, std::uint8_t low)
{
    Bytes frame{0xFF, 0x04};
    for (int slot = 0; slot < 18000; ++slot)
        frame.insert(frame.end(), {high, low});
    frame.insert(frame.end(), {0x0D, 0x0A});
    return frame;
}

// The wire as letters, a run of frames as F+.
QString shape() { return letters().replace(QRegularExpression("F{2,}"), "F+"); }

} // namespace

class TestSession : public QObject
{
    Q_OBJECT
    std::unique_ptr<PanelSession> m_session;
    QStringList m_notices;
    const QString m_picture = testenv::dataDir() + "/session.jpg";
    const QString m_video = rampVideo("session.mp4", 12);
    const QString m_broken = testenv::dataDir() + "/broken.mp4";

    PanelSession &session() { return *m_session; }
    QString noticeText() { return m_notices.join(" / "); }

    // One user action on the session; false when it was refused or failed.
    bool act(const QString &action, bool loop = true)
    {
        if (action == "all on" || action == "checker")
            return session().togglePattern(action == "all on" ? Pattern::AllOn : Pattern::Checker);
        if (action.startsWith("gray"))
            return session().showPattern(gray(action.mid(5).toInt()));
        if (action == "picture")
            return session().choosePicture(m_picture) && session().startShow(false);
        if (action == "video" || action == "broken") {
            session().chooseVideo(action == "video" ? m_video : m_broken);
            return session().startShow(loop);
        }
        if (action == "start")  // as the Start button asks
            return session().toggleStart(false);
        if (action == "scan")
            return session().sendScanTiming();
        if (action == "take down")
            return session().takeDownPattern();
        if (action == "stop")
            return session().stopShow();
        if (action == "close")
            session().close();
        return action == "close";
    }
    // Brings the panel to `content` over a freshly opened link; that traffic is forgotten.
    void show(const QString &content)
    {
        QVERIFY(session().open(kSerial));
        QVERIFY(content == "idle" || act(content));
        if (content == "video")
            QVERIFY(QTest::qWaitFor([] { return Testbed::instance().panel(kSerial).framesReceived >= 2; }, 5000));
        Testbed::instance().clearCaptured(kSerial);
        m_notices.clear();
    }
    bool workerGone() { return !session().playback().active(); }

private slots:
    void initTestCase()
    {
        QVERIFY(!m_video.isEmpty());
        QVERIFY(cv::imwrite(m_picture.toStdString(), cv::Mat(50, 90, CV_8UC3, cv::Scalar::all(77))));
        QFile broken(m_broken);
        QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("not a video at all") > 0);
    }
    void init()
    {
        Testbed::instance().reset();
        m_session = std::make_unique<PanelSession>();
        session().listDevicesAtStart();
        m_notices.clear();
        connect(m_session.get(), &PanelSession::notice, this, [this](const Notice &n) { m_notices << n.text; });
    }
    void cleanup() { m_session.reset(); }

    // CLOSE takes down whatever is shown (stop word first), then the link (from idle:
    // tests/link_open_close); a pattern toggled off or a Stop takes down only what is shown.
    void endInEveryState_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("words");
        for (const char *content : {"all on", "checker", "gray 9", "picture", "video"})
            QTest::newRow(qPrintable(QString(content) + ", close")) << QString(content) << "close" << "DO";
        QTest::newRow("all on, toggled off") << "all on" << "all on" << "D";
        QTest::newRow("checker, toggled off") << "checker" << "checker" << "D";
        QTest::newRow("gray, taken down") << "gray 9" << "take down" << "D";
        QTest::newRow("picture, stopped") << "picture" << "stop" << "D";
        QTest::newRow("looping video, stopped") << "video" << "stop" << "D";
    }
    void endInEveryState()
    {
        QFETCH(QString, content);
        QFETCH(QString, ending);
        QFETCH(QString, words);
        show(content);
        const bool closed = ending == "close";
        QVERIFY(act(ending));
        QCOMPARE(shape(), words);
        QCOMPARE(session().linkState(), closed ? LinkState::Closed : LinkState::Open);
        QCOMPARE(session().content(), Content::Idle);
        QVERIFY(!session().litPattern());
        QVERIFY(workerGone());
        const auto panel = Testbed::instance().panel(kSerial);
        QVERIFY(panel.linkOpen != closed && !panel.showing);
        QCOMPARE(Testbed::instance().callHistory(kSerial).back() == "FT_Close", closed);
        QCOMPARE(noticeText(), QString());
        QTest::qWait(50);
        QCOMPARE(shape(), words);  // no late frame
    }

    // An action refused, or a write that fails while the bridge is still there, leaves the
    // state as it was (a video stops) and says what was not done and why (Set: tests/drive_settings).
    void refusedOrFailed_data()
    {
        QTest::addColumn<QString>("content");  // before the action
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("passing");       // writes that succeed first; -1: none fails
        QTest::addColumn<QString>("words");     // on the wire afterwards
        QTest::addColumn<Content>("after");
        QTest::addColumn<QString>("notice");
        const QString io = "not sent\nFT_Write: FT_IO_ERROR (0 bytes written)";
        QTest::newRow("scan timing") << "idle" << "scan" << 0 << "" << Content::Idle << "scan timing packet " + io;
        QTest::newRow("pattern start word") << "idle" << "all on" << 0 << "" << Content::Idle << "display start word " + io;
        QTest::newRow("pattern frame") << "idle" << "checker" << 1 << "AD" << Content::Idle << "checker frame " + io;
        QTest::newRow("pattern stop word") << "all on" << "all on" << 0 << "" << Content::AllOn << "display stop word " + io;
        QTest::newRow("pattern over a pattern") << "all on" << "gray 7" << 0 << "" << Content::AllOn << "pattern frame (gray 7) " + io;
        QTest::newRow("picture frame") << "idle" << "picture" << 1 << "AD" << Content::Idle << "picture frame " + io;
        QTest::newRow("picture stop word") << "picture" << "stop" << 0 << "" << Content::Picture << "display stop word " + io;
        QTest::newRow("video start word") << "idle" << "video" << 0 << "" << Content::Idle << "display start word " + io;
        QTest::newRow("video frame") << "video" << "wait" << 2 << "F+D" << Content::Idle << QString("video frame not sent\nFT_Write: FT_IO_ERROR: playback stopped");
        QTest::newRow("start, no file") << "idle" << "start" << -1 << "" << Content::Idle << "No File";
        QTest::newRow("picture, link closed") << "closed" << "picture" << -1 << "" << Content::Idle << "device not connected";
        QTest::newRow("video, link closed") << "closed" << "video" << -1 << "" << Content::Idle << "device not connected";
        QTest::newRow("video that cannot be read") << "idle" << "broken" << -1 << "" << Content::Idle << "video not readable\n" + m_broken;
        QTest::newRow("picture under a lit pattern") << "checker" << "picture" << -1 << "" << Content::Checker << "Operation prohibited during operation!";
    }
    void refusedOrFailed()
    {
        QFETCH(QString, content);
        QFETCH(QString, action);
        QFETCH(int, passing);
        QFETCH(QString, words);
        QFETCH(Content, after);
        QFETCH(QString, notice);
        if (content != "closed")
            show(content);
        if (passing >= 0)
            Testbed::instance().failNext(D2xxCall::Write, 1, FT_IO_ERROR, passing);
        if (action == "wait")
            QTRY_VERIFY_WITH_TIMEOUT(!m_notices.isEmpty(), 5000);
        else
            QVERIFY(!act(action, false));
        QCOMPARE(noticeText(), notice);
        QCOMPARE(shape(), words);
        QCOMPARE(session().content(), after);
        QCOMPARE(session().linkState(), content == "closed" ? LinkState::Closed : LinkState::Open);
        QVERIFY(after == Content::Video || workerGone());
    }

    // Unplugging the open bridge: Lost, playback stopped, handle closed, one notice. The same serial
    // back: reopened exactly as OPEN does, nothing else re-sent (CLOSE while lost: tests/window_view).
    void unplugAndReplug_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<bool>("byPoll");  // else a failed write finds it
        for (const char *content : {"idle", "all on", "gray 40", "picture", "video"})
            QTest::newRow(qPrintable(QString(content) + ", poll")) << QString(content) << true;
        QTest::newRow("video playing, its next frame") << "video" << false;
    }
    void unplugAndReplug()
    {
        QFETCH(QString, content);
        QFETCH(bool, byPoll);
        show(content);
        QSignalSpy lost(m_session.get(), &PanelSession::linkStateChanged);
        QVERIFY(Testbed::instance().unplug(kSerial));
        if (byPoll)
            session().refreshDevices();
        QTRY_COMPARE_WITH_TIMEOUT(session().linkState(), LinkState::Lost, 3000);
        QCOMPARE(session().content(), Content::Idle);
        QVERIFY(!session().litPattern());
        QVERIFY(workerGone());
        QCOMPARE(noticeText(), QString("bridge VPANEL01 disconnected: the link is closed and reopens when the bridge is back"));
        QCOMPARE(session().devices(), QStringList());
        QCOMPARE(Testbed::instance().callHistory(kSerial).back(), std::string("FT_Close"));

        session().refreshDevices();  // still gone: nothing changes
        QCOMPARE(session().linkState(), LinkState::Lost);
        Testbed::instance().plug(kSerial);
        Testbed::instance().clearCaptured(kSerial);
        m_notices.clear();
        session().refreshDevices();
        QVERIFY2(session().linkState() == LinkState::Open, qPrintable(noticeText()));
        QCOMPARE(noticeText(), QString("bridge VPANEL01 reconnected: the link is open again"));
        QCOMPARE(shape(), QString("O"));
        QCOMPARE(session().devices(), QStringList{kSerial});
        QVERIFY(Testbed::instance().isOpen(kSerial));
        QTest::qWait(50);
        QCOMPARE(shape(), QString("O"));
        QCOMPARE(lost.count(), 2);  // Lost, then Open
    }

    // Lighting over nothing: start word and frame; over a lit pattern (the seed's too): the frame
    // alone; the one lit: nothing; over a picture or video: refused.
    void patternWire_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("pattern");  // "gray N", "all-on", or "checker" toggled by its button
        QTest::addColumn<QString>("wire");     // A start word, G gray frame, N all-on frame
        QTest::addColumn<Content>("after");
        QTest::addColumn<QString>("notice");
        const QString refused = "Operation prohibited during operation!\nA %1 is shown: stop it before lighting a pattern.";
        QTest::newRow("idle") << "idle" << "gray 128" << "AG" << Content::Pattern << "";
        QTest::newRow("over all on") << "all on" << "gray 128" << "G" << Content::Pattern << "";
        QTest::newRow("over checker") << "checker" << "gray 0" << "G" << Content::Pattern << "";
        QTest::newRow("over another gray") << "gray 5" << "gray 255" << "G" << Content::Pattern << "";
        QTest::newRow("all on over gray") << "gray 5" << "all-on" << "N" << Content::AllOn << "";
        QTest::newRow("the one lit") << "gray 5" << "gray 5" << "" << Content::Pattern << "";
        QTest::newRow("all on, lit by its button") << "all on" << "all-on" << "" << Content::AllOn << "";
        QTest::newRow("over a picture") << "picture" << "gray 1" << "" << Content::Picture << refused.arg("picture");
        QTest::newRow("over a video") << "video" << "gray 1" << "" << Content::Video << refused.arg("video");
        QTest::newRow("link closed") << "closed" << "gray 1" << "" << Content::Idle << "device not connected";
        QTest::newRow("checker button, link closed") << "closed" << "checker" << "" << Content::Idle << "device not connected";
    }
    void patternWire()
    {
        QFETCH(QString, content);
        QFETCH(QString, pattern);
        QFETCH(QString, wire);
        QFETCH(Content, after);
        QFETCH(QString, notice);
        if (content != "closed")
            show(content);
        const auto lit = session().litPattern();
        const PatternRequest request = pattern.startsWith("gray") ? gray(pattern.mid(5).toInt()) : PatternRequest{pattern.toStdString(), {}};
        QCOMPARE(pattern == "checker" ? session().togglePattern(Pattern::Checker) : session().showPattern(request), notice.isEmpty());
        QCOMPARE(session().content(), after);
        QCOMPARE(noticeText(), notice);
        QVERIFY(session().litPattern() == (notice.isEmpty() ? std::optional(request) : lit));
        if (content == "video") {  // its frames go on
            QVERIFY(!letters().contains('A'));
            return;
        }
        Bytes expected;
        for (QChar part : wire) {
            const Bytes bytes = part == 'A'   ? Bytes{0xFF, 0xAA, 0x0D, 0x0A}
                                : part == 'G' ? fullFrame(0x00, std::uint8_t(request.values[0]))
                                              : fullFrame(0xFF, 0xFF);
            expected.insert(expected.end(), bytes.begin(), bytes.end());
        }
        QCOMPARE(displaytest::wire(), expected);
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "test_session.moc"
