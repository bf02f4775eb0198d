#pragma once
// The metadata a saved JPEG may carry: the date and the camera, never the location or who owns it.
#include <QByteArray>
#include <QSize>

#include "imaging/Picture.h"

// The APP1 payload ("Exif\0\0" and a TIFF block in the source's byte order) to write right after the
// JFIF APP0 segment, holding only what is kept of `exifBlock` (as ExifBlockOf gives it):
//   IFD0: DateTime, Make, Model, Artist, Copyright;
//   Exif: DateTimeOriginal, DateTimeDigitized, OffsetTime, OffsetTimeOriginal, OffsetTimeDigitized, the
//         three SubSecTime fields, LensMake, LensModel, ExposureTime, FNumber, ISOSpeedRatings,
//         FocalLength, FocalLengthIn35mmFilm, ExposureProgram, ExposureBiasValue, Flash, WhiteBalance;
// each only with the type the standard gives it and at most 1,000 bytes long; with them Orientation 1,
// ColorSpace sRGB, `outputPixels` as PixelXDimension and PixelYDimension, and ExifVersion 0232. Nothing
// else is ever written: no GPS directory, serial numbers, owner's name, maker note, thumbnail, XMP, IPTC,
// description, comment or image ID.
// Empty when nothing is to be kept, when `outputPixels` is empty, and when the block is damaged, lying
// or larger than a JPEG can carry: bad metadata costs the metadata, never the picture.
QByteArray KeptExifSegment(const QByteArray& exifBlock, QSize outputPixels);

// What a JPEG of `original` resized to `output` carries: the kept segment of its EXIF block when the
// user chose to keep the date and the camera, else nothing at all.
QByteArray MetadataFor(const PictureRef& original, QSize output, bool keepDateAndCamera);
