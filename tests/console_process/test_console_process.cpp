// vistrel and vistrel-virtual started as processes: --help and --version
// answer without a display, a wrong option is an error, and a start on the
// virtual bridges writes nothing of its own to the terminal.
#include <QProcess>
#include <QtTest>

namespace {

struct Run {
    int exitCode = -1;
    QString out, err;
};

Run run(const QString &program, const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.err = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

// Lines the platform itself prints (no runtime folder, what the offscreen
// plugin cannot do, fonts); none are ours.
QStringList ownLines(const QString &text)
{
    static const QRegularExpression platform("^(QStandardPaths:|qt\\.qpa\\.|This plugin does not support)|fontconfig",
                                             QRegularExpression::CaseInsensitiveOption);
    QStringList lines;
    for (const QString &line : text.split('\n', Qt::SkipEmptyParts)) {
        if (!platform.match(line).hasMatch())
            lines << line;
    }
    return lines;
}

QStringList consoles()
{
    QStringList programs{QStringLiteral(VIRTUAL_CONSOLE)};
    if (!QStringLiteral(REAL_CONSOLE).isEmpty())
        programs << QStringLiteral(REAL_CONSOLE);
    return programs;
}

} // namespace

class TestConsoleProcess : public QObject
{
    Q_OBJECT

private slots:
    void commandLine_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("out");  // a line that must appear on stdout
        QTest::addColumn<QString>("err");  // on stderr
        for (const QString &program : consoles()) {
            const QString name = QFileInfo(program).fileName();
            QTest::newRow(qPrintable(name + " --help")) << program << QStringList{"--help"} << 0 << "  --virtual" << "";
            QTest::newRow(qPrintable(name + " -h")) << program << QStringList{"-h"} << 0 << "Usage: " << "";
            QTest::newRow(qPrintable(name + " --version")) << program << QStringList{"--version"} << 0
                                                           << name + " " + QStringLiteral(VISTREL_TEST_VERSION) << "";
            QTest::newRow(qPrintable(name + " unknown option")) << program << QStringList{"--colour"} << 1 << ""
                                                                << "Unknown option 'colour'.";
        }
    }
    void commandLine()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // --help and --version need no display; the error needs one to get that far.
        if (exitCode == 0) {
            env.remove("QT_QPA_PLATFORM");
            env.remove("DISPLAY");
            env.remove("WAYLAND_DISPLAY");
        }
        const Run result = run(program, arguments, env);
        QCOMPARE(result.exitCode, exitCode);
        if (!out.isEmpty())
            QVERIFY2(result.out.contains(out), qPrintable(result.out));
        if (!err.isEmpty())
            QVERIFY2(result.err.contains(err), qPrintable(result.err));
    }

    // Started on the virtual bridges and left running for a while, the
    // console and its panel window print nothing but what the platform does.
    void quietStart()
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.remove("QT_LOGGING_RULES");
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(VIRTUAL_CONSOLE), QStringList());
        QVERIFY(process.waitForStarted());
        QVERIFY(!process.waitForFinished(2500));  // still running: two polls have passed
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        const QStringList err = ownLines(QString::fromLocal8Bit(process.readAllStandardError()));
        QVERIFY2(err.isEmpty(), qPrintable(err.join('\n')));
        QCOMPARE(ownLines(QString::fromLocal8Bit(process.readAllStandardOutput())), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestConsoleProcess)
#include "test_console_process.moc"
