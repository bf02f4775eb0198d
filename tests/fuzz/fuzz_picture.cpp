// Picture file bytes, any format, through the full decoder and the header-only reader.
#include "platform/Error.h"
#include "platform/Picture.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QSize header;
    try {
        header = ReadPictureInfoFromData(bytes, QStringLiteral("fuzz")).pixels;
    } catch (const QuillonError&) {}
    try {
        const PictureRef picture = LoadPictureFromData(bytes, QStringLiteral("fuzz"));
        // The size shown before opening must be the size that opens.
        if (picture->size() != header) std::abort();
    } catch (const QuillonError&) {}
    return 0;
}
