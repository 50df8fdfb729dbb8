#include "platform/CurrentDirectory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace scindra {

namespace {

const QString kRoot = QStringLiteral("/");
// What the kernel appends to the name of a folder that was removed.
const QString kDeletedSuffix = QStringLiteral(" (deleted)");

bool MoveInto(const QString& folder)
{
    return !folder.isEmpty() && QFileInfo(folder).isDir() && QDir::setCurrent(folder)
        && !QDir::currentPath().isEmpty();
}

} // namespace

QString DeletedCurrentDirectory()
{
    QString path = QFile::symLinkTarget(QStringLiteral("/proc/self/cwd"));
    if (path.endsWith(kDeletedSuffix))
        path.chop(kDeletedSuffix.size());
    return path.startsWith(kRoot) ? path : QString();
}

QString ExistingCurrentDirectory()
{
    const QString current = QDir::currentPath();
    if (!current.isEmpty())
        return current;
    // Walk up from the vanished folder; a folder made again under the same
    // name counts as found.
    for (QString folder = DeletedCurrentDirectory(); !folder.isEmpty() && folder != kRoot;
         folder = QFileInfo(folder).path()) {
        if (MoveInto(folder))
            return QDir::currentPath();
    }
    for (const QString& fallback : {QDir::homePath(), kRoot})
        if (MoveInto(fallback))
            return QDir::currentPath();
    return kRoot;
}

} // namespace scindra
