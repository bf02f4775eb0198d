#include "engine/KeptMetadata.h"

#include "imaging/ExifBlock.h"

#include <QList>
#include <algorithm>
#include <cstdlib>
#include <libexif/exif-data.h>
#include <memory>

namespace {

struct ExifDataUnref {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};
using ExifDataPtr = std::unique_ptr<ExifData, ExifDataUnref>;

struct KeptTag {
    ExifTag tag;
    ExifIfd ifd; // where it is written; it is read from IFD0 or the Exif directory
    ExifFormat format;
};

// The Exif 2.32 numbers of the offset tags, which older libexif headers do not name.
constexpr auto OffsetTime = ExifTag(0x9010);
constexpr auto OffsetTimeOriginal = ExifTag(0x9011);
constexpr auto OffsetTimeDigitized = ExifTag(0x9012);

constexpr KeptTag KeptTags[] = {
    {EXIF_TAG_DATE_TIME, EXIF_IFD_0, EXIF_FORMAT_ASCII},
    {EXIF_TAG_MAKE, EXIF_IFD_0, EXIF_FORMAT_ASCII},
    {EXIF_TAG_MODEL, EXIF_IFD_0, EXIF_FORMAT_ASCII},
    {EXIF_TAG_ARTIST, EXIF_IFD_0, EXIF_FORMAT_ASCII},
    {EXIF_TAG_COPYRIGHT, EXIF_IFD_0, EXIF_FORMAT_ASCII},
    {EXIF_TAG_DATE_TIME_ORIGINAL, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII},
    {EXIF_TAG_DATE_TIME_DIGITIZED, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII},
    {OffsetTime, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII},
    {OffsetTimeOriginal, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII},
    {OffsetTimeDigitized, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII},
    {EXIF_TAG_SUB_SEC_TIME, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII},
    {EXIF_TAG_SUB_SEC_TIME_ORIGINAL, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII},
    {EXIF_TAG_SUB_SEC_TIME_DIGITIZED, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII},
    {EXIF_TAG_LENS_MAKE, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII},
    {EXIF_TAG_LENS_MODEL, EXIF_IFD_EXIF, EXIF_FORMAT_ASCII},
    {EXIF_TAG_EXPOSURE_TIME, EXIF_IFD_EXIF, EXIF_FORMAT_RATIONAL},
    {EXIF_TAG_FNUMBER, EXIF_IFD_EXIF, EXIF_FORMAT_RATIONAL},
    {EXIF_TAG_ISO_SPEED_RATINGS, EXIF_IFD_EXIF, EXIF_FORMAT_SHORT},
    {EXIF_TAG_FOCAL_LENGTH, EXIF_IFD_EXIF, EXIF_FORMAT_RATIONAL},
    {EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM, EXIF_IFD_EXIF, EXIF_FORMAT_SHORT},
    {EXIF_TAG_EXPOSURE_PROGRAM, EXIF_IFD_EXIF, EXIF_FORMAT_SHORT},
    {EXIF_TAG_EXPOSURE_BIAS_VALUE, EXIF_IFD_EXIF, EXIF_FORMAT_SRATIONAL},
    {EXIF_TAG_FLASH, EXIF_IFD_EXIF, EXIF_FORMAT_SHORT},
    {EXIF_TAG_WHITE_BALANCE, EXIF_IFD_EXIF, EXIF_FORMAT_SHORT},
};

// Longer than any date, name or setting; a longer value is not what its tag says it is.
constexpr unsigned MaxValueBytes = 1000;
// An APP1 segment's payload after its two length bytes.
constexpr unsigned MaxSegmentBytes = 65'533;

// The layout of a block checked before libexif reads it, and its maker note hidden from libexif. Every
// directory libexif could follow (IFD0, IFD1 and whatever the Exif, GPS and interoperability pointers of
// any of them name) must lie inside the block with all its values and the thumbnail, and none may be
// reached twice; anything else is damage. A maker note is a vendor's private format, where libexif's
// parsers have had their faults; it is never kept, so its tag is renamed to one libexif passes over, as
// is a directory pointer of 0.
class BlockCheck {
public:
    explicit BlockCheck(QByteArray& block) : tiff(block), intel(block.startsWith("II")) {}

