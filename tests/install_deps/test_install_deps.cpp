// scripts/install-deps decides by itself whether it can install: as root, or
// through a sudo that can ask for a password or needs none. It runs here on
// a PATH of stand-ins: id tells the user, dpkg-query which packages are
// missing, and sudo and apt-get only write down how they were called.
#include "program_run.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

const char *const kStandIns[][2] = {
    {"id", "echo \"$STUB_UID\"\n"},
    {"dpkg-query", "for package; do :; done\n"
                   "case \" $STUB_MISSING \" in *\" $package \"*) echo not-installed ;; *) echo installed ;; esac\n"},
    {"apt-get", "echo \"apt-get $*\" >>\"$STUB_LOG\"\n"},
    {"sudo", "if [ \"$1\" = -n ]; then [ \"$STUB_SUDO\" = free ]; exit $?; fi\n"
             "echo \"sudo $*\" >>\"$STUB_LOG\"\nexec \"$@\"\n"},
};

bool writeStandIn(const QString &folder, const QString &name, const char *body)
{
    QFile file(folder + '/' + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray("#!/bin/sh\n") + body) < 0)
        return false;
    file.close();
    return file.setPermissions(file.permissions() | QFile::ExeOwner);
}

const QString kInstallCommand = QStringLiteral("apt-get update && apt-get install -y --no-install-recommends cmake appstream");

} // namespace

class TestInstallDeps : public QObject
{
    Q_OBJECT
private slots:
    void installsOnlyWhenItCan_data();
    void installsOnlyWhenItCan();
};

void TestInstallDeps::installsOnlyWhenItCan_data()
{
    QTest::addColumn<QString>("uid");
    QTest::addColumn<QString>("sudo");  // none, free (no password needed), password
    QTest::addColumn<QString>("missing");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QString>("calls");
    const QString installing = "Installing: cmake appstream\n", update = "apt-get update -qq\n",
                  install = "apt-get install -y -qq --no-install-recommends cmake appstream\n";
    QTest::newRow("all there, no way to install") << "1000" << "none" << "" << 0 << "" << "" << "";
    QTest::newRow("root") << "0" << "none" << "cmake appstream" << 0 << installing << "" << update + install;
    QTest::newRow("sudo without a password")
        << "1000" << "free" << "cmake appstream" << 0 << installing << ""
        << "sudo " + update + update + "sudo env DEBIAN_FRONTEND=noninteractive " + install + install;
    QTest::newRow("sudo wanting a password, no terminal")
        << "1000" << "password" << "cmake appstream" << 1 << ""
        << QStringLiteral("Missing packages: cmake appstream\n"
                          "sudo needs a password and there is no terminal to ask for it. Run:\n"
                          "  sudo sh -c '%1'\n").arg(kInstallCommand)
        << "";
    QTest::newRow("neither root nor sudo")
        << "1000" << "none" << "cmake appstream" << 1 << ""
        << QStringLiteral("Missing packages: cmake appstream\nNot root and no sudo. Run as root:\n  %1\n").arg(kInstallCommand)
        << "";
}

void TestInstallDeps::installsOnlyWhenItCan()
{
    QFETCH(QString, uid);
    QFETCH(QString, sudo);
    QFETCH(QString, missing);
    QFETCH(int, exitCode);
    QFETCH(QString, out);
    QFETCH(QString, err);
    QFETCH(QString, calls);
    QTemporaryDir bin;
    QVERIFY(bin.isValid());
    for (const auto &standIn : kStandIns)
        if (sudo != "none" || qstrcmp(standIn[0], "sudo") != 0)
            QVERIFY(writeStandIn(bin.path(), standIn[0], standIn[1]));
    QVERIFY(QFile::link("/usr/bin/env", bin.filePath("env")));
    QProcessEnvironment environment;
    for (const auto &[name, value] : {std::pair<QString, QString>{"PATH", bin.path()}, {"STUB_UID", uid}, {"STUB_SUDO", sudo},
                                      {"STUB_MISSING", missing}, {"STUB_LOG", bin.filePath("calls")}})
        environment.insert(name, value);
    const testenv::ProgramRun run = testenv::runProgram("/bin/bash", {INSTALL_DEPS_SCRIPT}, environment);
    QCOMPARE(run.err, err);
    QCOMPARE(run.out, out);
    QCOMPARE(run.exitCode, exitCode);
    QFile log(bin.filePath("calls"));
    QCOMPARE(log.open(QIODevice::ReadOnly) ? QString::fromUtf8(log.readAll()) : QString(), calls);
}

QTEST_GUILESS_MAIN(TestInstallDeps)
#include "test_install_deps.moc"
