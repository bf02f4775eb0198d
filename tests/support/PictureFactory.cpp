#include "support/PictureFactory.h"

#include <QBuffer>
#include <QFile>
#include <QHash>
#include <QtEndian>
#include <cmath>
#include <cstring>
#include <libheif/heif.h>
#include <limits>
#include <memory>
#include <random>

namespace factory {

QImage gradient(int width, int height, quint32 seed) {
    QImage image(width, height, QImage::Format_RGB32);
    std::minstd_rand noise(seed);
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int n = int(noise() % 7) - 3;
            const int r = std::clamp(int(255.0 * x / std::max(1, width - 1)) + n, 0, 255);
            const int g = std::clamp(int(255.0 * y / std::max(1, height - 1)) + n, 0, 255);
            const int b = std::clamp(128 + int(100 * std::sin((x + y) / 40.0)) + n, 0, 255);
            line[x] = qRgb(r, g, b);
        }
    }
    return image;
}

QImage checkerboard(int width, int height, int cell, QRgb a, QRgb b) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, ((x / cell + y / cell) % 2) ? b : a);
    return image;
}

QImage coordinates(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x & 0xFF, ((x >> 8) & 0x0F) | ((y >> 8) << 4), y & 0xFF));
    return image;
}

QImage zonePlate(int size, double k) {
    QImage image(size, size, QImage::Format_RGB32);
    for (int y = 0; y < size; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size; ++x) {
            const double dx = x + 0.5 - size / 2.0, dy = y + 0.5 - size / 2.0;
            const int v = int(std::lround(127.5 + 127.5 * std::cos(k * (dx * dx + dy * dy))));
            line[x] = qRgb(v, v, v);
        }
    }
    return image;
}

QImage withTransparency(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const double cx = width / 2.0, cy = height / 2.0, r = std::min(width, height) / 3.0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) < r) image.setPixel(x, y, qRgba(255, 0, 0, 255));
    return image;
}

namespace {

// Qt reads GIF but does not write it: a small writer of our own. Colours are reduced to a 6 x 6 x 6
// cube (or kept exactly when there are few), fully transparent pixels become the transparent
// index, and the LZW stream uses 9-bit codes with a clear code before the table would grow.
QByteArray encodeGif(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    QList<QRgb> palette;
    QHash<QRgb, int> index;
    bool exact = true;
    for (int y = 0; y < image.height() && exact; ++y)
        for (int x = 0; x < image.width() && exact; ++x) {
            const QRgb p = image.pixel(x, y);
            if (qAlpha(p) < 128 || index.contains(p | 0xFF000000)) continue;
            if (palette.size() == 255)
                exact = false;
            else {
                index.insert(p | 0xFF000000, int(palette.size()));
                palette.append(p | 0xFF000000);
            }
        }
    if (!exact) {
        palette.clear();
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    palette.append(qRgb(r * 51, g * 51, b * 51));
    }
    const int transparent = int(palette.size());
    auto indexOf = [&](QRgb p) {
        if (qAlpha(p) < 128) return transparent;
        if (exact) return index.value(p | 0xFF000000);
        return (qRed(p) + 25) / 51 * 36 + (qGreen(p) + 25) / 51 * 6 + (qBlue(p) + 25) / 51;
    };
    QByteArray gif("GIF89a", 6);
    auto put16 = [&](int v) {
        gif += char(v & 0xFF);
        gif += char((v >> 8) & 0xFF);
    };
    put16(image.width());
    put16(image.height());
    gif += char(0xF7); // global table of 256 entries
    gif += char(0);
    gif += char(0);
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : 0;
        gif += char(qRed(c));
        gif += char(qGreen(c));
        gif += char(qBlue(c));
    }
    gif += QByteArray("\x21\xF9\x04\x01\x00\x00", 6); // graphic control: a transparent index
    gif += char(transparent);
    gif += char(0);
    gif += char(0x2C);
    put16(0);
    put16(0);
    put16(image.width());
    put16(image.height());
    gif += char(0);
    gif += char(8); // minimum code size
    QByteArray data;
    quint32 bits = 0;
    int count = 0;
    auto putCode = [&](int code) {
        bits |= quint32(code) << count;
        count += 9;
        while (count >= 8) {
            data += char(bits & 0xFF);
            bits >>= 8;
            count -= 8;
        }
    };
    int sinceClear = 0;
    putCode(256);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            if (sinceClear == 254) {
                putCode(256);
                sinceClear = 0;
            }
            putCode(indexOf(image.pixel(x, y)));
            ++sinceClear;
        }
    putCode(257);
    if (count > 0) data += char(bits & 0xFF);
    for (qsizetype at = 0; at < data.size(); at += 255) {
        const QByteArray block = data.mid(at, 255);
        gif += char(block.size());
        gif += block;
    }
    gif += char(0);
    gif += char(0x3B);
    return gif;
}

