#include "support/ExifFactory.h"

#include <QtEndian>
#include <cstdlib>
#include <cstring>
#include <libexif/exif-data.h>
#include <memory>

namespace factory {
namespace {

const QList<QByteArray> Secrets = {"GPS-AREA-SECRET", "BODY-SERIAL-4417", "LENS-SERIAL-9921",
                                   "OWNER-ADA",       "MAKERNOTE-SECRET", "THUMBNAIL-SECRET",
                                   "XMP-SECRET",      "IPTC-SECRET",      "DESCRIPTION-SECRET",
                                   "COMMENT-SECRET",  "IMAGE-ID-SECRET"};

} // namespace

QByteArray cameraExif() {
    const std::unique_ptr<ExifData, void (*)(ExifData*)> data(exif_data_new(), exif_data_unref);
    ExifData* d = data.get();
    exif_data_unset_option(d, EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_set_byte_order(d, EXIF_BYTE_ORDER_INTEL); // as the values below are written
    const auto put = [d](ExifIfd ifd, int tag, ExifFormat format, const QByteArray& value) {
        ExifEntry* entry = exif_entry_new();
        entry->tag = ExifTag(tag);
        entry->format = format;
        entry->size = unsigned(value.size());
        entry->components = entry->size / exif_format_get_size(format);
        entry->data = static_cast<unsigned char*>(std::malloc(entry->size));
        std::memcpy(entry->data, value.constData(), entry->size);
        exif_content_add_entry(d->ifd[ifd], entry);
        exif_entry_unref(entry);
    };
    const auto text = [&](ExifIfd ifd, int tag, const QByteArray& value) {
        put(ifd, tag, EXIF_FORMAT_ASCII, value + '\0');
    };
    const auto number = [&](ExifIfd ifd, int tag, quint16 value) {
        value = qToLittleEndian(value);
        put(ifd, tag, EXIF_FORMAT_SHORT, QByteArray(reinterpret_cast<const char*>(&value), 2));
    };
    const auto fraction = [&](ExifIfd ifd, int tag, qint32 numerator, qint32 denominator) {
        const qint32 pair[] = {qToLittleEndian(numerator), qToLittleEndian(denominator)};
        put(ifd, tag, numerator < 0 ? EXIF_FORMAT_SRATIONAL : EXIF_FORMAT_RATIONAL,
            QByteArray(reinterpret_cast<const char*>(pair), 8));
    };
    text(EXIF_IFD_0, EXIF_TAG_DATE_TIME, "2024:05:17 10:11:12");
    text(EXIF_IFD_0, EXIF_TAG_MAKE, "Camera Maker");
    text(EXIF_IFD_0, EXIF_TAG_MODEL, "Model X100");
    text(EXIF_IFD_0, EXIF_TAG_ARTIST, "Ada Photographer");
    text(EXIF_IFD_0, EXIF_TAG_COPYRIGHT, "(c) Ada Photographer");
    number(EXIF_IFD_0, EXIF_TAG_ORIENTATION, 6);
    text(EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_ORIGINAL, "2024:05:17 09:08:07");
    text(EXIF_IFD_EXIF, EXIF_TAG_DATE_TIME_DIGITIZED, "2024:05:17 09:08:08");
    text(EXIF_IFD_EXIF, 0x9010, "+02:00");
    text(EXIF_IFD_EXIF, 0x9011, "+01:00");
    text(EXIF_IFD_EXIF, 0x9012, "-03:30");
    text(EXIF_IFD_EXIF, EXIF_TAG_SUB_SEC_TIME, "123");
    text(EXIF_IFD_EXIF, EXIF_TAG_SUB_SEC_TIME_ORIGINAL, "456");
    text(EXIF_IFD_EXIF, EXIF_TAG_SUB_SEC_TIME_DIGITIZED, "789");
    text(EXIF_IFD_EXIF, EXIF_TAG_LENS_MAKE, "Lens Maker");
    text(EXIF_IFD_EXIF, EXIF_TAG_LENS_MODEL, "Lens 35mm F1.4");
    fraction(EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_TIME, 1, 250);
    fraction(EXIF_IFD_EXIF, EXIF_TAG_FNUMBER, 28, 10);
    number(EXIF_IFD_EXIF, EXIF_TAG_ISO_SPEED_RATINGS, 400);
    fraction(EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH, 35, 1);
    number(EXIF_IFD_EXIF, EXIF_TAG_FOCAL_LENGTH_IN_35MM_FILM, 52);
    number(EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_PROGRAM, 2);
    fraction(EXIF_IFD_EXIF, EXIF_TAG_EXPOSURE_BIAS_VALUE, -1, 3);
    number(EXIF_IFD_EXIF, EXIF_TAG_FLASH, 16);
    number(EXIF_IFD_EXIF, EXIF_TAG_WHITE_BALANCE, 1);
    number(EXIF_IFD_EXIF, EXIF_TAG_COLOR_SPACE, 0xFFFF);
    put(EXIF_IFD_GPS, EXIF_TAG_GPS_AREA_INFORMATION, EXIF_FORMAT_UNDEFINED, Secrets[0]);
    text(EXIF_IFD_GPS, EXIF_TAG_GPS_LATITUDE_REF, "N");
    text(EXIF_IFD_EXIF, EXIF_TAG_BODY_SERIAL_NUMBER, Secrets[1]);
    text(EXIF_IFD_EXIF, EXIF_TAG_LENS_SERIAL_NUMBER, Secrets[2]);
    text(EXIF_IFD_EXIF, EXIF_TAG_CAMERA_OWNER_NAME, Secrets[3]);
    put(EXIF_IFD_EXIF, EXIF_TAG_MAKER_NOTE, EXIF_FORMAT_UNDEFINED, Secrets[4]);
    d->size = unsigned(Secrets[5].size()); // the thumbnail, in IFD1
    d->data = static_cast<unsigned char*>(std::malloc(d->size));
    std::memcpy(d->data, Secrets[5].constData(), d->size);
    put(EXIF_IFD_0, EXIF_TAG_XML_PACKET, EXIF_FORMAT_BYTE, "<x:xmpmeta>" + Secrets[6] + "</x:xmpmeta>");
    put(EXIF_IFD_0, EXIF_TAG_IPTC_NAA, EXIF_FORMAT_UNDEFINED, Secrets[7]);
    text(EXIF_IFD_0, EXIF_TAG_IMAGE_DESCRIPTION, Secrets[8]);
    put(EXIF_IFD_EXIF, EXIF_TAG_USER_COMMENT, EXIF_FORMAT_UNDEFINED,
        QByteArray("ASCII\0\0\0", 8) + Secrets[9]);
    text(EXIF_IFD_EXIF, EXIF_TAG_IMAGE_UNIQUE_ID, Secrets[10]);
    unsigned char* saved = nullptr;
    unsigned size = 0;
    exif_data_save_data(d, &saved, &size);
    const QByteArray app1(reinterpret_cast<const char*>(saved), qsizetype(size));
    std::free(saved);
    return app1.mid(6); // past "Exif\0\0"
}

QList<QByteArray> cameraSecrets() {
    return Secrets;
}

} // namespace factory
