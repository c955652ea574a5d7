// The Debian package, built here with CPack from the build folder: the files
// it holds and their modes, its control fields (Depends from shlibdeps), man
// pages that render, desktop files that pass the distribution's validators,
// icons of the sizes their folders name, the licence, the changelog, programs
// that run, and lintian with nothing to say above an info.
#include "program_run.h"
#include "test_environment.h"
#include "vistrel_version.h"

#include <QImage>
#include <QRegularExpression>
#include <QtTest>

namespace {

using testenv::ProgramRun;
using testenv::runProgram;

const QString kId = QStringLiteral(APP_ID);
const QString kVersion = QStringLiteral(VISTREL_VERSION);
const QString kHomepage = QStringLiteral(HOMEPAGE);
const QString kDoc = QStringLiteral("/usr/share/doc/vistrel/");

// Each desktop entry and the program it starts.
const QMap<QString, QString> kDesktopEntries = {{kId, QStringLiteral("vistrel")},
                                                {kId + QStringLiteral(".Virtual"), QStringLiteral("vistrel-virtual")}};

QStringList programs()
{
    QStringList names;
    if (HAS_VISTREL)
        names << QStringLiteral("vistrel");
    names << QStringLiteral("vistrel-virtual");
    if (HAS_VISTRELCTL)
        names << QStringLiteral("vistrelctl");
    names << QStringLiteral("vistrel-wire");
    return names;
}

QStringList hicolorSizes() { return QStringLiteral(ICON_SIZES).split(QLatin1Char(' ')); }

QString iconPath(const QString &size)
{
    return QStringLiteral("/usr/share/icons/hicolor/%1x%1/apps/%2.png").arg(size, kId);
}

// Every file the package must hold, with its mode as dpkg-deb -c shows it.
QMap<QString, QString> expectedFiles()
{
    const QString program = QStringLiteral("-rwxr-xr-x");
    const QString data = QStringLiteral("-rw-r--r--");
    QMap<QString, QString> files;
    for (const QString &name : programs()) {
        files.insert(QStringLiteral("/usr/bin/") + name, program);
        files.insert(QStringLiteral("/usr/share/man/man1/%1.1.gz").arg(name), data);
    }
    for (const QString &size : hicolorSizes())
        files.insert(iconPath(size), data);
    files.insert(QStringLiteral("/usr/lib/udev/rules.d/70-vistrel-ftdi.rules"), data);
    for (const QString &entry : kDesktopEntries.keys())
        files.insert(QStringLiteral("/usr/share/applications/%1.desktop").arg(entry), data);
    files.insert(QStringLiteral("/usr/share/metainfo/%1.metainfo.xml").arg(kId), data);
    files.insert(kDoc + QStringLiteral("copyright"), data);
    files.insert(kDoc + QStringLiteral("changelog.gz"), data);
    return files;
}

struct Entry {
    QString mode;
    QString owner;
};

// dpkg-deb -c: "-rwxr-xr-x root/root  12345 2026-12-06 03:30 ./usr/bin/vistrel"
QMap<QString, Entry> parseListing(const QString &listing)
{
    QMap<QString, Entry> entries;
    for (const QString &line : listing.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.size() >= 6)
            entries.insert(fields[5].mid(1), {fields[0], fields[1]});
    }
    return entries;
}

// dpkg-deb -f: "Field: value", continuation lines starting with a blank.
QMap<QString, QString> parseControl(const QString &text)
{
    QMap<QString, QString> fields;
    QString current;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const int colon = line.indexOf(QLatin1Char(':'));
        if (line.startsWith(QLatin1Char(' ')) || colon < 0) {
            fields[current] += QLatin1Char('\n') + line;
        } else {
            current = line.left(colon);
            fields[current] = line.mid(colon + 1).trimmed();
        }
    }
    return fields;
}

QString architecture()
{
    return runProgram(QStringLiteral("dpkg"), {QStringLiteral("--print-architecture")}).out.trimmed();
}

QString readText(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// gzip -n, as Debian wants: no file name, no time stamp (bytes 3 to 7).
bool gzippedWithoutStamp(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(8).toHex() == QByteArray("1f8b080000000000");
}

QString failure(const ProgramRun &run) { return QStringLiteral("exit %1\n%2%3").arg(run.exitCode).arg(run.out, run.err); }

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void holdsItsFiles_data();
    void holdsItsFiles();
    void holdsNothingElse();
    void controlFields_data();
    void controlFields();
    void manPagesRender_data();
    void manPagesRender();
    void desktopEntryValid_data();
    void desktopEntryValid();
    void metainfoValid();
    void homepageOnlyWhereOneExists();
    void iconSizes_data();
    void iconSizes();
    void copyrightHoldsLicence();
    void changelogNamesThisRelease();
    void lintianClean();
    void programsRun_data();
    void programsRun();

private:
    QString m_deb;
    QString m_root;  // the package unpacked
    QMap<QString, Entry> m_listing;
    QMap<QString, QString> m_control;
};

