#pragma once
// The checks and messages every picture reader shares, so that each format fails in the same words.
#include <QSize>
#include <QString>

// Throws QuillonError: "The file “name” could not be opened: why".
[[noreturn]] void FailToOpen(const QString& name, const QString& why);
// Throws QuillonError: the picture of that size cannot be opened, for want of memory.
[[noreturn]] void FailForMemory(const QString& name, QSize size);
// Refuses a header size that is empty or beyond MaxPicturePixels or MaxPictureSide. Call it before
// anything of that size is allocated.
void CheckClaimedSize(const QString& name, QSize size);
