// The picture viewer, driven through its real widgets on the offscreen platform.
#include "viewer/AAImageView.h"

#include "platform/Error.h"
#include "platform/SystemColors.h"
#include "support/PictureFactory.h"

#include <QApplication>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <memory>

namespace {

PictureRef plain(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(40, 90, 160));
    return Picture::make(image);
}

std::unique_ptr<AAImageView> shownViewer(PictureRef picture = {}) {
    auto view = std::make_unique<AAImageView>();
    view->resize(300, 250); // a view area of 279 x 229
    view->show();
    if (picture) view->SetPicture(std::move(picture));
    return view;
}

// Both bars in one list: enabled, Min, Max, Value across, then the same down.
QList<int> bars(const AAImageView& view) {
    const ScrollBar* h = view.hscPicture();
    const ScrollBar* v = view.vscPicture();
    return {h->isEnabled(), h->Min(), h->Max(), h->Value(), v->isEnabled(), v->Min(), v->Max(), v->Value()};
}

// LargChangeX, LargChangeY, SmallChangeX, SmallChangeY, BackColor, ScalePercent
QList<int> settings(const AAImageView& v) {
    return {v.LargChangeX(),  v.LargChangeY(),    v.SmallChangeX(),
            v.SmallChangeY(), int(v.BackColor()), v.ScalePercent()};
}

// The surface's real position, half pixels included.
QPointF at(const AAImageView& view) {
    return {view.picView()->Left(), view.picView()->Top()};
}

using Input = std::function<void(AAImageView&)>;

Input bar(bool across, QAbstractSlider::SliderAction action) {
    return [=](AAImageView& v) { (across ? v.hscPicture() : v.vscPicture())->triggerAction(action); };
}

Input wheel(QPoint angle, Qt::KeyboardModifiers modifiers = {}) {
    return [=](AAImageView& v) {
        QWheelEvent event(QPointF(50, 50), v.mapToGlobal(QPointF(50, 50)), {}, angle, Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&v, &event);
    };
}

const QList<int> centredBars{1, 0, -361, -180, 1, 0, -251, -126}; // 640 x 480
const QPointF centred(-180.5, -125.5);

} // namespace

Q_DECLARE_METATYPE(Input)

