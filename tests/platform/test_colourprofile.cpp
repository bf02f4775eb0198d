// Pictures tagged with a colour profile open in sRGB; untagged, sRGB and unreadable ones as they are.
#include "platform/ColourProfile.h"
#include "platform/Picture.h"
#include "support/PictureFactory.h"

#include <QColorSpace>
#include <QtTest>
#include <lcms2.h>

// The colour in sRGB by another road: floating point, relative colorimetric (perceptual, for these).
static QRgb expectedSrgb(QRgb colour, const QByteArray& icc) {
    cmsHPROFILE from = cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size()));
    cmsHPROFILE to = cmsCreate_sRGBProfile();
    const auto t = cmsCreateTransform(from, TYPE_RGB_DBL, to, TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
    double in[3] = {qRed(colour) / 255.0, qGreen(colour) / 255.0, qBlue(colour) / 255.0}, out[3];
    cmsDoTransform(t, in, out, 1);
    cmsDeleteTransform(t), cmsCloseProfile(from), cmsCloseProfile(to);
    const auto level = [](double v) { return int(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    return qRgb(level(out[0]), level(out[1]), level(out[2]));
}

class TestColourProfile : public QObject {
    Q_OBJECT

private slots:
    // JPEG profiles go in APP2 pieces (negative: the first one written lost); 0: Qt writes the profile.
    void opensInSrgb_data() {
        QTest::addColumn<QByteArray>("format"), QTest::addColumn<QByteArray>("icc");
        QTest::addColumn<int>("chunks"), QTest::addColumn<bool>("converted");
        const auto row = [](const char* tag, const char* fmt, QByteArray icc, int chunks, bool conv) {
            QTest::newRow(tag) << QByteArray(fmt) << icc << chunks << conv;
        };
        const QByteArray adobe = RgbProfileFromPrimaries({0.64, 0.33}, {0.21, 0.71}, {0.15, 0.06});
        const QByteArray p3 = RgbProfileFromPrimaries({0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060});
        row("JPEG, Adobe RGB", "JPEG", adobe, 1, true);
        row("JPEG, Display P3 in three pieces", "JPEG", p3, 3, true);
        row("PNG, Adobe RGB", "PNG", adobe, 0, true);
        row("TIFF, Display P3", "TIFF", p3, 0, true);
        row("JPEG, sRGB", "JPEG", RgbProfileFromPrimaries({.64, .33}, {.3, .6}, {.15, .06}), 1, false);
        row("JPEG, untagged", "JPEG", {}, 0, false);
        row("JPEG, random bytes", "JPEG", factory::randomBytes(3000), 2, false);
        row("JPEG, a piece missing", "JPEG", p3, -3, false);
    }
    void opensInSrgb() {
        QFETCH(QByteArray, format);
        QFETCH(QByteArray, icc);
        QFETCH(int, chunks);
        QFETCH(bool, converted);
        const QRgb colours[] = {0xff6496c8, 0xffc83c28, 0xff1ec85a, 0xff808080}; // blue, red, green, grey
        QImage picture =
            QImage(reinterpret_cast<const uchar*>(colours), 4, 1, QImage::Format_RGB32).scaled(32, 8);
        const QByteArray plain = factory::encode(picture, format, 100);
        QByteArray tagged = chunks ? factory::withIccProfile(plain, icc, std::abs(chunks)) : plain;
        if (chunks < 0) tagged.remove(2, 2 + (uchar(tagged[4]) << 8 | uchar(tagged[5])));
        if (chunks == 0) picture.setColorSpace(QColorSpace::fromIccProfile(icc));
        if (chunks == 0) tagged = factory::encode(picture, format, 100);
        const QImage raw = LoadPictureFromData(plain, QStringLiteral("plain"))->image();
        const QImage loaded = LoadPictureFromData(tagged, QStringLiteral("tagged"))->image();
        if (!converted) QCOMPARE(loaded, raw);
        for (int x = 4; converted && x < 32; x += 8) {
            const QRgb a = loaded.pixel(x, 4), b = expectedSrgb(raw.pixel(x, 4), icc);
            for (const int shift : {16, 8, 0}) // red, green, blue
                QVERIFY2(std::abs(int(a >> shift & 255) - int(b >> shift & 255)) <= 2,
                         qPrintable(QString::number(a ^ b, 16)));
        }
    }
};

QTEST_MAIN(TestColourProfile)
#include "test_colourprofile.moc"
