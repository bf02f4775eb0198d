#pragma once
// The file system, as the save command and the command line need it.
#include "imaging/FileName.h"

#include <QByteArray>
#include <QString>

// An existing file at `path` made replaceable for one save: its owner's write permission is given
// back (the read-only attribute cleared), and taken away again when the object goes while the same
// file is still there, so that a save that fails leaves the earlier file exactly as it was. A
// symbolic link is left alone: the new file replaces the link itself and never writes through it.
// Throws QuillonError, in the user's words, when the folder is gone, when the name is taken by
// something other than a file (a folder, say, which is left exactly as it is), or when the
// permission cannot be changed.
class ReplaceableFile {
public:
    [[nodiscard]] explicit ReplaceableFile(const QString& path);
    ~ReplaceableFile();
    ReplaceableFile(const ReplaceableFile&) = delete;
    ReplaceableFile& operator=(const ReplaceableFile&) = delete;

private:
    QByteArray mPath;
    bool mChanged = false; // the permissions below are to be given back
    unsigned mMode = 0;
    quint64 mDevice = 0;
    quint64 mInode = 0;
};
