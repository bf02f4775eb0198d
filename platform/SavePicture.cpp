#include "platform/Error.h"
#include "platform/Picture.h"

#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <vector>

namespace {

constexpr quint32 HeaderLength = 54;

quint32 bitmapStride(int width) {
    return (quint32(width) * 3 + 3) & ~3u;
}

template <typename T> void put(std::vector<char>& out, T value) {
    const T little = qToLittleEndian(value);
    const auto* bytes = reinterpret_cast<const char*>(&little);
    out.insert(out.end(), bytes, bytes + sizeof(T));
}

std::vector<char> bitmapHeader(int width, int height, quint32 stride) {
    const quint32 imageSize = stride * quint32(height);
    std::vector<char> header;
    header.reserve(54);
    header.push_back('B');
    header.push_back('M');
    put<quint32>(header, HeaderLength + imageSize); // file size
    put<quint32>(header, 0);                        // reserved
    put<quint32>(header, HeaderLength);             // offset of the pixels
    put<quint32>(header, 40);                       // info header size
    put<qint32>(header, width);
    put<qint32>(header, height); // positive: bottom row first
    put<quint16>(header, 1);     // planes
    put<quint16>(header, 24);    // bits per pixel
    put<quint32>(header, 0);     // no compression
    put<quint32>(header, imageSize);
    put<qint32>(header, 3780); // 96 pixels per inch, in pixels per metre
    put<qint32>(header, 3780);
    put<quint32>(header, 0);
    put<quint32>(header, 0);
    return header;
}

} // namespace

qint64 BitmapFileLength(QSize size) {
    return HeaderLength + qint64(bitmapStride(size.width())) * size.height();
}

// Pictures are kept opaque or premultiplied; transparent parts are written as they are stored
// (their colour channels), the bitmap having no alpha.
void SavePicture(const Picture& picture, const QString& path) {
    const QImage& image = picture.image();
    const int width = image.width();
    const int height = image.height();
    const quint32 stride = bitmapStride(width);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw QuillonError(QStringLiteral("The picture could not be written to “%1”: %2")
                               .arg(QFileInfo(path).fileName(), file.errorString()));
    const std::vector<char> header = bitmapHeader(width, height, stride);
    bool ok = file.write(header.data(), qint64(header.size())) == qint64(header.size());
    std::vector<char> row(stride, 0);
    for (int y = height - 1; ok && y >= 0; --y) {
        const auto* pixels = reinterpret_cast<const quint32*>(image.constScanLine(y));
        char* out = row.data();
        for (int x = 0; x < width; ++x) {
            const quint32 p = pixels[x];
            *out++ = char(p & 0xFF);
            *out++ = char((p >> 8) & 0xFF);
            *out++ = char((p >> 16) & 0xFF);
        }
        ok = file.write(row.data(), stride) == qint64(stride);
    }
    if (!ok)
        throw QuillonError(QStringLiteral("The picture could not be written to “%1”: %2")
                               .arg(QFileInfo(path).fileName(), file.errorString()));
}
