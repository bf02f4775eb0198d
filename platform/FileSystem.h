#pragma once
// The file system, as the save command needs it.
#include <QString>

// Makes an existing file at `path` replaceable: its owner's write permission is given back (the
// read-only attribute cleared). A symbolic link is left alone: the new file replaces the link itself
// and never writes through it. Throws QuillonError, in the user's words, when the folder is gone or
// the permission cannot be changed.
void MakeReplaceable(const QString& path);
