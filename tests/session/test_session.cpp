// The panel session on its own, with no window: what reaches the panel and
// the state the session reports when writes fail, the bridge goes and comes
// back, and the link is closed in every state of the panel.
#include "media_files.h"
#include "panel_session.h"
#include "playback.h"

#include <QSignalSpy>
#include <QtTest>

using namespace displaytest;
using vistrel::session::Content;
using vistrel::session::FieldTexts;
using vistrel::session::LinkState;
using vistrel::session::Notice;
using vistrel::session::PanelSession;
using vistrel::session::Pattern;
using vistrel::protocol::PatternRequest;
using vistrel::virt::D2xxCall;

namespace {

FieldTexts defaultTexts()
{
    FieldTexts t;
    t.vdd = "2"; t.vss = "-2"; t.von = "12"; t.voff = "-12"; t.vh = "5"; t.vl = "0"; t.vbias = "0"; t.fps = "60";
    return t;
}

PatternRequest gray(int level) { return {"gray", {level}}; }

// FF 04, every slot 00 N, CR LF: a full-field gray frame as the pattern table writes it.
Bytes grayFrame(int level)
{
    Bytes frame{0xFF, 0x04};
    for (int slot = 0; slot < 18000; ++slot)
        frame.insert(frame.end(), {0x00, std::uint8_t(level)});
    frame.insert(frame.end(), {0x0D, 0x0A});
    return frame;
}

// The wire as letters, a run of frames as F+.
QString shape() { return letters().replace(QRegularExpression("F{2,}"), "F+"); }

} // namespace

