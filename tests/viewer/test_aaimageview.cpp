// The picture viewer, driven through its real widgets on the offscreen platform.
#include "viewer/AAImageView.h"

#include "platform/Error.h"
#include "platform/SystemColors.h"
#include "support/PictureFactory.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>
#include <memory>

namespace {

PictureRef plain(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(qRgb(40, 90, 160));
    return Picture::make(image);
}

std::unique_ptr<AAImageView> shownViewer(int width, int height, PictureRef picture = {}) {
    auto view = std::make_unique<AAImageView>();
    view->resize(width, height);
    view->show();
    if (picture) view->SetPicture(std::move(picture));
    return view;
}

QStringList names(const QSignalSpy& spy) {
    QStringList result;
    for (const auto& arguments : spy)
        result << arguments.at(0).toString();
    return result;
}

// Both bars in one list: enabled, Min, Max, Value across, then the same down.
QList<int> bars(const AAImageView& view) {
    const ScrollBar* h = view.hscPicture();
    const ScrollBar* v = view.vscPicture();
    return {h->isEnabled(), h->Min(), h->Max(), h->Value(), v->isEnabled(), v->Min(), v->Max(), v->Value()};
}

// The surface's real position, half pixels included.
QPointF at(const AAImageView& view) {
    return {view.picView()->Left(), view.picView()->Top()};
}

const QList<int> centredBars{1, 0, -361, -180, 1, 0, -251, -126}; // 640 x 480 in 300 x 250
const QPointF centred(-180.5, -125.5);

using StepSetter = void (AAImageView::*)(std::int16_t);

} // namespace

Q_DECLARE_METATYPE(StepSetter)

class TestAAImageView : public QObject {
    Q_OBJECT
private slots:
    void scrollBars_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("code");
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<QPointF>("surface");

