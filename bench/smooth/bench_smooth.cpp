// The smooth resampler measured against libvips' Lanczos-3 (see README.md):
//
//   bench_smooth quality FOLDER    writes the test pictures and our 50 % and 25 % results as PNG
//   bench_smooth compare FOLDER    reads vips' results beside them and prints the figures
//   bench_smooth speed FOLDER [REPEATS]
//                                  opens a 6000 x 4000 JPEG, resamples it to 50 %, saves it at
//                                  quality 90, and prints the best time of each step
#include "bench/support/PhotoLike.h"
#include "bench/support/PrintingDialogs.h"
#include "encoding/cDIBSection.h"
#include "encoding/mIntelJPEGLibrary.h"
#include "imaging/Picture.h"
#include "imaging/Resample.h"
#include "imaging/Stretch.h"
#include "support/PictureFactory.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>
#include <random>

namespace {

constexpr int ZoneSize = 2048;
// The plate reaches the source's own limit, half a cycle a pixel, at the middle of each edge.
constexpr double ZoneK = std::numbers::pi / ZoneSize;
const int Percents[] = {50, 25};

QImage nearest(const QImage& source, QSize size) {
    QImage out(size, QImage::Format_RGB32);
    StretchInto(out, {0, 0}, source, QRect(QPoint(0, 0), size));
    return out;
}

QString name(const QString& folder, const char* who, const char* picture, int percent) {
    return QStringLiteral("%1/%2-%3-%4.png").arg(folder, who, picture).arg(percent);
}

int quality(const QString& folder) {
    const QImage inputs[] = {factory::gradient(2400, 1600), factory::zonePlate(ZoneSize, ZoneK)};
    const char* names[] = {"gradient", "zone"};
    for (int i = 0; i < 2; ++i) {
        inputs[i].save(QStringLiteral("%1/%2.png").arg(folder, names[i]));
        for (int percent : Percents) {
            const QSize size = inputs[i].size() * percent / 100;
            ResampleSmooth(inputs[i], size).save(name(folder, "ours", names[i], percent));
            nearest(inputs[i], size).save(name(folder, "nearest", names[i], percent));
        }
    }
    return 0;
}

// For the zone plate shrunk by `scale`: the PSNR against the plate itself where its detail is coarse
// enough to keep (under half the new limit), and the RMS departure from flat grey where it is too fine
// to keep (beyond 1.4 times the new limit): there any faithful shrink is flat, and rings are moiré.
struct ZoneFigures {
    double passPsnr, aliasRms;
};

ZoneFigures zoneFigures(const QImage& image, double scale) {
    double passSum = 0, stopSum = 0;
    qint64 passCount = 0, stopCount = 0;
    const double nyquist = 0.5 * scale; // cycles a source pixel
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const double u = (x + 0.5) / scale - ZoneSize / 2.0, v = (y + 0.5) / scale - ZoneSize / 2.0;
            const double r = std::hypot(u, v);
            if (r > ZoneSize / 2.0) continue;
            const double frequency = ZoneK * r / std::numbers::pi;
            const double value = qGreen(image.pixel(x, y));
            if (frequency < 0.5 * nyquist) {
                const double d = value - (127.5 + 127.5 * std::cos(ZoneK * r * r));
                passSum += d * d;
                ++passCount;
            } else if (frequency > 1.4 * nyquist) {
                stopSum += (value - 127.5) * (value - 127.5);
                ++stopCount;
            }
        }
    return {10 * std::log10(255.0 * 255.0 / (passSum / passCount)), std::sqrt(stopSum / stopCount)};
}

int compare(const QString& folder) {
    // "vips exact": the same Lanczos-3 run by vips on floating-point pixels, rounded once at the end.
    std::printf("%-16s %-8s %14s %14s %14s %14s\n", "picture", "size", "ours", "vips", "nearest",
                "vips exact");
    for (int percent : Percents) {
        const auto load = [&](const char* who, const char* picture) {
            return QImage(name(folder, who, picture, percent)).convertToFormat(QImage::Format_RGB32);
        };
        const QImage ours = load("ours", "gradient"), vips = load("vips", "gradient");
        std::printf("%-16s %3d %%    %11.2f dB %14s %11.2f dB   (PSNR against vips)\n", "gradient", percent,
                    factory::psnr(vips, ours), "-", factory::psnr(vips, load("nearest", "gradient")));
        const QImage zones[] = {load("ours", "zone"), load("vips", "zone"), load("nearest", "zone"),
                                load("vipsexact", "zone")};
        ZoneFigures f[4];
        for (int i = 0; i < 4; ++i)
            f[i] = zoneFigures(zones[i], percent / 100.0);
        std::printf("%-16s %3d %%    %11.2f dB %11.2f dB %11.2f dB %11.2f dB   (PSNR against the plate, "
                    "coarse part)\n",
                    "zone plate", percent, f[0].passPsnr, f[1].passPsnr, f[2].passPsnr, f[3].passPsnr);
        std::printf("%-16s %3d %%    %14.2f %14.2f %14.2f %14.2f   (RMS moiré where it should be flat grey)\n",
                    "zone plate", percent, f[0].aliasRms, f[1].aliasRms, f[2].aliasRms, f[3].aliasRms);
        std::printf("%-16s %3d %%    %11.2f dB %14s %11.2f dB   (PSNR against vips)\n", "zone plate", percent,
                    factory::psnr(zones[1], zones[0]), "-", factory::psnr(zones[1], zones[2]));
    }
    return 0;
}

int speed(const QString& folder, int repeats) {
    const QString photo = folder + QStringLiteral("/photo.jpg");
    if (!QFile::exists(photo)) factory::writeFile(photo, factory::encode(photoLike(6000, 4000), "JPEG", 92));
    const QString out = folder + QStringLiteral("/ours-photo-50.jpg");
    PrintingDialogs dialogs;
    double best[4] = {1e9, 1e9, 1e9, 1e9};
    for (int run = 0; run < repeats; ++run) {
        QElapsedTimer timer;
        timer.start();
        const PictureRef picture = LoadPicture(photo);
        const double opened = timer.nsecsElapsed() / 1e6;
        const PictureRef half = SmoothResizedPicture(picture, picture->size() / 2, Qt::white);
        const double resized = timer.nsecsElapsed() / 1e6;
        QFile::remove(out);
        cDIBSection dib;
        dib.CreateFromPicture(half);
        if (!SaveJPEG(dialogs, dib, out, 90)) return 1;
        const double saved = timer.nsecsElapsed() / 1e6;
        const double times[] = {opened, resized - opened, saved - resized, saved};
        for (int i = 0; i < 4; ++i)
            best[i] = std::min(best[i], times[i]);
    }
    std::printf("open\t%.0f\nresample 50 %%\t%.0f\nsave\t%.0f\ntotal\t%.0f\n", best[0], best[1], best[2],
                best[3]);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_smooth quality|compare|speed FOLDER [REPEATS]\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(folder);
    if (!std::strcmp(argv[1], "quality")) return quality(folder);
    if (!std::strcmp(argv[1], "compare")) return compare(folder);
    if (!std::strcmp(argv[1], "speed")) return speed(folder, argc > 3 ? std::max(1, std::atoi(argv[3])) : 3);
    return 2;
}