struct HeifDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
    void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
    void operator()(heif_image* image) const { heif_image_release(image); }
    void operator()(heif_encoding_options* options) const { heif_encoding_options_free(options); }
};
template <typename T> using HeifPtr = std::unique_ptr<T, HeifDeleter>;

heif_error appendHeif(heif_context*, const void* data, size_t size, void* userdata) {
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return {heif_error_Ok, heif_suberror_Unspecified, ""};
}

QByteArray encodeHeic(const QImage& source, int quality, int orientation) {
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    HeifPtr<heif_context> context(heif_context_alloc());
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &encoder);
    const HeifPtr<heif_encoder> encoderOwner(encoder);
    if (!encoder) qFatal("libheif has no HEVC encoder");
    heif_encoder_set_lossy_quality(encoder, quality);
    heif_image* made = nullptr;
    heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &made);
    const HeifPtr<heif_image> image(made);
    heif_image_add_plane(made, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(made, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + qsizetype(y) * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
    const HeifPtr<heif_encoding_options> options(heif_encoding_options_alloc());
    options->image_orientation = heif_orientation(orientation);
    heif_context_encode_image(context.get(), made, encoder, options.get(), nullptr);
    QByteArray bytes;
    heif_writer writer{1, appendHeif};
    heif_context_write(context.get(), &writer, &bytes);
    return bytes;
}

quint32 crc32(const QByteArray& bytes) {
    quint32 crc = 0xFFFFFFFF;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
    }
    return ~crc;
}

} // namespace

QByteArray heicWithOrientation(const QImage& image, int orientation) {
    return encodeHeic(image, 90, orientation);
}

