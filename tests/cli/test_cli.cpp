// The command line: its arguments, and the real program run on files made here, without a display.
#include "cli/Arguments.h"
#include "platform/FileSizeText.h"
#include "platform/FileSystem.h"
#include "support/PictureFactory.h"

#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

struct Result {
    int status = -1; // -1 when the program did not end by itself
    QByteArray out;
    QString err;
};

// The program as a user's shell without a display runs it, in `folder`.
Result run(const QString& folder, const QStringList& args, const QString& program = QUILLON_BINARY,
           const std::function<void()>& inChild = {}) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(name);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    if (inChild) process.setChildProcessModifier(inChild);
    process.start(program, args);
    const bool ended = process.waitForFinished(300000) && process.exitStatus() == QProcess::NormalExit;
    return {ended ? process.exitCode() : -1, process.readAllStandardOutput(),
            QString::fromUtf8(process.readAllStandardError())};
}

int modeOf(const QByteArray& path) {
    struct stat status;
    return ::lstat(path.constData(), &status) == 0 ? int(status.st_mode & 07777) : -1;
}

// The lines printed for saved files, from the files themselves.
QByteArray savedLines(const QString& folder, const QByteArrayList& names) {
    QByteArray lines;
    for (const QByteArray& name : names) {
        std::ifstream file(EncodeFileName(folder) + '/' + name, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(file), {}};
        const QImage image = QImage::fromData(QByteArray::fromStdString(bytes));
        const QString figures = QStringLiteral("  %1 × %2  %3\n")
                                    .arg(image.width())
                                    .arg(image.height())
                                    .arg(FileSizeText(double(bytes.size())));
        lines += name + EncodeFileName(figures);
    }
    return lines;
}

void writeBytes(const QByteArray& path, const QByteArray& bytes) {
    std::FILE* file = std::fopen(path.constData(), "wb");
    QVERIFY(file && std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), file) == std::size_t(bytes.size()));
    std::fclose(file);
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    int run(const QStringList& args) { return ::run(dir.path(), args).status; }
    QString file(const QString& name) { return dir.filePath(name); }

