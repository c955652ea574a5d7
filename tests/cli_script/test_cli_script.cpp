// vistrelctl's pure parts: script parser and checker, durations, printed lines.
#include "duration.h"
#include "report.h"
#include "script.h"
#include "test_environment.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

using namespace vistrel::cli;

namespace {

// A command as "line: what the runner will be asked".
QString describe(const Command &c)
{
    QString what = commandName(c.kind);
    const vistrel::session::FieldTexts &f = c.fields;
    switch (c.kind) {
    case CommandKind::Set:
        what += ' ' + QStringList{f.vdd, f.vss, f.von, f.voff, f.vh, f.vl, f.vbias}.join(',') + ' '
            + c.gamma.value_or("linear") + (f.fps.isEmpty() ? "" : " fps?");
        break;
    case CommandKind::Pattern: what += ' ' + QString::fromStdString(c.pattern ? patternText(*c.pattern) : "off"); break;
    case CommandKind::Show: what += ' ' + c.path; break;
    case CommandKind::Play:
        what += QString(" %1 fps=%2 loop=%3 frames=%4 passes=%5")
                    .arg(c.path).arg(c.fps).arg(int(c.loop)).arg(c.bound.frames).arg(c.bound.passes);
        break;
    case CommandKind::Wait: what += QString(" %1ms").arg(c.duration.count()); break;
    default: break;
    }
    return QString("%1: %2").arg(c.line).arg(what);
}

QStringList described(const Script &script)
{
    QStringList out;
    for (const Command &command : script.commands)
        out << describe(command);
    return out;
}

// "line|message" for each error.
QStringList errorsOf(const Script &script)
{
    QStringList out;
    for (const ScriptError &error : script.errors)
        out << QString("%1|%2").arg(error.line).arg(error.message);
    return out;
}

QJsonObject parsedJson(const QString &line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
    return error.error == QJsonParseError::NoError && !line.contains('\n') ? document.object() : QJsonObject();
}

} // namespace