void TestPackage::initTestCase()
{
    const QDir data(testenv::dataDir());
    const QString out = data.filePath(QStringLiteral("cpack"));
    QDir(out).removeRecursively();
    const ProgramRun cpack = runProgram(QStringLiteral(CPACK_COMMAND),
                                        {"-G", "DEB", "--config", CPACK_CONFIG, "-B", out},
                                        QProcessEnvironment::systemEnvironment(), 600000);
    QVERIFY2(cpack.exitCode == 0, qPrintable(failure(cpack)));
    m_deb = QStringLiteral("%1/vistrel_%2_%3.deb").arg(out, kVersion, architecture());
    const QString &deb = m_deb;
    QVERIFY2(QFile::exists(deb), qPrintable(deb + QStringLiteral(" missing; cpack said:\n") + cpack.out));

    const ProgramRun listing = runProgram(QStringLiteral("dpkg-deb"), {"-c", deb});
    QVERIFY2(listing.exitCode == 0, qPrintable(failure(listing)));
    m_listing = parseListing(listing.out);
    const ProgramRun control = runProgram(QStringLiteral("dpkg-deb"), {"-f", deb});
    QVERIFY2(control.exitCode == 0, qPrintable(failure(control)));
    m_control = parseControl(control.out);
    m_root = data.filePath(QStringLiteral("root"));
    QDir(m_root).removeRecursively();
    const ProgramRun unpack = runProgram(QStringLiteral("dpkg-deb"), {"-x", deb, m_root});
    QVERIFY2(unpack.exitCode == 0, qPrintable(failure(unpack)));
}

void TestPackage::holdsItsFiles_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("mode");
    const QMap<QString, QString> files = expectedFiles();
    for (auto file = files.cbegin(); file != files.cend(); ++file)
        QTest::newRow(qPrintable(file.key())) << file.key() << file.value();
}

void TestPackage::holdsItsFiles()
{
    QFETCH(QString, path);
    QFETCH(QString, mode);
    QVERIFY2(m_listing.contains(path), "not in the package");
    QCOMPARE(m_listing[path].mode, mode);
    QCOMPARE(m_listing[path].owner, QStringLiteral("root/root"));
}

void TestPackage::holdsNothingElse()
{
    const QMap<QString, QString> expected = expectedFiles();
    for (auto entry = m_listing.cbegin(); entry != m_listing.cend(); ++entry) {
        if (!entry.value().mode.startsWith(QLatin1Char('d')) && !expected.contains(entry.key()))
            QFAIL(qPrintable(QStringLiteral("unexpected file in the package: ") + entry.key()));
    }
}

void TestPackage::controlFields_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("Package") << "Package" << "^vistrel$";
    QTest::newRow("Version") << "Version" << QStringLiteral("^%1$").arg(QRegularExpression::escape(kVersion));
    QTest::newRow("Architecture") << "Architecture" << QStringLiteral("^%1$").arg(architecture());
    QTest::newRow("Maintainer") << "Maintainer" << "^[^<]+ <[^@>]+@[^>]+>$";
    QTest::newRow("Section") << "Section" << "^electronics$";
    QTest::newRow("Description") << "Description" << "^(control console for TFT test panels[^\n]*)\n (?!\\1\n)\\S";
    // Only dpkg-shlibdeps, reading the binaries, writes versioned library packages.
    QTest::newRow("Depends: C library") << "Depends" << "(^|, )libc6 \\(>= [0-9.]+\\)";
    QTest::newRow("Depends: Qt Widgets") << "Depends" << "(^|, )libqt5widgets5 \\(>= [0-9.]+\\)";
    QTest::newRow("Depends: libftdi1") << "Depends" << "(^|, )libftdi1-2 \\(>= [0-9.~]+\\)";
    QTest::newRow("Depends: OpenCV video") << "Depends" << "(^|, )libopencv-videoio[0-9]+[a-z]* \\(>= ";
}

