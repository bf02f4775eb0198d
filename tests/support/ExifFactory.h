#pragma once
// EXIF blocks, and picture files carrying them, made in code.
#include <QByteArray>
#include <QList>

namespace factory {

// A camera's EXIF block (TIFF, little-endian, built with libexif) with every field a kept segment
// carries, an orientation of 6, and every item that must never leave the machine: a GPS directory,
// body and lens serial numbers, the owner's name, a maker note, a thumbnail, XMP, IPTC, a description,
// a comment and an image ID, each holding one of cameraSecrets().
QByteArray cameraExif();
QList<QByteArray> cameraSecrets();
// A 16 × 12 "JPEG" (APP1), "PNG" (eXIf), "WEBP" (EXIF chunk, extended format) or "HEIC" (Exif item,
// its TIFF header found past "Exif\0\0") carrying `exif`.
QByteArray withExif(const char* format, const QByteArray& exif);

} // namespace factory
