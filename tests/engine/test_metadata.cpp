// What a saved JPEG keeps of a photo's EXIF, where the EXIF is found, and damaged blocks.
#include "engine/KeptMetadata.h"
#include "imaging/ExifBlock.h"
#include "support/ExifFactory.h"
#include "support/PictureFactory.h"

#include <QDataStream>
#include <QTest>
#include <libexif/exif-data.h>
#include <memory>

namespace {

using Exif = std::unique_ptr<ExifData, void (*)(ExifData*)>;

Exif parsed(const QByteArray& block) {
    Exif data(exif_data_new(), exif_data_unref);
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    const QByteArray payload = "Exif" + QByteArray(2, '\0') + block;
    exif_data_load_data(data.get(), reinterpret_cast<const unsigned char*>(payload.constData()),
                        unsigned(payload.size()));
    return data;
}

// An entry's type and value bytes; empty when it is not there.
QByteArray entryIn(const Exif& data, int tag) {
    const ExifEntry* entry = exif_data_get_entry(data.get(), ExifTag(tag));
    if (!entry) return {};
    return exif_format_get_name(entry->format) + QByteArray(": ") +
           QByteArray(reinterpret_cast<const char*>(entry->data), entry->size);
}

qint64 numberIn(const Exif& data, int tag) {
    const ExifEntry* entry = exif_data_get_entry(data.get(), ExifTag(tag));
    if (!entry) return -1;
    const ExifByteOrder order = exif_data_get_byte_order(data.get());
    return entry->format == EXIF_FORMAT_SHORT ? exif_get_short(entry->data, order)
                                              : exif_get_long(entry->data, order);
}

// A big-endian block whose IFD0 holds one ASCII entry; each field can be made to lie.
struct OneEntry {
    quint32 directoryAt = 8;
    quint16 entries = 1;
    quint16 tag = EXIF_TAG_MAKE;
    quint32 length = 6;
    quint32 at = 26;
    quint32 next = 0;
    QByteArray value = "Canon";

    QByteArray bytes() const {
        QByteArray block;
        QDataStream out(&block, QIODevice::WriteOnly);
        out.writeRawData("MM", 2);
        out << quint16(42) << directoryAt << entries << tag << quint16(EXIF_FORMAT_ASCII) << length << at
            << next;
        out.writeRawData(value.constData(), int(value.size()) + 1);
        return block;
    }
};

} // namespace

class MetadataTest : public QObject {
    Q_OBJECT
    const QByteArray camera = factory::cameraExif();
    const QByteArray segment = KeptExifSegment(camera, QSize(1280, 960));
    const Exif source = parsed(camera);
    const Exif kept = parsed(segment.mid(6));

private slots:
    void keepsEachFieldAsTheCameraWroteIt() {
        const QList<int> ownFacts{EXIF_TAG_ORIENTATION, EXIF_TAG_COLOR_SPACE, EXIF_TAG_PIXEL_X_DIMENSION,
                                  EXIF_TAG_PIXEL_Y_DIMENSION, EXIF_TAG_EXIF_VERSION};
        for (const ExifIfd ifd : {EXIF_IFD_0, EXIF_IFD_EXIF})
            for (unsigned i = 0; i < kept->ifd[ifd]->count; ++i) {
                const int tag = kept->ifd[ifd]->entries[i]->tag;
                if (ownFacts.contains(tag)) continue;
                QVERIFY2(entryIn(kept, tag) == entryIn(source, tag), exif_tag_get_name(ExifTag(tag)));
            }
    }

    void writesTheOutputsOwnFacts_data() {
        QTest::addColumn<int>("tag");
        QTest::addColumn<qint64>("value");
        QTest::newRow("upright") << int(EXIF_TAG_ORIENTATION) << qint64(1);
        QTest::newRow("sRGB") << int(EXIF_TAG_COLOR_SPACE) << qint64(1);
        QTest::newRow("the output's width") << int(EXIF_TAG_PIXEL_X_DIMENSION) << qint64(1280);
        QTest::newRow("the output's height") << int(EXIF_TAG_PIXEL_Y_DIMENSION) << qint64(960);
    }
    void writesTheOutputsOwnFacts() {
        QFETCH(int, tag);
        QTEST(numberIn(kept, tag), "value");
    }

