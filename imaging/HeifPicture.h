#pragma once
// HEIC and HEIF pictures (the primary image of the file), read with libheif.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// Whether the bytes are a HEIF file by their content (the brand in the "ftyp" box), whatever the name.
bool IsHeif(const QByteArray& bytes);
// The primary image's size as it will be shown (rotation and mirroring applied), read without
// decoding and checked as CheckClaimedSize does. Throws QuillonError naming `name`. When `complete` is
// false the bytes are a file's beginning, and an invalid size says that they end before its header.
QSize ReadHeifSize(const QByteArray& bytes, const QString& name, bool complete = true);
// Decodes the primary image, upright, as 32-bit ARGB (RGB when it has no alpha). The size is checked before
// decoding. Throws QuillonError naming `name`.
QImage DecodeHeif(const QByteArray& bytes, const QString& name);
