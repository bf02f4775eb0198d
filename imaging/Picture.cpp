#include "imaging/Picture.h"

#include "imaging/BitmapFile.h"
#include "imaging/ColourProfile.h"
#include "imaging/Error.h"
#include "imaging/ExifBlock.h"
#include "imaging/FileName.h"
#include "imaging/HeifPicture.h"
#include "imaging/LargeMemory.h"
#include "imaging/PictureChecks.h"
#include "imaging/Units.h"

#include <QBuffer>
#include <QColorSpace>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTransform>
#include <QtEndian>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <optional>
#include <sys/stat.h>
#include <turbojpeg.h>
#include <unistd.h>

namespace {

QString quoted(const QString& name) {
    return QStringLiteral("“%1”").arg(QFileInfo(name).fileName());
}

QImage normalised(QImage image) {
    const auto format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    if (image.format() != format) image.convertTo(format);
    return image;
}

// Qt refuses by default to read pictures of more than 256 MB; ours may be bigger, and we set our
// own limit on the size a header may claim before anything is allocated. Qt's readers hold 16-bit
// PNG and TIFF pictures at 8 bytes a pixel before we turn them into 32-bit ones.
void allowLargePictures() {
    static const bool once = [] {
        QImageReader::setAllocationLimit(int(MaxPicturePixels * 8 / (1024 * 1024)) + 64);
        return true;
    }();
    Q_UNUSED(once);
}

bool isSupportedFormat(const QByteArray& format) {
    static const QByteArrayList supported{"jpeg", "jpg", "gif", "bmp", "png", "webp", "tiff", "tif"};
    return supported.contains(format);
}

QSize uprightSize(QSize size, QImageIOHandler::Transformations turn) {
    return (turn & QImageIOHandler::TransformationRotate90) ? size.transposed() : size;
}

QImage turnedUpright(QImage image, QImageIOHandler::Transformations turn) {
    if (turn == QImageIOHandler::TransformationNone) return image;
    // Mirror and flip first, then the quarter turn clockwise, as the EXIF orientations are defined.
    QTransform ordered;
    if (turn & QImageIOHandler::TransformationMirror) ordered.scale(-1, 1);
    if (turn & QImageIOHandler::TransformationFlip) ordered.scale(1, -1);
    if (turn & QImageIOHandler::TransformationRotate90) ordered *= QTransform().rotate(90);
    return image.transformed(ordered);
}

struct TjDeleter {
    void operator()(void* handle) const { tjDestroy(handle); }
};
using TjHandle = std::unique_ptr<void, TjDeleter>;

// A size divided as libjpeg-turbo's DCT scaling divides it: each side rounded up.
QSize scaledDown(QSize size, int denominator) {
    return {(size.width() + denominator - 1) / denominator, (size.height() + denominator - 1) / denominator};
}

// The coarsest DCT scale, 1/2, 1/4 or 1/8, at which a picture of `size` still has twice `result` in
// both directions, as its denominator: the resampler then has the detail it keeps. 1 when only the
// whole picture has, or when no result is given.
int shrinkDenominator(QSize size, QSize result) {
    if (result.isEmpty()) return 1;
    for (const int denominator : {8, 4, 2}) {
        const QSize scaled = scaledDown(size, denominator);
        if (scaled.width() >= 2 * qint64(result.width()) && scaled.height() >= 2 * qint64(result.height()))
            return denominator;
    }
    return 1;
}

// Adobe's CMYK, as Photoshop writes it and libjpeg gives it back: inverted, 255 meaning no ink.
void cmykToRgb(QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        auto* pixel = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const auto* cmyk = reinterpret_cast<const uchar*>(pixel + x);
            const int k = cmyk[3];
            pixel[x] = qRgb(k * cmyk[0] / 255, k * cmyk[1] / 255, k * cmyk[2] / 255);
        }
    }
}

