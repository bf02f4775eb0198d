#pragma once
// Finding a picture file's EXIF block, without interpreting it.
#include <QByteArray>

// The largest EXIF block a JPEG can carry: an APP1 segment holds 65,533 bytes, "Exif\0\0" and the block.
inline constexpr qsizetype MaxExifBlockBytes = 65'527;

// The TIFF-structured EXIF block (from its "II*\0" or "MM\0*" header on) of a JPEG (APP1), PNG (eXIf),
// WebP (EXIF chunk) or HEIC/HEIF file (the primary image's Exif item); empty when there is none, when the
// container is damaged, for any other format (TIFF included), and for blocks over MaxExifBlockBytes.
// Never reads outside `fileBytes`.
QByteArray ExifBlockOf(const QByteArray& fileBytes);
