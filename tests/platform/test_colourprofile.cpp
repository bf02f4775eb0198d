// Pictures tagged with a colour profile open in sRGB; untagged, sRGB and unreadable ones as they are.
#include "platform/ColourProfile.h"
#include "platform/Picture.h"
#include "support/PictureFactory.h"

#include <QColorSpace>
#include <QtTest>
#include <lcms2.h>

namespace {

// Adobe RGB (1998) in all but name: its primaries, D65 and a gamma of 2.2.
QByteArray adobeLike() {
    cmsCIExyY white;
    cmsWhitePointFromTemp(&white, 6504);
    const cmsCIExyYTRIPLE primaries{{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}};
    cmsToneCurve* gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve* curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number bytes = 0;
    cmsSaveProfileToMem(profile, nullptr, &bytes);
    QByteArray icc(qsizetype(bytes), '\0');
    cmsSaveProfileToMem(profile, icc.data(), &bytes);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(gamma);
    return icc;
}

// The colour in sRGB by another road than the program's: floating point, relative colorimetric (the
// same as perceptual for profiles made of a matrix and curves).
QRgb expectedSrgb(QRgb colour, const QByteArray& icc) {
    cmsHPROFILE from = cmsOpenProfileFromMem(icc.constData(), cmsUInt32Number(icc.size()));
    cmsHPROFILE to = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform =
        cmsCreateTransform(from, TYPE_RGB_DBL, to, TYPE_RGB_DBL, INTENT_RELATIVE_COLORIMETRIC, 0);
    double in[3] = {qRed(colour) / 255.0, qGreen(colour) / 255.0, qBlue(colour) / 255.0}, out[3];
    cmsDoTransform(transform, in, out, 1);
    cmsDeleteTransform(transform);
    cmsCloseProfile(from);
    cmsCloseProfile(to);
    const auto level = [](double v) { return int(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
    return qRgb(level(out[0]), level(out[1]), level(out[2]));
}

} // namespace

class TestColourProfile : public QObject {
    Q_OBJECT

private slots:
    void opensInSrgb_data() {
        QTest::addColumn<QByteArray>("format");
        QTest::addColumn<QByteArray>("icc");
        QTest::addColumn<int>("chunks"); // JPEG: APP2 pieces (negative: the first one written lost); 0: by Qt
        QTest::addColumn<bool>("converted");
        const QByteArray p3 = RgbProfileFromPrimaries({0.680, 0.320}, {0.265, 0.690}, {0.150, 0.060});
        QTest::newRow("JPEG, Adobe RGB") << QByteArray("JPEG") << adobeLike() << 1 << true;
        QTest::newRow("JPEG, Display P3 in three pieces") << QByteArray("JPEG") << p3 << 3 << true;
        QTest::newRow("PNG, Adobe RGB") << QByteArray("PNG") << adobeLike() << 0 << true;
        QTest::newRow("TIFF, Display P3") << QByteArray("TIFF") << p3 << 0 << true;
        QTest::newRow("WebP, Adobe RGB") << QByteArray("WEBP") << adobeLike() << 0 << true;
        const QByteArray srgb = RgbProfileFromPrimaries({0.64, 0.33}, {0.30, 0.60}, {0.15, 0.06});
        QTest::newRow("JPEG, sRGB") << QByteArray("JPEG") << srgb << 1 << false;
        QTest::newRow("JPEG, untagged") << QByteArray("JPEG") << QByteArray() << 1 << false;
        QTest::newRow("JPEG, random bytes") << QByteArray("JPEG") << factory::randomBytes(3000) << 2 << false;
        QTest::newRow("JPEG, a piece missing") << QByteArray("JPEG") << p3 << -3 << false;
    }
    void opensInSrgb() {
        QFETCH(QByteArray, format);
        QFETCH(QByteArray, icc);
        QFETCH(int, chunks);
        QFETCH(bool, converted);
        QImage picture(32, 8, QImage::Format_RGB32);
        const QRgb colours[] = {qRgb(100, 150, 200), qRgb(200, 60, 40), qRgb(30, 200, 90),
                                qRgb(128, 128, 128)};
        for (int x = 0; x < 32; ++x)
            for (int y = 0; y < 8; ++y)
                picture.setPixel(x, y, colours[x / 8]);
        const QByteArray plain = factory::encode(picture, format, 100);
        QByteArray tagged =
            icc.isEmpty() || chunks == 0 ? plain : factory::withIccProfile(plain, icc, std::abs(chunks));
        if (chunks < 0) tagged.remove(2, 2 + (uchar(tagged[4]) << 8 | uchar(tagged[5])));
        if (chunks == 0) {
            picture.setColorSpace(QColorSpace::fromIccProfile(icc));
            tagged = factory::encode(picture, format, 100);
        }
        const QImage raw = LoadPictureFromData(plain, QStringLiteral("plain"))->image();
        const QImage loaded = LoadPictureFromData(tagged, QStringLiteral("tagged"))->image();
        if (!converted) QCOMPARE(loaded, raw);
        for (int x = 4; converted && x < 32; x += 8) {
            const QRgb a = loaded.pixel(x, 4), b = expectedSrgb(raw.pixel(x, 4), icc);
            QVERIFY2(a != raw.pixel(x, 4) || x == 28, "the colour did not change");
            QVERIFY2(std::abs(qRed(a) - qRed(b)) <= 2 && std::abs(qGreen(a) - qGreen(b)) <= 2 &&
                         std::abs(qBlue(a) - qBlue(b)) <= 2,
                     qPrintable(QStringLiteral("%1 for %2").arg(a, 8, 16).arg(b, 8, 16)));
        }
    }
};

QTEST_MAIN(TestColourProfile)
#include "test_colourprofile.moc"
