#include "imaging/ExifBlock.h"

#include "imaging/HeifPicture.h"
#include "imaging/JpegSegments.h"

#include <libheif/heif.h>
#include <memory>

namespace {

const QByteArray ExifHeader("Exif\0\0", 6);

quint32 bigEndian32(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return quint32(quint8(bytes[at + i])); };
    return byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
}
quint32 littleEndian32(const QByteArray& bytes, qsizetype at) {
    const auto byte = [&](qsizetype i) { return quint32(quint8(bytes[at + i])); };
    return byte(3) << 24 | byte(2) << 16 | byte(1) << 8 | byte(0);
}

// The block only when it starts with a TIFF header and fits a JPEG. Some writers put the JPEG's
// "Exif\0\0" before it in PNG and WebP chunks as well; it is passed over.
QByteArray tiffBlock(QByteArray payload) {
    if (payload.startsWith(ExifHeader)) payload.remove(0, ExifHeader.size());
    const bool tiff =
        payload.startsWith(QByteArray("II*\0", 4)) || payload.startsWith(QByteArray("MM\0*", 4));
    return tiff && payload.size() <= MaxExifBlockBytes ? payload : QByteArray();
}

// Segments up to the first scan: the first APP1 that starts with "Exif\0\0".
QByteArray fromJpeg(const QByteArray& bytes) {
    for (const JpegSegment& segment : JpegSegmentsBeforeScan(bytes)) {
        const QByteArray payload = bytes.mid(segment.payload, segment.size);
        if (segment.marker == 0xE1 && payload.startsWith(ExifHeader))
            return tiffBlock(payload.mid(ExifHeader.size()));
    }
    return {};
}

// Chunks after the signature: length, type, data, CRC.
QByteArray fromPng(const QByteArray& bytes) {
    qsizetype at = 8;
    while (at + 12 <= bytes.size()) {
        const qint64 length = bigEndian32(bytes, at);
        if (length > bytes.size() - at - 12) return {};
        const QByteArray type = bytes.mid(at + 4, 4);
        if (type == "eXIf") return tiffBlock(bytes.mid(at + 8, qsizetype(length)));
        if (type == "IEND") return {};
        at += 12 + qsizetype(length);
    }
    return {};
}

// RIFF chunks after "RIFF", size, "WEBP": four-character code, little-endian size, data padded to even.
QByteArray fromWebp(const QByteArray& bytes) {
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const qint64 length = littleEndian32(bytes, at + 4);
        if (length > bytes.size() - at - 8) return {};
        if (bytes.mid(at, 4) == "EXIF") return tiffBlock(bytes.mid(at + 8, qsizetype(length)));
        at += 8 + qsizetype(length) + (length & 1);
    }
    return {};
}

// The primary image's first Exif item. It starts with a big-endian count of the bytes before the TIFF
// header.
QByteArray fromHeif(const QByteArray& bytes) {
    const std::unique_ptr<heif_context, decltype(&heif_context_free)> context(heif_context_alloc(),
                                                                              heif_context_free);
    if (!context || heif_context_read_from_memory_without_copy(context.get(), bytes.constData(),
                                                               size_t(bytes.size()), nullptr)
                            .code != heif_error_Ok)
        return {};
    heif_image_handle* primary = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &primary).code != heif_error_Ok) return {};
    const std::unique_ptr<heif_image_handle, decltype(&heif_image_handle_release)> handle(
        primary, heif_image_handle_release);
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle.get(), "Exif", &id, 1) != 1) return {};
    // An item can claim any size; one larger than the file or than a JPEG could carry is not read.
    const size_t size = heif_image_handle_get_metadata_size(handle.get(), id);
    if (size < 4 || size > size_t(bytes.size()) || size > size_t(4 + MaxExifBlockBytes + ExifHeader.size()))
        return {};
    QByteArray item(qsizetype(size), Qt::Uninitialized);
    if (heif_image_handle_get_metadata(handle.get(), id, item.data()).code != heif_error_Ok) return {};
    const quint32 skip = bigEndian32(item, 0);
    if (skip > quint32(item.size() - 4)) return {};
    return tiffBlock(item.mid(4 + qsizetype(skip)));
}

} // namespace

QByteArray ExifBlockOf(const QByteArray& fileBytes) {
    if (fileBytes.startsWith("\xFF\xD8")) return fromJpeg(fileBytes);
    if (fileBytes.startsWith("\x89PNG\r\n\x1A\n")) return fromPng(fileBytes);
    if (fileBytes.startsWith("RIFF") && fileBytes.mid(8, 4) == "WEBP") return fromWebp(fileBytes);
    if (IsHeif(fileBytes)) return fromHeif(fileBytes);
    return {};
}
