// Picture file bytes, any format, through the header-only reader and the full decoder.
#include "imaging/Error.h"
#include "imaging/Picture.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString name = QStringLiteral("fuzz");
    QSize header;
    try {
        header = ReadPictureInfoFromData(bytes, name).pixels;
    } catch (const QuillonError&) {
    }
    try { // the size shown before opening must be the size that opens
        if (LoadPictureFromData(bytes, name)->size() != header) std::abort();
    } catch (const QuillonError&) {
    }
    return 0;
}
