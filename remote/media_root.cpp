#include "media_root.h"

#include "scpi_errors.h"

#include <QDir>
#include <QFileInfo>

namespace vistrel::remote {

namespace {

bool inside(const QString &path, const QString &root)
{
    return path.startsWith(root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/'));
}

ResolvedPath readable(const QFileInfo &file)
{
    if (!file.exists())
        return {{}, FileNameNotFound};
    if (!file.isFile() || !file.isReadable())
        return {{}, FileNameError};
    return {file.absoluteFilePath(), NoError};
}

} // namespace

MediaRoot::MediaRoot(const QString &root) : m_root(QFileInfo(root).canonicalFilePath())
{
}

ResolvedPath MediaRoot::resolve(const QString &name) const
{
    if (name.isEmpty())
        return {{}, FileNameNotFound};
    if (!confined())
        return readable(QFileInfo(QDir::current(), name));
    if (QDir::isAbsolutePath(name))
        return {{}, FileNameError};
    const QString joined = QDir::cleanPath(m_root + QLatin1Char('/') + name);
    if (!inside(joined, m_root))
        return {{}, FileNameError};
    const QFileInfo file(joined);
    if (!file.exists())
        return {{}, file.isSymLink() ? FileNameError : FileNameNotFound};
    // Every link on the way is followed: the file itself must lie inside.
    if (!inside(file.canonicalFilePath(), m_root))
        return {{}, FileNameError};
    return readable(QFileInfo(file.canonicalFilePath()));
}

} // namespace vistrel::remote