private slots:
    void parses_data() {
        QTest::addColumn<QString>("line"), QTest::addColumn<QString>("parsed"); // "mode x y w h bytes files"
        const auto row = [](const char* line, const char* parsed) { QTest::newRow(line) << line << parsed; };
        row("--scale 50 a.jpg b.gif", "0 50 50 0 0 0 2"),
            row("--scale=50 --height-scale 25 a", "0 50 25 0 0 0 1");
        row("--size 1280x960 a.png", "1 100 100 1280 960 0 1"), row("--fit 600 a", "2 100 100 0 0 614400 1");
        row("--fit 1.5M -- --a", "2 100 100 0 0 1572864 1");
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

    void runsTheRealProgram() {
        factory::writeFile(file("a.jpg"), factory::encode(factory::gradient(400, 300), "JPEG"));
        factory::writeFile(file("b.png"), factory::encode(factory::withTransparency(101, 51), "PNG"));
        factory::writeFile(file("broken.jpg"), factory::randomBytes(3000));
        QCOMPARE(run({"--scale", "50", file("a.jpg"), file("broken.jpg"), file("b.png")}), 1);
        QCOMPARE(QImageReader(file("a(QLN).jpg")).size(), QSize(200, 150));
        QCOMPARE(QImageReader(file("b(QLN).jpg")).size(), QSize(50, 25));
        QVERIFY(!QFile::exists(file("broken(QLN).jpg")));

        // Two big ones at once: each job's row bands must still find threads to run on.
        QVERIFY(QDir(dir.path()).mkdir("out"));
        const QString big = file("big.jpg"), big2 = file("big2.jpg");
        factory::writeFile(big, factory::encode(factory::gradient(1600, 1200), "JPEG"));
        QVERIFY(QFile::copy(big, big2) && QFile::copy(big, file("big3.jpg")));
        QCOMPARE(run({"--scale", "100", big, big2, file("big3.jpg")}), 0);
        QCOMPARE(run({"--fit", "100K", "--output-dir", file("out"), big, big2}), 0);
        for (const char* name : {"out/big(QLN).jpg", "out/big2(QLN).jpg"})
            QVERIFY(QFileInfo(file(name)).size() > 0 && QFileInfo(file(name)).size() <= 100 * 1024);

        QCOMPARE(run({"--scale", "500", big}), 2);
        QCOMPARE(run({"--smooth", "--scale", "50", big}), 0);
        QCOMPARE(QImageReader(file("big(QLN).jpg")).size(), QSize(800, 600));
    }

    // Any byte string is a name that comes back as it was.
    void namesKeepTheirBytes_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::newRow("UTF-8") << QByteArray("été 日本.jpg");
        QTest::newRow("a Latin-1 byte") << QByteArray("caf\xe9.jpg");
        QTest::newRow("a stand-in's own UTF-8") << QByteArray("\xf4\x8f\xbf\xa9");
        QTest::newRow("a cut-off sequence") << QByteArray("a\xe2\x82");
        QTest::newRow("an overlong slash") << QByteArray("\xc0\xaf");
    }
    void namesKeepTheirBytes() {
        QFETCH(QByteArray, name);
        QCOMPARE(EncodeFileName(DecodeFileName(name)), name);
    }

    // What each run prints, whole, and what it leaves of the files in the way.
    void batches_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("printed"); // the outputs, in order
        QTest::addColumn<QString>("warnings");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("diskFull");
        const auto row = [](const char* name, const char* args, const char* printed, const char* warnings,
                            int status, bool diskFull = false) {
            QTest::newRow(name) << args << printed << warnings << status << diskFull;
        };
        row("two inputs, one output", "--scale 50 a.jpg a.png", "a(QLN).jpg",
            "quillon: left out a.png: a(QLN).jpg, the result of a.jpg, would be written over by the result "
            "of a.png\n",
            1);
        row("one name in two folders", "--scale 50 --output-dir out d1/p.jpg d2/p.jpg", "out/p(QLN).jpg",
            "quillon: left out d2/p.jpg: out/p(QLN).jpg, the result of d1/p.jpg, would be written over by the "
            "result of d2/p.jpg\n",
            1);
        row("one file twice", "--scale 50 a.jpg ./a.jpg", "a(QLN).jpg",
            "quillon: left out ./a.jpg: ./a(QLN).jpg, the result of a.jpg, would be written over by the "
            "result of ./a.jpg\n",
            1);
        row("an earlier result", "--scale 50 a(QLN).jpg a.jpg", "a(QLN).jpg",
            "quillon: skipped a(QLN).jpg: it is the result of a.jpg\n", 0);
        row("a link to an earlier result", "--scale 50 a.jpg link.jpg", "a(QLN).jpg",
            "quillon: skipped link.jpg: it is the result of a.jpg\n", 0);
        row("too wide for a JPEG", "--scale 300 wide.png", "",
            "quillon: wide.png: The resized picture would be 66000 × 3 pixels, larger than Quillon can make "
            "(at most 268 megapixels and 65500 pixels a side). Choose a smaller percentage.\n",
            1);
        row("too many pixels", "--size 65500x65500 a.jpg", "",
            "quillon: a.jpg: The resized picture would be 65500 × 65500 pixels, larger than Quillon can make "
            "(at most 268 megapixels and 65500 pixels a side). Choose a smaller size.\n",
            1);
        row("a folder in the way", "--scale 50 z.jpg", "",
            "quillon: z.jpg: “z(QLN).jpg” is a folder, so the resized picture cannot be saved under that "
            "name. Rename or move the folder, then save again.\n",
            1);
        row("a read-only output, a full disk", "--scale 50 r.jpg", "",
            "quillon: r.jpg: Failed to save to JPG\n", 1, true);
        row("options after the file", "a.jpg --smooth --scale 50", "a(QLN).jpg", "", 0);
        row("a file named like an option", "--scale 50 -- --scale", "--scale(QLN).jpg", "", 0);
        row("-h", "-h", "help", "", 0);
        const char* noDisplay = "quillon: no display to show the window on; to resize from the command line "
                                "give an option, such as --scale 50\n";
        row("a file, no display", "a.jpg", "", noDisplay, 2);
        row("nothing, no display", "", "", noDisplay, 2);
    }
    void batches() {
        QFETCH(QString, args);
        QFETCH(QString, printed);
        QFETCH(bool, diskFull);
        QTemporaryDir folder;
        const auto path = [&](const char* name) { return folder.filePath(QString::fromUtf8(name)); };
        const QByteArray photo = factory::encode(factory::gradient(40, 30), "JPEG");
        for (const char* name : {"a.jpg", "a.png", "d1/p.jpg", "d2/p.jpg", "z.jpg", "r.jpg", "--scale"}) {
            QVERIFY(QDir().mkpath(QFileInfo(path(name)).path()));
            factory::writeFile(path(name), photo);
        }
        QVERIFY(QDir(folder.path()).mkdir("out") && QDir(folder.path()).mkdir("z(QLN).jpg"));
        factory::writeFile(path("wide.png"), factory::claiming("PNG", 22000, 1));
        factory::writeFile(path("a(QLN).jpg"), photo);
        factory::writeFile(path("r(QLN).jpg"), "an earlier result");
        QVERIFY(QFile::link("a(QLN).jpg", path("link.jpg")));
        QVERIFY(::chmod(QFile::encodeName(path("z(QLN).jpg")), 0555) == 0);
        QVERIFY(::chmod(QFile::encodeName(path("r(QLN).jpg")), 0444) == 0);

        const auto fullDisk = [] {
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit small{300, 300};
            setrlimit(RLIMIT_FSIZE, &small);
        };
        const Result result = ::run(folder.path(), args.split(' ', Qt::SkipEmptyParts), QUILLON_BINARY,
                                    diskFull ? std::function<void()>(fullDisk) : nullptr);
        QTEST(result.err, "warnings");
        QTEST(result.status, "status");
        QByteArrayList outputs;
        for (const QString& name : printed.split(' ', Qt::SkipEmptyParts))
            outputs.append(name.toUtf8());
        QCOMPARE(result.out, printed == "help" ? HelpText().toUtf8() : savedLines(folder.path(), outputs));
        // What was in the way is as it was: the folder, the read-only earlier result.
        QCOMPARE(modeOf(QFile::encodeName(path("z(QLN).jpg"))), 0555);
        QCOMPARE(modeOf(QFile::encodeName(path("r(QLN).jpg"))), 0444);
        QCOMPARE(factory::readFile(path("r(QLN).jpg")), QByteArray("an earlier result"));
    }

    // A name that is not UTF-8 names that file, not another that looks the same in text.
    void namesAreBytes() {
        QTemporaryDir folder;
        const auto removed = qScopeGuard([&] { std::filesystem::remove_all(folder.path().toStdString()); });
        const QByteArray at = EncodeFileName(folder.path()) + '/';
        const QByteArray photo = factory::encode(factory::gradient(40, 30), "JPEG");
        writeBytes(at + "caf\xe9.jpg", photo);
        writeBytes(at + "caf\xef\xbf\xbd.jpg", photo); // the same name with U+FFFD for the byte
        QVERIFY(::mkdir(at + "out\xe9", 0755) == 0);
        const Result result = ::run(folder.path(),
                                    {"-c",
                                     "n=$(printf 'caf\\351.jpg'); \"$0\" --scale 50 \"$n\" && "
                                     "\"$0\" --scale 50 --output-dir \"$(printf 'out\\351')\" \"$n\"",
                                     QUILLON_BINARY},
                                    QStringLiteral("/bin/sh"));
        QCOMPARE(result.err, QString());
        QCOMPARE(result.out, savedLines(folder.path(), {"caf\xe9(QLN).jpg", "out\xe9/caf\xe9(QLN).jpg"}));
        QCOMPARE(modeOf(at + "caf\xef\xbf\xbd(QLN).jpg"), -1);
    }

    // Stopped while a job writes its JPEG, a batch removes its temporary files and says why it ended.
    void aStoppedBatchLeavesNothing_data() {
        QTest::addColumn<int>("signal");
        QTest::addColumn<int>("status");
        QTest::newRow("Ctrl+C") << SIGINT << 130;
        QTest::newRow("SIGTERM") << SIGTERM << 143;
        QTest::newRow("a closed terminal") << SIGHUP << 129;
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
        QProcess batch;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("QT_QPA_PLATFORM");
        batch.setProcessEnvironment(environment);
        batch.start(QUILLON_BINARY, args);
        // Held still the moment a temporary file is seen, so that the signal finds it there.
        bool held = false;
        while (!held && !batch.waitForFinished(1)) {
            if (temporaries().isEmpty()) continue;
            ::kill(pid_t(batch.processId()), SIGSTOP);
            held = !temporaries().isEmpty();
            if (!held) ::kill(pid_t(batch.processId()), SIGCONT);
        }
        QVERIFY(held);
        ::kill(pid_t(batch.processId()), signal);
        ::kill(pid_t(batch.processId()), SIGCONT);
        QVERIFY(batch.waitForFinished(60000));
        QCOMPARE(batch.exitStatus(), QProcess::NormalExit);
        QTEST(batch.exitCode(), "status");
        QCOMPARE(temporaries(), QStringList());
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_cli.moc"
