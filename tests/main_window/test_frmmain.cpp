// The main window: resize steps, the size read-out, help and exit.
#include "MainWindowFixture.h"
#include "main_window/Form1.h"

#include <sys/resource.h>
#include <unistd.h>

// The size of the resized view's picture at each of its paints.
class PaintWatch : public QObject {
public:
    explicit PaintWatch(AAImageView* view) : mView(view) {
        for (QWidget* part : view->findChildren<QWidget*>())
            part->installEventFilter(this);
    }
    QList<QSize> painted;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) painted.append(mView->Picture()->size());
        return false;
    }

private:
    AAImageView* mView;
};

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    // Help is shown once and leaves the user's picture; Ctrl+A and Ctrl+X edit a text box's text,
    // elsewhere Ctrl+X closes the window and help.
    void helpAndShortcuts() {
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        f.open("64x48");
        const PictureRef opened = f.original()->Picture();
        f.txtwidth()->setText("640");
        f.txtwidth()->setFocus();
        QTest::keyClick(f.txtwidth(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f.txtwidth()->selectedText(), "640");
        QTest::keyClick(f.txtwidth(), Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(f.txtwidth()->text(), QString());
        QVERIFY(f.window->isVisible());
        QCOMPARE(f.message(), QString());
        f.run("choose Help");
        Form1* help = f.window->HelpWindow();
        QVERIFY(help && help->isVisible());
        f.run("choose Help, choose Help");
        QCOMPARE(f.window->HelpWindow(), help); // the same window, not another
        QTest::mouseClick(help->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        QVERIFY(!help->isVisible());
        QApplication::setActiveWindow(f.window.get());
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        QCOMPARE(f.original()->Picture(), opened);
        QTest::keyClick(f.window.get(), Qt::Key_F1);
        help = f.window->HelpWindow();
        QVERIFY(help && help->isVisible());
        QApplication::setActiveWindow(help);
        QTest::keyClick(help, Qt::Key_Escape);
        QVERIFY(!help->isVisible());
        f.run("choose Help");
        QTest::keyClick(f.list('x'), Qt::Key_X, Qt::ControlModifier);
        for (QWidget* w : QApplication::topLevelWidgets())
            QVERIFY2(!w->isVisible(), qPrintable(w->objectName()));
    }

    // Which steps redraw, and which refresh the size text or the pixel boxes.
    void redrawsAndReadOut_data() {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected"); // the picture shown, the size text and the pixel boxes
        const qint64 file = 54 + 1920 * 480;   // the opened 640 × 480 bitmap
        const auto row = [](const char* name, const char* steps, const char* shown, qint64 bytes,
                            const char* boxes) {
            QTest::newRow(name) << steps
                                << QString(shown) + ' ' +
                                       (bytes < 0 ? "0 KB" : FormatFileSize(double(bytes))) + ' ' + boxes;
        };
        row("width excluded", "open 640x480, untick Width:, width 025 %, height 050 %", "640x240",
            54 + 1920 * 240, "640x240");
        row("49.95 rounds down", "open 333x333, width 015 %, height 015 %", "49x49", 54 + 148 * 49, "49x49");
        row("never below one pixel", "open 10x12, width 005 %, height 005 %", "1x1", 58, "1x1");
        row("check box, automatic", "open 640x480, width 050 %, untick Width:", "640x480", 54 + 960 * 480,
            "320x480");
        row("manual waits",
            "open 640x480, untick Resize Image Automaticly, width 050 %, height 050 %, untick Width:, tick "
            "Width:",
            "640x480", file, "640x480");
        row("Resize",
            "open 640x480, untick Resize Image Automaticly, width 050 %, height 050 %, click Resize",
            "320x240", 54 + 960 * 240, "640x480");
        row("back to automatic",
            "open 640x480, untick Resize Image Automaticly, width 050 %, tick Resize Image Automaticly",
            "320x480", file, "640x480");
        row("Open cancelled: the file stays", "open 640x480, open nothing, width 050 %", "320x480",
            54 + 960 * 480, "320x480");
        row("opened in manual mode",
            "untick Resize Image Automaticly, width 050 %, height 050 %, open 641x480", "320x240",
            54 + 1924 * 480, "641x480");
        row("Resize Pixels",
            "open 640x480, untick Resize Image Automaticly, width 300 %, pixel width 100, pixel height 50.9, "
            "click Resize Pixels",
            "100x50", 54 + 300 * 50, "100x50.9");
        row("nothing opened", "width 050 %", "125x250", -1, "0x0");
    }
    void redrawsAndReadOut() {
        QFETCH(QString, steps);
        MainWindowFixture f;
        f.run(steps);
        QTEST(f.shown() + ' ' + f.sizeText() + ' ' + f.boxes(), "expected");
        QCOMPARE(f.get("cmdResize")->isEnabled(), !f.get<QCheckBox>("chkAutomatic")->isChecked());
        QCOMPARE(f.list('x')->isEnabled(), f.get<QCheckBox>("chkScaleX")->isChecked());
        QCOMPARE(f.message(), QString());
    }

    // Every step that fails leaves the window exactly as it was, and Save then writes what is shown.
    void aRefusedStepLeavesTheWindowAsItWas_data() {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("step");
        QTest::addColumn<QString>("warning");
        // Tripled, 30,000 pixels are longer than a JPEG side can be.
        const QString tooLarge =
            "The resized picture would be 5 × 90000 pixels, larger than Quillon can make (at "
            "most 268 megapixels and 65500 pixels a side). Choose a smaller percentage.";
        const QString accepted = " Please type a whole number of pixels from 1 to 65500, such as 640.";
        const auto row = [](const char* name, const QString& setup, const char* step,
                            const QString& warning) {
            QTest::newRow(name) << setup << QString(step) << warning;
        };
        row("list", "open 10x30000, width 050 %", "height 300 %", tooLarge);
        row("Resize Pixels", "open 10x30000, pixel height 70000", "click Resize Pixels",
            "The height 70000 is not a size Quillon can make." + accepted);
        row("not a number", "open 10x30000, pixel width abc, pixel height 50", "click Resize Pixels",
            "The width “abc” is not a number." + accepted);
        row("too many pixels", "open 10x30000, pixel width 60000, pixel height 60000", "click Resize Pixels",
            "A picture of 60000 × 60000 pixels is larger than Quillon can make (at most 268 megapixels).");
        row("Open", "open 64x48, width 050 %, height 300 %", "open 10x30000",
            "“10x30000.bmp” was not opened. " + tooLarge + " Then open the picture again.");
    }
    void aRefusedStepLeavesTheWindowAsItWas() {
        QFETCH(QString, setup);
        QFETCH(QString, step);
        MainWindowFixture f;
        f.run(setup);
        const QString before = f.state();
        const QSize shown = f.resizedSize();
        f.dialogs.clear();
        f.run(step);
        QCOMPARE(f.state(), before);
        QTEST(f.message(), "warning");
        QCOMPARE(f.dialogs.messages[0].style, int(vbExclamation));
        QCOMPARE(f.dialogs.messages[0].title, "Quillon");
        QCOMPARE(f.dialogs.askedUnderBusyPointer, 0);
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(QImage::fromData(f.save()).size(), shown);
    }

    // During smooth work on 300 % of a 24-megapixel photo the window shows the nearest-pixel picture,
    // paints and takes the next choice at once; the superseded work is never shown.
    void aNewChoiceSupersedesSmoothWork() {
        MainWindowFixture f;
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        const PictureRef photo = Picture::make(factory::gradient(6000, 4000));
        f.original()->SetPicture(photo);
        f.run("choose Smooth Resizing");
        PaintWatch watch(f.resized());
        f.run("width 300 %");
        QCOMPARE(f.resized()->Picture()->image(), ResizedPicture(photo, {18000, 4000}, Qt::white)->image());
        QTRY_COMPARE(watch.painted.value(0), QSize(18000, 4000));
        QList<QSize> shownSince;
        QObject::connect(f.resized(), &AAImageView::PropertyChanged, [&](const QString& name) {
            if (name == "Picture") shownSince.append(f.resizedSize());
        });
        f.run("width 050 %");
        QCOMPARE(f.shown(), "3000x4000");
        const QImage smooth = SmoothResizedPicture(photo, {3000, 4000}, Qt::white)->image();
        QTRY_COMPARE_WITH_TIMEOUT(f.resized()->Picture()->image(), smooth, 60000);
        QCOMPARE(shownSince,
                 QList<QSize>({{3000, 4000}, {3000, 4000}})); // the quick picture, then the smooth
        QCOMPARE(f.message(), QString());
    }

    // Half-transparent blue lies over the window's background as a blend, smooth or nearest.
    void transparencyLiesOverTheWindowBackground() {
        const QPalette before = QApplication::palette();
        QApplication::setPalette(QPalette({}, {}, {}, {}, {}, {}, {}, QColor(12, 200, 90), {})); // the base
        MainWindowFixture f;
        QImage glass(40, 30, QImage::Format_ARGB32);
        glass.fill(qRgba(0, 0, 255, 128));
        f.open(f.writePicture("glass.png", glass, "PNG"));
        f.run("width 050 %");
        const QColor nearest = f.resized()->Picture()->image().pixelColor(10, 7);
        f.run("choose Smooth Resizing");
        QTRY_VERIFY(f.window->StatusLength() > 0); // measured once the smooth picture is shown
        const QColor smooth = f.resized()->Picture()->image().pixelColor(10, 7);
        QApplication::setPalette(before);
        QCOMPARE(nearest, QColor(6, 100, 173));
        QCOMPARE(smooth, nearest);
    }

    void runningOutOfMemoryIsAWarning() {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        QSKIP("the sanitizers need more address space than the limit leaves");
#endif
        MainWindowFixture f;
        f.original()->SetPicture(Picture::make(factory::gradient(6000, 4000))); // 24 megapixels
        f.run("width 300 %");
        const QString before = f.state();
        // Tripled both ways the picture needs 864 MB more than this leaves.
        rlimit old{};
        QVERIFY(::getrlimit(RLIMIT_AS, &old) == 0);
        const rlim_t used =
            factory::readFile("/proc/self/statm").split(' ')[0].toULongLong() * ::getpagesize();
        const rlimit tight{used + (rlim_t(500) << 20), old.rlim_max};
        QVERIFY(::setrlimit(RLIMIT_AS, &tight) == 0);
        f.run("height 300 %");
        QVERIFY(::setrlimit(RLIMIT_AS, &old) == 0);
        QCOMPARE(f.message(), "There is not enough memory for a picture of 18000 × 12000 pixels.");
        QCOMPARE(f.state(), before);
    }
};

QTEST_MAIN(TestMainWindow)
#include "test_frmmain.moc"
