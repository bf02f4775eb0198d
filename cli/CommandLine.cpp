#include "cli/CommandLine.h"

#include "cli/BatchPlan.h"
#include "cli/ConsoleDialogs.h"
#include "encoding/cDIBSection.h"
#include "encoding/mIntelJPEGLibrary.h"
#include "engine/FileSizeText.h"
#include "engine/KeptMetadata.h"
#include "engine/OutputName.h"
#include "engine/Resize.h"
#include "engine/SaveResized.h"
#include "imaging/Error.h"
#include "imaging/PictureChecks.h"
#include "imaging/Resample.h"
#include "platform/FileSystem.h"
#include "platform/Ijl.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <map>
#include <mutex>
#include <optional>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Names in the text keep the bytes they were given as.
void print(std::FILE* stream, const QString& text) {
    std::fputs(EncodeFileName(text).constData(), stream);
}

// A size past what can be made or saved is refused from the header, before the pixels are decoded.
void checkTargetSize(const PictureInfo& header, const Options& options) {
    if (options.mode == SizeMode::Scale)
        CheckResizedSize(ScaledSize(header.pixels, options.percentX, options.percentY),
                         QStringLiteral("Choose a smaller percentage."));
    if (options.mode == SizeMode::Size)
        CheckResizedSize(options.size, QStringLiteral("Choose a smaller size."));
}

// The result's size, where the header and the options tell it; nothing for a fit, which searches.
std::optional<QSize> sizeFromHeader(const PictureInfo& header, const Options& options) {
    switch (options.mode) {
    case SizeMode::Scale:
        return ScaledSize(header.pixels, options.percentX, options.percentY);
    case SizeMode::Size:
        return options.size;
    case SizeMode::Within:
        return SizeWithin(header.pixels, options.within);
    case SizeMode::Fit:
        break;
    }
    return std::nullopt;
}

// The job's picture, decoded once for each resolution its results need: a smooth result from a JPEG
// decoded no finer than twice its size, a nearest-pixel one from the whole picture. Every size is made
// from the same decode each time, so a fit's measured bytes are the bytes saved.
class JobPicture {
public:
    JobPicture(const QString& path, const PictureInfo& header, bool smooth)
        : mPath(path), mHeader(header), mSmooth(smooth) {}

    PictureRef forResult(QSize result) {
        const QSize decoded = mSmooth ? DecodedSizeFor(mHeader, result) : mHeader.pixels;
        PictureRef& picture = mDecoded[{decoded.width(), decoded.height()}];
        if (!picture) picture = mSmooth ? LoadPictureFor(mPath, result) : LoadPicture(mPath);
        return picture;
    }
    QSize fullSize() const { return mHeader.pixels; }

private:
    const QString mPath;
    const PictureInfo mHeader;
    const bool mSmooth;
    std::map<std::pair<int, int>, PictureRef> mDecoded;
};

// No desktop palette here: transparent parts lie over white, the window's background under Qt's own
// palette, whichever way the picture is resized.
const QColor Background(Qt::white);

PictureRef resized(const PictureRef& original, QSize size, const Options& options) {
    return options.smooth ? SmoothResizedPicture(original, size, Background)
                          : ResizedPicture(original, size, Background);
}

// A nearest-pixel result's JPEG is made without the result itself: the rows are stretched as the
// encoder takes them.
QByteArray resizedJpeg(const PictureRef& original, QSize size, const Options& options,
                       const QByteArray& app1) {
    if (options.smooth) return EncodeJPEG(resized(original, size, options), SavedQuality, app1);
    return ResizedJPEG(original, size, Background, SavedQuality, app1);
}

FitResult fitted(JobPicture& picture, const Options& options) {
    const JpegFunction fromDecode = [&](QSize size, const QByteArray& app1) {
        return resizedJpeg(picture.forResult(size), size, options, app1);
    };
    const FitResult fit = FitUnderSize(picture.forResult(QSize(1, 1)), picture.fullSize(), options.fitBytes,
                                       fromDecode, options.within, options.keepDateAndCamera);
    if (fit.outcome == FitOutcome::NothingFits)
        throw QuillonError(QStringLiteral("even one pixel wide, its JPEG takes %1, more than %2.")
                               .arg(FileSizeText(double(fit.bytes)), FileSizeText(double(options.fitBytes))));
    return fit;
}