        // The viewer is 300 x 250, its view area 279 x 229, and it first shows 640 x 480: a bar that
        // is switched off keeps that picture's range.
        QTest::newRow("larger both ways") << QSize(640, 480) << 3 << centredBars << centred;
        QTest::newRow("as wide as the view")
            << QSize(279, 100) << 3 << QList<int>{1, 0, 0, 0, 0, 0, -251, -126} << QPointF(0, 64.5);
        QTest::newRow("one wider") << QSize(280, 100) << 3 << QList<int>{1, 0, -1, 0, 0, 0, -251, -126}
                                   << QPointF(-0.5, 64.5);
        QTest::newRow("one narrower")
            << QSize(278, 100) << 3 << QList<int>{0, 0, -361, -180, 0, 0, -251, -126} << QPointF(0.5, 64.5);
        QTest::newRow("fits only once scaled")
            << QSize(640, 480) << 0 << QList<int>{0, 0, -361, -180, 0, 0, -251, -126} << QPointF(59.5, 54.5);
    }
    void scrollBars() {
        QFETCH(QSize, picture);
        QFETCH(int, code);
        QFETCH(QList<int>, expected);
        QFETCH(QPointF, surface);
        const auto view = shownViewer(300, 250, plain(640, 480));
        view->SetScalePercent(code);
        view->SetPicture(plain(picture.width(), picture.height()));

        QCOMPARE(view->vscPicture()->geometry(), QRect(279, 0, 17, 229));
        QCOMPARE(view->hscPicture()->geometry(), QRect(0, 229, 279, 17));
        QCOMPARE(view->picTemp()->pos(), QPoint(279, 229));
        QCOMPARE(bars(*view), expected);
        QCOMPARE(at(*view), surface);
    }

    void beyondBarRange_data() {
        QTest::addColumn<int>("pictureWidth");
        QTest::addColumn<int>("max");

        // The view area is 279 pixels wide.
        QTest::newRow("widest one pixel a unit") << 279 + 32768 << -32768;
        QTest::newRow("one more: two pixels a unit") << 279 + 32769 << -16384;
        QTest::newRow("40,000 pixels") << 40000 << -19860;
        QTest::newRow("100,000 pixels: four a unit") << 100000 << -24930;
    }
    void beyondBarRange() {
        QFETCH(int, pictureWidth);
        QFETCH(int, max);
        const auto view = shownViewer(300, 250, plain(pictureWidth, 10));
        ScrollBar* hsc = view->hscPicture();
        const double range = 279.0 - pictureWidth;
        QCOMPARE(hsc->Max(), max);
        QCOMPARE(hsc->Value(), max / 2);
        QCOMPARE(view->picView()->Left(), range / 2);

        hsc->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(view->picView()->Left(), 0.0);
        hsc->triggerAction(QAbstractSlider::SliderToMaximum);
        QCOMPARE(hsc->Value(), max);
        QCOMPARE(view->picView()->Left(), range); // the right edge at the view's right edge
        hsc->triggerAction(QAbstractSlider::SliderSingleStepSub);
        QVERIFY(view->picView()->Left() > range);
        QVERIFY(view->picView()->Left() < 0);
    }

    void scaledSize_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("code");
        QTest::addColumn<QSize>("surface");

        const QSize p(100, 60);
        const QSize sizes[] = {{25, 15},  {50, 30},   {75, 45},   {100, 60},  {125, 75},
                               {150, 90}, {175, 105}, {200, 120}, {300, 180}, {400, 240}};
        for (int code = 0; code <= 9; ++code)
            QTest::addRow("code %d", code) << p << code << sizes[code];
        QTest::newRow("code 10") << p << 10 << QSize(0, 0);
        QTest::newRow("code -1") << p << -1 << QSize(0, 0);
        QTest::newRow("640 x 480 at code 0") << QSize(640, 480) << 0 << QSize(160, 120);
        // Rounded down, never to nearest.
        QTest::newRow("126.25 down") << QSize(101, 101) << 4 << QSize(126, 126);
        QTest::newRow("0.75 down to 0") << QSize(3, 3) << 0 << QSize(0, 0);
    }
    void scaledSize() {
        QFETCH(QSize, picture);
        QFETCH(int, code);
        QFETCH(QSize, surface);
        const QImage source = factory::coordinates(picture.width(), picture.height());
        const PictureRef shown = Picture::make(source);
        const auto view = shownViewer(300, 250, shown);
        view->SetScalePercent(code);

        QCOMPARE(view->picView()->size(), surface);
        QCOMPARE(view->Picture().get(), shown.get()); // held, not copied or scaled
        if (surface.isEmpty()) return;
        // The whole picture is stretched over the whole surface: the corner pixels show the source
        // pixels under their centres.
        const int w = surface.width(), h = surface.height();
        const QImage drawn = view->picView()->Render(QRect(0, 0, w, h));
        const auto under = [](int i, int from, int to) { return int((i + 0.5) * from / to); };
        QCOMPARE(drawn.pixel(0, 0),
                 source.pixel(under(0, picture.width(), w), under(0, picture.height(), h)));
        QCOMPARE(drawn.pixel(w - 1, h - 1),
                 source.pixel(under(w - 1, picture.width(), w), under(h - 1, picture.height(), h)));
    }

    void recentring_data() {
        QTest::addColumn<QString>("operation");
        QTest::newRow("Paint") << "Paint";
        QTest::newRow("hide and show") << "hide and show";
        QTest::newRow("the same picture again") << "same picture";
    }
    void recentring() {
        QFETCH(QString, operation);
        const PictureRef picture = plain(640, 480);
        const auto view = shownViewer(300, 250, picture);
        view->hscPicture()->triggerAction(QAbstractSlider::SliderToMinimum);
        view->vscPicture()->triggerAction(QAbstractSlider::SliderToMaximum);
        // Repainting on screen is not Paint(): the picture stays where it was scrolled to.
        view->repaint();
        view->grab();
        QCoreApplication::processEvents();
        QCOMPARE(at(*view), QPointF(0, -251));

        if (operation == "Paint") {
            view->Paint();
        } else if (operation == "same picture") {
            view->SetPicture(picture);
        } else {
            view->hide();
            view->show();
        }
        QCOMPARE(bars(*view), centredBars);
        QCOMPARE(at(*view), centred);
    }

    void resizeRecentresWithoutRedrawing() {
        const PictureRef picture = plain(640, 480);
        const auto view = shownViewer(300, 250, picture);
        view->hscPicture()->triggerAction(QAbstractSlider::SliderToMinimum);
        // A picture read but not yet painted stays off the surface through a resize.
        PropertyBag bag;
        bag.WriteProperty(QStringLiteral("Picture"), plain(50, 50), PropertyBag::NoDefault{});
        view->ReadProperties(bag);

        view->resize(400, 300);
        QCOMPARE(view->vscPicture()->geometry(), QRect(379, 0, 17, 279));
        QCOMPARE(view->hscPicture()->geometry(), QRect(0, 279, 379, 17));
        QCOMPARE(view->picTemp()->pos(), QPoint(379, 279));
        QCOMPARE(bars(*view), (QList<int>{1, 0, -261, -130, 1, 0, -201, -100}));
        QCOMPARE(at(*view), QPointF(-130.5, -100.5));
        QCOMPARE(view->Picture().get(), picture.get());
        QCOMPARE(view->picView()->size(), QSize(640, 480));
    }

    void backColor_data() {
        QTest::addColumn<uint>("value");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("red") << 0x0000FFu << QColor(255, 0, 0);
        QTest::newRow("blue-green order") << 0x00FF8000u << QColor(0, 128, 255);
        QTest::newRow("button face") << uint(SystemColorButtonFace) << SystemColor(SystemColorButtonFace);
    }
    void backColor() {
        QFETCH(uint, value);
        QFETCH(QColor, colour);
        const auto view = shownViewer(300, 250, plain(100, 60));
        view->hscPicture()->setEnabled(true); // so that the bar's look is something drawn
        const QImage surfaceBefore = view->picView()->Render(QRect(0, 0, 100, 60));
        const QColor surfaceColour = view->picView()->BackColor();
        const QImage barBefore = view->hscPicture()->grab().toImage();

        view->SetBackColor(value);

        QCOMPARE(view->BackColor(), std::uint32_t(value));
        QCOMPARE(view->picTemp()->BackColor(), colour);
        const QImage shot = view->grab().toImage();
        QCOMPARE(shot.pixelColor(10, 10), colour);                     // the frame's client area
        QCOMPARE(shot.pixelColor(2 + 279 + 10, 2 + 229 + 10), colour); // the corner square
        QVERIFY(shot.pixelColor(0, 0) != colour);                      // the sunken border lies over it
        QCOMPARE(view->picView()->BackColor(), surfaceColour);
        QCOMPARE(view->picView()->Render(QRect(0, 0, 100, 60)), surfaceBefore);
        QCOMPARE(view->hscPicture()->grab().toImage(), barBefore);
    }

    void notifications() {
        const auto view = shownViewer(300, 250);
        QSignalSpy changed(view.get(), &AAImageView::PropertyChanged);
        view->SetPicture(plain(640, 480));
        view->SetScalePercent(5);
        view->SetBackColor(0x0000FF);
        view->SetLargChangeX(20);
        view->SetSmallChangeX(2);
        view->SetLargChangeY(30);
        view->SetSmallChangeY(3);
        view->SetDefultPicture(plain(100, 60));
        view->ShowDefultPicture(); // showing and painting change no stored value
        view->Paint();
        QCOMPARE(names(changed),
                 (QStringList{"Picture", "ScalePercent", "BackColor", "LargChangeX", "SmallChangeX",
                              "LargChangeY", "SmallChangeY", "DefultPicture"}));
    }

    void steps_data() {
        QTest::addColumn<QString>("key");
        QTest::addColumn<StepSetter>("setter");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("LargChangeX 37") << "LargChangeX" << &AAImageView::SetLargChangeX << 37 << true;
        QTest::newRow("SmallChangeX 3") << "SmallChangeX" << &AAImageView::SetSmallChangeX << 3 << true;
        QTest::newRow("LargChangeY 32767") << "LargChangeY" << &AAImageView::SetLargChangeY << 32767 << true;
        QTest::newRow("SmallChangeY 1") << "SmallChangeY" << &AAImageView::SetSmallChangeY << 1 << true;
        QTest::newRow("LargChangeX 0") << "LargChangeX" << &AAImageView::SetLargChangeX << 0 << false;
        QTest::newRow("SmallChangeX -1") << "SmallChangeX" << &AAImageView::SetSmallChangeX << -1 << false;
        QTest::newRow("LargChangeY -32768")
            << "LargChangeY" << &AAImageView::SetLargChangeY << -32768 << false;
        QTest::newRow("SmallChangeY 0") << "SmallChangeY" << &AAImageView::SetSmallChangeY << 0 << false;
    }
    void steps() {
        QFETCH(QString, key);
        QFETCH(StepSetter, setter);
        QFETCH(int, value);
        QFETCH(bool, accepted);
        const bool horizontal = key.endsWith('X');
        const bool page = key.startsWith("Larg");
        const PictureRef picture = plain(640, 480);
        const auto view = shownViewer(300, 250, picture);
        view->hscPicture()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        view->vscPicture()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
        const QPointF position = at(*view);
        ScrollBar* target = horizontal ? view->hscPicture() : view->vscPicture();
        const int stepBefore = page ? target->LargeChange() : target->SmallChange();
        QSignalSpy changed(view.get(), &AAImageView::PropertyChanged);

        QString message;
        try {
            ((*view).*setter)(std::int16_t(value));
        } catch (const QuillonError& error) {
            message = error.message();
        }
        QCOMPARE(message, accepted ? QString() : key + QStringLiteral(" must be at least 1."));
        QCOMPARE(names(changed), accepted ? QStringList{key} : QStringList{});
        QCOMPARE(page ? target->LargeChange() : target->SmallChange(), accepted ? value : stepBefore);
        QCOMPARE(at(*view), position);
        QCOMPARE(view->Picture().get(), picture.get());
        if (!accepted) return;
        // The bar now moves by the new step.
        const int before = target->Value();
        target->triggerAction(page ? QAbstractSlider::SliderPageStepAdd
                                   : QAbstractSlider::SliderSingleStepAdd);
        QCOMPARE(target->Value(), std::max(before - value, int(target->Max())));
    }

    void storedValues_data() {
        QTest::addColumn<QString>("text");
        // LargChangeX, LargChangeY, SmallChangeX, SmallChangeY, BackColor, ScalePercent
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QStringList>("written");

        QTest::newRow("keys in any case")
            << "LARGCHANGEX = 20\nlargchangey = 15\nSmallChangeX = 5\nsmallChangeY = 3\n"
               "BackColor = 0x8000000F\nscalepercent = 0\n"
            << QList<int>{20, 15, 5, 3, int(SystemColorButtonFace), 0}
            << QStringList{"backcolor",    "largchangex",  "largchangey", "picture",
                           "scalepercent", "smallchangex", "smallchangey"};
        QTest::newRow("empty bag gives the defaults")
            << "" << QList<int>{10, 1, 10, 1, 0xFFFFFF, 3} << QStringList{"picture"};
    }
    void storedValues() {
        QFETCH(QString, text);
        QFETCH(QList<int>, values);
        QFETCH(QStringList, written);
        const PictureRef picture = plain(640, 480);
        const auto view = shownViewer(300, 250);
        view->ReadProperties(PropertyBag::FromText("LargChangeX = 2\nLargChangeY = 2\nSmallChangeX = 2\n"
                                                   "SmallChangeY = 2\nBackColor = 4\nScalePercent = 5\n",
                                                   QString()));
        view->SetPicture(picture);
        QSignalSpy changed(view.get(), &AAImageView::PropertyChanged);

        view->ReadProperties(PropertyBag::FromText(text, QString()));
        const auto stored = [](const AAImageView& v) {
            return QList<int>{v.LargChangeX(),  v.LargChangeY(),    v.SmallChangeX(),
                              v.SmallChangeY(), int(v.BackColor()), v.ScalePercent()};
        };
        QCOMPARE(stored(*view), values);
        QCOMPARE(view->DefultPicture().get(), AAImageView::BuiltInDefultPicture().get());
        QCOMPARE(names(changed),
                 (QStringList{"LargChangeX", "LargChangeY", "SmallChangeX", "SmallChangeY", "BackColor"}));
        // Reading draws nothing: the surface still shows the earlier picture at the earlier scale.
        QCOMPARE(view->Picture().get(), picture.get());
        QCOMPARE(view->picView()->size(), QSize(960, 720));

        PropertyBag bag;
        view->WriteProperties(bag);
        QCOMPARE(bag.Keys(), written); // a value equal to its default is left out
        AAImageView again;
        again.ReadProperties(bag);
        QCOMPARE(stored(again), stored(*view));

        view->Paint();
        QCOMPARE(view->Picture().get(), AAImageView::BuiltInDefultPicture().get());
        QCOMPARE(view->picView()->size(), values.last() == 0 ? QSize(62, 62) : QSize(250, 250));
    }

    void readStepOutOfRange() {
        const auto view = shownViewer(300, 250);
        const PropertyBag bag = PropertyBag::FromText(QStringLiteral("LargChangeX = 70000\n"), QString());
        QVERIFY_THROWS_EXCEPTION(QuillonError, view->ReadProperties(bag));
        QCOMPARE(view->LargChangeX(), 10);
    }

    void ownDefaultPictureIsShownButNotStored() {
        const auto view = shownViewer(300, 250, plain(640, 480));
        const PictureRef own = Picture::make(factory::checkerboard(120, 90, 10));
        view->SetDefultPicture(own);
        QCOMPARE(view->DefultPicture().get(), own.get());
        QCOMPARE(view->Picture().get(), own.get()); // shown at once
        QCOMPARE(at(*view), QPointF(79.5, 69.5));   // a 120 x 90 surface, centred

        PropertyBag bag;
        view->WriteProperties(bag);
        QVERIFY(!bag.Contains(QStringLiteral("DefultPicture")));
        AAImageView again;
        again.ReadProperties(bag);
        QCOMPARE(again.DefultPicture().get(), AAImageView::BuiltInDefultPicture().get());
        again.Paint();
        QCOMPARE(again.Picture()->size(), QSize(120, 90)); // what was shown is stored as the picture
    }

    void userScrolling_data() {
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("value");

        // The default steps: 10 either way across, 1 down; the centre is -180 across, -126 down.
        QTest::newRow("right arrow") << true << int(QAbstractSlider::SliderSingleStepAdd) << -190;
        QTest::newRow("track left") << true << int(QAbstractSlider::SliderPageStepSub) << -170;
        QTest::newRow("right end") << true << int(QAbstractSlider::SliderToMaximum) << -361;
        QTest::newRow("down arrow") << false << int(QAbstractSlider::SliderSingleStepAdd) << -127;
        QTest::newRow("track up") << false << int(QAbstractSlider::SliderPageStepSub) << -125;
    }
    void userScrolling() {
        QFETCH(bool, horizontal);
        QFETCH(int, action);
        QFETCH(int, value);
        const auto view = shownViewer(300, 250, plain(640, 480));
        ScrollBar* moved = horizontal ? view->hscPicture() : view->vscPicture();

        moved->triggerAction(QAbstractSlider::SliderAction(action));

        QCOMPARE(moved->Value(), value);
        QCOMPARE(at(*view), horizontal ? QPointF(value, centred.y()) : QPointF(centred.x(), value));
    }

    void wheel_data() {
        QTest::addColumn<QPoint>("angle");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<bool>("horizontal");
        QTest::addColumn<int>("value");
        // A notch is three arrow steps: 1 each down, 10 each across.
        QTest::newRow("down") << QPoint(0, -120) << false << false << -129;
        QTest::newRow("up") << QPoint(0, 120) << false << false << -123;
        QTest::newRow("shift, down is right") << QPoint(0, -120) << true << true << -210;
        QTest::newRow("sideways wheel") << QPoint(-240, 0) << false << true << -240;
    }
    void wheel() {
        QFETCH(QPoint, angle);
        QFETCH(bool, shift);
        QFETCH(bool, horizontal);
        QFETCH(int, value);
        const auto view = shownViewer(300, 250, plain(640, 480));
        QWheelEvent event(QPointF(50, 50), view->mapToGlobal(QPointF(50, 50)), {}, angle, Qt::NoButton,
                          shift ? Qt::ShiftModifier : Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(view.get(), &event);
        QCOMPARE((horizontal ? view->hscPicture() : view->vscPicture())->Value(), value);
        QCOMPARE(at(*view), horizontal ? QPointF(value, centred.y()) : QPointF(centred.x(), value));
    }

    void dragThumbToEnd() {
        const auto view = shownViewer(300, 250, plain(640, 480));
        ScrollBar* hsc = view->hscPicture();
        // The centred thumb lies in the middle of the bar; a press beside it would page at once.
        const QPoint thumb = hsc->rect().center();
        const QPoint beyond(hsc->width() + 40, thumb.y());

        QTest::mousePress(hsc, Qt::LeftButton, {}, thumb);
        QTest::mouseMove(hsc, beyond);
        QCOMPARE(hsc->Value(), -180); // the picture stays while the thumb is dragged
        QCOMPARE(view->picView()->Left(), -180.5);
        QTest::mouseRelease(hsc, Qt::LeftButton, {}, beyond);

        QCOMPARE(hsc->Value(), hsc->Max());
        QCOMPARE(view->picView()->Left(), 300.0 - 21 - 640);
    }

    void arrowKeys_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("focus");

        const QSize both(640, 480), wide(640, 100), tall(100, 480);
        QTest::newRow("Right, both bars") << both << int(Qt::Key_Right) << "hsc";
        QTest::newRow("Left, both bars") << both << int(Qt::Key_Left) << "hsc";
        QTest::newRow("Down, both bars") << both << int(Qt::Key_Down) << "vsc";
        QTest::newRow("Up, both bars") << both << int(Qt::Key_Up) << "vsc";
        QTest::newRow("Up, horizontal bar only") << wide << int(Qt::Key_Up) << "viewer";
        QTest::newRow("Left, vertical bar only") << tall << int(Qt::Key_Left) << "viewer";
        QTest::newRow("Down, vertical bar only") << tall << int(Qt::Key_Down) << "vsc";
        QTest::newRow("another key") << both << int(Qt::Key_A) << "viewer";
    }
    void arrowKeys() {
        QFETCH(QSize, picture);
        QFETCH(int, key);
        QFETCH(QString, focus);
        const auto view = shownViewer(300, 250, plain(picture.width(), picture.height()));
        QApplication::setActiveWindow(view.get());
        view->setFocus();
        QVERIFY(view->hasFocus());
        const QList<int> barsBefore = bars(*view);
        const QPointF position = at(*view);

        QTest::keyClick(view.get(), Qt::Key(key));

        const QMap<QString, QWidget*> widgets{
            {"viewer", view.get()}, {"hsc", view->hscPicture()}, {"vsc", view->vscPicture()}};
        QCOMPARE(QApplication::focusWidget(), widgets.value(focus));
        // Moving the focus does not scroll.
        QCOMPARE(bars(*view), barsBefore);
        QCOMPARE(at(*view), position);
    }
};

QTEST_MAIN(TestAAImageView)
#include "test_aaimageview.moc"