// Decodes a JPEG straight into 32-bit pixels with libjpeg-turbo, its sides divided by `denominator` in
// the DCT (1, 2, 4 or 8). A file that ends before its last scan is an error, not a picture with a grey
// lower part. CMYK and YCCK pictures, which libjpeg-turbo cannot turn into RGB, are decoded as CMYK and
// turned into RGB here.
QImage decodeJpeg(const QString& name, const uchar* data, qint64 size, QSize header, int denominator) {
    TjHandle tj(tjInitDecompress());
    if (!tj) FailToOpen(name, QStringLiteral("the JPEG decoder could not be started."));
    int width = 0, height = 0, subsampling = 0, colorspace = 0;
    const bool cmyk = tjDecompressHeader3(tj.get(), data, static_cast<unsigned long>(size), &width, &height,
                                          &subsampling, &colorspace) == 0 &&
                      (colorspace == TJCS_CMYK || colorspace == TJCS_YCCK);
    const QSize scaled = scaledDown(header, denominator);
    QImage image = AllocateImage(scaled, QImage::Format_RGB32);
    if (image.isNull()) FailForMemory(name, scaled);
    const int rc = tjDecompress2(tj.get(), data, static_cast<unsigned long>(size), image.bits(),
                                 image.width(), int(image.bytesPerLine()), image.height(),
                                 cmyk ? TJPF_CMYK : TJPF_BGRX, 0);
    if (rc != 0) {
        const QString what = QString::fromLatin1(tjGetErrorStr2(tj.get()));
        const bool fatal = tjGetErrorCode(tj.get()) == TJERR_FATAL;
        if (fatal || what.contains(QLatin1String("Premature end")))
            FailToOpen(name, QStringLiteral("it is damaged or incomplete (%1).").arg(what));
    }
    if (cmyk) cmykToRgb(image);
    return image;
}

// Bitmaps whose pixel data ends early are refused like a truncated JPEG; those with narrow channels are
// read here, the rest by Qt.
QImage decodeBitmap(const QString& name, const QByteArray& bytes) {
    if (BitmapIsShort(bytes))
        FailToOpen(name, QStringLiteral("it is damaged or incomplete (its pixel data ends early)."));
    return DecodeBitfieldBitmap(bytes);
}

struct Header {
    QByteArray format;
    QSize rawSize;
    QImageIOHandler::Transformations turn;
    int bytesPerPixel = 4; // as the reader holds the pixels
};

[[noreturn]] void failNotAPicture(const QString& name) {
    FailToOpen(
        name,
        QStringLiteral("it is not a picture Quillon can open (JPEG, PNG, GIF, bitmap, WebP, TIFF or HEIC)."));
}

// Whether a file's first bytes are those of a format Quillon opens, as the readers recognise them.
bool startsLikeAPicture(const QByteArray& head) {
    static const QByteArrayList signatures{"\xFF\xD8",
                                           "\x89PNG\r\n\x1A\n",
                                           "GIF87a",
                                           "GIF89a",
                                           "BM",
                                           QByteArray("II*\0", 4),
                                           QByteArray("MM\0*", 4)};
    for (const QByteArray& signature : signatures)
        if (head.startsWith(signature)) return true;
    return (head.startsWith("RIFF") && head.mid(8, 4) == "WEBP") || IsHeif(head);
}

// Qt's bitmap reader gives no size at all for a header beyond its own limit; read it from the
// header itself so that the message can say the picture is too large rather than damaged.
QSize bitmapHeaderSize(QIODevice* device) {
    device->seek(0);
    std::array<char, 26> header{};
    if (device->peek(header.data(), qint64(header.size())) != qint64(header.size()) || header[0] != 'B' ||
        header[1] != 'M')
        return {};
    const auto width = qFromLittleEndian<qint32>(header.data() + 18);
    const auto height = qFromLittleEndian<qint32>(header.data() + 22);
    return {width, height == std::numeric_limits<qint32>::min() ? 0 : std::abs(height)};
}