// The job's most memory at once, held from the batch's budget before the picture is decoded: the
// header tells how much, so that parallel jobs never together ask for more than there is.
MemoryBudget::Share reserveMemory(MemoryBudget& budget, const QString& source, const PictureInfo& header,
                                  const Options& options, std::optional<QSize> size) {
    const QSize result = size.value_or(header.pixels); // a fit is never larger than the picture
    const QSize decoded = options.smooth && size ? DecodedSizeFor(header, result) : header.pixels;
    MemoryBudget::Share share =
        budget.Reserve(PictureWorkBytes(header, QFileInfo(source).size(), result, decoded));
    if (!share) FailForMemory(source, header.pixels);
    return share;
}

// The quality the JPEG is saved at: the highest that fits when the form fixes the pixels and the length.
int qualityFor(const PictureRef& resized, const QByteArray& app1, const Options& options) {
    if (options.mode != SizeMode::Size || options.fitBytes == 0) return SavedQuality;
    const QualityFit fit = FitQualityUnderSize(resized, options.fitBytes, app1);
    if (!fit.fits)
        throw QuillonError(
            QStringLiteral("even at quality %1, its JPEG of %2 × %3 pixels takes %4, more than %5; "
                           "nothing was written.")
                .arg(LowestFitQuality)
                .arg(resized->Width())
                .arg(resized->Height())
                .arg(FileSizeText(double(fit.bytes)), FileSizeText(double(options.fitBytes))));
    return fit.quality;
}

} // namespace

FileOutcome ProcessFile(const QString& source, const QString& output, const Options& options,
                        MemoryBudget& budget) {
    ConsoleDialogs dialogs(source);
    FileOutcome outcome;
    try {
        const PictureInfo header = ReadPictureInfo(source);
        checkTargetSize(header, options);
        const std::optional<QSize> known = sizeFromHeader(header, options);
        const MemoryBudget::Share memory = reserveMemory(budget, source, header, options, known);
        JobPicture picture(source, header, options.smooth);
        // A fit has made the very JPEG to write while it searched.
        FitResult fit;
        if (!known) fit = fitted(picture, options);
        const QSize size = known ? *known : fit.size;
        int quality = SavedQuality;
        QByteArray jpeg = fit.jpeg;
        if (jpeg.isEmpty()) {
            const PictureRef original = picture.forResult(size);
            const QByteArray app1 = MetadataFor(original, size, options.keepDateAndCamera);
            if (options.fitBytes == 0) {
                jpeg = resizedJpeg(original, size, options, app1);
            } else { // the pixels are fixed: the quality gives way
                const PictureRef result = resized(original, size, options);
                quality = qualityFor(result, app1, options);
                jpeg = EncodeJPEG(result, quality, app1);
            }
        }
        const std::optional<qint64> length = SaveResized(dialogs, nullptr, output, quality, {}, jpeg);
        if (length) {
            outcome.saved = true;
            outcome.line = QStringLiteral("%1  %2 × %3  %4")
                               .arg(output)
                               .arg(size.width())
                               .arg(size.height())
                               .arg(FileSizeText(double(*length)));
            if (quality != SavedQuality) outcome.line += QStringLiteral("  quality %1").arg(quality);
        }
    } catch (const QuillonError& error) {
        dialogs.MsgBox(error.message());
    } catch (const std::bad_alloc&) {
        dialogs.MsgBox(QStringLiteral("there is not enough memory for this picture."));
    } catch (const std::exception& error) { // a job on a pool thread must not take the program down
        dialogs.MsgBox(QString::fromLocal8Bit(error.what()));
    }
    outcome.warnings = dialogs.Messages();
    return outcome;
}

namespace {

// The jobs' outcomes, filled in by the pool's threads and printed in input order by the main thread.
class Batch {
public:
    explicit Batch(qsizetype count) : mOutcomes(std::size_t(count)) {}

