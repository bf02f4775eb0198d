// The command line: its arguments, and the real program run without a display.
#include "cli/Arguments.h"
#include "encoding/mIntelJPEGLibrary.h"
#include "engine/FileSizeText.h"
#include "engine/FitUnderSize.h"
#include "engine/KeptMetadata.h"
#include "engine/Resize.h"
#include "imaging/FileName.h"
#include "imaging/Resample.h"
#include "support/ExifFactory.h"
#include "support/PictureFactory.h"

#include <QDir>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <csignal>
#include <filesystem>
#include <functional>
#include <sys/resource.h>
#include <unistd.h>

namespace {

struct Result {
    int status = -1; // -1 when the program did not end by itself
    QByteArray out;
    QString err;
};

// `inChild` runs in the new process before the program starts, `meanwhile` in this one as it runs.
Result run(const QString& folder, const QStringList& args, const QString& program = QUILLON_BINARY,
           const std::function<void()>& inChild = {}, const std::function<void(QProcess&)>& meanwhile = {}) {
    QProcess process;
    process.setWorkingDirectory(folder);
    if (inChild) process.setChildProcessModifier(inChild);
    process.start("env", QStringList{"-uDISPLAY", "-uWAYLAND_DISPLAY", "-uQT_QPA_PLATFORM", program} + args);
    if (meanwhile) meanwhile(process);
    const bool ended = process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, process.readAllStandardOutput(),
            QString::fromUtf8(process.readAllStandardError())};
}