// The header as Qt's readers see it, unchecked: an empty size when it gives none, or when the device
// holds only a file's first bytes and the header goes on beyond them.
Header probeHeader(const QString& name, QIODevice* device) {
    allowLargePictures();
    // A JPEG is known by its first bytes: naming its reader spares loading every other one to ask.
    const bool jpeg = device->peek(2) == "\xFF\xD8";
    QImageReader reader(device, jpeg ? QByteArray("jpeg") : QByteArray());
    reader.setDecideFormatFromContent(!jpeg);
    reader.setAutoDetectImageFormat(!jpeg);
    Header header{reader.format(), {}, QImageIOHandler::TransformationNone};
    if (header.format.isEmpty() || !isSupportedFormat(header.format)) failNotAPicture(name);
    header.rawSize = reader.size();
    if (!header.rawSize.isValid() && header.format == "bmp") header.rawSize = bitmapHeaderSize(device);
    // Qt reports the EXIF or TIFF orientation where the format has one.
    header.turn = reader.transformation();
    // Only PNG and TIFF keep more than 8 bits a channel; asked only of a header that was read.
    const bool deep = header.format == "png" || header.format == "tiff" || header.format == "tif";
    const QImage::Format pixels =
        deep && !header.rawSize.isEmpty() ? reader.imageFormat() : QImage::Format_Invalid;
    if (pixels > QImage::Format_Invalid && pixels < QImage::NImageFormats)
        header.bytesPerPixel = std::max(4, QImage::toPixelFormat(pixels).bitsPerPixel() / 8);
    device->seek(0);
    return header;
}

Header readHeader(const QString& name, QIODevice* device) {
    const Header header = probeHeader(name, device);
    CheckClaimedSize(name, header.rawSize);
    return header;
}

// The picture in the file's bytes, upright and in sRGB; a JPEG decoded only as finely as a smooth
// result of `result` pixels needs (none given: in full).
QImage decode(const QString& name, const QByteArray& bytes, QSize result) {
    if (IsHeif(bytes)) return normalised(DecodeHeif(bytes, name));
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    const Header header = readHeader(name, &buffer);
    const auto* data = reinterpret_cast<const uchar*>(bytes.constData());
    QImage image;
    QByteArray profile;
    if (header.format == "jpeg" || header.format == "jpg") {
        const int denominator = shrinkDenominator(uprightSize(header.rawSize, header.turn), result);
        image = decodeJpeg(name, data, bytes.size(), header.rawSize, denominator);
        profile = JpegIccProfile(bytes);
    }
    if (header.format == "bmp") image = decodeBitmap(name, bytes);
    if (image.isNull()) {
        QImageReader reader(&buffer, header.format);
        if (!reader.read(&image) || image.isNull())
            FailToOpen(name, QStringLiteral("it is damaged or incomplete (%1).").arg(reader.errorString()));
        profile = image.colorSpace().iccProfile();
        // A GIF frame may reach past the picture its header describes; the header's size is the one
        // that was checked and that the header-only reading reports, so the rest is cut off.
        if (image.width() > header.rawSize.width() || image.height() > header.rawSize.height())
            image = image.copy(QRect(QPoint(0, 0), header.rawSize));
        if (image.size() != header.rawSize)
            FailToOpen(name,
                       QStringLiteral("it is damaged: its picture does not have the size its header gives."));
    }
    // Saved JPEGs carry no profile: browsers take an untagged JPEG as sRGB, and a profile costs bytes on
    // a size-limited upload. So the colours become sRGB here, and look the same once saved.
    image = ConvertToSrgb(std::move(image), profile);
    return normalised(turnedUpright(std::move(image), header.turn));
}

PictureInfo infoFor(QSize size, int bytesPerPixel, bool jpeg = false) {
    return {size, HimetricFromPixels(size.width()), HimetricFromPixels(size.height()), bytesPerPixel, jpeg};
}

