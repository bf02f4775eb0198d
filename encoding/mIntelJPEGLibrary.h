#pragma once
// The JPEG writer.
#include "encoding/cDIBSection.h"
#include "imaging/Picture.h"
#include "platform/Dialogs.h"

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>

// Writes the wrapper's pixels, read in place, as a JPEG file at `fileName` (created or replaced) with
// `quality` (0 to 100). True when the file was written. Each failure has already been shown to the
// user in a warning box when it returns false; the wrapper itself is not checked. `length`, when
// given, is set to the length of the file written.
// `app1`, when not empty, is written as an APP1 segment after the JFIF header (kept EXIF data).
bool SaveJPEG(Dialogs& dialogs, cDIBSection& wrapper, const QString& fileName, std::int32_t quality,
              qint64* length = nullptr, const QByteArray& app1 = {});

// Writes `jpeg`, bytes EncodeJPEG made, as the file SaveJPEG would write from the same pixels: the
// same replacement of the file, the same message on failure.
bool SaveJPEGBytes(Dialogs& dialogs, const QByteArray& jpeg, const QString& fileName);

// The bytes SaveJPEG would write for `picture` made into a wrapper as the save command makes it:
// the same record, the same library call, so the figure and the file never differ. Safe to call from
// any thread. Throws QuillonError when the picture is empty or there is not enough memory.
QByteArray EncodeJPEG(const PictureRef& picture, std::int32_t quality, const QByteArray& app1 = {});

// Fills `count` rows of a picture, from row `first` on, top-down, into `rows`: each the picture's width
// of 4-byte pixels, blue, green, red and one byte ignored. Must not throw.
using RowMaker = std::function<void(int first, int count, unsigned char* const* rows)>;

// The JPEG EncodeJPEG makes of the opaque picture of `size` whose rows `rows` makes, byte for byte,
// with no picture of that size: the encoder asks for the rows as it takes them. Throws as EncodeJPEG.
QByteArray EncodeRowsJPEG(QSize size, const RowMaker& rows, std::int32_t quality,
                          const QByteArray& app1 = {});
