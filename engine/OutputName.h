#pragma once
// The name a resized picture is saved under, shared by the window and the command line.
#include <QString>

// `sourceName` less its last four characters, followed by "(QLN).jpg", in the same folder: the four are
// taken to be a dot and a three-letter extension. A file name that has no dot, or has four characters
// or fewer, keeps all of them, and a folder's name is never cut into. Characters are counted as the
// user sees them. Empty when `sourceName` names no file (it ends in a slash, or is empty).
QString OutputNameFor(const QString& sourceName);