// What the header on the device says; nothing when `complete` is false and the device ends before the
// header does.
std::optional<PictureInfo> infoFrom(const QString& name, QIODevice* device, bool complete) {
    const Header header = probeHeader(name, device);
    if (header.rawSize.isEmpty() && !complete) return std::nullopt;
    CheckClaimedSize(name, header.rawSize);
    const bool jpeg = header.format == "jpeg" || header.format == "jpg";
    return infoFor(uprightSize(header.rawSize, header.turn), header.bytesPerPixel, jpeg);
}

// The same from a file's first bytes, or all of them.
std::optional<PictureInfo> infoFrom(const QString& name, const QByteArray& bytes, bool complete) {
    if (IsHeif(bytes)) {
        const QSize size = ReadHeifSize(bytes, name, complete);
        return size.isValid() ? std::optional(infoFor(size, 8)) : std::nullopt;
    }
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return infoFrom(name, &buffer, complete);
}

// Closes a file descriptor when the read is done, however it ends.
struct Descriptor {
    int fd;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

[[noreturn]] void failToRead(const QString& name) {
    FailToOpen(name,
               QStringLiteral("it cannot be read (%1).").arg(QString::fromLocal8Bit(std::strerror(errno))));
}

// A picture file, opened and checked by its first bytes and its length before any more is read.
// The bytes are read rather than mapped: a file that shrinks while it is read (a card pulled out, a
// share gone) is then an ordinary error, not a fatal signal. Only regular files are opened, and
// without blocking, so that a pipe or a device named in the Open dialog cannot freeze the window.
class PictureFile {
public:
    explicit PictureFile(const QString& name) : mName(name) {
        const QByteArray path = EncodeFileName(name);
        struct stat status;
        if (::stat(path.constData(), &status) != 0)
            FailToOpen(name, QStringLiteral("there is no such file."));
        if (S_ISDIR(status.st_mode)) FailToOpen(name, QStringLiteral("it is a folder, not a picture."));
        if (!S_ISREG(status.st_mode)) FailToOpen(name, QStringLiteral("it is not a picture file."));
        mFile.fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (mFile.fd < 0) failToRead(name);
        // Checked again on what was opened: the name may have been given to something else meanwhile.
        if (::fstat(mFile.fd, &status) != 0 || !S_ISREG(status.st_mode))
            FailToOpen(name, QStringLiteral("it is not a picture file."));
        mLength = status.st_size;
        if (mLength == 0) FailToOpen(name, QStringLiteral("the file is empty."));
        if (!startsLikeAPicture(read(64))) failNotAPicture(name);
        if (mLength > MaxPictureFileBytes)
            FailToOpen(name, QStringLiteral("the file is %1 GB long, longer than any picture Quillon opens "
                                            "can be (%2 GB). It may be damaged, or something else.")
                                 .arg(double(mLength) / (1 << 30), 0, 'f', 1)
                                 .arg(MaxPictureFileBytes >> 30));
    }

    qint64 length() const { return mLength; }

    // The file's first `count` bytes, or all of them when it is shorter.
    QByteArray read(qint64 count) const {
        QByteArray bytes(qsizetype(std::min(count, mLength)), Qt::Uninitialized);
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t got = ::pread(mFile.fd, bytes.data() + done, size_t(bytes.size() - done), done);
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) failToRead(mName);
            if (got == 0)
                FailToOpen(mName, QStringLiteral(
                                      "it became shorter while it was read. Try again once it is complete."));
            done += got;
        }
        return bytes;
    }
    QByteArray readAll() const { return read(mLength); }

    // What the header says, read where Qt's reader seeks to rather than from a copy of the file.
    std::optional<PictureInfo> infoInPlace() const {
        QFile file;
        if (!file.open(mFile.fd, QIODevice::ReadOnly, QFileDevice::DontCloseHandle)) failToRead(mName);
        return infoFrom(mName, &file, true);
    }

private:
    QString mName;
    Descriptor mFile{-1};
    qint64 mLength = 0;
};

} // namespace

