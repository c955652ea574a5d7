// Where a file name given over the socket points. Without a root any path
// the user can read is allowed (relative names start in the working
// folder); with one, names resolve inside it and nothing leads out of it:
// not "..", not an absolute path, not a symbolic link.
#ifndef VISTREL_REMOTE_MEDIA_ROOT_H
#define VISTREL_REMOTE_MEDIA_ROOT_H

#include <QString>

namespace vistrel::remote {

struct ResolvedPath {
    QString path;   // absolute, when error is 0
    int error = 0;  // FileNameNotFound, FileNameError or 0
};

class MediaRoot
{
public:
    MediaRoot() = default;  // no confinement
    explicit MediaRoot(const QString &root);

    bool confined() const { return !m_root.isEmpty(); }
    ResolvedPath resolve(const QString &name) const;

private:
    QString m_root;  // canonical, empty when not confined
};

} // namespace vistrel::remote

#endif