    void finish(qsizetype index, FileOutcome outcome) {
        const std::lock_guard guard(mLock);
        mOutcomes[std::size_t(index)] = std::move(outcome);
        ++mDone;
        mChanged.notify_one();
    }
    // Waits up to `timeout` for the job at `index`; then how many jobs are done, and its outcome if ready.
    std::pair<qsizetype, std::optional<FileOutcome>> wait(qsizetype index,
                                                          std::chrono::milliseconds timeout) {
        std::unique_lock guard(mLock);
        mChanged.wait_for(guard, timeout, [&] { return mOutcomes[std::size_t(index)].has_value(); });
        return {mDone, std::exchange(mOutcomes[std::size_t(index)], std::nullopt)};
    }

private:
    std::mutex mLock;
    std::condition_variable mChanged;
    std::vector<std::optional<FileOutcome>> mOutcomes;
    qsizetype mDone = 0;
};

class Progress {
public:
    Progress(qsizetype total) : mTotal(total), mShown(::isatty(STDOUT_FILENO) || ::isatty(STDERR_FILENO)) {
        mClock.start();
    }
    void show(qsizetype done) {
        if (!mShown) return;
        print(stderr, QStringLiteral("\r%1/%2 files, %3 s ")
                          .arg(done)
                          .arg(mTotal)
                          .arg(mClock.elapsed() / 1000.0, 0, 'f', 1));
        std::fflush(stderr);
    }
    void clear() {
        if (!mShown) return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
    }

private:
    const qsizetype mTotal;
    const bool mShown;
    QElapsedTimer mClock;
};

// Ctrl+C, a shutdown or a closed terminal during a batch. The signals are held back in every thread
// (a thread started later takes its starter's mask) and taken by the main thread between outcomes, so
// that it can remove the temporary files of the jobs under way before the program stops.
class StopSignals {
public:
    StopSignals() {
        sigemptyset(&mSignals);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP})
            sigaddset(&mSignals, signal);
        pthread_sigmask(SIG_BLOCK, &mSignals, &mEarlier);
    }
    ~StopSignals() { pthread_sigmask(SIG_SETMASK, &mEarlier, nullptr); }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // The signal that has come, taken; 0 when none has.
    int taken() const {
        const timespec now{};
        return std::max(sigtimedwait(&mSignals, nullptr, &now), 0);
    }

private:
    sigset_t mSignals;
    sigset_t mEarlier;
};

int usageError(const QString& message) {
    print(stderr, QStringLiteral("quillon: %1\n%2\n").arg(message, UsageLine()));
    return 2;
}

int runFiles(const Options& options) {
    const std::vector<PlannedFile> plan = PlanBatch(options.files, options.outputDir);
    const qsizetype count = qsizetype(plan.size());
    Batch batch(count);
    const StopSignals stop; // before the pool's threads start
    // A pool of its own, one job a core: a job's row bands wait on the global pool, which a job
    // there would deadlock once every thread held a job.
    QThreadPool pool;
    pool.setMaxThreadCount(QThread::idealThreadCount());
    // The jobs' threads and their row bands' are yet to start.
    MemoryBudget budget(MemoryTheSystemCanGive(2 * pool.maxThreadCount()));
    for (qsizetype i = 0; i < count; ++i) {
        const PlannedFile& file = plan[std::size_t(i)];
        if (file.step == PlannedFile::Step::Make) {
            pool.start([&batch, &options, &file, &budget, i] {
                batch.finish(i, ProcessFile(file.source, file.output, options, budget));
            });
            continue;
        }
        FileOutcome outcome;
        outcome.skipped = file.step == PlannedFile::Step::Skip;
        outcome.warnings.append(file.message);
        batch.finish(i, std::move(outcome));
    }

    Progress progress(count);
    bool allSaved = true;
    for (qsizetype i = 0; i < count; ++i) {
        for (;;) {
            auto [done, outcome] = batch.wait(i, std::chrono::milliseconds(100));
            if (const int signal = stop.taken()) {
                progress.clear();
                ijl::RemoveTemporaryFiles(); // the jobs under way leave nothing behind
                std::_Exit(128 + signal);
            }
            progress.show(done);
            if (!outcome) continue;
            progress.clear();
            for (const QString& warning : outcome->warnings)
                print(stderr, QStringLiteral("quillon: %1\n").arg(warning));
            if (outcome->saved) print(stdout, outcome->line + QLatin1Char('\n'));
            std::fflush(stdout);
            allSaved = allSaved && (outcome->saved || outcome->skipped);
            break;
        }
    }
    progress.clear();
    return allSaved ? 0 : 1;
}

} // namespace

int RunCommandLine(const QStringList& arguments) {
    // Big buffers (pictures, the encoder's coefficients) in pages of their own, given back when freed.
    // glibc would otherwise raise this threshold past the first big buffer freed and keep the next
    // ones in its heap, where a fit's probes and a batch's jobs leave them resident.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    const auto parsed = ParseArguments(arguments);
    if (const auto* error = std::get_if<UsageError>(&parsed)) return usageError(error->message);
    const Options& options = std::get<Options>(parsed);
    if (options.request == Request::Help) {
        print(stdout, HelpText());
        return 0;
    }
    if (options.request == Request::Version) {
        print(stdout, QStringLiteral("quillon %1\n").arg(QStringLiteral(QUILLON_VERSION)));
        return 0;
    }
    struct stat folder;
    if (!options.outputDir.isEmpty() &&
        (::stat(EncodeFileName(options.outputDir).constData(), &folder) != 0 || !S_ISDIR(folder.st_mode)))
        return usageError(QStringLiteral("--output-dir %1 is not a folder").arg(options.outputDir));
    return runFiles(options);
}