// The lines printed for 20 × 15 results.
QByteArray savedLines(const QString& folder, const QByteArrayList& names) {
    QByteArray lines;
    for (const QByteArray& name : names) {
        if (name.isEmpty()) continue;
        const auto length = std::filesystem::file_size((EncodeFileName(folder) + '/' + name).toStdString());
        lines += name + EncodeFileName(QStringLiteral("  20 × 15  %1\n").arg(FileSizeText(double(length))));
    }
    return lines;
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private slots:
    // Each line's options, or the refusal the user reads instead.
    void parses_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<Options>("expected");
        QTest::addColumn<QString>("refusal");
        const auto row = [](const char* line, const Options& expected, const char* refusal = "") {
            QTest::newRow(line) << line << expected << refusal;
        };
        row("--scale=50 --height-scale 25 a", {.percentX = 50, .percentY = 25, .files = {"a"}});
        row("--fit 600 a", {.mode = SizeMode::Fit, .fitBytes = 614400, .files = {"a"}});
        row("--fit 1.5M -- --a", {.mode = SizeMode::Fit, .fitBytes = 1572864, .files = {"--a"}});
        row("--fit 600000B a", {.mode = SizeMode::Fit, .fitBytes = 600000, .files = {"a"}});
        row("a.jpg --scale 50 b.gif", {.percentX = 50, .percentY = 50, .files = {"a.jpg", "b.gif"}});
        row("--scale 50", {}, "no picture files given");
        row("--scale 50 --fit 600 a", {},
            "give one of --scale, --size, --fit and --within (--fit may go with --size or --within)");
        row("--scale 301 a", {}, "a scale is a whole percentage from 1 to 300, such as 50");
        row("--size 65501x1 a", {}, "--size takes WIDTHxHEIGHT in pixels, each 1 to 65500, such as 1280x960");
        row("--within 70000x5 a", {},
            "--within takes WIDTHxHEIGHT in pixels, each 1 to 65500, such as 2048x2048");
        row("--fit 0K a", {}, "--fit takes a length such as 600K or 1.5M (a plain number is in KB)");
        row("--scale 5 --scale 6 a", {}, "--scale is given twice");
        row("--quality 80 a", {}, "unknown option --quality");
        row("a --scale", {}, "--scale needs a value");
    }
    void parses() {
        QFETCH(QString, line);
        QFETCH(Options, expected);
        const auto result = ParseArguments(line.split(' '));
        const auto* error = std::get_if<UsageError>(&result);
        QTEST(error ? error->message : QString(), "refusal");
        if (!error) QCOMPARE(std::get<Options>(result), expected);
    }

    void batches_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("printed"); // the outputs, in order
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("warnings");
        QTest::addColumn<bool>("diskFull");
        const auto row = [](const char* name, const char* args, const char* printed, int status,
                            const QString& warnings, bool diskFull = false) {
            QTest::newRow(name) << args << printed << status << warnings << diskFull;
        };
        row("one file twice", "--scale 50 a.jpg ./a.jpg", "a(QLN).jpg", 1,
            "quillon: left out ./a.jpg: ./a(QLN).jpg, the result of a.jpg, would be written over by the "
            "result of ./a.jpg\n");
        row("an earlier result", "--scale 50 a(QLN).jpg a.jpg", "a(QLN).jpg", 0,
            "quillon: skipped a(QLN).jpg: it is the result of a.jpg\n");
        row("a link to an earlier result", "--scale 50 a.jpg link.jpg", "a(QLN).jpg", 0,
            "quillon: skipped link.jpg: it is the result of a.jpg\n");
        row("a box and a length", "--fit 2M --within 20x20 a.jpg", "a(QLN).jpg", 0, "");
        row("too wide for a JPEG", "--scale 300 wide.png", "", 1,
            "quillon: wide.png: The resized picture would be 66000 × 3 pixels, larger than Quillon can make "
            "(at most 268 megapixels and 65500 pixels a side). Choose a smaller percentage.\n");
        row("a read-only output, a full disk", "--scale 50 r.jpg", "", 1,
            "quillon: r.jpg: Failed to save to JPG\n", true);
        row("help asked for", "-h", "help", 0, "");
        row("no options, no display", "a.jpg", "", 2,
            "quillon: no display to show the window on; to resize from the command line give an option, such "
            "as --scale 50\n");
        row("a box with a scale", "--within 600x600 --scale 50 a.jpg", "", 2,
            "quillon: --within goes alone or with --fit, not with --scale or --size\n" + UsageLine() + '\n');
    }
    void batches() {
        QFETCH(QString, args);
        QFETCH(QString, printed);
        QFETCH(bool, diskFull);
        using std::filesystem::perms;
        QTemporaryDir folder;
        const QString earlier = folder.filePath("r(QLN).jpg"); // read-only, there before the run
        const QByteArray photo = factory::encode(factory::gradient(40, 30), "JPEG");
        for (const char* name : {"a.jpg", "r.jpg", "a(QLN).jpg"})
            factory::writeFile(folder.filePath(name), photo);
        factory::writeFile(folder.filePath("wide.png"), factory::claiming("PNG", 22000, 1));
        factory::writeFile(earlier, "an earlier result");
        QVERIFY(QFile::link("a(QLN).jpg", folder.filePath("link.jpg")));
        std::filesystem::permissions(earlier.toStdString(), perms(0444));

        const std::function<void()> fullDisk = [] { // no file may grow past 300 bytes
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{300, 300};
            setrlimit(RLIMIT_FSIZE, &small);
        };
        const Result result = ::run(folder.path(), args.split(' ', Qt::SkipEmptyParts), QUILLON_BINARY,
                                    diskFull ? fullDisk : nullptr);
        QTEST(result.err, "warnings");
        QTEST(result.status, "status");
        QCOMPARE(result.out, printed == "help" ? HelpText().toUtf8()
                                               : savedLines(folder.path(), printed.toUtf8().split(' ')));
        QCOMPARE(std::filesystem::status(earlier.toStdString()).permissions(), perms(0444));
        QCOMPARE(factory::readFile(earlier), QByteArray("an earlier result"));
    }

    void namesAreBytes() {
        QTemporaryDir folder;
        const auto removed = qScopeGuard([&] { std::filesystem::remove_all(folder.path().toStdString()); });
        factory::writeFile(folder.filePath("a.jpg"), factory::encode(factory::gradient(40, 30), "JPEG"));
        const char* script =
            "n=$(printf 'caf\\351.jpg'); d=$(printf 'out\\351'); cp a.jpg \"$n\"; mkdir \"$d\"; "
            "\"$0\" --scale 50 --output-dir \"$d\" \"$n\"";
        const Result result = ::run(folder.path(), {"-c", script, QUILLON_BINARY}, "/bin/sh");
        QCOMPARE(result.err, QString());
        QCOMPARE(result.out, savedLines(folder.path(), {"out\xe9/caf\xe9(QLN).jpg"}));
    }

    void aStoppedBatchLeavesNothing_data() {
        QTest::addColumn<int>("signal");
        QTest::newRow("Ctrl+C") << SIGINT;
        QTest::newRow("a closed terminal") << SIGHUP;
    }
    void aStoppedBatchLeavesNothing() {
        QFETCH(int, signal);
        QTemporaryDir folder;
        const QByteArray photo = factory::encode(factory::gradient(2000, 1500), "JPEG");
        QStringList args{"--scale", "300"};
        for (int i = 0; i < 12; ++i) {
            args.append(folder.filePath(QStringLiteral("p%1.jpg").arg(i)));
            factory::writeFile(args.last(), photo);
        }
        const auto temporaries = [&] {
            return QDir(folder.path()).entryList({".quillon-jpeg-*"}, QDir::Files | QDir::Hidden);
        };
        // Stopped while a temporary file is there, so that the signal finds it.
        bool held = false;
        const Result result = ::run(folder.path(), args, QUILLON_BINARY, {}, [&](QProcess& batch) {
            const pid_t pid = pid_t(batch.processId());
            while (!held && !batch.waitForFinished(1)) {
                if (temporaries().isEmpty()) continue;
                ::kill(pid, SIGSTOP);
                held = !temporaries().isEmpty();
                if (!held) ::kill(pid, SIGCONT);
            }
            ::kill(pid, signal);
            ::kill(pid, SIGCONT);
        });
        QVERIFY(held);
        QCOMPARE(result.status, 128 + signal);
        QCOMPARE(temporaries(), QStringList());
    }

    void aSizeAndATooShortLength() {
        QTemporaryDir folder;
        const QString path = folder.filePath("a.png");
        factory::writeFile(path, factory::encode(factory::gradient(1500, 1000), "PNG"));
        const Result result = ::run(folder.path(), {"--size", "600x400", "--fit", "1K", "a.png"});
        const PictureRef resized = ResizedPicture(LoadPicture(path), QSize(600, 400), Qt::white);
        QCOMPARE(result.err,
                 QStringLiteral("quillon: a.png: even at quality 30, its JPEG of 600 × 400 pixels "
                                "takes %1, more than 1.00 KB; nothing was written.\n")
                     .arg(FileSizeText(double(EncodeJPEG(resized, 30).size()))));
        QVERIFY(!QFile::exists(folder.filePath("a(QLN).jpg")));
        QCOMPARE(result.status, 1);
    }

    // The saved file is the engine's JPEG: from a smaller decode for a smooth shrink, with the date and
    // camera only when asked, at the best quality a length allows.
    void savesTheEnginesJpeg_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("shrunkOnLoad");
        const QByteArray photo = factory::encode(factory::gradient(800, 600), "JPEG");
        const QByteArray camera = factory::withExif("JPEG", factory::cameraExif());
        QTest::newRow("smooth, a fit") << "--smooth --fit 2K" << photo << true;
        QTest::newRow("nearest pixel, a tenth") << "--scale 10" << photo << false;
        QTest::newRow("smooth, enlarged") << "--smooth --scale 150" << photo << false;
        QTest::newRow("date and camera kept in a fit")
            << "--keep-date-and-camera --fit 100K" << camera << false;
        QTest::newRow("date and camera not asked for") << "--scale 100" << camera << false;
        // its transparency laid over white
        QTest::newRow("a size and a length, at a lower quality")
            << "--size 600x400 --fit 6K" << factory::encode(factory::withTransparency(1500, 1000), "PNG")
            << false;
    }
    void savesTheEnginesJpeg() {
        QFETCH(QString, args);
        QFETCH(QByteArray, file);
        QFETCH(bool, shrunkOnLoad);
        QTemporaryDir folder;
        const QString path = folder.filePath("a.jpg");
        factory::writeFile(path, file);
        const Result result = ::run(folder.path(), args.split(' ') << "a.jpg");
        QCOMPARE(result.err, QString());
        const QByteArray saved = factory::readFile(folder.filePath("a(QLN).jpg"));
        const QSize size = QImage::fromData(saved).size();
        const PictureRef whole = LoadPicture(path);
        const PictureRef decoded = shrunkOnLoad ? LoadPictureFor(path, size) : whole;
        QCOMPARE(decoded->size() != whole->size(), shrunkOnLoad);
        const PictureRef resized = args.contains("--smooth") ? SmoothResizedPicture(decoded, size, Qt::white)
                                                             : ResizedPicture(decoded, size, Qt::white);
        const bool keep = args.contains("--keep-date-and-camera");
        const int quality = args.startsWith("--size") ? FitQualityUnderSize(resized, 6 * 1024).quality : 90;
        if (quality != 90) QVERIFY(result.out.endsWith("  quality " + QByteArray::number(quality) + '\n'));
        QCOMPARE(saved, EncodeJPEG(resized, quality,
                                   keep ? KeptExifSegment(factory::cameraExif(), size) : QByteArray()));
    }

    // Jobs side by side share the memory: with room for one, each is saved in turn.
    void bigPicturesShareTheMemory_data() {
        QTest::addColumn<int>("roomMB");
        QTest::addColumn<int>("status");
        QTest::newRow("room for none") << 300 << 1;
        QTest::newRow("room for one at a time") << 800 << 0;
    }
    void bigPicturesShareTheMemory() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        QSKIP("the sanitizers need more address space than the limit leaves");