void FailToOpen(const QString& name, const QString& why) {
    throw QuillonError(QStringLiteral("The file %1 could not be opened: %2").arg(quoted(name), why));
}

void FailForMemory(const QString& name, QSize size) {
    FailToOpen(name, QStringLiteral("there is not enough memory for a picture of %1 × %2 pixels.")
                         .arg(size.width())
                         .arg(size.height()));
}

void CheckClaimedSize(const QString& name, QSize size) {
    if (!size.isValid() || size.isEmpty())
        FailToOpen(name, QStringLiteral("it is damaged or incomplete: it gives no usable picture size."));
    if (qint64(size.width()) * size.height() > MaxPicturePixels || size.width() > MaxPictureSide ||
        size.height() > MaxPictureSide)
        FailToOpen(
            name, QStringLiteral("the picture is too large (%1 × %2 pixels). Quillon opens pictures of up to "
                                 "%3 megapixels and %4 pixels a side.")
                      .arg(size.width())
                      .arg(size.height())
                      .arg(MaxPicturePixels / 1000000)
                      .arg(MaxPictureSide));
}

Picture::Picture(QImage image, QByteArray sourceFile, QByteArray exif)
    : mImage(normalised(std::move(image))), mSourceFile(std::move(sourceFile)), mExif(std::move(exif)) {}

PictureRef Picture::make(QImage image, QByteArray sourceFile, QByteArray exif) {
    return std::make_shared<const Picture>(std::move(image), std::move(sourceFile), std::move(exif));
}

int Picture::HimetricWidth() const {
    return HimetricFromPixels(Width());
}
int Picture::HimetricHeight() const {
    return HimetricFromPixels(Height());
}

PictureRef LoadPicture(const QString& path) {
    return LoadPictureFor(path, {});
}

PictureRef LoadPictureFromData(const QByteArray& data, const QString& name) {
    return LoadPictureFromDataFor(data, name, {});
}

PictureRef LoadPictureFor(const QString& path, QSize result) {
    const QByteArray bytes = PictureFile(path).readAll();
    return Picture::make(decode(path, bytes, result), {}, ExifBlockOf(bytes));
}

PictureRef LoadPictureFromDataFor(const QByteArray& data, const QString& name, QSize result) {
    if (data.isEmpty()) FailToOpen(name, QStringLiteral("it holds no data."));
    QImage image = decode(name, data, result);
    // The file stands for the picture only when it was decoded in full.
    const bool whole = image.size() == ReadPictureInfoFromData(data, name).pixels;
    return Picture::make(std::move(image), whole ? data : QByteArray());
}

QSize DecodedSizeFor(const PictureInfo& header, QSize result) {
    if (!header.decodesScaled) return header.pixels;
    return scaledDown(header.pixels, shrinkDenominator(header.pixels, result));
}

PictureInfo ReadPictureInfo(const QString& path) {
    // Most headers lie in the first bytes. A TIFF's directory is often written after its pixels and a
    // JPEG's size may follow large metadata: there, and beyond the first bytes, Qt's readers read the
    // file itself, seeking to what they need. libheif is given the whole file, whose boxes describing
    // the picture come before its data.
    constexpr qint64 HeaderBytes = 64 * 1024;
    const PictureFile file(path);
    const QByteArray head = file.read(HeaderBytes);
    const bool seeks = head.startsWith("II") || head.startsWith("MM") || head.startsWith("\xFF\xD8");
    if (const auto info = seeks ? std::nullopt : infoFrom(path, head, head.size() == file.length()))
        return *info;
    if (IsHeif(head)) return *infoFrom(path, file.readAll(), true);
    return *file.infoInPlace();
}

PictureInfo ReadPictureInfoFromData(const QByteArray& data, const QString& name) {
    if (data.isEmpty()) FailToOpen(name, QStringLiteral("it holds no data."));
    return *infoFrom(name, data, true);
}
