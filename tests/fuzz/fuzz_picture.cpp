// Picture file bytes, any format, through the header-only reader and the full decoder.
#include "imaging/Error.h"
#include "imaging/Picture.h"

#include <cstdlib>

// Filling hundreds of megapixels says nothing more about the bytes; the picture tests check such sizes.
constexpr qint64 LargestDecodedArea = qint64{1} << 25;

// Qt's GIF reader fills the whole logical screen, which may be far larger than the first frame.
qint64 gifScreenArea(const QByteArray& bytes) {
    if (!bytes.startsWith("GIF8") || bytes.size() < 10) return 0;
    const auto side = [&](int at) { return quint8(bytes[at]) | quint8(bytes[at + 1]) << 8; };
    return qint64(side(6)) * side(8);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = "fuzz";
    QSize header;
    try {
        header = ReadPictureInfoFromData(bytes, name).pixels;
    } catch (const QuillonError&) {
    }
    if (qint64(header.width()) * header.height() > LargestDecodedArea) return 0;
    if (gifScreenArea(bytes) > LargestDecodedArea) return 0;
    try { // the size shown before opening must be the size that opens
        if (LoadPictureFromData(bytes, name)->size() != header) std::abort();
    } catch (const QuillonError&) {
    }
    return 0;
}