    bool sound() {
        const bool header =
            tiff.startsWith(QByteArray("II*\0", 4)) || tiff.startsWith(QByteArray("MM\0*", 4));
        if (!header || tiff.size() < 8 || tiff.size() > MaxExifBlockBytes) return false;
        const quint32 first = u32(4);
        if (!directory(first)) return false;
        const quint32 next = u32(qsizetype(first) + 2 + 12 * qsizetype(u16(first)));
        return next == 0 || directory(next); // IFD1; libexif follows no directory after it
    }

private:
    static constexpr int MaxDirectories = 8;
    static constexpr quint16 HiddenTag = 0xFFFF; // unknown to libexif in every directory, in either order

    bool directory(quint32 at) {
        if (seen.contains(at) || seen.size() == MaxDirectories || at < 8 || !inside(at, 2)) return false;
        seen.append(at);
        const quint16 count = u16(at);
        if (!inside(at, 2 + 12 * qint64(count) + 4)) return false;
        qint64 thumbnailAt = 0, thumbnailLength = 0;
        for (quint16 i = 0; i < count; ++i) {
            const qsizetype entry = qsizetype(at) + 2 + 12 * qsizetype(i);
            const quint16 tag = u16(entry);
            const quint32 value = u32(entry + 8);
            if (tag == EXIF_TAG_EXIF_IFD_POINTER || tag == EXIF_TAG_GPS_INFO_IFD_POINTER ||
                tag == EXIF_TAG_INTEROPERABILITY_IFD_POINTER) {
                // 0 is how some tools remove a directory: none, rather than the header read as one
                if (value == 0) hide(entry);
                if (value != 0 && !directory(value)) return false;
                continue;
            }
            if (tag == EXIF_TAG_JPEG_INTERCHANGE_FORMAT) thumbnailAt = value;
            if (tag == EXIF_TAG_JPEG_INTERCHANGE_FORMAT_LENGTH) thumbnailLength = value;
            if (tag == EXIF_TAG_MAKER_NOTE) hide(entry);
            // libexif skips entries of an unknown type; their values need not be inside.
            const qint64 length = qint64(exif_format_get_size(ExifFormat(u16(entry + 2)))) * u32(entry + 4);
            if (length > 4 && !inside(value, length)) return false;
        }
        return thumbnailLength == 0 || inside(thumbnailAt, thumbnailLength);
    }
    void hide(qsizetype entry) { tiff[entry] = tiff[entry + 1] = char(HiddenTag & 0xFF); }
    bool inside(qint64 at, qint64 length) const {
        return at >= 0 && length >= 0 && at + length <= tiff.size();
    }
    quint16 u16(qsizetype at) const {
        const quint16 a = quint8(tiff[at]), b = quint8(tiff[at + 1]);
        return intel ? quint16(b << 8 | a) : quint16(a << 8 | b);
    }
    quint32 u32(qsizetype at) const {
        const quint32 high = u16(at + (intel ? 2 : 0)), low = u16(at + (intel ? 0 : 2));
        return high << 16 | low;
    }

    QByteArray& tiff;
    const bool intel;
    QList<quint32> seen;
};

ExifDataPtr loaded(QByteArray block) {
    if (!BlockCheck(block).sound()) return nullptr;
    ExifDataPtr data(exif_data_new());
    if (!data) return nullptr;
    // Read as it is: no tags "fixed" in. Unknown tags are passed over (libexif's default). libexif logs
    // nothing unless it is given a log, and it is given none.
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    const QByteArray payload = QByteArray("Exif\0\0", 6) + block;
    exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(payload.constData()),
                        unsigned(payload.size()));
    return data;
}