void TestPackage::controlFields()
{
    QFETCH(QString, field);
    QFETCH(QString, pattern);
    QVERIFY2(m_control.contains(field), qPrintable(field + QStringLiteral(" missing")));
    QVERIFY2(QRegularExpression(pattern).match(m_control[field]).hasMatch(), qPrintable(m_control[field]));
}

void TestPackage::manPagesRender_data()
{
    QTest::addColumn<QString>("program");
    for (const QString &name : programs())
        QTest::newRow(qPrintable(name)) << name;
}

void TestPackage::manPagesRender()
{
    QFETCH(QString, program);
    const QString page = m_root + QStringLiteral("/usr/share/man/man1/%1.1.gz").arg(program);
    QVERIFY(gzippedWithoutStamp(page));
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    const ProgramRun man = runProgram(QStringLiteral("man"), {"--warnings", "-l", page}, environment);
    QVERIFY2(man.exitCode == 0 && man.err.isEmpty(), qPrintable(failure(man)));
    const QString title = QRegularExpression::escape(program.toUpper());
    for (const QString &pattern : {QStringLiteral("^%1\\(1\\) +User Commands +%1\\(1\\)\n").arg(title),
                                   QStringLiteral("\nNAME\n +%1 +- +\\S").arg(QRegularExpression::escape(program)),
                                   QStringLiteral("\nSYNOPSIS\n +%1 ").arg(QRegularExpression::escape(program)),
                                   QStringLiteral("\nVistrel %1 ").arg(QRegularExpression::escape(kVersion))})
        QVERIFY2(QRegularExpression(pattern).match(man.out).hasMatch(), qPrintable(pattern + QStringLiteral(" in\n") + man.out));
}

void TestPackage::desktopEntryValid_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("program");
    for (auto entry = kDesktopEntries.cbegin(); entry != kDesktopEntries.cend(); ++entry)
        QTest::newRow(qPrintable(entry.key())) << entry.key() << entry.value();
}

void TestPackage::desktopEntryValid()
{
    QFETCH(QString, id);
    QFETCH(QString, program);
    const QString entry = m_root + QStringLiteral("/usr/share/applications/%1.desktop").arg(id);
    const ProgramRun validate = runProgram(QStringLiteral("desktop-file-validate"), {entry});
    QVERIFY2(validate.exitCode == 0 && validate.out.isEmpty(), qPrintable(failure(validate)));
    const QStringList lines = readText(entry).split(QLatin1Char('\n'));
    QVERIFY(lines.contains(QStringLiteral("Icon=") + kId));
    QVERIFY(lines.contains(QStringLiteral("Exec=") + program));
    QVERIFY(lines.contains(QStringLiteral("StartupWMClass=") + program));
    QVERIFY2(m_listing.contains(QStringLiteral("/usr/bin/") + program), "starts a program the package lacks");
}

void TestPackage::metainfoValid()
{
    const QString metainfo = m_root + QStringLiteral("/usr/share/metainfo/%1.metainfo.xml").arg(kId);
    const ProgramRun validate = runProgram(QStringLiteral("appstreamcli"), {"validate", "--no-net", metainfo});
    QVERIFY2(validate.exitCode == 0, qPrintable(failure(validate)));
    const QString text = readText(metainfo);
    QStringList wanted = {QStringLiteral("<id>%1</id>").arg(kId),
                          QStringLiteral("<metadata_license>MIT</metadata_license>"),
                          QStringLiteral("<project_license>MIT</project_license>"),
                          QStringLiteral("<launchable type=\"desktop-id\">%1.desktop</launchable>").arg(kId),
                          QStringLiteral("<release version=\"%1\" date=\"").arg(kVersion)};
    for (const QString &name : programs())
        wanted << QStringLiteral("<binary>%1</binary>").arg(name);
    for (const QString &piece : wanted)
        QVERIFY2(text.contains(piece), qPrintable(piece));
}

// The project may have no home page yet; then no address is made up: no
// Homepage field, no Source in the copyright file, and no home page, bug
// tracker or screenshot address (all below the home page) in the metainfo.
void TestPackage::homepageOnlyWhereOneExists()
{
    const bool has = !kHomepage.isEmpty();
    QCOMPARE(m_control.value(QStringLiteral("Homepage")), kHomepage);
    const QString copyright = readText(m_root + kDoc + QStringLiteral("copyright"));
    QCOMPARE(copyright.contains(QStringLiteral("\nSource:")), has);
    QCOMPARE(copyright.contains(QStringLiteral("\nSource: %1\n").arg(kHomepage)), has);
    const QString metainfo = readText(m_root + QStringLiteral("/usr/share/metainfo/%1.metainfo.xml").arg(kId));
    QCOMPARE(metainfo.contains(QStringLiteral("<url ")), has);
    QCOMPARE(metainfo.contains(QStringLiteral("<url type=\"homepage\">%1</url>").arg(kHomepage)), has);
    QCOMPARE(metainfo.contains(QStringLiteral(">%1/raw/main/docs/screenshot.png</image>").arg(kHomepage)), has);
}

