#include "cli/CommandLine.h"

#include "cli/ConsoleDialogs.h"
#include "encoding/cDIBSection.h"
#include "encoding/mIntelJPEGLibrary.h"
#include "platform/Error.h"
#include "platform/FileSizeText.h"
#include "platform/FileSystem.h"
#include "platform/OutputName.h"
#include "platform/PictureChecks.h"
#include "platform/Resample.h"
#include "platform/Resize.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QThreadPool>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

void print(std::FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
}

QString outputPathFor(const QString& source, const QString& outputDir) {
    const QString beside = OutputNameFor(source);
    if (beside.isEmpty() || outputDir.isEmpty()) return beside;
    return QDir(outputDir).filePath(QFileInfo(beside).fileName());
}

// The same file under another name (a link, or the same path written differently) counts too.
bool sameFile(const QString& a, const QString& b) {
    struct stat sa, sb;
    return ::stat(QFile::encodeName(a).constData(), &sa) == 0 &&
           ::stat(QFile::encodeName(b).constData(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

QSize targetSize(const PictureRef& original, const Options& options, const ResizeFunction& resize) {
    switch (options.mode) {
    case SizeMode::Scale:
        return ScaledSize(original->size(), options.percentX, options.percentY);
    case SizeMode::Size:
        return options.size;
    case SizeMode::Fit:
        break;
    }
    const FitResult fit = FitUnderSize(original, options.fitBytes, resize);
    if (fit.outcome == FitOutcome::NothingFits)
        throw QuillonError(QStringLiteral("even one pixel wide, its JPEG takes %1, more than %2.")
                               .arg(FileSizeText(double(fit.bytes)), FileSizeText(double(options.fitBytes))));
    return fit.size;
}

// The job's most memory at once, held from the batch's budget before the picture is decoded: the
// header tells how much, so that parallel jobs never together ask for more than there is.
MemoryBudget::Share reserveMemory(MemoryBudget& budget, const QString& source, const Options& options) {
    const PictureInfo header = ReadPictureInfo(source);
    const QSize result = options.mode == SizeMode::Scale
                             ? ScaledSize(header.pixels, options.percentX, options.percentY)
                         : options.mode == SizeMode::Size ? options.size
                                                          : header.pixels;
    MemoryBudget::Share share = budget.Reserve(PictureWorkBytes(header, QFileInfo(source).size(), result));
    if (!share) FailForMemory(source, header.pixels);
    return share;
}

// The save command's own steps: the output made replaceable, the wrapper, the JPEG writer.
bool save(const PictureRef& picture, const QString& output, ConsoleDialogs& dialogs) {
    MakeReplaceable(output);
    cDIBSection wrapper;
    wrapper.CreateFromPicture(picture);
    return SaveJPEG(dialogs, wrapper, output, 90);
}

} // namespace

FileOutcome ProcessFile(const QString& source, const Options& options, const ResizeFunction& resize,
                        MemoryBudget& budget) {
    ConsoleDialogs dialogs(source);
    FileOutcome outcome;
    try {
        const QString output = outputPathFor(source, options.outputDir);
        if (output.isEmpty()) throw QuillonError(QStringLiteral("no output name can be made from it."));
        if (sameFile(source, output))
            throw QuillonError(
                QStringLiteral("its output %1 is the picture itself; it is left as it is.").arg(output));
        const MemoryBudget::Share memory = reserveMemory(budget, source, options);
        const PictureRef original = LoadPicture(source);
        const QSize size = targetSize(original, options, resize);
        const PictureRef resized = resize(original, size);
        if (save(resized, output, dialogs)) {
            outcome.saved = true;
            outcome.line = QStringLiteral("%1  %2 × %3  %4")
                               .arg(output)
                               .arg(size.width())
                               .arg(size.height())
                               .arg(FileSizeText(double(QFileInfo(output).size())));
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

int usageError(const QString& message) {
    print(stderr, QStringLiteral("quillon: %1\n%2\n").arg(message, UsageLine()));
    return 2;
}

int runFiles(const Options& options, const ResizeFunction& resize) {
    const QStringList& files = options.files;
    Batch batch(files.size());
    // A pool of its own, one job a core: a job's row bands wait on the global pool, which a job
    // there would deadlock once every thread held a job.
    QThreadPool pool;
    pool.setMaxThreadCount(QThread::idealThreadCount());
    // The jobs' threads and their row bands' are yet to start.
    MemoryBudget budget(MemoryTheSystemCanGive(2 * pool.maxThreadCount()));
    for (qsizetype i = 0; i < files.size(); ++i)
        pool.start([&batch, &options, &resize, &files, &budget, i] {
            batch.finish(i, ProcessFile(files[i], options, resize, budget));
        });

    Progress progress(files.size());
    bool allSaved = true;
    for (qsizetype i = 0; i < files.size(); ++i) {
        for (;;) {
            auto [done, outcome] = batch.wait(i, std::chrono::milliseconds(100));
            progress.show(done);
            if (!outcome) continue;
            progress.clear();
            for (const QString& warning : outcome->warnings)
                print(stderr, QStringLiteral("quillon: %1\n").arg(warning));
            if (outcome->saved) print(stdout, outcome->line + QLatin1Char('\n'));
            std::fflush(stdout);
            allSaved = allSaved && outcome->saved;
            break;
        }
    }
    progress.clear();
    return allSaved ? 0 : 1;
}

} // namespace

int RunCommandLine(const QStringList& arguments) {
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
    if (!options.outputDir.isEmpty() && !QFileInfo(options.outputDir).isDir())
        return usageError(QStringLiteral("--output-dir %1 is not a folder").arg(options.outputDir));
    // No desktop palette here: transparent parts lie over white, the window's background under
    // Qt's own palette, whichever way the picture is resized.
    const QColor background(Qt::white);
    const ResizeFunction nearest = [background](const PictureRef& picture, QSize size) {
        return ResizedPicture(picture, size, background);
    };
    const ResizeFunction smooth = [background](const PictureRef& picture, QSize size) {
        return SmoothResizedPicture(picture, size, background);
    };
    return runFiles(options, options.smooth ? smooth : nearest);
}
