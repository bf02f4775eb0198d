// The command line: its arguments, and the real program run on files made here.
#include "cli/Arguments.h"
#include "support/PictureFactory.h"

#include <QDir>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <sys/resource.h>
#include <unistd.h>

class CommandLineTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    int run(const QStringList& args) { return QProcess::execute(QStringLiteral(QUILLON_BINARY), args); }
    QString file(const QString& name) { return dir.filePath(name); }
    // Runs the program with at most `bytes` of address space: its exit status and standard error.
    QString runWithin(qint64 bytes, const QStringList& args) {
        QProcess program;
        program.setChildProcessModifier([bytes] {
            const rlimit limit{rlim_t(bytes), rlim_t(bytes)};
            ::setrlimit(RLIMIT_AS, &limit);
        });
        program.start(QStringLiteral(QUILLON_BINARY), args);
        if (!program.waitForFinished(120000)) return QStringLiteral("still running after two minutes");
        if (program.exitStatus() != QProcess::NormalExit) return QStringLiteral("killed by a signal");
        return QStringLiteral("exit %1\n").arg(program.exitCode()) + program.readAllStandardError();
    }

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
    }

    // Half-transparent blue lies over white as a blend, smooth or nearest.
    void transparencyLiesOverWhite() {
        QImage glass(40, 30, QImage::Format_ARGB32);
        glass.fill(qRgba(0, 0, 255, 128));
        factory::writeFile(file("glass.png"), factory::encode(glass, "PNG"));
        for (const QStringList& options : {QStringList{"--scale", "50"}, {"--smooth", "--scale", "50"}}) {
            QCOMPARE(run(options + QStringList{file("glass.png")}), 0);
            const QColor centre = QImage(file("glass(QLN).jpg")).pixelColor(10, 7);
            QVERIFY2(qAbs(centre.red() - 127) + qAbs(centre.green() - 127) + qAbs(centre.blue() - 255) < 8,
                     qPrintable(options.join(' ') + ' ' + centre.name()));
        }
    }

    // Big 16-bit pictures side by side share the memory there is: with room for one at a time each is
    // saved in turn; with room for none each is refused in the window's words. Never killed.
    void bigPicturesShareTheMemory_data() {
        QTest::addColumn<int>("roomMB"), QTest::addColumn<int>("status");
        QTest::newRow("room for none") << 300 << 1;
        QTest::newRow("room for one at a time") << 800 << 0;
    }
    void bigPicturesShareTheMemory() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        QSKIP("the sanitizers need more address space than the limit leaves");
#endif
        QFETCH(int, roomMB);
        QFETCH(int, status);
        const QStringList files{file("deep1.png"), file("deep2.png"), file("deep3.png")};
        if (!QFile::exists(files[0])) { // 288 MB while decoding, 220 KB in the file
            QImage deep(6000, 6000, QImage::Format_RGBX64);
            deep.fill(QColor(30, 120, 200));
            factory::writeFile(files[0], factory::encode(deep, "PNG", 0)); // the strongest compression
            QVERIFY(QFile::copy(files[0], files[1]) && QFile::copy(files[0], files[2]));
        }
        QString expected = QStringLiteral("exit %1\n").arg(status);
        for (const QString& path : files)
            if (status != 0)
                expected +=
                    QStringLiteral("quillon: %1: The file “%2” could not be opened: there is not enough "
                                   "memory for a picture of 6000 × 6000 pixels.\n")
                        .arg(path, QFileInfo(path).fileName());
        // Each thread of the program takes address space of its own, for its stack and its allocator.
        const qint64 limit = (roomMB + 2 * QThread::idealThreadCount() * 72ll) << 20;
        QCOMPARE(runWithin(limit, QStringList{"--scale", "50"} + files), expected);
        QCOMPARE(QFile::exists(file("deep3(QLN).jpg")), status == 0);
    }

    // A long file that is no picture is refused from its first bytes, without room for its length.
    void aLongFileThatIsNoPictureIsNotRead() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        QSKIP("the sanitizers need more address space than the limit leaves");
#endif
        factory::writeFile(file("film.mkv"), "\x1A\x45\xDF\xA3");
        QCOMPARE(::truncate(QFile::encodeName(file("film.mkv")).constData(), qint64(3) << 30), 0);
        QCOMPARE(runWithin(qint64(1) << 30, {"--scale", "50", file("film.mkv")}),
                 QStringLiteral(
                     "exit 1\nquillon: %1: The file “film.mkv” could not be opened: it is not a picture "
                     "Quillon can open (JPEG, PNG, GIF, bitmap, WebP, TIFF or HEIC).\n")
                     .arg(file("film.mkv")));
    }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "test_cli.moc"
