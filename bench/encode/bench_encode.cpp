// The JPEG writer: its time on a photo-sized wrapper against `cjpeg -quality 90 -optimize` on the same
// pixels; the bytes its optimised Huffman tables save against the standard ones over a set of
// photo-like pictures; and the size that saving buys under a Fit Under Size limit.
#include "bench/support/PhotoLike.h"
#include "bench/support/PrintingDialogs.h"
#include "encoding/cDIBSection.h"
#include "encoding/mIntelJPEGLibrary.h"
#include "engine/FitUnderSize.h"
#include "engine/Resize.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <turbojpeg.h>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// The wrapper's pixels as a binary PPM (top row first, red, green, blue), the form cjpeg reads.
bool writePpm(const cDIBSection& dib, const QString& path) {
    const int width = dib.Width(), height = dib.Height(), stride = dib.BytesPerScanLine();
    const auto* bits = reinterpret_cast<const std::uint8_t*>(dib.DIBSectionBitsPtr());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return false;
    file.write(QByteArray("P6\n") + QByteArray::number(width) + ' ' + QByteArray::number(height) + "\n255\n");
    QByteArray row(width * 3, '\0');
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = bits + std::int64_t(height - 1 - y) * stride;
        for (int x = 0; x < width; ++x) {
            row[3 * x] = char(src[3 * x + 2]);
            row[3 * x + 1] = char(src[3 * x + 1]);
            row[3 * x + 2] = char(src[3 * x]);
        }
        if (file.write(row) != row.size()) return false;
    }
    return true;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Wall time of one cjpeg process, or a negative number when it fails.
double runCjpeg(const std::string& cjpeg, const std::vector<std::string>& options, const std::string& ppm,
                const std::string& out) {
    std::vector<std::string> args = {cjpeg, "-quality", "90"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), {"-outfile", out, ppm});
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, cjpeg.c_str(), nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    const auto end = Clock::now();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? seconds(end - start) : -1;
}

// The length of the JPEG the writer made before its tables were optimised: TurboJPEG at quality 90,
// 4:2:0, the accurate DCT, the wrapper's rows read bottom-up. The same bytes as cjpeg without -optimize.
qint64 standardTablesLength(const PictureRef& picture) {
    cDIBSection dib;
    dib.CreateFromPicture(picture);
    const std::unique_ptr<void, int (*)(tjhandle)> tj(tjInitCompress(), tjDestroy);
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    const int rc = tjCompress2(tj.get(), reinterpret_cast<const unsigned char*>(dib.DIBSectionBitsPtr()),
                               dib.Width(), dib.BytesPerScanLine(), dib.Height(), TJPF_BGR, &jpeg, &size,
                               TJSAMP_420, 90, TJFLAG_BOTTOMUP | TJFLAG_ACCURATEDCT);
    tjFree(jpeg);
    return rc == 0 ? qint64(size) : -1;
}

qint64 optimisedTablesLength(const PictureRef& picture) {
    return EncodeJPEG(picture, 90).size();
}

// One of the set: a photo-like picture made `detail` times as large and smoothly shrunk to the size.
// The shrinking averages the fine noise away, so that the set runs from noisy to clean pictures, as
// photos do from a small sensor at full size to a camera's picture scaled down for upload.
struct Sample {
    QSize size;
    double detail = 1;
    PictureRef picture;
};