// A new entry of the output, zero-filled, its value allocated the way libexif frees it.
ExifEntry* added(ExifData* out, ExifIfd ifd, ExifTag tag, ExifFormat format, unsigned components) {
    const unsigned size = exif_format_get_size(format) * components;
    ExifEntry* made = exif_entry_new();
    if (!made) return nullptr;
    made->tag = tag;
    made->format = format;
    made->components = components;
    made->size = size;
    made->data = static_cast<unsigned char*>(std::calloc(size, 1));
    if (made->data) exif_content_add_entry(out->ifd[ifd], made);
    exif_entry_unref(made); // the directory holds its own reference
    ExifEntry* entry = exif_content_get_entry(out->ifd[ifd], tag);
    return entry && entry->data && entry->size == size ? entry : nullptr;
}

bool copied(const ExifData* source, ExifData* out, const KeptTag& kept) {
    ExifEntry* from = exif_content_get_entry(source->ifd[EXIF_IFD_0], kept.tag);
    if (!from) from = exif_content_get_entry(source->ifd[EXIF_IFD_EXIF], kept.tag);
    if (!from || from->format != kept.format || !from->data || from->size == 0 ||
        from->size > MaxValueBytes || from->size != exif_format_get_size(from->format) * from->components)
        return false;
    ExifEntry* to = added(out, kept.ifd, kept.tag, kept.format, from->components);
    if (!to) return false;
    std::copy_n(from->data, from->size, to->data);
    return true;
}

bool setNumber(ExifData* out, ExifIfd ifd, ExifTag tag, ExifFormat format, quint32 value) {
    ExifEntry* entry = added(out, ifd, tag, format, 1);
    if (!entry) return false;
    const ExifByteOrder order = exif_data_get_byte_order(out);
    if (format == EXIF_FORMAT_SHORT)
        exif_set_short(entry->data, order, ExifShort(value));
    else
        exif_set_long(entry->data, order, value);
    return true;
}

bool setFacts(ExifData* out, QSize pixels) {
    ExifEntry* version = added(out, EXIF_IFD_EXIF, EXIF_TAG_EXIF_VERSION, EXIF_FORMAT_UNDEFINED, 4);
    if (!version) return false;
    std::copy_n("0232", 4, version->data); // 2.31 and later know the offset tags
    return setNumber(out, EXIF_IFD_0, EXIF_TAG_ORIENTATION, EXIF_FORMAT_SHORT, 1) && // the pixels are upright
           setNumber(out, EXIF_IFD_EXIF, EXIF_TAG_COLOR_SPACE, EXIF_FORMAT_SHORT, 1) && // sRGB
           setNumber(out, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_X_DIMENSION, EXIF_FORMAT_LONG,
                     quint32(pixels.width())) &&
           setNumber(out, EXIF_IFD_EXIF, EXIF_TAG_PIXEL_Y_DIMENSION, EXIF_FORMAT_LONG,
                     quint32(pixels.height()));
}

} // namespace

QByteArray KeptExifSegment(const QByteArray& exifBlock, QSize outputPixels) {
    if (exifBlock.isEmpty() || outputPixels.isEmpty()) return {};
    const ExifDataPtr source = loaded(exifBlock);
    const ExifDataPtr out(exif_data_new());
    if (!source || !out) return {};
    // Written in the source's byte order, so the kept values are copied byte for byte. Nothing is added
    // on saving but what is set here.
    exif_data_unset_option(out.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_byte_order(out.get(), exif_data_get_byte_order(source.get()));
    bool any = false;
    for (const KeptTag& kept : KeptTags)
        any = copied(source.get(), out.get(), kept) || any;
    if (!any || !setFacts(out.get(), outputPixels)) return {};
    unsigned char* saved = nullptr;
    unsigned int size = 0;
    exif_data_save_data(out.get(), &saved, &size);
    const std::unique_ptr<unsigned char, decltype(&std::free)> owner(saved, std::free);
    if (!saved || size == 0 || size > MaxSegmentBytes) return {};
    return QByteArray(reinterpret_cast<const char*>(saved), qsizetype(size));
}

QByteArray MetadataFor(const PictureRef& original, QSize output, bool keepDateAndCamera) {
    if (!keepDateAndCamera || !original || original->exif().isEmpty()) return {};
    return KeptExifSegment(original->exif(), output);
}
