#pragma once
// The name a resized picture is saved under, shared by the window and the command line.
#include <QString>

// `sourceName` less its extension, followed by "(QLN).jpg", in the same folder. A name ending in a dot
// and three characters loses exactly those four; any other extension is dropped from its last dot;
// a name without one keeps it whole. Empty when no file name can be taken from `sourceName`.
QString OutputNameFor(const QString& sourceName);
