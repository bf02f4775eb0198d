#include "platform/FileSystem.h"

#include "imaging/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

void MakeReplaceable(const QString& path) {
    const QFileInfo file(path);
    if (!QFileInfo(file.absolutePath()).isDir())
        throw QuillonError(
            QStringLiteral("The folder “%1” no longer exists, so the resized picture cannot be "
                           "saved there. Open the picture again from where it is now.")
                .arg(QDir::toNativeSeparators(file.absolutePath())));
    if (file.isSymLink() || !file.exists()) return;
    const QFileDevice::Permissions permissions = file.permissions();
    if (permissions & QFileDevice::WriteOwner) return;
    if (!QFile::setPermissions(path, permissions | QFileDevice::WriteOwner))
        throw QuillonError(
            QStringLiteral("“%1” is read-only and Quillon is not allowed to make it writable, so "
                           "it cannot be replaced. Change its permissions or move it away, then "
                           "save again.")
                .arg(file.fileName()));
}