Q_DECLARE_METATYPE(vistrel::session::FieldRule)

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

    // Brings the panel to `content` over a freshly opened link; that traffic is forgotten.
    void show(const QString &content)
    {
        QVERIFY(session().open(kSerial));
        if (content == "all on")
            QVERIFY(session().togglePattern(Pattern::AllOn));
        else if (content == "checker")
            QVERIFY(session().togglePattern(Pattern::Checker));
        else if (content.startsWith("gray"))
            QVERIFY(session().showPattern(gray(content.mid(5).toInt())));
        else if (content == "picture")
            QVERIFY(session().choosePicture(m_picture) && session().startShow(false));
        else if (content == "video") {
            session().chooseVideo(m_video);
            QVERIFY(session().startShow(true));
            QVERIFY(QTest::qWaitFor([] { return Testbed::instance().panel(kSerial).framesReceived >= 2; }, 5000));
        }
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

    // CLOSE takes down whatever is shown (stop word first), then the link;
    // a pattern toggled off or a Stop takes down only what is shown.
    void endInEveryState_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("ending");
        QTest::addColumn<QString>("words");
        QTest::newRow("idle, close") << "idle" << "close" << "O";
        QTest::newRow("all on, close") << "all on" << "close" << "DO";
        QTest::newRow("checker, close") << "checker" << "close" << "DO";
        QTest::newRow("picture, close") << "picture" << "close" << "DO";
        QTest::newRow("looping video, close") << "video" << "close" << "DO";
        QTest::newRow("all on, toggled off") << "all on" << "toggle" << "D";
        QTest::newRow("checker, toggled off") << "checker" << "toggle" << "D";
        QTest::newRow("gray, close") << "gray 9" << "close" << "DO";
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
        if (closed)
            session().close();
        else if (ending == "toggle")
            QVERIFY(session().togglePattern(content == "all on" ? Pattern::AllOn : Pattern::Checker));
        else if (ending == "take down")
            QVERIFY(session().takeDownPattern());
        else
            QVERIFY(session().stopShow());
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

    // A write that fails while the bridge is still there leaves the state as
    // it was (a video stops) and says what was not sent and why.
    void failedWrites_data()
    {
        QTest::addColumn<QString>("content");  // before the action
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("passing");       // writes that succeed first
        QTest::addColumn<QString>("words");     // on the wire afterwards
        QTest::addColumn<Content>("after");
        QTest::addColumn<QString>("notice");
        const QString io = "FT_Write: FT_IO_ERROR";
        QTest::newRow("settings") << "idle" << "set" << 0 << "" << Content::Idle << "settings packet not sent\n" + io + " (0 bytes written)";
        QTest::newRow("scan timing") << "idle" << "scan" << 0 << "" << Content::Idle << "scan timing packet not sent\n" + io + " (0 bytes written)";
        QTest::newRow("pattern start word") << "idle" << "all on" << 0 << "" << Content::Idle << "display start word not sent\n" + io + " (0 bytes written)";
        QTest::newRow("pattern frame") << "idle" << "checker" << 1 << "AD" << Content::Idle << "checker frame not sent\n" + io + " (0 bytes written)";
        QTest::newRow("pattern stop word") << "all on" << "all on" << 0 << "" << Content::AllOn << "display stop word not sent\n" + io + " (0 bytes written)";
        QTest::newRow("pattern over a pattern") << "all on" << "gray" << 0 << "" << Content::AllOn << "pattern frame (gray 7) not sent\n" + io + " (0 bytes written)";
        QTest::newRow("picture frame") << "idle" << "picture" << 1 << "AD" << Content::Idle << "picture frame not sent\n" + io + " (0 bytes written)";
        QTest::newRow("picture stop word") << "picture" << "stop" << 0 << "" << Content::Picture << "display stop word not sent\n" + io + " (0 bytes written)";
        QTest::newRow("video start word") << "idle" << "video" << 0 << "" << Content::Idle << "display start word not sent\n" + io + " (0 bytes written)";
        QTest::newRow("video frame") << "video" << "wait" << 2 << "F+D" << Content::Idle << "video frame not sent\n" + io + ": playback stopped";
    }
    void failedWrites()
    {
        QFETCH(QString, content);
        QFETCH(QString, action);
        QFETCH(int, passing);
        QFETCH(QString, words);
        QFETCH(Content, after);
        QFETCH(QString, notice);
        show(content);
        Testbed::instance().failNext(D2xxCall::Write, 1, FT_IO_ERROR, passing);
        bool done = true;
        if (action == "set")
            done = session().sendDriveSettings(defaultTexts(), std::nullopt) == PanelSession::SendResult::Sent;
        else if (action == "scan")
            done = session().sendScanTiming();
        else if (action == "all on" || action == "checker")
            done = session().togglePattern(action == "all on" ? Pattern::AllOn : Pattern::Checker);
        else if (action == "gray")
            done = session().showPattern(gray(7));
        else if (action == "picture")
            done = session().choosePicture(m_picture) && session().startShow(false);
        else if (action == "video") {
            session().chooseVideo(m_video);
            done = session().startShow(false);
        } else if (action == "stop")
            done = session().stopShow();
        else
            QTRY_VERIFY_WITH_TIMEOUT(!m_notices.isEmpty(), 5000);
        QVERIFY(action == "wait" || !done);
        QCOMPARE(noticeText(), notice);
        QCOMPARE(shape(), words);
        QCOMPARE(session().content(), after);
        QCOMPARE(session().linkState(), LinkState::Open);
        QVERIFY(after == Content::Video || workerGone());
    }

    // Unplugging the open bridge: Lost, playback stopped, handle closed, one
    // notice. The same serial back: reopened exactly as OPEN does, nothing
    // else re-sent.
    void unplugAndReplug_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<bool>("byPoll");  // else a failed write finds it
        QTest::newRow("idle, poll") << "idle" << true;
        QTest::newRow("pattern lit, poll") << "all on" << true;
        QTest::newRow("gray lit, poll") << "gray 40" << true;
        QTest::newRow("picture shown, poll") << "picture" << true;
        QTest::newRow("video playing, poll") << "video" << true;
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
        QVERIFY(Testbed::instance().config(kSerial).isOpen);
        QTest::qWait(50);
        QCOMPARE(shape(), QString("O"));
        QCOMPARE(lost.count(), 2);  // Lost, then Open
    }

    // Closing while lost forgets the bridge: its return no longer reopens it.
    void closeWhileLost()
    {
        show("idle");
        Testbed::instance().unplug(kSerial);
        session().refreshDevices();
        session().close();
        QCOMPARE(session().linkState(), LinkState::Closed);
        Testbed::instance().plug(kSerial);
        Testbed::instance().clearCaptured(kSerial);
        session().refreshDevices();
        QCOMPARE(session().linkState(), LinkState::Closed);
        QCOMPARE(shape(), QString());
    }

    // Start refuses what would only look shown.
    void startRefusals_data()
    {
        QTest::addColumn<QString>("media");
        QTest::addColumn<bool>("open");
        QTest::addColumn<QString>("notice");
        QTest::newRow("no file") << "" << true << "No File";
        QTest::newRow("picture, link closed") << "picture" << false << "device not connected";
        QTest::newRow("video, link closed") << "video" << false << "device not connected";
        QTest::newRow("video that cannot be read") << "broken" << true << "video not readable\n" + m_broken;
        QTest::newRow("under a lit pattern") << "picture" << true << "Operation prohibited during operation!";
    }
    void startRefusals()
    {
        QFETCH(QString, media);
        QFETCH(bool, open);
        QFETCH(QString, notice);
        if (open)
            show(notice.startsWith("Operation") ? "checker" : "idle");
        if (media == "picture")
            QVERIFY(session().choosePicture(m_picture));
        else if (!media.isEmpty())
            session().chooseVideo(media == "video" ? m_video : m_broken);
        m_notices.clear();
        QVERIFY(!session().toggleStart(false));
        QCOMPARE(noticeText(), notice);
        QCOMPARE(shape(), QString());
        QVERIFY(workerGone());
        QCOMPARE(session().content(), notice.startsWith("Operation") ? Content::Checker : Content::Idle);
    }

    // Lighting over nothing: start word and frame; over a lit pattern (the
    // seed's too): the frame alone; the one lit: nothing; over a picture or
    // video: refused.
    void patternWire_data()
    {
        QTest::addColumn<QString>("content");
        QTest::addColumn<QString>("pattern");  // "gray N" or "all-on"
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
        const PatternRequest request = pattern == "all-on" ? PatternRequest{"all-on", {}} : gray(pattern.mid(5).toInt());
        QCOMPARE(session().showPattern(request), notice.isEmpty());
        QCOMPARE(session().content(), after);
        QCOMPARE(noticeText(), notice);
        QVERIFY(session().litPattern() == (notice.isEmpty() ? std::optional(request) : lit));
        if (content == "video") {  // its frames go on
            QVERIFY(!letters().contains('A'));
            return;
        }
        Bytes expected;
        for (QChar part : wire) {
            Bytes bytes = part == 'A' ? Bytes{0xFF, 0xAA, 0x0D, 0x0A} : part == 'G' ? grayFrame(request.values[0])
                                                                                    : Bytes(36004, 0xFF);
            if (part == 'N')
                bytes[1] = 0x04, bytes[36002] = 0x0D, bytes[36003] = 0x0A;
            expected.insert(expected.end(), bytes.begin(), bytes.end());
        }
        QCOMPARE(displaytest::wire().size(), expected.size());
        QVERIFY(displaytest::wire() == expected);
    }

    // A video that ends by itself takes itself down: stop word, Idle, signal.
    void videoEndsByItself()
    {
        show("idle");
        QSignalSpy ended(m_session.get(), &PanelSession::playbackEnded);
        session().chooseVideo(m_video);
        QVERIFY(session().startShow(false));
        QVERIFY(ended.wait(5000));
        QCOMPARE(session().content(), Content::Idle);
        QCOMPARE(shape(), QString("AF+D"));
        QCOMPARE(session().framesPlayed(), std::uint64_t(12));
        QVERIFY(session().togglePattern(Pattern::AllOn));  // nothing left locked
    }

    // What a field lets through, and what counts as a complete value.
    void fieldRules_data()
    {
        using vistrel::session::FieldRule;
        QTest::addColumn<FieldRule>("rule");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("complete");
        QTest::newRow("ten: -9.75") << FieldRule::TenVolts << "-9.75" << true << true;
        QTest::newRow("ten: lone minus") << FieldRule::TenVolts << "-" << true << false;
        QTest::newRow("ten: empty") << FieldRule::TenVolts << "" << true << false;
        QTest::newRow("ten: 10.5") << FieldRule::TenVolts << "10.5" << false << false;
        QTest::newRow("ten: 1e308") << FieldRule::TenVolts << "1e308" << false << false;
        QTest::newRow("ten: inf") << FieldRule::TenVolts << "inf" << false << false;
        QTest::newRow("twenty: -19.5") << FieldRule::TwentyVolts << "-19.5" << true << true;
        QTest::newRow("twenty: 21") << FieldRule::TwentyVolts << "21" << false << false;
        QTest::newRow("twenty: nan") << FieldRule::TwentyVolts << "nan" << false << false;
        QTest::newRow("fps: 60") << FieldRule::FrameRate << "60" << true << true;
        QTest::newRow("fps: 61") << FieldRule::FrameRate << "61" << true << false;
        QTest::newRow("fps: 0") << FieldRule::FrameRate << "0" << true << false;
        QTest::newRow("fps: words") << FieldRule::FrameRate << "fast" << true << false;
    }
    void fieldRules()
    {
        QFETCH(vistrel::session::FieldRule, rule);
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(bool, complete);
        QCOMPARE(vistrel::session::fieldAccepts(rule, text), accepted);
        QCOMPARE(vistrel::session::isCompleteValue(rule, text), complete);
    }
};

QTEST_GUILESS_MAIN(TestSession)
#include "test_session.moc"
