#pragma once
// Shared, reference-counted picture objects, as the whole program passes them around.
// A picture never changes after it is made; holders share it through PictureRef and never copy pixels.
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <memory>

class Picture;
using PictureRef = std::shared_ptr<const Picture>;

class Picture {
public:
    // Takes the image as it is (implicitly shared, so no pixels are copied). The image is kept as
    // 32-bit RGB, or 32-bit premultiplied ARGB when it has transparent parts.
    explicit Picture(QImage image, QByteArray sourceFile = {}, QByteArray exif = {});

    static PictureRef make(QImage image, QByteArray sourceFile = {}, QByteArray exif = {});

    int Width() const { return mImage.width(); }   // pixels
    int Height() const { return mImage.height(); } // pixels
    QSize size() const { return mImage.size(); }
    // Size in HIMETRIC (hundredths of a millimetre) at the screen's pixels per inch.
    int HimetricWidth() const;
    int HimetricHeight() const;

    const QImage& image() const { return mImage; }
    bool hasTransparency() const { return mImage.hasAlphaChannel(); }
    // The image file the picture was read from, where it was kept (small built-in pictures only).
    const QByteArray& sourceFile() const { return mSourceFile; }
    // The EXIF block of the file the picture was read from (ExifBlockOf), empty for any other.
    const QByteArray& exif() const { return mExif; }

private:
    QImage mImage;
    QByteArray mSourceFile;
    QByteArray mExif;
};

// What a picture file's header says, read without decoding the pixels. The size is the upright
// size: a JPEG turned by its EXIF orientation reports its turned size.
struct PictureInfo {
    QSize pixels;
    int himetricWidth = 0;
    int himetricHeight = 0;
    // What a pixel takes while the picture is decoded: 8 for 16-bit PNG and TIFF as Qt's readers hold
    // them, and for HEIC with libheif's planes beside its result; 4 for the rest.
    int decodingBytesPerPixel = 4;
    // A JPEG: its reader can decode it at 1/2, 1/4 or 1/8 of its size as well.
    bool decodesScaled = false;
};

// The largest picture the program opens or makes, in pixels (1 GiB at 4 bytes a pixel).
inline constexpr qint64 MaxPicturePixels = qint64{1} << 28;
// The longest side the program opens or makes (the JPEG format's own limit).
inline constexpr int MaxPictureSide = 65500;
// The longest file a picture within those limits can come in (9 GiB). The widest pixels a supported
// format keeps are TIFF's four 32-bit floating-point channels, 16 bytes; compression can make data
// that does not compress longer (LZW's 12-bit codes by half at most), and metadata, previews and
// further pages or frames come on top. Twice the largest picture uncompressed, plus 1 GiB, leaves room
// for all of that; a longer file is something else with a picture's first bytes.
inline constexpr qint64 MaxPictureFileBytes = MaxPicturePixels * 16 * 2 + (qint64{1} << 30);

// Loads a JPEG, PNG, GIF (first frame), BMP, WebP, TIFF (first page) or HEIC/HEIF (primary image)
// file, turned upright; the content decides the format, not the name. The file's first bytes are
// checked before the rest is read: a file of another kind, or longer than MaxPictureFileBytes, is
// refused at once.
// Throws QuillonError naming the file and saying why, in the user's words.
PictureRef LoadPicture(const QString& path);
// Loads a picture from the bytes of an image file; `name` is used in messages. Keeps the bytes.
PictureRef LoadPictureFromData(const QByteArray& data, const QString& name);
// The picture a smooth result of `result` pixels is resampled from, with no more pixels than it needs:
// a JPEG is decoded at the coarsest of 1/2, 1/4 and 1/8 of its size (each side rounded up) that still
// leaves at least twice `result` in both directions once turned upright; other formats, and results of
// more than a quarter of the picture a side, come in full as LoadPicture gives them. Turned upright and
// made sRGB as LoadPicture does; throws as it does. An empty `result` asks for the whole picture.
PictureRef LoadPictureFor(const QString& path, QSize result);
// The same from a file's bytes, kept only when the picture is decoded in full.
PictureRef LoadPictureFromDataFor(const QByteArray& data, const QString& name, QSize result);
// The size LoadPictureFor gives for a result of `result` pixels from a file with this header.
QSize DecodedSizeFor(const PictureInfo& header, QSize result);
// Reads only the header of a picture file: its first bytes, or, where the header lies further in
// (a TIFF's directory, a JPEG's size after large metadata), the parts the reader seeks to. Throws
// QuillonError as LoadPicture does.
PictureInfo ReadPictureInfo(const QString& path);
// The same from a picture file's bytes; `name` is used in messages.
PictureInfo ReadPictureInfoFromData(const QByteArray& data, const QString& name);
// The length in bytes of a picture of this size written as an uncompressed 24-bit Windows bitmap.
qint64 BitmapFileLength(QSize size);
