#include "support/PictureFactory.h"

#include <QBuffer>
#include <QFile>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <libheif/heif.h>
#include <limits>
#include <memory>
#include <random>
#include <turbojpeg.h>
#include <vector>
#include <zlib.h>

namespace factory {

template <typename Colour> QImage made(int width, int height, QImage::Format format, Colour colour) {
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            reinterpret_cast<QRgb*>(image.scanLine(y))[x] = colour(x, y);
    return image;
}

QImage gradient(int width, int height, quint32 seed) {
    std::minstd_rand noise(seed);
    return made(width, height, QImage::Format_RGB32, [&](int x, int y) {
        const int n = int(noise() % 7) - 3;
        const auto level = [&](double v) { return std::clamp(int(v) + n, 0, 255); };
        return qRgb(level(255.0 * x / std::max(1, width - 1)), level(255.0 * y / std::max(1, height - 1)),
                    level(128 + int(100 * std::sin((x + y) / 40.0))));
    });
}

QImage checkerboard(int width, int height, int cell, QRgb a, QRgb b) {
    return made(width, height, QImage::Format_RGB32,
                [&](int x, int y) { return ((x / cell + y / cell) % 2) ? b : a; });
}

QImage coordinates(int width, int height) {
    return made(width, height, QImage::Format_RGB32,
                [](int x, int y) { return qRgb(x & 0xFF, ((x >> 8) & 0x0F) | ((y >> 8) << 4), y & 0xFF); });
}

QImage zonePlate(int size, double k) {
    return made(size, size, QImage::Format_RGB32, [&](int x, int y) {
        const double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
        const int v = int(std::lround(127.5 + 127.5 * std::cos(k * (dx * dx + dy * dy))));
        return qRgb(v, v, v);
    });
}

QImage withTransparency(int width, int height) {
    const double r = std::min(width, height) / 3.0;
    return made(width, height, QImage::Format_ARGB32, [&](int x, int y) {
        return std::hypot(x + 0.5 - width / 2.0, y + 0.5 - height / 2.0) < r ? qRgba(255, 0, 0, 255) : 0u;
    });
}

namespace {

QByteArray le(quint32 value, int bytes) {
    QByteArray out(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        out[i] = char(value >> (8 * i));
    return out;
}

QByteArray be(quint32 value) {
    QByteArray out(4, '\0');
    qToBigEndian(value, out.data());
    return out;
}

// A GIF of one image: a global table of 2^tableBits colours and its LZW `data` in sub-blocks.
QByteArray gifFile(int width, int height, int tableBits, const QByteArray& table, const QByteArray& extension,
                   int minimumCodeSize, const QByteArray& data) {
    QByteArray gif = "GIF89a" + le(width, 2) + le(height, 2) + char(0x80 | (tableBits - 1)) + le(0, 2) +
                     table + extension + '\x2C' + le(0, 4) + le(width, 2) + le(height, 2) + '\0' +
                     char(minimumCodeSize);
    for (qsizetype at = 0; at < data.size(); at += 255)
        gif += char(std::min<qsizetype>(255, data.size() - at)) + data.mid(at, 255);
    return gif + QByteArray("\0\x3B", 2);
}

// Qt reads GIF but does not write it. A pixel is one 8-bit code, the table cleared long before it would
// need wider ones: 125 colours, five levels a channel, and 127 transparent.
QByteArray encodeGif(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    QByteArray table(384, '\0'), data;
    for (int i = 0; i < 125; ++i) {
        table[3 * i] = char(i / 25 * 255 / 4);
        table[3 * i + 1] = char(i / 5 % 5 * 255 / 4);
        table[3 * i + 2] = char(i % 5 * 255 / 4);
    }
    const auto level = [](int v) { return (v * 4 + 127) / 255; };
    const int width = image.width();
    for (int i = 0; i < width * image.height(); ++i) {
        if (i % 100 == 0) data += '\x80';
        const QRgb p = image.pixel(i % width, i / width);
        data += char(qAlpha(p) < 128 ? 127 : level(qRed(p)) * 25 + level(qGreen(p)) * 5 + level(qBlue(p)));
    }
    return gifFile(width, image.height(), 7, table, QByteArray("\x21\xF9\x04\x01\0\0\x7F\0", 8), 7,
                   data + '\x81');
}

QByteArray encodeHeic(const QImage& source, int quality, int orientation, const QByteArray& exif = {}) {
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    const std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(),
                                                                         heif_context_free);
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &encoder);
    if (!encoder) qFatal("libheif has no HEVC encoder");
    heif_encoder_set_lossy_quality(encoder, quality);
    heif_image* image = nullptr;
    heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + qsizetype(y) * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation(orientation);
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(context.get(), image, encoder, options, &handle);
    if (!exif.isEmpty())
        heif_context_add_exif_metadata(context.get(), handle, exif.constData(), int(exif.size()));
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_image_release(image);
    heif_encoder_release(encoder);
    QByteArray bytes;
    heif_writer writer{1, [](heif_context*, const void* data, size_t size, void* out) {
                           static_cast<QByteArray*>(out)->append(static_cast<const char*>(data),
                                                                 qsizetype(size));
                           return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                       }};
    heif_context_write(context.get(), &writer, &bytes);
    return bytes;
}

// A bitmap file: a 40-byte information header (56 with channel masks) before `pixels`.
QByteArray bmpFile(int width, int height, int bits, const QList<quint32>& masks, const QByteArray& pixels) {
    const int header = 14 + (masks.isEmpty() ? 40 : 56);
    QByteArray bmp = "BM" + le(header + pixels.size(), 4) + le(0, 4) + le(header, 4) + le(header - 14, 4) +
                     le(width, 4) + le(height, 4) + le(1, 2) + le(bits, 2) + le(masks.isEmpty() ? 0 : 3, 4) +
                     QByteArray(20, '\0');
    for (const quint32 mask : masks)
        bmp += le(mask, 4);
    return bmp + pixels;
}

quint32 crc32(const QByteArray& bytes) {
    return quint32(::crc32(0, reinterpret_cast<const Bytef*>(bytes.constData()), uInt(bytes.size())));
}

} // namespace