QByteArray encode(const QImage& image, const char* format, int quality) {
    if (qstrcmp(format, "GIF") == 0) return encodeGif(image);
    if (qstrcmp(format, "HEIC") == 0) return encodeHeic(image, quality, 1);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

QByteArray withExifOrientation(const QByteArray& jpeg, int orientation) {
    // TIFF header (little endian), one IFD entry: tag 0x0112 Orientation, SHORT, count 1.
    QByteArray tiff;
    tiff += QByteArray("II\x2A\x00\x08\x00\x00\x00", 8);
    tiff += QByteArray("\x01\x00", 2);                         // one entry
    tiff += QByteArray("\x12\x01\x03\x00\x01\x00\x00\x00", 8); // orientation, SHORT, 1
    tiff += char(orientation);
    tiff += QByteArray("\x00\x00\x00", 3);
    tiff += QByteArray("\x00\x00\x00\x00", 4); // no next IFD
    QByteArray app1 = QByteArray("Exif\x00\x00", 6) + tiff;
    const quint16 length = quint16(app1.size() + 2);
    QByteArray segment("\xFF\xE1", 2);
    segment += char(length >> 8);
    segment += char(length & 0xFF);
    segment += app1;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

QByteArray withIccProfile(const QByteArray& jpeg, const QByteArray& icc, int chunks) {
    QByteArray segments;
    const qsizetype piece = (icc.size() + chunks - 1) / chunks;
    for (int i = 0; i < chunks; ++i) {
        const QByteArray body =
            QByteArray("ICC_PROFILE\x00", 12) + char(i + 1) + char(chunks) + icc.mid(i * piece, piece);
        const QByteArray segment =
            QByteArray("\xFF\xE2", 2) + char((body.size() + 2) >> 8) + char((body.size() + 2) & 0xFF) + body;
        segments.prepend(segment);
    }
    return jpeg.left(2) + segments + jpeg.mid(2);
}

QByteArray gifClaiming(int width, int height) {
    QByteArray gif("GIF89a", 6);
    gif += char(width & 0xFF);
    gif += char(width >> 8);
    gif += char(height & 0xFF);
    gif += char(height >> 8);
    gif += QByteArray("\x80\x00\x00", 3); // global colour table of 2 entries
    gif += QByteArray("\x00\x00\x00\xFF\xFF\xFF", 6);
    gif += QByteArray("\x2C\x00\x00\x00\x00", 5); // image descriptor at (0, 0)
    gif += char(width & 0xFF);
    gif += char(width >> 8);
    gif += char(height & 0xFF);
    gif += char(height >> 8);
    gif += QByteArray("\x00\x02\x02\x44\x01\x00\x3B", 7); // a scrap of data and the trailer
    return gif;
}

QByteArray bmpClaiming(int width, int height) {
    QByteArray bmp(54, '\0');
    auto put32 = [&](int offset, quint32 value) { qToLittleEndian(value, bmp.data() + offset); };
    auto put16 = [&](int offset, quint16 value) { qToLittleEndian(value, bmp.data() + offset); };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, 54 + 16);
    put32(10, 54);
    put32(14, 40);
    put32(18, quint32(width));
    put32(22, quint32(height));
    put16(26, 1);
    put16(28, 24);
    bmp += QByteArray(16, '\x7F');
    return bmp;
}

QByteArray bitfieldBmp(int bitsPerPixel, const QList<quint32>& masks, quint32 pixel, int width) {
    const int headerSize = masks.isEmpty() ? 40 : 56;
    const int stride = (width * bitsPerPixel + 31) / 32 * 4;
    QByteArray bmp(14 + headerSize + stride * 2, '\0');
    auto put32 = [&](int offset, quint32 value) { qToLittleEndian(value, bmp.data() + offset); };
    auto put16 = [&](int offset, quint16 value) { qToLittleEndian(value, bmp.data() + offset); };
    bmp[0] = 'B';
    bmp[1] = 'M';
    put32(2, quint32(bmp.size()));
    put32(10, quint32(14 + headerSize));
    put32(14, quint32(headerSize));
    put32(18, quint32(width));
    put32(22, 2);
    put16(26, 1);
    put16(28, quint16(bitsPerPixel));
    put32(30, masks.isEmpty() ? 0 : 3);
    for (int i = 0; i < masks.size(); ++i)
        put32(54 + 4 * i, masks[i]);
    for (int row = 0; row < 2; ++row)
        for (int x = 0; x < width; ++x) {
            const int at = 14 + headerSize + row * stride + x * bitsPerPixel / 8;
            bitsPerPixel == 16 ? put16(at, quint16(pixel)) : put32(at, pixel);
        }
    return bmp;
}

QByteArray pngClaiming(int width, int height) {
    // Width and height are the first fields of the IHDR chunk, which libpng checks by its CRC.
    QByteArray png = encode(checkerboard(8, 8, 2), "PNG");
    qToBigEndian(quint32(width), png.data() + 16);
    qToBigEndian(quint32(height), png.data() + 20);
    qToBigEndian(crc32(png.mid(12, 17)), png.data() + 29);
    return png;
}

QByteArray webpClaiming(int width, int height) {
    // An extended (VP8X) header: flags, then the canvas size less one, in 24 bits each.
    QByteArray webp = QByteArray::fromHex("524946460000000057454250565038580a000000") + QByteArray(74, '\0');
    qToLittleEndian(quint32(width - 1), webp.data() + 24);
    qToLittleEndian(quint32(height - 1), webp.data() + 27);
    qToLittleEndian(quint32(webp.size() - 8), webp.data() + 4);
    return webp;
}

QByteArray tiffClaiming(int width, int height) {
    // Little-endian, the directory first: 8-bit grey, uncompressed, one strip of 16 bytes.
    QByteArray tiff = QByteArray::fromHex("49492a00080000000800"
                                          "000104000100000000000000" // width, set below
                                          "010104000100000000000000" // height, set below
                                          "020103000100000008000000" // 8 bits a sample
                                          "030103000100000001000000" // not compressed
                                          "060103000100000001000000" // grey, black is zero
                                          "11010400010000006e000000" // the strip at 110
                                          "150103000100000001000000" // one sample a pixel
                                          "170104000100000010000000" // the strip's 16 bytes
                                          "00000000");
    qToLittleEndian(quint32(width), tiff.data() + 18);
    qToLittleEndian(quint32(height), tiff.data() + 30);
    return tiff + QByteArray(16, '\x7F');
}

QByteArray heicClaiming(int width, int height) {
    // Every image spatial extents ("ispe") box: version and flags, then width and height.
    QByteArray heic = encodeHeic(checkerboard(64, 64, 8), 50, 1);
    for (qsizetype at = heic.indexOf("ispe"); at >= 0; at = heic.indexOf("ispe", at + 1)) {
        qToBigEndian(quint32(width), heic.data() + at + 8);
        qToBigEndian(quint32(height), heic.data() + at + 12);
    }
    return heic;
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
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    if (x.size() != y.size()) return 0;
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int col = 0; col < x.width(); ++col) {
            const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
            const double dr = qRed(p) - qRed(q), dg = qGreen(p) - qGreen(q), db = qBlue(p) - qBlue(q);
            sum += dr * dr + dg * dg + db * db;
        }
    if (sum == 0) return std::numeric_limits<double>::infinity();
    const double mse = sum / (3.0 * x.width() * x.height());
    return 10 * std::log10(255.0 * 255.0 / mse);
}

} // namespace factory
