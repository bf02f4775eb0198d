// Bytes as a picture file, as an EXIF block inside a JPEG, PNG, WebP or HEIC, or as a bare block, through
// the block finder and the kept segment. The first byte chooses; the rest is the input.
#include "platform/ExifBlock.h"
#include "sizing/KeptMetadata.h"
#include "support/ExifFactory.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A HEIC made once, its Exif item (the offset to the TIFF header and the block) overwritten in place:
// encoding one per input would leave no time for anything else.
struct HeicTemplate {
    static constexpr qsizetype ItemBytes = 2048;
    QByteArray file = factory::withExif("HEIC", QByteArray("MM\0*", 4) + QByteArray(ItemBytes - 14, 'q'));
    qsizetype itemAt = file.indexOf(QByteArray("\0\0\0\6Exif", 8));

    QByteArray carrying(const QByteArray& item) const {
        QByteArray heic = file;
        heic.replace(itemAt, std::min(item.size(), ItemBytes), item.left(ItemBytes));
        return heic;
    }
};

QByteArray wrapped(char how, const QByteArray& input) {
    static const HeicTemplate heic;
    switch (quint8(how) % 5) {
    case 0: return input;
    case 1: return factory::withExif("JPEG", input.left(MaxExifBlockBytes));
    case 2: return factory::withExif("PNG", input);
    case 3: return factory::withExif("WEBP", input);
    default: return heic.carrying(input);
    }
}

void keep(const QByteArray& block) {
    const QSize output(1280, 960);
    const QByteArray segment = KeptExifSegment(block, output);
    if (segment.size() > 65'533) std::abort();
    // What is kept keeps itself: a segment read back gives the same segment.
    if (!segment.isEmpty() && KeptExifSegment(segment.mid(6), output) != segment) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const QByteArray input(reinterpret_cast<const char*>(data) + 1, qsizetype(size) - 1);
    const QByteArray block = ExifBlockOf(wrapped(char(data[0]), input));
    if (block.size() > MaxExifBlockBytes) std::abort();
    keep(block);
    keep(input);
    return 0;
}