class TestCliScript : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QStringList>("commands");
        QTest::newRow("every command") << "open\nset vdd=2 vss=-2 von=12 voff=-12 vh=5 vl=0 vbias=0.00 gamma=2.2\n"
                                          "pattern all-on\npattern checker; pattern off\nshow pic.jpg\nplay clip.mp4\nstop\nwait 500ms\nclose"
                                       << QStringList{"1: open", "2: set 2,-2,12,-12,5,0,0.00 2.2", "3: pattern all-on", "4: pattern checker",
                                                      "4: pattern off", "5: show pic.jpg", "6: play clip.mp4 fps=60 loop=0 frames=0 passes=0",
                                                      "7: stop", "8: wait 500ms", "9: close"};
        QTest::newRow("keys in any order, no gamma") << "set vbias=0 vl=0.5 vh=4 voff=-15 von=15 vss=-1 vdd=1.5"
                                                     << QStringList{"1: set 1.5,-1,15,-15,4,0.5,0 linear"};
        QTest::newRow("the fields' edges") << "set vdd=10 vss=-10 von=20 voff=-20 vh=10 vl=-10 vbias=-10 gamma=10"
                                           << QStringList{"1: set 10,-10,20,-20,10,-10,-10 10"};
        QTest::newRow("play bounds") << "play a.mp4 fps=30 seconds=2\nplay a.mp4 frames=7\nplay a.mp4 fps=1 loops=3\nplay a.mp4 seconds=0.01"
                                     << QStringList{"1: play a.mp4 fps=30 loop=0 frames=60 passes=0", "2: play a.mp4 fps=60 loop=0 frames=7 passes=0",
                                                    "3: play a.mp4 fps=1 loop=1 frames=0 passes=3", "4: play a.mp4 fps=60 loop=0 frames=1 passes=0"};
        QTest::newRow("comments, blank lines, empty statements") << "# a comment\n\n  open  # trailing\n;;\nclose;"
                                                                 << QStringList{"3: open", "5: close"};
        QTest::newRow("quotes keep blanks, ';' and '#'") << "show \"my pic;#1.jpg\"; play x\"y z\".mp4 fps=\"5\""
                                                         << QStringList{"1: show my pic;#1.jpg", "1: play xy z.mp4 fps=5 loop=0 frames=0 passes=0"};
        QTest::newRow("CR LF line ends") << "open\r\nwait 2s\r\nclose\r\n" << QStringList{"1: open", "2: wait 2000ms", "3: close"};
        QTest::newRow("patterns, defaults filled, any case") << "pattern gray 128; pattern squares 4; pattern SQUARES 4 200 30\npattern hramp; pattern box +7 0"
                                                             << QStringList{"1: pattern gray 128", "1: pattern squares 4 255 0", "1: pattern squares 4 200 30",
                                                                            "2: pattern hramp", "2: pattern box 7 0"};
        QTest::newRow("wait units") << "wait 1.5s; wait 0ms; wait 86400s" << QStringList{"1: wait 1500ms", "1: wait 0ms", "1: wait 86400000ms"};
    }
    void parse()
    {
        QFETCH(QString, script);
        QFETCH(QStringList, commands);
        const Script parsed = parseScript(script);
        QCOMPARE(errorsOf(parsed), QStringList());
        QCOMPARE(described(parsed), commands);
    }

    // Every kind of mistake, with its line; the good commands around it still parse.
    void errors_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("error");  // "line|part of the message"
        const QString set = "set vdd=2 vss=-2 von=12 voff=-12 vh=5 vl=0 vbias=0";
        QTest::newRow("unknown command") << "open\nlite" << "2|unknown command 'lite'";
        QTest::newRow("commands are lower case") << "OPEN" << "1|unknown command 'OPEN'";
        QTest::newRow("set: all keys missing") << "set" << "1|set: missing vdd, vss, von, voff, vh, vl, vbias";
        for (const char *bad : {"vdd=10.5", "vss=-11", "von=21", "voff=-20.5", "vh=abc", "vl=", "vbias=-", "vdd=+2", "vdd=.5", "vdd=1e1"}) {
            const QString key = QString(bad).section('=', 0, 0);
            QTest::newRow(bad) << QString(set).replace(QRegularExpression(key + "=\\S+"), bad) << QString("1|set: %1 is not a voltage").arg(bad);
        }
        QTest::newRow("set: unknown key") << set + " vcc=3" << "1|set: unknown key 'vcc'";
        QTest::newRow("set: a key twice") << set + " vdd=3" << "1|set: vdd given twice";
        QTest::newRow("set: no key") << set + " 3" << "1|set: expected key=value, got '3'";
        for (const char *gamma : {"0", "10.5", "-1", "1e1", "two"})
            QTest::newRow(qPrintable(QString("gamma=%1").arg(gamma))) << set + " gamma=" + gamma << QString("1|set: gamma=%1 is not").arg(gamma);
        QTest::newRow("pattern: none") << "pattern" << "1|pattern needs a name (or off)";
        QTest::newRow("pattern: unknown") << "pattern blue" << "1|unknown pattern \"blue\" (all-on, checker, gray, hramp";
        QTest::newRow("pattern: missing value") << "pattern box 7" << "1|missing B: pattern box A B";
        QTest::newRow("pattern: extra value") << "pattern squares 1 2 3 4" << "1|too many values: pattern squares S [A] [B]";
        QTest::newRow("pattern: off with a value") << "pattern off 1" << "1|pattern off takes no value";
        QTest::newRow("pattern: out of range") << "pattern hsteps 181" << "1|pattern hsteps: N 181 is not in 2..180";
        QTest::newRow("pattern: beyond 64 bits") << "pattern gray 99999999999999999999" << "1|pattern gray: N 9223372036854775807 is not in 0..255";
        QTest::newRow("pattern: a fraction") << "pattern gray 1.5" << "1|pattern gray: '1.5' is not a whole number";
        for (const char *show : {"show", "show a.jpg b.jpg"})
            QTest::newRow(show) << show << "1|show needs one picture file";
        QTest::newRow("play: no file") << "play fps=30" << "1|play needs a video file first";
        for (const char *fps : {"fps=0", "fps=61", "fps=2.5"})
            QTest::newRow(fps) << QString("play a.mp4 ") + fps << QString("1|play: %1 is not a whole number from 1 to 60").arg(fps);
        QTest::newRow("play: frames 0") << "play a.mp4 frames=0" << "1|play: frames=0 is not a whole number from 1 to 1000000000";
        QTest::newRow("play: loops not a number") << "play a.mp4 loops=x" << "1|play: loops=x is not a whole number from 1 to 1000000";
        QTest::newRow("play: two bounds") << "play a.mp4 frames=3 loops=2" << "1|play: give at most one of frames=, seconds=, loops=";
        QTest::newRow("play: seconds 0") << "play a.mp4 seconds=0" << "1|play: seconds=0 is not a time";
        QTest::newRow("play: less than a frame") << "play a.mp4 fps=10 seconds=0.04" << "1|play: seconds=0.04 is not a time of at least one frame";
        QTest::newRow("play: unknown key") << "play a.mp4 speed=2" << "1|play: unknown key 'speed'";
        QTest::newRow("wait: nothing") << "wait" << "1|wait needs one duration";
        QTest::newRow("wait: not a duration") << "open\n\nwait 2m" << "3|wait needs one duration";  // which are: durations_data
        for (const QString word : {"open", "close", "stop"})
            QTest::newRow(qPrintable(word + " x")) << word + " x" << "1|" + word + " takes no arguments";
        QTest::newRow("unclosed quote") << "open\nshow \"a.jpg\nclose" << "2|a quote is not closed on this line";
        for (const char *empty : {"", "# nothing\n  ;  \n"})
            QTest::newRow(qPrintable("empty: '" + QString(empty).simplified() + "'")) << empty << "1|the script has no commands";
    }
    void errors()
    {
        QFETCH(QString, script);
        QFETCH(QString, error);
        const Script parsed = parseScript(script);
        QCOMPARE(parsed.errors.size(), std::size_t(1));
        const QString found = errorsOf(parsed).first();
        QVERIFY2(found.startsWith(error), qPrintable(found));
        QVERIFY(!parsed.ok());
        const QStringList good = described(parsed);
        QCOMPARE(good.filter(QRegularExpression("^\\d+: (open|close)$")), good);  // only the commands around it
    }

    // Relative paths start at the base folder; folders and missing files are
    // refused, in line order with the parser's errors.
    void checkFilesResolvesPaths()
    {
        const QDir base(testenv::dataDir());
        QVERIFY(base.mkpath("media/sub"));
        QFile picture(base.filePath("media/pic.jpg"));
        QVERIFY(picture.open(QIODevice::WriteOnly));
        const QString absolute = QFileInfo(picture).absoluteFilePath();
        Script script = parseScript("bogus\nshow pic.jpg\nshow sub/../pic.jpg\nshow " + absolute + "\nplay sub\nwait\nshow ../pic.jpg");
        checkFiles(script, QDir(base.filePath("media")));
        QCOMPARE(errorsOf(script), (QStringList{"1|unknown command 'bogus' (commands: open, close, set, pattern, show, play, stop, wait)",
                                               "5|play: no such file: sub", "6|wait needs one duration such as 500ms or 2s, at most a day",
                                               "7|show: no such file: ../pic.jpg"}));
        for (int i = 0; i < 3; ++i)
            QCOMPARE(QFileInfo(script.commands[i].path).canonicalFilePath(), QFileInfo(absolute).canonicalFilePath());
        QVERIFY(QFileInfo(script.commands[1].path).isAbsolute());
    }

    void durations_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("ms");  // -1: refused
        const std::pair<const char *, int> good[] = {{"500ms", 500}, {"2s", 2000}, {"1.5s", 1500}, {"0.6ms", 1},  // rounded
                                                     {"86400s", 86400000}, {"86400000ms", 86400000}};
        for (const auto &[text, ms] : good)
            QTest::newRow(text) << text << ms;
        for (const char *bad : {"", "ms", "s", "500", "-1s", "+1s", "1e3ms", "86400001ms", "1.s", ".5s", "2m", "infs", "1,5s", " 1s"})
            QTest::newRow(qPrintable(QString("'%1'").arg(bad))) << bad << -1;
    }
    void durations()
    {
        QFETCH(QString, text);
        QFETCH(int, ms);
        const std::optional<std::chrono::milliseconds> duration = parseDuration(text);
        QCOMPARE(duration ? int(duration->count()) : -1, ms);
    }

    // --for: units up to hours, above zero, at most 30 days.
    void runLengths_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qlonglong>("ms");  // -1: refused
        const std::pair<const char *, qlonglong> good[] = {{"90s", 90000}, {"8h", 28800000}, {"1.5m", 90000}, {"250ms", 250},
                                                           {"720h", 2592000000}};
        for (const auto &[text, ms] : good)
            QTest::newRow(text) << text << ms;
        for (const char *bad : {"", "90", "0s", "0.0001s", "720.01h", "1d", "-1h", "1e2s", "h", "8 h", "1.h"})
            QTest::newRow(qPrintable(QString("'%1'").arg(bad))) << bad << -1LL;
    }
    void runLengths()
    {
        QFETCH(QString, text);
        QFETCH(qlonglong, ms);
        const std::optional<std::chrono::milliseconds> length = parseRunLength(text);
        QCOMPARE(length ? qlonglong(length->count()) : -1LL, ms);
    }

    // Each line is one JSON object that parses, with every field the issue names.
    void jsonLines()
    {
        const CommandReport play{7, "play clip.mp4 \"x\"", true, 432060, 12, 400.12345, {}};
        const CommandReport failed{3, "set vdd=1", false, 0, {}, 0.5, "Operation prohibited during operation!"};
        RunSummary summary;
        std::tie(summary.exitStatus, summary.commands, summary.error) = std::tuple(1, 4, "nothing sent");
        summary.scriptErrors = {{2, "unknown command 'x'"}, {4, "wait needs\none duration"}};
        const std::pair<QString, const char *> lines[] = {
            {jsonLine(play), "{\"line\":7,\"command\":\"play clip.mp4 \\\"x\\\"\",\"ok\":true,\"bytes\":432060,\"frames\":12,\"duration_ms\":400.123,\"error\":null}"},
            {jsonLine(failed), "{\"line\":3,\"command\":\"set vdd=1\",\"ok\":false,\"bytes\":0,\"duration_ms\":0.5,\"error\":\"Operation prohibited during operation!\"}"},
            {jsonLine(summary), "{\"summary\":true,\"ok\":false,\"exit\":1,\"commands\":4,\"run\":0,\"bytes\":0,\"duration_ms\":0,\"error\":\"nothing sent\","
                                "\"script_errors\":[{\"line\":2,\"message\":\"unknown command 'x'\"},{\"line\":4,\"message\":\"wait needs\\none duration\"}]}"}};
        for (const auto &[line, expected] : lines)
            QCOMPARE(QJsonDocument(parsedJson(line)).toJson(), QJsonDocument::fromJson(expected).toJson());  // keys sorted both sides
    }

    void humanLines()
    {
        QCOMPARE(humanLine(CommandReport{7, "play a.mp4", true, 432060, 12, 400.04, {}}),
                 "line 7: play a.mp4: ok, 12 frames, 432060 bytes, 400.0 ms");
        QCOMPARE(humanLine(CommandReport{2, "wait 2s", true, 0, {}, 2000.4, {}}), "line 2: wait 2s: ok, 0 bytes, 2.00 s");
        QCOMPARE(humanLine(CommandReport{3, "set", false, 0, {}, 1, "device not connected"}), "line 3: set: FAILED: device not connected");
        RunSummary summary;
        std::tie(summary.exitStatus, summary.commands, summary.run, summary.bytes, summary.failedLine) = std::tuple(3, 5, 2, 8, 4);
        QCOMPARE(humanLine(summary), "failed at line 4 (exit 3): 2 of 5 commands run, 8 bytes");
        std::tie(summary.rounds, summary.run) = std::tuple(3, 17);
        QCOMPARE(humanLine(summary), "failed at line 4 (exit 3): 3 rounds, 17 commands run, 8 bytes");
        QCOMPARE(parsedJson(jsonLine(summary)).value("rounds").toInt(-1), 3);
        QCOMPARE(oneLine("open status not ok\nFT_OpenEx: FT_DEVICE_NOT_FOUND\n"), "open status not ok; FT_OpenEx: FT_DEVICE_NOT_FOUND");
        QCOMPARE(oneLine("link closed, but not sent:\nstop word: FT_IO_ERROR\n open word: FT_IO_ERROR"),
                 "link closed, but not sent: stop word: FT_IO_ERROR; open word: FT_IO_ERROR");
    }
};

QTEST_MAIN(TestCliScript)
#include "test_cli_script.moc"
