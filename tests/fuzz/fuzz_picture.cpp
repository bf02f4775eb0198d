// Picture file bytes, any format, through the header-only reader and the full decoder.
#include "imaging/Error.h"
#include "imaging/Picture.h"

#include <cstdlib>

// Filling a canvas of hundreds of megapixels from a few bytes says nothing more about the bytes and
// takes the fuzzer's seconds; such sizes are the picture tests' work. Their headers are still read.
constexpr qint64 LargestDecodedArea = qint64{1} << 25;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = QStringLiteral("fuzz");
    QSize header;
    try {
        header = ReadPictureInfoFromData(bytes, name).pixels;
    } catch (const QuillonError&) {
    }
    if (qint64(header.width()) * header.height() > LargestDecodedArea) return 0;
    try { // the size shown before opening must be the size that opens
        if (LoadPictureFromData(bytes, name)->size() != header) std::abort();
    } catch (const QuillonError&) {
    }
    return 0;
}