    void writesNothingElse() {
        QCOMPARE(segment.left(8), QByteArray("Exif\0\0II", 8)); // the camera's byte order
        QCOMPARE(entryIn(kept, EXIF_TAG_EXIF_VERSION), QByteArray("Undefined: 0232"));
        const int keptFields = 24;
        const int ownFacts = 5;
        QCOMPARE(int(kept->ifd[EXIF_IFD_0]->count + kept->ifd[EXIF_IFD_EXIF]->count), keptFields + ownFacts);
        QCOMPARE(kept->ifd[EXIF_IFD_GPS]->count, 0u);
        QCOMPARE(kept->ifd[EXIF_IFD_1]->count, 0u);
        QCOMPARE(kept->size, 0u); // no thumbnail
        QCOMPARE(KeptExifSegment(segment.mid(6), QSize(1280, 960)), segment);
    }

    void carriesNoSecret_data() {
        QTest::addColumn<QByteArray>("secret");
        for (const QByteArray& secret : factory::cameraSecrets())
            QTest::newRow(secret.constData()) << secret;
    }
    void carriesNoSecret() {
        QFETCH(QByteArray, secret);
        QVERIFY(camera.contains(secret));
        QVERIFY(!segment.contains(secret));
    }

    void findsTheBlockInItsContainer_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QByteArray>("block");
        const QByteArray none;
        const QByteArray tooLarge = QByteArray("MM\0*", 4) + QByteArray(MaxExifBlockBytes, '\0');
        QTest::newRow("JPEG") << factory::withExif("JPEG", camera) << camera;
        QTest::newRow("PNG") << factory::withExif("PNG", camera) << camera;
        QTest::newRow("WebP") << factory::withExif("WEBP", camera) << camera;
        QTest::newRow("HEIC") << factory::withExif("HEIC", camera) << camera;
        QTest::newRow("TIFF, whose tags are its own")
            << factory::encode(factory::gradient(16, 12), "TIFF") << none;
        QTest::newRow("a JPEG without EXIF") << factory::encode(factory::gradient(16, 12), "JPEG") << none;
        QTest::newRow("a JPEG cut inside its EXIF") << factory::withExif("JPEG", camera).left(200) << none;
        QTest::newRow("a PNG chunk larger than a JPEG holds") << factory::withExif("PNG", tooLarge) << none;
    }
    void findsTheBlockInItsContainer() {
        QFETCH(QByteArray, file);
        QTEST(ExifBlockOf(file), "block");
    }

    void keepsNothingOfADamagedBlock_data() {
        QTest::addColumn<QByteArray>("block");
        QTest::addColumn<bool>("kept");
        QTest::newRow("a make of 1,000 bytes")
            << OneEntry{.length = 1000, .value = QByteArray(999, 'x')}.bytes() << true;
        QTest::newRow("a make of 1,001 bytes")
            << OneEntry{.length = 1001, .value = QByteArray(1000, 'x')}.bytes() << false;
        QTest::newRow("nothing worth keeping")
            << OneEntry{.tag = EXIF_TAG_IMAGE_DESCRIPTION}.bytes() << false;
        QTest::newRow("a value past the end") << OneEntry{.at = 4000}.bytes() << false;
        QTest::newRow("the directory past the end") << OneEntry{.directoryAt = 0x10000}.bytes() << false;
        QTest::newRow("a directory after itself") << OneEntry{.next = 8}.bytes() << false;
        QTest::newRow("an Exif directory that is itself")
            << OneEntry{.tag = EXIF_TAG_EXIF_IFD_POINTER, .at = 8}.bytes() << false;
        QTest::newRow("a huge count of entries") << OneEntry{.entries = 0xFFFF}.bytes() << false;
        QTest::newRow("larger than a JPEG holds")
            << OneEntry{}.bytes() + QByteArray(MaxExifBlockBytes, '\0') << false;
        QTest::newRow("not TIFF") << QByteArray("Exif and nothing else") << false;
    }
    void keepsNothingOfADamagedBlock() {
        QFETCH(QByteArray, block);
        QTEST(!KeptExifSegment(block, QSize(640, 480)).isEmpty(), "kept");
    }
};

QTEST_GUILESS_MAIN(MetadataTest)
#include "test_metadata.moc"
