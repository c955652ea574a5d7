// The Debian package, built here with CPack from the build folder: the files
// it holds, its control fields (Depends from shlibdeps), man pages that
// render, desktop files that pass the distribution's validators, icons of the
// sizes their folders name, the licence, the changelog, programs that run, and
// lintian with nothing to say above an info (modes, owners, gzip stamps).
#include "program_run.h"
#include "test_environment.h"
#include "vistrel_version.h"

#include <QImage>
#include <QRegularExpression>
#include <QtTest>

namespace {

using testenv::ProgramRun;

const QString kId = APP_ID;
const QString kVersion = VISTREL_VERSION;
const QString kHomepage = HOMEPAGE;
const QString kDoc = "/usr/share/doc/vistrel/";
const QString kMetainfo = "/usr/share/metainfo/" + kId + ".metainfo.xml";
const QStringList kIconSizes = QString(ICON_SIZES).split(' ');
// Each desktop entry and the program it starts.
const QMap<QString, QString> kDesktopEntries = {{kId, "vistrel"}, {kId + ".Virtual", "vistrel-virtual"}};

QStringList programs()
{
    return (HAS_VISTREL ? QStringList{"vistrel"} : QStringList{}) + QStringList{"vistrel-virtual"}
        + (HAS_VISTRELCTL ? QStringList{"vistrelctl"} : QStringList{}) + QStringList{"vistrel-wire"};
}

QString manPage(const QString &program) { return "/usr/share/man/man1/" + program + ".1.gz"; }
QString iconPath(const QString &size) { return QString("/usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size, kId); }

// Every file the package must hold, sorted (their modes and owners, and
// gzip without time stamps, are lintian's to check).
QStringList expectedFiles()
{
    QStringList files{"/usr/lib/udev/rules.d/70-vistrel-ftdi.rules", kMetainfo, kDoc + "copyright", kDoc + "changelog.gz"};
    for (const QString &name : programs())
        files << "/usr/bin/" + name << manPage(name);
    for (const QString &size : kIconSizes)
        files << iconPath(size);
    for (const QString &entry : kDesktopEntries.keys())
        files << "/usr/share/applications/" + entry + ".desktop";
    files.sort();
    return files;
}

// The first line of a field in dpkg-deb -f's "Field: value" lines.
QString controlField(const QString &control, const QString &name)
{
    return QRegularExpression("^" + name + ": (.*)$", QRegularExpression::MultilineOption).match(control).captured(1);
}

QString architecture() { return testenv::runProgram("dpkg", {"--print-architecture"}).out.trimmed(); }

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString failure(const ProgramRun &run) { return QString("exit %1\n%2%3").arg(run.exitCode).arg(run.out, run.err); }

// Runs a program; a failing run fails the calling test with what it printed.
#define RUN_OK(run, ...)                                       \
    const ProgramRun run = testenv::runProgram(__VA_ARGS__); \
    QVERIFY2(run.exitCode == 0, qPrintable(failure(run)))

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

    QString m_deb;
    QString m_root;  // the package unpacked
    QString m_control;

private slots:
    void initTestCase()
    {
        const QDir data(testenv::dataDir());
        const QString out = data.filePath("cpack");
        QDir(out).removeRecursively();
        RUN_OK(cpack, CPACK_COMMAND, {"-G", "DEB", "--config", CPACK_CONFIG, "-B", out},
               QProcessEnvironment::systemEnvironment(), 600000);
        m_deb = QString("%1/vistrel_%2_%3.deb").arg(out, kVersion, architecture());
        QVERIFY2(QFile::exists(m_deb), qPrintable(m_deb + " missing; cpack said:\n" + cpack.out));
        RUN_OK(control, "dpkg-deb", {"-f", m_deb});
        m_control = control.out;
        m_root = data.filePath("root");
        QDir(m_root).removeRecursively();
        RUN_OK(unpack, "dpkg-deb", {"-x", m_deb, m_root});
    }

    void holdsItsFilesOnly()
    {
        QStringList held;
        for (QDirIterator file(m_root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories); file.hasNext();)
            held << file.next().mid(m_root.size());
        held.sort();
        QCOMPARE(held.join('\n'), expectedFiles().join('\n'));
    }

    void controlFields_data()
    {
        QTest::addColumn<QString>("pattern");  // over the lines of dpkg-deb -f
        QTest::newRow("Package") << "^Package: vistrel$";
        QTest::newRow("Version") << "^Version: " + QRegularExpression::escape(kVersion) + "$";
        QTest::newRow("Architecture") << "^Architecture: " + architecture() + "$";
        QTest::newRow("Maintainer") << "^Maintainer: [^<\n]+ <[^@>\n]+@[^>\n]+>$";
        QTest::newRow("Section") << "^Section: electronics$";
        QTest::newRow("Description") << "^Description: (control console for TFT test panels[^\n]*)\n (?!\\1\n)\\S";
        // Only dpkg-shlibdeps, reading the binaries, writes versioned library packages.
        QTest::newRow("Depends: C library") << "^Depends: (.*, )?libc6 \\(>= [0-9.]+\\)";
        QTest::newRow("Depends: libftdi1") << "^Depends: (.*, )?libftdi1-2 \\(>= [0-9.~]+\\)";
    }
    void controlFields()
    {
        QFETCH(QString, pattern);
        QVERIFY2(QRegularExpression(pattern, QRegularExpression::MultilineOption).match(m_control).hasMatch(), qPrintable(m_control));
    }

    void programsRun_data()
    {
        QTest::addColumn<QString>("program");
        for (const QString &name : programs())
            QTest::newRow(qPrintable(name)) << name;
    }
    // Each program runs and has a man page that renders without warnings.
    void programsRun()
    {
        QFETCH(QString, program);
        RUN_OK(run, m_root + "/usr/bin/" + program, {"--version"});
        QCOMPARE(run.out, QString("%1 %2\n").arg(program, kVersion));
        const QString page = m_root + manPage(program);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("MANWIDTH", "80");
        environment.insert("LC_ALL", "C.UTF-8");
        RUN_OK(man, "man", {"--warnings", "-l", page}, environment);
        QVERIFY2(man.err.isEmpty(), qPrintable(man.err));
        const QString name = QRegularExpression::escape(program);
        for (const QString &pattern : {QString("^%1\\(1\\) +User Commands +%1\\(1\\)\n").arg(name.toUpper()),
                                       QString("\nNAME\n +%1 +- +\\S").arg(name), QString("\nSYNOPSIS\n +%1 ").arg(name),
                                       QString("\nVistrel %1 ").arg(QRegularExpression::escape(kVersion))})
            QVERIFY2(QRegularExpression(pattern).match(man.out).hasMatch(), qPrintable(pattern + " in\n" + man.out));
    }

    void desktopEntryValid_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("program");
        for (auto entry = kDesktopEntries.cbegin(); entry != kDesktopEntries.cend(); ++entry)
            QTest::newRow(qPrintable(entry.key())) << entry.key() << entry.value();
    }
    void desktopEntryValid()
    {
        QFETCH(QString, id);
        QFETCH(QString, program);
        const QString entry = m_root + "/usr/share/applications/" + id + ".desktop";
        RUN_OK(validate, "desktop-file-validate", {entry});
        QVERIFY2(validate.out.isEmpty(), qPrintable(validate.out));
        const QStringList lines = readText(entry).split('\n');
        for (const QString &line : QStringList{"Icon=" + kId, "Exec=" + program, "StartupWMClass=" + program})
            QVERIFY2(lines.contains(line), qPrintable(line));
        QVERIFY2(programs().contains(program), "starts a program the package lacks");
    }

    void metainfoValid()
    {
        RUN_OK(validate, "appstreamcli", {"validate", "--no-net", m_root + kMetainfo});
        QStringList wanted = {"<id>" + kId + "</id>", "<metadata_license>MIT</metadata_license>",
                              "<project_license>MIT</project_license>",
                              "<launchable type=\"desktop-id\">" + kId + ".desktop</launchable>",
                              "<release version=\"" + kVersion + "\" date=\""};
        for (const QString &name : programs())
            wanted << "<binary>" + name + "</binary>";
        const QString text = readText(m_root + kMetainfo);
        for (const QString &piece : wanted)
            QVERIFY2(text.contains(piece), qPrintable(piece));
        // The project may have no home page yet; then no address is made up:
        // no Homepage field, and no home page, bug tracker or screenshot
        // address (all below the home page) in the metainfo.
        const bool has = !kHomepage.isEmpty();
        QCOMPARE(controlField(m_control, "Homepage"), kHomepage);
        QCOMPARE(text.contains("<url "), has);
        QCOMPARE(text.contains("<url type=\"homepage\">" + kHomepage + "</url>"), has);
        QCOMPARE(text.contains(">" + kHomepage + "/raw/main/docs/screenshot.png</image>"), has);
    }

    void iconSizes_data()
    {
        QTest::addColumn<int>("size");
        for (const QString &size : kIconSizes)
            QTest::newRow(qPrintable(size)) << size.toInt();
    }
    // The round logo at the size its folder names: clear corners, an opaque middle.
    void iconSizes()
    {
        QFETCH(int, size);
        const QImage icon(m_root + iconPath(QString::number(size)), "PNG");
        QCOMPARE(icon.size(), QSize(size, size));
        QVERIFY(icon.hasAlphaChannel());
        QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
        QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
    }

    void copyrightHoldsLicence()
    {
        const QString copyright = readText(m_root + kDoc + "copyright");
        const QStringList licence = readText(LICENSE_FILE).trimmed().split('\n');
        const QString holder = licence.filter("Copyright (c) ").value(0).mid(14);
        QVERIFY(!holder.isEmpty());
        QVERIFY(copyright.contains("\nCopyright: " + holder + '\n'));
        QVERIFY(copyright.contains("\nLicense: Expat\n"));
        QCOMPARE(copyright.contains("\nSource:"), !kHomepage.isEmpty());  // only a real home page
        QCOMPARE(copyright.contains("\nSource: " + kHomepage + "\n"), !kHomepage.isEmpty());
        const int body = licence.indexOf(QRegularExpression("Permission .*"));  // a whole-line match
        QVERIFY(body > 0);
        for (const QString &line : licence.mid(body))
            QVERIFY2(copyright.contains(line.isEmpty() ? QString("\n .\n") : "\n " + line + '\n'), qPrintable(line));
    }

    // The newest entry comes first: this version, by the package's
    // maintainer, on the day the metainfo gives for the release.
    void changelogNamesThisRelease()
    {
        RUN_OK(gunzip, "gzip", {"-d", "-c", m_root + kDoc + "changelog.gz"});
        const QStringList lines = gunzip.out.split('\n');
        QVERIFY2(lines.value(0).startsWith(QString("vistrel (%1) ").arg(kVersion)), qPrintable(gunzip.out));
        const QString signature = lines.filter(QRegularExpression("^ -- ")).value(0);
        const QRegularExpressionMatch trailer = QRegularExpression("^ -- (.+>)  (.+)$").match(signature);
        QVERIFY2(trailer.hasMatch(), qPrintable(gunzip.out));
        QCOMPARE(trailer.captured(1), controlField(m_control, "Maintainer"));
        const QDateTime date = QDateTime::fromString(trailer.captured(2), Qt::RFC2822Date);
        QCOMPARE(date.toUTC().date().toString(Qt::ISODate), QString(RELEASE_DATE));
    }

    void lintianClean()
    {
        const ProgramRun lintian = testenv::runProgram("lintian", {"--fail-on", "error,warning", "--tag-display-limit", "0", m_deb},
                                                       QProcessEnvironment::systemEnvironment(), 600000);
        const QStringList complaints = lintian.out.split('\n').filter(QRegularExpression("^[EW]: "));
        QVERIFY2(lintian.exitCode == 0 && complaints.isEmpty(), qPrintable(failure(lintian)));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "test_package.moc"
