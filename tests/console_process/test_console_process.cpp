// vistrel-virtual started as a user starts it: on the virtual bridges, with
// its panel window, it writes nothing of its own to the terminal. (Its
// command line is tested with the other programs' in tests/command_line.)
#include <QProcess>
#include <QtTest>

namespace {

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

} // namespace

class TestConsoleProcess : public QObject
{
    Q_OBJECT

private slots:
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
