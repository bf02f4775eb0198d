// The command line: its arguments, and the real program run on files made here, without a display.
#include "cli/Arguments.h"
#include "encoding/mIntelJPEGLibrary.h"
#include "engine/FileSizeText.h"
#include "engine/FitUnderSize.h"
#include "engine/KeptMetadata.h"
#include "engine/OutputName.h"
#include "engine/Resize.h"
#include "imaging/ExifBlock.h"
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
    void parses_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("parsed"); // "mode x y w h bytes files"
        const auto row = [](const char* line, const char* parsed) { QTest::newRow(line) << line << parsed; };
        row("--scale 50 a.jpg b.gif", "0 50 50 0 0 0 2");
        row("--scale=50 --height-scale 25 a", "0 50 25 0 0 0 1");
        row("--size 1280x960 a.png", "1 100 100 1280 960 0 1");
        row("--fit 600 a", "2 100 100 0 0 614400 1");
        row("--fit 1.5M -- --a", "2 100 100 0 0 1572864 1");
        row("--fit 600000B a", "2 100 100 0 0 600000 1");
        row("a.jpg --smooth --scale 50", "0 50 50 0 0 0 1");
        for (const char* bad :
             {"--scale 50", "--scale 50 --fit 600 a", "--scale 301 a", "--scale 5.5 a", "--size 65501x1 a",
              "--fit 0K a", "--scale 5 --scale 6 a", "--quality 80 a", "a --scale"})
            row(bad, "error");
    }
    void parses() {
        QFETCH(QString, line);
        const auto result = ParseArguments(line.split(QLatin1Char(' ')));
        QString got = QStringLiteral("error");
        if (const auto* o = std::get_if<Options>(&result))
            got = QString::asprintf("%d %d %d %d %d %lld %d", int(o->mode), o->percentX, o->percentY,
                                    o->size.width(), o->size.height(), qint64(o->fitBytes),
                                    int(o->files.size()));
        QTEST(got, "parsed");
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
        row("two inputs, one output", "--scale 50 a.jpg a.png", "a(QLN).jpg", 1,
            "quillon: left out a.png: a(QLN).jpg, the result of a.jpg, would be written over by the result "
            "of a.png\n");
        row("one file twice", "--scale 50 a.jpg ./a.jpg", "a(QLN).jpg", 1,
            "quillon: left out ./a.jpg: ./a(QLN).jpg, the result of a.jpg, would be written over by the "
            "result of ./a.jpg\n");
        row("an earlier result", "--scale 50 a(QLN).jpg a.jpg", "a(QLN).jpg", 0,
            "quillon: skipped a(QLN).jpg: it is the result of a.jpg\n");
        row("a link to an earlier result", "--scale 50 a.jpg link.jpg", "a(QLN).jpg", 0,
            "quillon: skipped link.jpg: it is the result of a.jpg\n");
        row("too wide for a JPEG", "--scale 300 wide.png", "", 1,
            "quillon: wide.png: The resized picture would be 66000 × 3 pixels, larger than Quillon can make "
            "(at most 268 megapixels and 65500 pixels a side). Choose a smaller percentage.\n");
        row("a folder in the way", "--scale 50 z.jpg", "", 1,
            "quillon: z.jpg: “z(QLN).jpg” is a folder, so the resized picture cannot be saved under that "
            "name. Rename or move the folder, then save again.\n");
        row("a read-only output, a full disk", "--scale 50 r.jpg", "", 1,
            "quillon: r.jpg: Failed to save to JPG\n", true);
        row("a file named like an option", "--scale 50 -- --scale", "--scale(QLN).jpg", 0, "");
        row("-h", "-h", "help", 0, "");
        const char* noDisplay = "quillon: no display to show the window on; to resize from the command line "
                                "give an option, such as --scale 50\n";
        row("no options, no display", "a.jpg", "", 2, noDisplay);
        row("a box with a scale", "--within 600x600 --scale 50 a.jpg", "", 2,
            "quillon: --within goes alone or with --fit, not with --scale or --size\n" + UsageLine() + '\n');
        row("a box past a JPEG's side", "--within 70000x5 a.jpg", "", 2,
            "quillon: --within takes WIDTHxHEIGHT in pixels, each 1 to 65500, such as 2048x2048\n" + UsageLine() +
                '\n');
    }
    void batches() {
        using std::filesystem::perms;
        QFETCH(QString, args);
        QFETCH(QString, printed);
        QFETCH(bool, diskFull);
        QTemporaryDir folder;
        const auto path = [&](const char* name) { return folder.filePath(QString::fromUtf8(name)); };
        const QByteArray photo = factory::encode(factory::gradient(40, 30), "JPEG");
        for (const char* name : {"a.jpg", "a.png", "z.jpg", "r.jpg", "--scale"})
            factory::writeFile(path(name), photo);
        QVERIFY(QDir(folder.path()).mkdir("z(QLN).jpg"));
        factory::writeFile(path("wide.png"), factory::claiming("PNG", 22000, 1));
        factory::writeFile(path("a(QLN).jpg"), photo);
        factory::writeFile(path("r(QLN).jpg"), "an earlier result");
        QVERIFY(QFile::link("a(QLN).jpg", path("link.jpg")));
        std::filesystem::permissions(path("z(QLN).jpg").toStdString(), perms(0555));
        std::filesystem::permissions(path("r(QLN).jpg").toStdString(), perms(0444));

        const std::function<void()> fullDisk = [] { // no file may grow past 300 bytes
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{300, 300};
            setrlimit(RLIMIT_FSIZE, &small);
        };
        const Result result = ::run(folder.path(), args.split(' ', Qt::SkipEmptyParts), QUILLON_BINARY,
                                    diskFull ? fullDisk : nullptr);
        QTEST(result.err, "warnings");
        QTEST(result.status, "status");
        const QByteArrayList outputs = printed.toUtf8().split(' ');
        QCOMPARE(result.out, printed == "help" ? HelpText().toUtf8() : savedLines(folder.path(), outputs));
        QCOMPARE(std::filesystem::status(path("z(QLN).jpg").toStdString()).permissions(), perms(0555));
        QCOMPARE(std::filesystem::status(path("r(QLN).jpg").toStdString()).permissions(), perms(0444));
        QCOMPARE(factory::readFile(path("r(QLN).jpg")), QByteArray("an earlier result"));
    }

    void namesAreBytes() {
        QTemporaryDir folder;
        const auto removed = qScopeGuard([&] { std::filesystem::remove_all(folder.path().toStdString()); });
        factory::writeFile(folder.filePath("a.jpg"), factory::encode(factory::gradient(40, 30), "JPEG"));
        // The second copy has U+FFFD where the first has the byte.
        const char* script =
            "n=$(printf 'caf\\351.jpg'); cp a.jpg \"$n\"; cp a.jpg \"$(printf 'caf\\357\\277\\275.jpg')\"; "
            "mkdir \"$(printf 'out\\351')\"; \"$0\" --scale 50 \"$n\" && "
            "\"$0\" --scale 50 --output-dir \"$(printf 'out\\351')\" \"$n\"";
        const Result result = ::run(folder.path(), {"-c", script, QUILLON_BINARY}, QStringLiteral("/bin/sh"));
        QCOMPARE(result.err, QString());
        QCOMPARE(result.out, savedLines(folder.path(), {"caf\xe9(QLN).jpg", "out\xe9/caf\xe9(QLN).jpg"}));
        QVERIFY(!std::filesystem::exists(folder.filePath("caf\uFFFD(QLN).jpg").toStdString()));
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
            while (!held && !batch.waitForFinished(1)) {
                if (temporaries().isEmpty()) continue;
                ::kill(pid_t(batch.processId()), SIGSTOP);
                held = !temporaries().isEmpty();
                if (!held) ::kill(pid_t(batch.processId()), SIGCONT);
            }
            ::kill(pid_t(batch.processId()), signal);
            ::kill(pid_t(batch.processId()), SIGCONT);
        });
        QVERIFY(held);
        QCOMPARE(result.status, 128 + signal);
        QCOMPARE(temporaries(), QStringList());
    }

    void uploadLimits_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("quality");
        QTest::newRow("a box and a length") << "--fit 2M --within 600x900"
                                            << "600 × 400" << 90;
        QTest::newRow("an exact size and a length") << "--size 600x600 --fit 8K"
                                                    << "600 × 600" << 0;
    }
    void uploadLimits() {
        QFETCH(QString, args);
        QFETCH(QString, size);
        QFETCH(int, quality);
        QTemporaryDir folder;
        // Its transparent parts show which background the saved file was laid over.
        factory::writeFile(folder.filePath("a.png"), factory::encode(factory::withTransparency(1500, 1000), "PNG"));
        const Result result = ::run(folder.path(), args.split(' ') << "a.png");
        QCOMPARE(result.err, QString());
        const QByteArray saved = factory::readFile(folder.filePath("a(QLN).jpg"));
        QString line = QStringLiteral("a(QLN).jpg  %1  %2").arg(size, FileSizeText(double(saved.size())));
        if (quality == 0) { // the highest that fits
            const QSize pixels = QImage::fromData(saved).size();
            const PictureRef resized =
                ResizedPicture(LoadPicture(folder.filePath("a.png")), pixels, Qt::white);
            quality = FitQualityUnderSize(resized, 8 * 1024).quality;
            QCOMPARE(saved, EncodeJPEG(resized, quality));
            line += QStringLiteral("  quality %1").arg(quality);
        }
        QCOMPARE(QString::fromUtf8(result.out), line + '\n');
        QCOMPARE(result.status, 0);
    }
    void decodesWhatTheResultNeeds_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<bool>("shrunkOnLoad");
        QTest::newRow("smooth, a fit") << "--smooth --fit 2K" << true;
        QTest::newRow("nearest pixel, a tenth") << "--scale 10" << false;
        QTest::newRow("smooth, enlarged") << "--smooth --scale 150" << false;
    }
    void decodesWhatTheResultNeeds() {
        QFETCH(QString, args);
        QFETCH(bool, shrunkOnLoad);
        QTemporaryDir folder;
        const QString path = folder.filePath("a.jpg");
        factory::writeFile(path, factory::encode(factory::gradient(800, 600), "JPEG"));
        const Result result = ::run(folder.path(), args.split(' ') << "a.jpg");
        QCOMPARE(result.status, 0);
        const QByteArray saved = factory::readFile(folder.filePath("a(QLN).jpg"));
        const QSize size = QImage::fromData(saved).size();
        const PictureRef decoded = shrunkOnLoad ? LoadPictureFor(path, size) : LoadPicture(path);
        QCOMPARE(decoded->size() == QSize(800, 600), !shrunkOnLoad);
        const PictureRef resized = args.contains("--smooth") ? SmoothResizedPicture(decoded, size, Qt::white)
                                                             : ResizedPicture(decoded, size, Qt::white);
        QCOMPARE(saved, EncodeJPEG(resized, 90));
    }
    void nothingFitsEvenAtQuality30() {
        QTemporaryDir folder;
        factory::writeFile(folder.filePath("a.png"), factory::encode(factory::gradient(1500, 1000), "PNG"));
        const Result result = ::run(folder.path(), {"--size", "600x600", "--fit", "1K", "a.png"});
        const PictureRef at30 =
            ResizedPicture(LoadPicture(folder.filePath("a.png")), QSize(600, 600), Qt::white);
        QCOMPARE(result.err, QStringLiteral("quillon: a.png: even at quality 30, its JPEG of 600 × 600 pixels "
                                            "takes %1, more than 1.00 KB; nothing was written.\n")
                                 .arg(FileSizeText(EncodeJPEG(at30, 30).size())));
        QCOMPARE(result.status, 1);
        QVERIFY(!QFile::exists(folder.filePath("a(QLN).jpg")));
    }

    void keepsTheDateAndCameraOnlyWhenAsked_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("keep");
        QTest::addColumn<QSize>("size"); // only a JPEG is turned by its EXIF orientation
        QTest::newRow("JPEG, kept") << "cam.jpg" << true << QSize(12, 16);
        QTest::newRow("PNG, not asked") << "cam.png" << false << QSize(16, 12);
    }
    void keepsTheDateAndCameraOnlyWhenAsked() {
        QFETCH(QString, name);
        QFETCH(bool, keep);
        QFETCH(QSize, size);
        QTemporaryDir folder;
        const QByteArray format = name.section('.', 1).toUpper().replace("JPG", "JPEG").toLatin1();
        factory::writeFile(folder.filePath(name),
                           factory::withExif(format.constData(), factory::cameraExif()));
        QStringList args{"--scale", "100", name};
        if (keep) args.prepend("--keep-date-and-camera");
        const Result result = ::run(folder.path(), args);
        QCOMPARE(result.err, QString());
        const QByteArray saved = factory::readFile(folder.filePath(OutputNameFor(name)));
        QCOMPARE(QImage::fromData(saved).size(), size);
        const QByteArray kept = keep ? KeptExifSegment(factory::cameraExif(), size) : QByteArray();
        QCOMPARE(ExifBlockOf(saved), kept.mid(6)); // after "Exif\0\0"
        QCOMPARE(saved.contains("Exif"), keep);
        for (const QByteArray& secret : factory::cameraSecrets())
            QVERIFY2(!saved.contains(secret), secret.constData());
    }

    // Jobs side by side share the memory: with room for one at a time each is saved in turn.
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
