// Writes a few valid and edge inputs for each fuzz target into DIR/<target>/: seeds_maker DIR.
#include "platform/ColourProfile.h"
#include "support/PictureFactory.h"

#include <QColorSpace>
#include <QDir>
#include <QGuiApplication>

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    const QDir out(QString::fromLocal8Bit(argc > 1 ? argv[1] : "."));
    int n = 0;
    const auto put = [&](const char* target, const QByteArray& bytes) {
        out.mkpath(QLatin1String(target));
        factory::writeFile(out.filePath(QStringLiteral("%1/seed%2").arg(QLatin1String(target)).arg(++n)),
                           bytes);
    };
    const QImage picture = factory::gradient(8, 6);
    for (const char* format : {"JPEG", "GIF", "BMP", "PNG", "WEBP", "TIFF", "HEIC"})
        put("picture", factory::encode(picture, format));
    put("picture", factory::encode(factory::withTransparency(6, 5), "PNG"));
    const QByteArray jpeg = factory::encode(picture, "JPEG");
    for (int orientation = 2; orientation <= 8; ++orientation)
        put("picture", factory::withExifOrientation(jpeg, orientation));
    put("picture", factory::encode(picture, "HEIC", 92, 6));
    put("picture", factory::bmpClaiming(4000, 3000));
    put("picture", factory::gifClaiming(70000, 70000));
    put("picture", factory::claiming("PNG", 20000, 20000));
    put("picture", factory::bitfieldBmp(16, {0xF800, 0x07E0, 0x001F}, 0x1234));
    put("picture", factory::bitfieldBmp(32, {0x3FF00000, 0x000FFC00, 0x000003FF, 0xC0000000}, 0x12345678));
    const QByteArray adobe = RgbProfileFromPrimaries({0.64, 0.33}, {0.21, 0.71}, {0.15, 0.06});
    for (const QByteArray& icc : {adobe, QColorSpace(QColorSpace::DisplayP3).iccProfile()}) {
        put("icc", icc);
        put("icc", factory::withIccProfile(jpeg, icc, 2));
        put("picture", factory::withIccProfile(jpeg, icc));
    }
    put("layout", "[AAIVOriginal]\nLargChangeX = 20\nSmallChangeY = 5\nPicture = file:default.gif\n"
                  "BackColor = 0x8000000F\n\n[AAIVResized]\nLargChangeY = 10\nScalePercent = 9\n"
                  "DefultPicture = file:default.gif\nBackColor = 255\n");
    put("layout", "# comment\n[AAIVOriginal]\nSmallChangeX = 0\n");
    for (const char* line : {"--fit\n600K\na.jpg", "--size\n1280x960\nb.png",
                             "--scale=50\n--height-scale=75\n--smooth\n--output-dir\nout\nc.gif",
                             "--fit=1.5M\n--\n--help", "--version"})
        put("arguments", line);
    return 0;
}