void TestPackage::iconSizes_data()
{
    QTest::addColumn<int>("size");
    for (const QString &size : hicolorSizes())
        QTest::newRow(qPrintable(size)) << size.toInt();
}

void TestPackage::iconSizes()
{
    QFETCH(int, size);
    const QImage icon(m_root + iconPath(QString::number(size)), "PNG");
    QCOMPARE(icon.size(), QSize(size, size));
    QVERIFY(icon.hasAlphaChannel());
    // The round logo: clear corners, an opaque middle.
    QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
}

void TestPackage::copyrightHoldsLicence()
{
    const QString copyright = readText(m_root + QStringLiteral("/usr/share/doc/vistrel/copyright"));
    const QStringList licence = readText(QStringLiteral(LICENSE_FILE)).trimmed().split(QLatin1Char('\n'));
    const QString holder = licence.filter(QStringLiteral("Copyright (c) ")).value(0).mid(14);
    QVERIFY(!holder.isEmpty());
    QVERIFY(copyright.contains(QStringLiteral("\nCopyright: ") + holder + QLatin1Char('\n')));
    QVERIFY(copyright.contains(QStringLiteral("\nLicense: Expat\n")));
    const int body = licence.indexOf(QRegularExpression(QStringLiteral("Permission .*")));  // a whole-line match
    QVERIFY(body > 0);
    for (const QString &line : licence.mid(body))
        QVERIFY2(copyright.contains(line.isEmpty() ? QStringLiteral("\n .\n") : QStringLiteral("\n ") + line + QLatin1Char('\n')),
                 qPrintable(line));
}

void TestPackage::changelogNamesThisRelease()
{
    const QString path = m_root + kDoc + QStringLiteral("changelog.gz");
    QVERIFY(gzippedWithoutStamp(path));
    const ProgramRun gunzip = runProgram(QStringLiteral("gzip"), {"-d", "-c", path});
    QVERIFY2(gunzip.exitCode == 0, qPrintable(failure(gunzip)));
    // The newest entry comes first: this version, by the package's
    // maintainer, on the day the metainfo gives for the release.
    const QStringList lines = gunzip.out.split(QLatin1Char('\n'));
    QVERIFY2(lines.value(0).startsWith(QStringLiteral("vistrel (%1) ").arg(kVersion)), qPrintable(gunzip.out));
    const QString signature = lines.filter(QRegularExpression(QStringLiteral("^ -- "))).value(0);
    const QRegularExpressionMatch trailer = QRegularExpression(QStringLiteral("^ -- (.+>)  (.+)$")).match(signature);
    QVERIFY2(trailer.hasMatch(), qPrintable(gunzip.out));
    QCOMPARE(trailer.captured(1), m_control.value(QStringLiteral("Maintainer")));
    const QDateTime date = QDateTime::fromString(trailer.captured(2), Qt::RFC2822Date);
    QVERIFY2(date.isValid(), qPrintable(trailer.captured(2)));
    QCOMPARE(date.toUTC().date().toString(Qt::ISODate), QStringLiteral(RELEASE_DATE));
}

void TestPackage::lintianClean()
{
    const ProgramRun lintian = runProgram(QStringLiteral("lintian"), {"--fail-on", "error,warning", "--tag-display-limit", "0", m_deb},
                                          QProcessEnvironment::systemEnvironment(), 600000);
    const QStringList complaints = lintian.out.split(QLatin1Char('\n')).filter(QRegularExpression(QStringLiteral("^[EW]: ")));
    QVERIFY2(lintian.exitCode == 0 && complaints.isEmpty(), qPrintable(failure(lintian)));
}

void TestPackage::programsRun_data()
{
    manPagesRender_data();
}

void TestPackage::programsRun()
{
    QFETCH(QString, program);
    const ProgramRun run = runProgram(m_root + QStringLiteral("/usr/bin/") + program, {"--version"});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("%1 %2\n").arg(program, kVersion));
}

QTEST_GUILESS_MAIN(TestPackage)
#include "test_package.moc"