class TestAAImageView : public QObject {
    Q_OBJECT
private slots:
    // The viewer first shows 640 x 480 at 100 %: a bar that is switched off keeps that picture's range.
    void barRanges_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("code");
        QTest::addColumn<Input>("operation"); // after scrolling to the left and bottom ends
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<QPointF>("surface");
        const QSize big(640, 480);
        QTest::newRow("larger both ways") << big << 3 << Input() << centredBars << centred;
        QTest::newRow("as wide as the view") << QSize(279, 100) << 3 << Input()
                                             << QList<int>{1, 0, 0, 0, 0, 0, -251, -126} << QPointF(0, 64.5);
        QTest::newRow("one wider") << QSize(280, 100) << 3 << Input()
                                   << QList<int>{1, 0, -1, 0, 0, 0, -251, -126} << QPointF(-0.5, 64.5);
        QTest::newRow("one narrower") << QSize(278, 100) << 3 << Input()
                                      << QList<int>{0, 0, -361, -180, 0, 0, -251, -126} << QPointF(0.5, 64.5);
        QTest::newRow("fits only once scaled")
            << big << 0 << Input() << QList<int>{0, 0, -361, -180, 0, 0, -251, -126} << QPointF(59.5, 54.5);
        // Painting on screen is not Paint(): the picture stays where it was scrolled to.
        QTest::newRow("repainted") << big << 3 << Input([](AAImageView& v) { v.repaint(), v.grab(); })
                                   << QList<int>{1, 0, -361, 0, 1, 0, -251, -251} << QPointF(0, -251);
        QTest::newRow("Paint") << big << 3 << Input(&AAImageView::Paint) << centredBars << centred;
        QTest::newRow("hidden and shown")
            << big << 3 << Input([](AAImageView& v) { v.hide(), v.show(); }) << centredBars << centred;
        QTest::newRow("the same picture again")
            << big << 3 << Input([](AAImageView& v) { v.SetPicture(v.Picture()); }) << centredBars << centred;
        // What is read is not drawn before the next paint, also not by a resize.
        QTest::newRow("read, then resized")
            << big << 3 << Input([](AAImageView& v) { v.ReadProperties({}), v.resize(400, 300); })
            << QList<int>{1, 0, -261, -130, 1, 0, -201, -100} << QPointF(-130.5, -100.5);
    }
    void barRanges() {
        QFETCH(QSize, picture);
        QFETCH(int, code);
        QFETCH(Input, operation);
        QFETCH(QList<int>, expected);
        QFETCH(QPointF, surface);
        const auto view = shownViewer(plain(640, 480));
        view->SetScalePercent(code);
        view->SetPicture(plain(picture.width(), picture.height()));
        if (operation) {
            view->hscPicture()->triggerAction(QAbstractSlider::SliderToMinimum);
            view->vscPicture()->triggerAction(QAbstractSlider::SliderToMaximum);
            operation(*view);
            QCoreApplication::processEvents();
        }
        QCOMPARE(bars(*view), expected);
        QCOMPARE(at(*view), surface);
        QCOMPARE(view->Picture()->size(), picture);
        QCOMPARE(view->picTemp()->pos(), QPoint(view->width() - 21, view->height() - 21)); // the corner
    }

    void scrolling_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<Input>("input");
        QTest::addColumn<bool>("across");
        QTest::addColumn<int>("value");
        QTest::addColumn<double>("position");
        using A = QAbstractSlider;
        const QSize big(640, 480), twoAUnit(279 + 32769, 10), fourAUnit(100000, 10);
        // The default steps: 10 either way across, 1 down; a wheel notch is three arrow steps.
        QTest::newRow("right arrow") << big << bar(true, A::SliderSingleStepAdd) << true << -190 << -190.0;
        QTest::newRow("track left") << big << bar(true, A::SliderPageStepSub) << true << -170 << -170.0;
        QTest::newRow("right end") << big << bar(true, A::SliderToMaximum) << true << -361 << -361.0;
        QTest::newRow("down arrow") << big << bar(false, A::SliderSingleStepAdd) << false << -127 << -127.0;
        QTest::newRow("wheel down") << big << wheel({0, -120}) << false << -129 << -129.0;
        QTest::newRow("wheel up") << big << wheel({0, 120}) << false << -123 << -123.0;
        QTest::newRow("shift, wheel down")
            << big << wheel({0, -120}, Qt::ShiftModifier) << true << -210 << -210.0;
        QTest::newRow("sideways wheel") << big << wheel({-240, 0}) << true << -240 << -240.0;
        // Steps set later move the bars by the new amount and do not recentre.
        QTest::newRow("LargChangeX 37")
            << big << Input([](AAImageView& v) { v.SetLargChangeX(37), bar(true, A::SliderPageStepAdd)(v); })
            << true << -217 << -217.0;
        QTest::newRow("SmallChangeY 32767") << big << Input([](AAImageView& v) {
            v.SetSmallChangeY(32767), bar(false, A::SliderSingleStepAdd)(v);
        }) << false << -251 << -251.0;
        // Beyond what a 16-bit bar holds a unit stands for several pixels; the far end is exact.
        QTest::newRow("widest one pixel a unit")
            << QSize(279 + 32768, 10) << Input() << true << -16384 << -16384.0;
        QTest::newRow("two a unit") << twoAUnit << Input() << true << -8192 << -16384.5;
        QTest::newRow("four a unit") << fourAUnit << Input() << true << -12465 << -49860.5;
        QTest::newRow("four a unit, right end")
            << fourAUnit << bar(true, A::SliderToMaximum) << true << -24930 << 279.0 - 100000;
        QTest::newRow("four a unit, before the end")
            << fourAUnit << Input([](AAImageView& v) { v.hscPicture()->setValue(24929); }) << true << -24929
            << -99716.0;
    }
    void scrolling() {
        QFETCH(QSize, picture);
        QFETCH(Input, input);
        QFETCH(bool, across);
        QFETCH(int, value);
        QFETCH(double, position);
        const auto view = shownViewer(plain(picture.width(), picture.height()));
        const QPointF before = at(*view);
        if (input) input(*view);
        QCOMPARE((across ? view->hscPicture() : view->vscPicture())->Value(), value);
        QCOMPARE(at(*view), across ? QPointF(position, before.y()) : QPointF(before.x(), position));
    }

    void scaledSize_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("code");
        QTest::addColumn<QSize>("surface");
        const QSize sizes[] = {{25, 15},   {50, 30},   {75, 45},   {100, 60},  {125, 75}, {150, 90},
                               {175, 105}, {200, 120}, {300, 180}, {400, 240}, {0, 0}};
        for (int code = -1; code <= 10; ++code)
            QTest::addRow("code %d", code) << QSize(100, 60) << code << sizes[code < 0 ? 10 : code];
        QTest::newRow("126.25 down") << QSize(101, 101) << 4 << QSize(126, 126); // never to nearest
        QTest::newRow("0.75 down to 0") << QSize(3, 3) << 0 << QSize(0, 0);
    }
    void scaledSize() {
        QFETCH(QSize, picture);
        QFETCH(int, code);
        QFETCH(QSize, surface);
        const QImage source = factory::coordinates(picture.width(), picture.height());
        const PictureRef shown = Picture::make(source);
        const auto view = shownViewer(shown);
        view->SetScalePercent(code);
        QCOMPARE(view->picView()->size(), surface);
        QCOMPARE(view->Picture().get(), shown.get()); // held, not copied or scaled
        if (surface.isEmpty()) return;
        // The whole picture is stretched over the whole surface: each corner shows the source pixel
        // under its centre.
        const int w = surface.width(), h = surface.height();
        const QImage drawn = view->picView()->Render(QRect(0, 0, w, h));
        const auto under = [](int i, int from, int to) { return int((i + 0.5) * from / to); };
        QCOMPARE(drawn.pixel(0, 0),
                 source.pixel(under(0, picture.width(), w), under(0, picture.height(), h)));
        QCOMPARE(drawn.pixel(w - 1, h - 1),
                 source.pixel(under(w - 1, picture.width(), w), under(h - 1, picture.height(), h)));
    }

    void backColor() {
        const QColor colour(0, 128, 255);
        const auto view = shownViewer(plain(100, 60));
        view->hscPicture()->setEnabled(true); // so that the bar's look is something drawn
        const QImage barBefore = view->hscPicture()->grab().toImage();
        view->SetBackColor(0x00FF8000); // blue, green, red
        const QImage shot = view->grab().toImage();
        QCOMPARE(shot.pixelColor(10, 10), colour);                     // the frame's client area
        QCOMPARE(shot.pixelColor(2 + 279 + 10, 2 + 229 + 10), colour); // the corner square
        QVERIFY(shot.pixelColor(0, 0) != colour);                      // the sunken border lies over it
        QCOMPARE(view->picView()->BackColor(), SystemColor(SystemColorWindowBackground));
        QCOMPARE(view->hscPicture()->grab().toImage(), barBefore);
    }

    void storedValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QString>("error"); // reading fails and changes nothing
        const QList<int> before{2, 2, 2, 2, 4, 5};
        QTest::newRow("keys in any case")
            << "LARGCHANGEX = 20\nlargchangey = 15\nSmallChangeX = 5\nsmallChangeY = 3\n"
               "BackColor = 0x8000000F\nscalepercent = 0\n"
            << QList<int>{20, 15, 5, 3, int(SystemColorButtonFace), 0} << QString();
        QTest::newRow("empty bag gives the defaults")
            << "" << QList<int>{10, 1, 10, 1, 0xFFFFFF, 3} << QString();
        QTest::newRow("a step beyond 16 bits")
            << "LargChangeX = 20\nSmallChangeY = 70000\n"
            << before << "The stored scroll step SmallChangeY = 70000 is out of range (at most 32767).";
        QTest::newRow("a step below 1") << "BackColor = 9\nSmallChangeX = 0\n"
                                        << before << "SmallChangeX must be at least 1.";
    }
    void storedValues() {
        QFETCH(QString, text);
        QFETCH(QList<int>, values);
        QFETCH(QString, error);
        const auto view = shownViewer();
        view->ReadProperties(PropertyBag::FromText("LargChangeX = 2\nLargChangeY = 2\nSmallChangeX = 2\n"
                                                   "SmallChangeY = 2\nBackColor = 4\nScalePercent = 5\n",
                                                   {}));
        const PictureRef picture = plain(640, 480);
        view->SetPicture(picture);
        QString message;
        try {
            view->ReadProperties(PropertyBag::FromText(text, {}));
        } catch (const QuillonError& e) {
            message = e.message();
        }
        QCOMPARE(message, error);
        QCOMPARE(settings(*view), values);
        // Reading draws nothing: the surface still shows the earlier picture at the earlier scale.
        QCOMPARE(view->Picture().get(), picture.get());
        QCOMPARE(view->picView()->size(), QSize(960, 720));
        if (!error.isEmpty()) return;
        view->Paint();
        QCOMPARE(view->Picture().get(), AAImageView::BuiltInDefultPicture().get());
        QCOMPARE(view->picView()->size(), values.last() == 0 ? QSize(62, 62) : QSize(250, 250));
    }

    void arrowKeys_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("focus");
        const auto row = [](const char* name, QSize picture, Qt::Key key, const char* focus) {
            QTest::newRow(name) << picture << int(key) << QString(focus);
        };
        const QSize both(640, 480);
        row("Right, both bars", both, Qt::Key_Right, "hsc"),
            row("Left, both bars", both, Qt::Key_Left, "hsc");
        row("Down, both bars", both, Qt::Key_Down, "vsc"), row("Up, both bars", both, Qt::Key_Up, "vsc");
        row("Up, across only", {640, 100}, Qt::Key_Up, "viewer"),
            row("another key", both, Qt::Key_A, "viewer");
        row("Left, down only", {100, 480}, Qt::Key_Left, "viewer");
    }
    void arrowKeys() {
        QFETCH(QSize, picture);
        QFETCH(int, key);
        QFETCH(QString, focus);
        const auto view = shownViewer(plain(picture.width(), picture.height()));
        QApplication::setActiveWindow(view.get());
        view->setFocus();
        const QList<int> barsBefore = bars(*view);
        const QPointF position = at(*view);
        QTest::keyClick(view.get(), Qt::Key(key));
        const QMap<QString, QWidget*> widgets{
            {"viewer", view.get()}, {"hsc", view->hscPicture()}, {"vsc", view->vscPicture()}};
        QCOMPARE(QApplication::focusWidget(), widgets.value(focus));
        QCOMPARE(bars(*view), barsBefore); // moving the focus does not scroll
        QCOMPARE(at(*view), position);
    }
};

QTEST_MAIN(TestAAImageView)
#include "test_aaimageview.moc"
