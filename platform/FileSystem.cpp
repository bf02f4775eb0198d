#include "platform/FileSystem.h"

#include "imaging/Error.h"
#include "imaging/FileName.h"

#include <QDir>
#include <QFileInfo>
#include <string>
#include <sys/stat.h>

namespace {

QString quotedName(const QString& path) {
    return QStringLiteral("“%1”").arg(QFileInfo(path).fileName());
}

} // namespace

ReplaceableFile::ReplaceableFile(const QString& path) : mPath(EncodeFileName(path)) {
    const QString folder = QFileInfo(path).absolutePath();
    struct stat status;
    if (::stat(EncodeFileName(folder).constData(), &status) != 0 || !S_ISDIR(status.st_mode))
        throw QuillonError(
            QStringLiteral("The folder “%1” no longer exists, so the resized picture cannot be "
                           "saved there. Open the picture again from where it is now.")
                .arg(QDir::toNativeSeparators(folder)));
    if (::lstat(mPath.constData(), &status) != 0 || S_ISLNK(status.st_mode)) return;
    // Nothing but a file is changed: a folder or a device of that name keeps its permissions.
    if (S_ISDIR(status.st_mode))
        throw QuillonError(QStringLiteral("%1 is a folder, so the resized picture cannot be saved under "
                                          "that name. Rename or move the folder, then save again.")
                               .arg(quotedName(path)));
    if (!S_ISREG(status.st_mode))
        throw QuillonError(QStringLiteral("%1 is not an ordinary file, so the resized picture cannot be "
                                          "saved under that name. Rename or move it, then save again.")
                               .arg(quotedName(path)));
    if (status.st_mode & S_IWUSR) return;
    if (::chmod(mPath.constData(), (status.st_mode & 07777) | S_IWUSR) != 0)
        throw QuillonError(
            QStringLiteral("%1 is read-only and Quillon is not allowed to make it writable, so "
                           "it cannot be replaced. Change its permissions or move it away, then "
                           "save again.")
                .arg(quotedName(path)));
    mChanged = true;
    mMode = status.st_mode & 07777;
    mDevice = status.st_dev;
    mInode = status.st_ino;
}

// A save that succeeded has put a new file at the path, which keeps the permissions it was given.
ReplaceableFile::~ReplaceableFile() {
    struct stat status;
    if (mChanged && ::lstat(mPath.constData(), &status) == 0 && status.st_dev == mDevice &&
        status.st_ino == mInode)
        ::chmod(mPath.constData(), mode_t(mMode));
}
