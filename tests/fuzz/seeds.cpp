// Writes a few valid and edge inputs for each fuzz target into DIR/<target>/: seeds_maker DIR.
#include "imaging/ColourProfile.h"
#include "support/ExifFactory.h"
#include "support/PictureFactory.h"

#include <QColorSpace>
#include <QDir>
#include <QGuiApplication>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argc > 1 ? argv[1] : "."));
    int n = 0;
    const auto put = [&](const char* target, const QByteArray& bytes) {
        out.mkpath(target);
        factory::writeFile(out.filePath(QStringLiteral("%1/seed%2").arg(target).arg(++n)), bytes);
    };
    const QImage picture = factory::gradient(8, 6);
    const QByteArray jpeg = factory::encode(picture, "JPEG");
    for (const char* format : {"JPEG", "GIF", "BMP", "PNG", "WEBP", "TIFF", "HEIC"})
        put("picture", factory::encode(picture, format, 92, 6)); // a HEIC turned in its boxes
    for (const char* format : {"GIF", "BMP", "PNG", "WEBP", "TIFF", "HEIC"})
        put("picture", factory::claiming(format, 70000, 70000));
    put("picture", factory::encode(factory::withTransparency(6, 5), "PNG"));
    put("picture", factory::withExifOrientation(jpeg, 6));
    put("picture", factory::bitfieldBmp(32, {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}, 0x12345678));
    const QByteArray adobe = RgbProfileFromPrimaries({0.64, 0.33}, {0.21, 0.71}, {0.15, 0.06});
    for (const QByteArray& icc : {adobe, QColorSpace(QColorSpace::DisplayP3).iccProfile()}) {
        put("icc", icc);
        put("picture", factory::withIccProfile(jpeg, icc, 2));
    }
    put("layout", "# comment\n[AAIVOriginal]\nLargChangeX = 20\nPicture = file:default.gif\n"
                  "BackColor = 0x8000000F\n[AAIVResized]\nSmallChangeX = 0");
    for (const char* line : {"--fit\n600K\na.jpg", "--size\n1280x960\n--smooth\nb", "--scale=50\n--\n--help"})
        put("arguments", line);
    const QByteArray camera = factory::cameraExif(); // a first byte of 0 to 3: file, JPEG, PNG, WebP
    for (const char* format : {"JPEG", "PNG", "WEBP", "HEIC"})
        put("exif", '\0' + factory::withExif(format, camera));
    for (const char how : {'\1', '\2', '\3'})
        put("exif", how + camera);
    return 0;
}