// Adobe's inverted CMYK, which libjpeg-turbo writes as YCCK: the least ink that gives each colour.
QByteArray encodeCmyk(const QImage& source, int quality) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    std::vector<uchar> cmyk;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            const int k = std::max({qRed(pixel), qGreen(pixel), qBlue(pixel), 1});
            for (const int level : {qRed(pixel), qGreen(pixel), qBlue(pixel)})
                cmyk.push_back(uchar(level * 255 / k));
            cmyk.push_back(uchar(k));
        }
    const std::unique_ptr<void, int (*)(tjhandle)> tj(tjInitCompress(), tjDestroy);
    uchar* jpeg = nullptr;
    unsigned long length = 0;
    if (tjCompress2(tj.get(), cmyk.data(), image.width(), 0, image.height(), TJPF_CMYK, &jpeg, &length,
                    TJSAMP_420, quality, 0) != 0)
        qFatal("libjpeg-turbo could not write a CMYK JPEG");
    const QByteArray bytes(reinterpret_cast<const char*>(jpeg), qsizetype(length));
    tjFree(jpeg);
    return bytes;
}

QByteArray encode(const QImage& image, const char* format, int quality, int orientation) {
    if (qstrcmp(format, "GIF") == 0) return encodeGif(image);
    if (qstrcmp(format, "CMYK") == 0) return encodeCmyk(image, quality);
    if (qstrcmp(format, "HEIC") == 0) return encodeHeic(image, quality, orientation);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

// `body` in a JPEG segment of type `marker`, first after the SOI.
QByteArray withSegment(const QByteArray& jpeg, char marker, const QByteArray& body) {
    const qsizetype length = body.size() + 2;
    return jpeg.left(2) + '\xFF' + marker + char(length >> 8) + char(length & 0xFF) + body + jpeg.mid(2);
}

QByteArray withExifOrientation(const QByteArray& jpeg, int orientation) {
    // Little-endian TIFF, one directory entry: tag 0x0112 Orientation, SHORT, count 1; no next directory.
    const QByteArray exif = QByteArray("Exif\0\0II\x2A\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0", 24) +
                            char(orientation) + QByteArray(7, '\0');
    return withSegment(jpeg, '\xE1', exif);
}

QByteArray withIccProfile(const QByteArray& jpeg, const QByteArray& icc, int chunks) {
    QByteArray tagged = jpeg;
    const qsizetype piece = (icc.size() + chunks - 1) / chunks;
    for (int i = 0; i < chunks; ++i)
        tagged = withSegment(tagged, '\xE2',
                             QByteArray("ICC_PROFILE\x00", 12) + char(i + 1) + char(chunks) +
                                 icc.mid(i * piece, piece));
    return tagged;
}

QByteArray withExif(const char* format, const QByteArray& exif) {
    const QByteArray f(format);
    const QByteArray payload = "Exif" + QByteArray(2, '\0') + exif;
    if (f == "HEIC") return encodeHeic(gradient(16, 12), 92, 1, payload);
    const QByteArray picture = encode(gradient(16, 12), format);
    if (f == "JPEG") return withSegment(picture, '\xE1', payload);
    if (f == "PNG") // after the signature and the header chunk
        return picture.left(33) + be(exif.size()) + "eXIf" + exif + be(crc32("eXIf" + exif)) +
               picture.mid(33);
    // WebP: the extended format's header chunk (flags: EXIF; width and height less one) first
    const QByteArray extended = "VP8X" + le(10, 4) + le(0x08, 4) + le(15, 3) + le(11, 3);
    const QByteArray chunks =
        extended + picture.mid(12) + "EXIF" + le(exif.size(), 4) + exif + QByteArray(exif.size() % 2, '\0');
    return "RIFF" + le(chunks.size() + 4, 4) + "WEBP" + chunks;
}

QByteArray claiming(const char* format, int width, int height) {
    const QByteArray f(format);
    if (f == "GIF") return gifFile(width, height, 1, QByteArray("\0\0\0\xFF\xFF\xFF", 6), {}, 2, "\x44\x01");
    if (f == "BMP") return bmpFile(width, height, 24, {}, QByteArray(16, '\x7F'));
    if (f == "PNG") { // libpng checks the IHDR chunk, width and height first, by its CRC
        QByteArray png = encode(checkerboard(8, 8, 2), "PNG");
        qToBigEndian(quint32(width), png.data() + 16);
        qToBigEndian(quint32(height), png.data() + 20);
        qToBigEndian(crc32(png.mid(12, 17)), png.data() + 29);
        return png;
    }
    if (f == "WEBP") // an extended (VP8X) header: flags, then the canvas size less one, 24 bits each
        return "RIFF" + le(86, 4) + "WEBPVP8X" + le(10, 4) + le(0, 4) + le(width - 1, 3) + le(height - 1, 3) +
               QByteArray(64, '\0');
    if (f == "TIFF") // directory first: 8-bit grey, uncompressed, one strip of 16 bytes at 110
        return QByteArray::fromHex("49492a000800000008000001040001000000") + le(width, 4) +
               QByteArray::fromHex("0101040001000000") + le(height, 4) +
               QByteArray::fromHex("020103000100000008000000030103000100000001000000060103000100000001000000"
                                   "11010400010000006e0000001501030001000000010000001701040001000000100000000"
                                   "0000000") +
               QByteArray(16, '\x7F');
    // HEIC: every image spatial extents ("ispe") box holds version and flags, then width and height.
    QByteArray heic = encodeHeic(checkerboard(64, 64, 8), 50, 1);
    for (qsizetype at = heic.indexOf("ispe"); at >= 0; at = heic.indexOf("ispe", at + 1)) {
        qToBigEndian(quint32(width), heic.data() + at + 8);
        qToBigEndian(quint32(height), heic.data() + at + 12);
    }
    return heic;
}

QByteArray bitfieldBmp(int bitsPerPixel, const QList<quint32>& masks, quint32 pixel) {
    const QByteArray row = le(pixel, bitsPerPixel / 8).repeated(3);
    const QByteArray padded = row + QByteArray((4 - row.size() % 4) % 4, '\0');
    return bmpFile(3, 2, bitsPerPixel, masks, padded + padded);
}

QByteArray randomBytes(int count, quint32 seed) {
    std::minstd_rand random(seed);
    QByteArray bytes(count, '\0');
    for (char& c : bytes)
        c = char(random() & 0xFF);
    return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double psnr(const QImage& a, const QImage& b) {
    const QImage x = a.convertToFormat(QImage::Format_RGB888), y = b.convertToFormat(QImage::Format_RGB888);
    if (x.size() != y.size()) return 0;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int i = 0; i < 3 * x.width(); ++i)
            sum += std::pow(x.constScanLine(row)[i] - y.constScanLine(row)[i], 2);
    if (sum == 0) return std::numeric_limits<double>::infinity();
    return 10 * std::log10(255.0 * 255.0 * 3.0 * x.width() * x.height() / sum);
}

} // namespace factory
