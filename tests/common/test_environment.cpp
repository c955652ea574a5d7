#include "test_environment.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtGlobal>

namespace testenv {

void clearSettingsStore()
{
    if (qEnvironmentVariableIsEmpty("XDG_CONFIG_HOME")) {
        // Run by hand: never touch the real user's store.
        static QTemporaryDir fallback;
        qputenv("XDG_CONFIG_HOME", fallback.path().toLocal8Bit());
    }
    // Through QSettings rather than by deleting files: QSettings caches what
    // it read, and clear() keeps that cache honest.
    QSettings store(QStringLiteral("Halvorn"), QStringLiteral("Vistrel"));
    store.clear();
    store.sync();
}

QString dataDir()
{
    QString dir = qEnvironmentVariable("VISTREL_TEST_DATA");
    if (dir.isEmpty()) {
        static QTemporaryDir fallback;
        dir = fallback.path();
    }
    QDir().mkpath(dir);
    return dir;
}

QString hex(const std::vector<std::uint8_t> &bytes, std::size_t n)
{
    QString out;
    for (std::size_t i = 0; i < bytes.size() && i < n; ++i)
        out += QString::asprintf(i ? " %02X" : "%02X", bytes[i]);
    return out;
}

} // namespace testenv
