// Times SaveJPEG on a photo-sized wrapper against `cjpeg -quality 90` on the same pixels, best of
// several runs each, and prints both times and their ratio.
#include "bench/support/PhotoLike.h"
#include "bench/support/PrintingDialogs.h"
#include "encoding/cDIBSection.h"
#include "encoding/mIntelJPEGLibrary.h"

#include <QByteArray>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
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

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

// Wall time of one cjpeg process, or a negative number when it fails.
double runCjpeg(const std::string& cjpeg, const std::string& ppm, const std::string& out) {
    std::vector<std::string> args = {cjpeg, "-quality", "90", "-outfile", out, ppm};
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

} // namespace

int main(int argc, char** argv) {
    int width = 6000, height = 4000, runs = 5;
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
    }

    QTemporaryDir dir;
    dir.setAutoRemove(!keep);
    if (keep) std::printf("files kept in %s\n", qPrintable(dir.path()));
    const QString ours = dir.filePath(QStringLiteral("ours.jpg"));
    const QString theirs = dir.filePath(QStringLiteral("cjpeg.jpg"));
    const QString ppm = dir.filePath(QStringLiteral("input.ppm"));

    std::printf("picture: %d x %d (%.1f megapixels), quality 90, best of %d runs\n", width, height,
                width * double(height) / 1e6, runs);
    cDIBSection dib;
    {
        const PictureRef picture = Picture::make(photoLike(width, height));
        const auto start = Clock::now();
        dib.CreateFromPicture(picture);
        std::printf("CreateFromPicture (not compared): %.3f s\n", seconds(Clock::now() - start));
    }
    if (!dib.DIBSectionBitsPtr() || !writePpm(dib, ppm)) {
        std::fprintf(stderr, "could not prepare the pixels\n");
        return 1;
    }

    PrintingDialogs dialogs;
    double bestOurs = 1e9, bestTheirs = 1e9;
    for (int run = 0; run < runs; ++run) {
        QFile::remove(ours);
        const auto start = Clock::now();
        if (!SaveJPEG(dialogs, dib, ours, 90)) return 1;
        bestOurs = std::min(bestOurs, seconds(Clock::now() - start));

        QFile::remove(theirs);
        const double t = runCjpeg(cjpeg, ppm.toStdString(), theirs.toStdString());
        if (t < 0) {
            std::fprintf(stderr, "%s failed (package libjpeg-turbo-progs)\n", cjpeg.c_str());
            return 1;
        }
        bestTheirs = std::min(bestTheirs, t);
    }

    const QByteArray a = [&] {
        QFile f(ours);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    const QByteArray b = [&] {
        QFile f(theirs);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    std::printf("SaveJPEG:            %.3f s  (%lld bytes)\n", bestOurs, static_cast<long long>(a.size()));
    std::printf("cjpeg -quality 90:   %.3f s  (%lld bytes)\n", bestTheirs, static_cast<long long>(b.size()));
    std::printf("ratio ours / cjpeg:  %.2f  (target at most 1.15)\n", bestOurs / bestTheirs);
    std::printf("identical output:    %s\n", a == b ? "yes" : "no");
    return 0;
}
