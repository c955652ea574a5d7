// The remote protocol's pure parts: lines to commands or error codes, the
// listen address, and where file names lead under a media root.
#include "media_root.h"
#include "scpi_command.h"
#include "scpi_errors.h"
#include "serve.h"
#include "test_environment.h"

#include <QDir>
#include <QFile>
#include <QtTest>

using namespace vistrel::remote;

namespace {

// A parsed line as "HEADER#text|numbers|fps mode", or "E<code>" (patterns: tests/remote_server).
QString describe(const ParseResult &result)
{
    if (!result.command)
        return result.error ? QString("E%1").arg(result.error) : QString("blank");
    const Command &c = *result.command;
    QStringList numbers;
    for (const std::string &n : c.numbers)
        numbers << QString::fromStdString(n);
    return QString("%1#%2|%3|%4%5")
        .arg(int(c.header))
        .arg(QString::fromStdString(c.text), numbers.join(','))
        .arg(c.fps ? QString::number(*c.fps) : QString("-"))
        .arg(c.mode == VideoMode::Loop ? " loop" : "");
}

QString h(Header header) { return QString::number(int(header)) + '#'; }

} // namespace

class TestRemoteParser : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("parsed");
        const QString bare = "||-";
        // Headers: long and short forms, any case, optional node, leading colon, CR
        // (the rest as the server tests send them: tests/remote_server).
        QTest::newRow("lower case, CR") << QByteArray("*idn?\r") << h(Header::Identify) + bare;
        QTest::newRow("short form") << QByteArray("syst:err?") << h(Header::NextError) + bare;
        QTest::newRow("optional node") << QByteArray(":SYSTEM:ERROR:NEXT?") << h(Header::NextError) + bare;
        QTest::newRow("blank line") << QByteArray("  \r") << "blank";
        // Headers that are not ours.
        QTest::newRow("half a keyword") << QByteArray("SYSTE:ERR?") << "E-113";
        QTest::newRow("query of a command") << QByteArray("DISP:STOP?") << "E-113";
        QTest::newRow("command of a query") << QByteArray("*IDN") << "E-113";
        QTest::newRow("empty node") << QByteArray("DEV::LIST?") << "E-113";
        QTest::newRow("stray character") << QByteArray("DEV;LIST?") << "E-102";
        QTest::newRow("question mark inside") << QByteArray("DEV?:LIST?") << "E-102";
        // Parameters.
        QTest::newRow("unquoted serial") << QByteArray("DEV:OPEN VPANEL02") << "E-102";
        QTest::newRow("open quote") << QByteArray("PICT:SHOW \"a.jpg") << "E-102";
        QTest::newRow("text after quote") << QByteArray("PICT:SHOW \"a.jpg\"x") << "E-102";
        QTest::newRow("doubled quote") << QByteArray("PICT:SHOW \"say \"\"hi\"\".jpg\"") << h(Header::PictureShow) + "say \"hi\".jpg" + bare;
        QTest::newRow("comma in quotes") << QByteArray("PICT:SHOW \"a,b.jpg\" ") << h(Header::PictureShow) + "a,b.jpg" + bare;
        QTest::newRow("no picture") << QByteArray("PICT:SHOW") << "E-109";
        QTest::newRow("two pictures") << QByteArray("PICT:SHOW \"a\",\"b\"") << "E-108";
        QTest::newRow("empty parameter") << QByteArray("VID:PLAY \"a.mp4\",,LOOP") << "E-102";
        QTest::newRow("drive set, gamma") << QByteArray("drive:set 2, -2, 12, -12, 5, 0, 0, 2.2")
                                          << h(Header::DriveSet) + "|2,-2,12,-12,5,0,0,2.2|-";
        QTest::newRow("drive set, six") << QByteArray("DRIV:SET 2,-2,12,-12,5,0") << "E-109";
        QTest::newRow("drive set, nine") << QByteArray("DRIV:SET 2,-2,12,-12,5,0,0,2,1") << "E-108";
        QTest::newRow("vdd 11") << QByteArray("DRIV:SET 11,-2,12,-12,5,0,0") << "E-222";
        QTest::newRow("plus sign the field refuses") << QByteArray("DRIV:SET +2,-2,12,-12,5,0,0") << "E-222";
        QTest::newRow("gamma 0") << QByteArray("DRIV:SET 2,-2,12,-12,5,0,0,0") << "E-222";
        QTest::newRow("word for a voltage") << QByteArray("DRIV:SET high,-2,12,-12,5,0,0") << "E-102";
        QTest::newRow("rate 61") << QByteArray("RATE 61") << "E-222";
        QTest::newRow("rate missing") << QByteArray("RATE") << "E-109";
        QTest::newRow("squares, out of range") << QByteArray("PATT:SHOW SQUARES,4,200,-30") << "E-222";
        QTest::newRow("gray without its level") << QByteArray("PATT:SHOW GRAY") << "E-109";
        QTest::newRow("unknown pattern") << QByteArray("PATT:SHOW PLAID") << "E-224";
        QTest::newRow("no pattern") << QByteArray("PATT:SHOW") << "E-109";
        QTest::newRow("fraction value") << QByteArray("PATT:SHOW GRAY,1.5") << "E-102";
        QTest::newRow("video, rate, loop") << QByteArray("VIDEO:PLAY \"a.mp4\",30,loop") << h(Header::VideoPlay) + "a.mp4||30 loop";
        QTest::newRow("video, bad mode") << QByteArray("VID:PLAY \"a.mp4\",30,TWICE") << "E-224";
        QTest::newRow("video, rate 99") << QByteArray("VID:PLAY \"a.mp4\",99") << "E-222";
    }
    void lines()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, parsed);
        QCOMPARE(describe(parseLine(std::string_view(line.constData(), std::size_t(line.size())))), parsed);
    }

    void listenAddresses_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("parsed");  // "ADDR PORT loopback?" or "none"
        QTest::newRow("default") << "" << "127.0.0.1 5025 1";
        QTest::newRow("port") << "0" << "127.0.0.1 0 1";
        QTest::newRow("loopback net") << "127.0.0.2:7" << "127.0.0.2 7 1";
        QTest::newRow("localhost") << "localhost:5025" << "127.0.0.1 5025 1";
        QTest::newRow("ipv6 loopback") << "[::1]:5025" << "::1 5025 1";
        QTest::newRow("every address") << "0.0.0.0:5025" << "0.0.0.0 5025 0";
        QTest::newRow("lan") << "192.168.1.5:5025" << "192.168.1.5 5025 0";
        QTest::newRow("port too big") << "65536" << "none";
        QTest::newRow("no port") << "127.0.0.1:" << "none";
        QTest::newRow("host name") << "bench-pc:5025" << "none";
    }
    void listenAddresses()
    {
        QFETCH(QString, text);
        QFETCH(QString, parsed);
        const std::optional<ListenAddress> address = parseListenAddress(text);
        QCOMPARE(address ? QString("%1 %2 %3").arg(address->address.toString()).arg(address->port).arg(int(isLoopback(address->address)))
                         : QString("none"),
                 parsed);
    }

    void mediaRoot_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("error");
        QTest::newRow("inside") << "a.jpg" << 0;
        QTest::newRow("in a folder") << "sub/b.jpg" << 0;
        QTest::newRow("up and back in") << "sub/../a.jpg" << 0;
        QTest::newRow("missing") << "c.jpg" << int(FileNameNotFound);
        QTest::newRow("a folder") << "sub" << int(FileNameError);
        QTest::newRow("dot dot") << "../outside.jpg" << int(FileNameError);
        QTest::newRow("absolute") << "/etc/hostname" << int(FileNameError);
        QTest::newRow("link out") << "out.jpg" << int(FileNameError);
        QTest::newRow("link in") << "in.jpg" << 0;
        QTest::newRow("dangling link out") << "gone.jpg" << int(FileNameError);
    }
    void mediaRoot()
    {
        QFETCH(QString, name);
        QFETCH(int, error);
        const QDir base(testenv::dataDir());
        const QString root = base.filePath("root");
        QDir(root).mkpath("sub");
        for (const QString &file : QStringList{root + "/a.jpg", root + "/sub/b.jpg", base.filePath("outside.jpg")})
            QVERIFY(QFile(file).open(QIODevice::WriteOnly));
        QFile::link(base.filePath("outside.jpg"), root + "/out.jpg");
        QFile::link(root + "/a.jpg", root + "/in.jpg");
        QFile::link(base.filePath("nowhere.jpg"), root + "/gone.jpg");
        const ResolvedPath resolved = MediaRoot(root).resolve(name);
        QCOMPARE(resolved.error, error);
        if (error == 0)
            QVERIFY2(resolved.path.startsWith(QFileInfo(root).canonicalFilePath() + '/'), qPrintable(resolved.path));
        // Without a root, the outside file is as good as any.
        QCOMPARE(MediaRoot().resolve(base.filePath("outside.jpg")).error, 0);
    }
};

QTEST_GUILESS_MAIN(TestRemoteParser)
#include "test_remote_parser.moc"