PictureRef photoShrunk(QSize size, double detail) {
    if (detail == 1) return Picture::make(photoLike(size.width(), size.height()));
    const QImage large = photoLike(int(size.width() * detail), int(size.height() * detail));
    return Picture::make(large.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// The widest width, its height following the picture's proportions as Fit Under Size makes it, whose
// JPEG is at most `limit` bytes: a plain bisection on the encoder given.
QSize largestUnder(const PictureRef& original, qint64 limit,
                   const std::function<qint64(const PictureRef&)>& length) {
    const QSize full = original->size();
    const auto sizeFor = [&](int width) {
        const qint64 h = (2 * qint64(width) * full.height() + full.width()) / (2 * qint64(full.width()));
        return QSize(width, int(std::max<qint64>(1, h)));
    };
    const auto fits = [&](int width) {
        return length(ResizedPicture(original, sizeFor(width), Qt::white)) <= limit;
    };
    if (fits(full.width())) return full;
    int lo = 0, hi = full.width(); // lo fits (0: nothing yet), hi does not
    while (hi - lo > 1) {
        const int mid = lo + (hi - lo) / 2;
        if (fits(mid))
            lo = mid;
        else
            hi = mid;
    }
    return lo ? sizeFor(lo) : QSize();
}

int timing(int width, int height, int runs, bool keep, const std::string& cjpeg) {
    QTemporaryDir dir;
    dir.setAutoRemove(!keep);
    if (keep) std::printf("files kept in %s\n", qPrintable(dir.path()));
    const QString ours = dir.filePath(QStringLiteral("ours.jpg"));
    const QString theirs = dir.filePath(QStringLiteral("cjpeg-optimize.jpg"));
    const QString standard = dir.filePath(QStringLiteral("cjpeg.jpg"));
    const QString ppm = dir.filePath(QStringLiteral("input.ppm"));

    std::printf("== time: %d x %d (%.1f megapixels), quality 90, best of %d runs\n", width, height,
                width * double(height) / 1e6, runs);
    const PictureRef picture = Picture::make(photoLike(width, height));
    cDIBSection dib;
    const auto start = Clock::now();
    dib.CreateFromPicture(picture);
    std::printf("CreateFromPicture (not compared): %.3f s\n", seconds(Clock::now() - start));
    if (!dib.DIBSectionBitsPtr() || !writePpm(dib, ppm)) {
        std::fprintf(stderr, "could not prepare the pixels\n");
        return 1;
    }

    PrintingDialogs dialogs;
    double bestOurs = 1e9, bestTheirs = 1e9, bestStandard = 1e9, bestInMemory = 1e9;
    qint64 standardLength = 0;
    for (int run = 0; run < runs; ++run) {
        auto begin = Clock::now();
        standardLength = standardTablesLength(picture);
        bestStandard = std::min(bestStandard, seconds(Clock::now() - begin));
        begin = Clock::now();
        optimisedTablesLength(picture);
        bestInMemory = std::min(bestInMemory, seconds(Clock::now() - begin));

        QFile::remove(ours);
        const auto start = Clock::now();
        if (!SaveJPEG(dialogs, dib, ours, 90)) return 1;
        bestOurs = std::min(bestOurs, seconds(Clock::now() - start));

        QFile::remove(theirs);
        const double t = runCjpeg(cjpeg, {"-optimize"}, ppm.toStdString(), theirs.toStdString());
        if (t < 0) {
            std::fprintf(stderr, "%s failed (package libjpeg-turbo-progs)\n", cjpeg.c_str());
            return 1;
        }
        bestTheirs = std::min(bestTheirs, t);
    }
    if (runCjpeg(cjpeg, {}, ppm.toStdString(), standard.toStdString()) < 0) return 1;

    const QByteArray a = readAll(ours), b = readAll(theirs);
    std::printf("SaveJPEG:                      %.3f s  (%lld bytes)\n", bestOurs, qint64(a.size()));
    std::printf("cjpeg -quality 90 -optimize:   %.3f s  (%lld bytes)\n", bestTheirs, qint64(b.size()));
    std::printf("ratio ours / cjpeg:            %.2f  (target at most 1.15)\n", bestOurs / bestTheirs);
    std::printf("identical output:              %s\n", a == b ? "yes" : "no");
    std::printf("in memory, from the picture (the figure Fit and the status line measure):\n");
    std::printf("  optimised tables (EncodeJPEG): %.3f s\n", bestInMemory);
    std::printf(
        "  standard tables (as before):   %.3f s  (%lld bytes; cjpeg without -optimize's length: %s)\n",
        bestStandard, standardLength, standardLength == readAll(standard).size() ? "yes" : "no");
    return a == b ? 0 : 1;
}

void saving(const std::vector<QSize>& sizes, const std::vector<double>& details) {
    std::printf("\n== bytes saved by optimised tables, quality 90, 4:2:0\n");
    std::printf("%-12s %7s %12s %12s %8s\n", "size", "detail", "standard", "optimised", "saved");
    std::vector<double> all;
    for (const QSize size : sizes) {
        std::vector<double> here;
        for (const double detail : details) {
            const PictureRef picture = photoShrunk(size, detail);
            const qint64 before = standardTablesLength(picture), after = optimisedTablesLength(picture);
            const double saved = 100.0 * double(before - after) / double(before);
            std::printf("%5d x %-5d %6.1fx %12lld %12lld %7.2f%%\n", size.width(), size.height(), detail,
                        before, after, saved);
            here.push_back(saved);
            all.push_back(saved);
        }
        std::printf("%5d x %-5d median %.2f %%, range %.2f to %.2f %%\n", size.width(), size.height(),
                    median(here), *std::min_element(here.begin(), here.end()),
                    *std::max_element(here.begin(), here.end()));
    }
    std::printf("all %zu pictures: median %.2f %%, range %.2f to %.2f %%\n", all.size(), median(all),
                *std::min_element(all.begin(), all.end()), *std::max_element(all.begin(), all.end()));
}

void fit(QSize original, const std::vector<double>& details, qint64 limitKb) {
    const qint64 limit = limitKb * 1024;
    std::printf("\n== Fit Under Size %lld KB from %d x %d: the largest size, standard and optimised tables\n",
                limitKb, original.width(), original.height());
    std::printf("%7s %14s %14s %9s   %s\n", "detail", "standard", "optimised", "pixels", "FitUnderSize");
    for (const double detail : details) {
        const PictureRef picture = photoShrunk(original, detail);
        const QSize before = largestUnder(picture, limit, standardTablesLength);
        const QSize after = largestUnder(picture, limit, optimisedTablesLength);
        const FitResult program = FitUnderSize(
            picture, limit, [](const PictureRef& p, QSize s) { return ResizedPicture(p, s, Qt::white); });
        const auto pixels = [](QSize s) { return double(s.width()) * s.height(); };
        std::printf("%6.1fx %6d x %-6d %6d x %-6d %+8.2f%%   %d x %d, %lld bytes\n", detail, before.width(),
                    before.height(), after.width(), after.height(),
                    100 * (pixels(after) / pixels(before) - 1), program.size.width(), program.size.height(),
                    program.bytes);
    }
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int width = 6000, height = 4000, runs = 5;
    qint64 limitKb = 600;
    bool keep = false;
    std::string cjpeg = "cjpeg";
    for (int i = 1; i < argc && !std::strcmp(argv[i], "--keep"); ++i)
        keep = true;
    for (int i = keep ? 2 : 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--width"))
            width = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--height"))
            height = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--runs"))
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--cjpeg"))
            cjpeg = argv[i + 1];
        else if (!std::strcmp(argv[i], "--limit"))
            limitKb = std::max(1, std::atoi(argv[i + 1]));
    }

    if (const int rc = timing(width, height, runs, keep, cjpeg)) return rc;
    const std::vector<double> details = {1, 1.5, 2, 3};
    saving({{640, 480}, {1800, 1200}, {3264, 2448}}, details);
    fit({3264, 2448}, details, limitKb);
    return 0;
}
