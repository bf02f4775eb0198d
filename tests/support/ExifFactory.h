#pragma once
// A camera's EXIF block made in code; picture files carrying one: PictureFactory.h.
#include <QByteArray>
#include <QList>

namespace factory {

// A camera's EXIF block (TIFF, little-endian, built with libexif) with every field a kept segment
// carries, an orientation of 6, and every item that must never leave the machine: a GPS directory,
// body and lens serial numbers, the owner's name, a maker note, a thumbnail, XMP, IPTC, a description,
// a comment and an image ID, each holding one of cameraSecrets().
QByteArray cameraExif();
QList<QByteArray> cameraSecrets();

} // namespace factory