#endif
        QFETCH(int, roomMB);
        QFETCH(int, status);
        QTemporaryDir folder;
        const QStringList files{"deep1.png", "deep2.png", "deep3.png"};
        QImage deep(6000, 6000, QImage::Format_RGBX64); // 288 MB while decoding, 220 KB in the file
        deep.fill(QColor(30, 120, 200));
        const QByteArray png = factory::encode(deep, "PNG", 0);
        for (const QString& name : files)
            factory::writeFile(folder.filePath(name), png);
        QString expected;
        for (const QString& name : files)
            if (status != 0)
                expected +=
                    QStringLiteral("quillon: %1: The file “%1” could not be opened: there is not enough "
                                   "memory for a picture of 6000 × 6000 pixels.\n")
                        .arg(name);
        // Each thread takes address space of its own.
        const rlim_t limit = (roomMB + 2 * QThread::idealThreadCount() * 72ll) << 20;
        const auto addressSpace = [limit] {
            const rlimit room{limit, limit};
            ::setrlimit(RLIMIT_AS, &room);
        };
        const Result result =
            ::run(folder.path(), QStringList{"--scale", "50"} + files, QUILLON_BINARY, addressSpace);
        QCOMPARE(result.err, expected);
        QCOMPARE(result.status, status);
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_cli.moc"
