// The picture viewer, driven through its real widgets on the offscreen platform.
#include "viewer/AAImageView.h"

#include "platform/Error.h"
#include "platform/SystemColors.h"
#include "support/PictureFactory.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <functional>
#include <memory>

namespace {

PictureRef plain(int width, int height, QRgb colour = qRgb(40, 90, 160)) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return Picture::make(image);
}

// Every column has its own colour and every row of a column is the same.
PictureRef columns(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int x = 0; x < width; ++x) {
        const QRgb colour = qRgb(x & 0xFF, (x >> 8) & 0xFF, 77);
        for (int y = 0; y < height; ++y)
            image.setPixel(x, y, colour);
    }
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

ScrollBar* bar(AAImageView& view, Qt::Orientation orientation) {
    return orientation == Qt::Horizontal ? view.hscPicture() : view.vscPicture();
}

// The stored settings by key, so that tables can name them.
void setSetting(AAImageView& view, const QString& key, int value) {
    if (key == QLatin1String("LargChangeX"))
        view.SetLargChangeX(std::int16_t(value));
    else if (key == QLatin1String("SmallChangeX"))
        view.SetSmallChangeX(std::int16_t(value));
    else if (key == QLatin1String("LargChangeY"))
        view.SetLargChangeY(std::int16_t(value));
    else if (key == QLatin1String("SmallChangeY"))
        view.SetSmallChangeY(std::int16_t(value));
    else if (key == QLatin1String("BackColor"))
        view.SetBackColor(std::uint32_t(value));
    else if (key == QLatin1String("ScalePercent"))
        view.SetScalePercent(value);
    else
        QFAIL("unknown setting");
}

int setting(const AAImageView& view, const QString& key) {
    if (key == QLatin1String("LargChangeX")) return view.LargChangeX();
    if (key == QLatin1String("SmallChangeX")) return view.SmallChangeX();
    if (key == QLatin1String("LargChangeY")) return view.LargChangeY();
    if (key == QLatin1String("SmallChangeY")) return view.SmallChangeY();
    if (key == QLatin1String("BackColor")) return int(view.BackColor());
    if (key == QLatin1String("ScalePercent")) return view.ScalePercent();
    return -12345;
}

void giveFocus(AAImageView& view) {
    view.activateWindow();
    QApplication::setActiveWindow(&view);
    view.setFocus();
}

QRect thumbRect(const ScrollBar& scrollBar) {
    QStyleOptionSlider option;
    option.initFrom(&scrollBar);
    option.subControls = QStyle::SC_All;
    option.orientation = scrollBar.orientation();
    option.minimum = scrollBar.minimum();
    option.maximum = scrollBar.maximum();
    option.sliderPosition = scrollBar.sliderPosition();
    option.sliderValue = scrollBar.value();
    option.singleStep = scrollBar.singleStep();
    option.pageStep = scrollBar.pageStep();
    if (scrollBar.orientation() == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
    return scrollBar.style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider,
                                             &scrollBar);
}

void sendMouse(QWidget* widget, QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

class TestAAImageView : public QObject {
    Q_OBJECT
private slots:
    void builtInDefaultPicture();
    void creationShowsDefaultPicture();

    void layout_data();
    void layout();
    void scrollBars_data();
    void scrollBars();
    void disabledBarKeepsItsRange();
    void beyondBarRange_data();
    void beyondBarRange();
    void scaledSize_data();
    void scaledSize();
    void drawingFillsSurface_data();
    void drawingFillsSurface();
    void emptyPicture();

    void pictureIsTheObjectThatWasSet();
    void samePictureAgainRecentres();
    void defaultPictureShowsWindowBackground();
    void backColor_data();
    void backColor();
    void notifications_data();
    void notifications();
    void stepSetters_data();
    void stepSetters();
    void stepRefused_data();
    void stepRefused();
    void busyPointerEndsOnDefault();

    void readEmptyBag();
    void readStoredLayout();
    void readStepOutOfRange();
    void writeDefaultsStoresPictureAlone();
    void storedRoundTrip_data();
    void storedRoundTrip();
    void ownDefaultPictureIsNotStored();

    void userScrolling_data();
    void userScrolling();
    void dragThumbToEnd();
    void arrowKeys_data();
    void arrowKeys();
    void keyAfterFocusScrolls();
    void onlyShowingAndPaintRecentre();
    void resizeRecentresWithoutRedrawing();
};

void TestAAImageView::builtInDefaultPicture() {
    const PictureRef picture = AAImageView::BuiltInDefultPicture();
    QVERIFY(picture);
    QCOMPARE(picture->size(), QSize(250, 250));
    QVERIFY(picture->hasTransparency());
    QVERIFY(picture->sourceFile().startsWith("GIF89a"));                // stored as its own GIF file
    QCOMPARE(AAImageView::BuiltInDefultPicture().get(), picture.get()); // loaded once
}

void TestAAImageView::creationShowsDefaultPicture() {
    AAImageView first;
    AAImageView second;
    const PictureRef builtIn = AAImageView::BuiltInDefultPicture();
    QCOMPARE(first.Picture().get(), builtIn.get());
    QCOMPARE(first.DefultPicture().get(), builtIn.get());
    QCOMPARE(second.Picture().get(), builtIn.get());
    QCOMPARE(first.ScalePercent(), 3);
    QCOMPARE(first.picView()->Width(), 250);
    QCOMPARE(first.picView()->Height(), 250);
    QVERIFY(!first.picDefultPicture()->isVisibleTo(&first));
    QCOMPARE(first.picDefultPicture()->parentWidget(), &first);
    QVERIFY(first.focusPolicy() & Qt::TabFocus);
}

void TestAAImageView::layout_data() {
    QTest::addColumn<QSize>("viewer");
    QTest::addColumn<QRect>("vertical");
    QTest::addColumn<QRect>("horizontal");
    QTest::addColumn<QPoint>("corner");

    QTest::newRow("300 x 250") << QSize(300, 250) << QRect(279, 0, 17, 229) << QRect(0, 229, 279, 17)
                               << QPoint(279, 229);
    QTest::newRow("400 x 300") << QSize(400, 300) << QRect(379, 0, 17, 279) << QRect(0, 279, 379, 17)
                               << QPoint(379, 279);
    QTest::newRow("just the bars") << QSize(21, 21) << QRect(0, 0, 17, 0) << QRect(0, 0, 0, 17)
                                   << QPoint(0, 0);
}

void TestAAImageView::layout() {
    QFETCH(QSize, viewer);
    QFETCH(QRect, vertical);
    QFETCH(QRect, horizontal);
    QFETCH(QPoint, corner);
    const auto view = shownViewer(viewer.width(), viewer.height());

    QCOMPARE(view->picMain()->geometry(), QRect(QPoint(0, 0), viewer));
    QCOMPARE(view->picMain()->frameWidth(), 2);
    QCOMPARE(view->vscPicture()->geometry(), vertical);
    QCOMPARE(view->hscPicture()->geometry(), horizontal);
    QCOMPARE(view->picTemp()->pos(), corner);
    QCOMPARE(view->picTemp()->size(), QSize(19, 19));
    // Positions count from inside the frame's border, so the bars end flush with it.
    QCOMPARE(view->vscPicture()->mapTo(view->picMain(), QPoint(0, 0)), vertical.topLeft() + QPoint(2, 2));
    QCOMPARE(view->picView()->parentWidget(), view->hscPicture()->parentWidget());
    QVERIFY(view->picView()->parentWidget()->isAncestorOf(view->picTemp()));
}

void TestAAImageView::scrollBars_data() {
    QTest::addColumn<QSize>("viewer");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("code");
    QTest::addColumn<bool>("hEnabled");
    QTest::addColumn<int>("hMax");
    QTest::addColumn<int>("hValue");
    QTest::addColumn<double>("left");
    QTest::addColumn<bool>("vEnabled");
    QTest::addColumn<int>("vMax");
    QTest::addColumn<int>("vValue");
    QTest::addColumn<double>("top");

    const QSize viewer(300, 250); // view area 279 x 229
    QTest::newRow("larger both ways")
        << viewer << QSize(640, 480) << 3 << true << -361 << -180 << -180.5 << true << -251 << -126 << -125.5;
    QTest::newRow("as wide as the view")
        << viewer << QSize(279, 100) << 3 << true << 0 << 0 << 0.0 << false << 0 << 0 << 64.5;
    QTest::newRow("one wider") << viewer << QSize(280, 100) << 3 << true << -1 << 0 << -0.5 << false << 0 << 0
                               << 64.5;
    QTest::newRow("one narrower") << viewer << QSize(278, 100) << 3 << false << 0 << 0 << 0.5 << false << 0
                                  << 0 << 64.5;
    QTest::newRow("three wider, tie goes to even")
        << viewer << QSize(282, 100) << 3 << true << -3 << -2 << -1.5 << false << 0 << 0 << 64.5;
    QTest::newRow("five wider, tie goes to even")
        << viewer << QSize(284, 100) << 3 << true << -5 << -2 << -2.5 << false << 0 << 0 << 64.5;
    QTest::newRow("as high as the view")
        << viewer << QSize(100, 229) << 3 << false << 0 << 0 << 89.5 << true << 0 << 0 << 0.0;
    QTest::newRow("one higher") << viewer << QSize(100, 230) << 3 << false << 0 << 0 << 89.5 << true << -1
                                << 0 << -0.5;
    QTest::newRow("one lower") << viewer << QSize(100, 228) << 3 << false << 0 << 0 << 89.5 << false << 0 << 0
                               << 0.5;
    QTest::newRow("quarter scale fits")
        << viewer << QSize(640, 480) << 0 << false << 0 << 0 << 59.5 << false << 0 << 0 << 54.5;
    QTest::newRow("double scale") << viewer << QSize(200, 150) << 7 << true << -121 << -60 << -60.5 << true
                                  << -71 << -36 << -35.5;
    QTest::newRow("no scale") << viewer << QSize(640, 480) << 10 << false << 0 << 0 << 139.5 << false << 0
                              << 0 << 114.5;
    QTest::newRow("250 x 250 in a small viewer") << QSize(200, 200) << QSize(250, 250) << 3 << true << -71
                                                 << -36 << -35.5 << true << -71 << -36 << -35.5;
}

void TestAAImageView::scrollBars() {
    QFETCH(QSize, viewer);
    QFETCH(QSize, picture);
    QFETCH(int, code);
    QFETCH(bool, hEnabled);
    QFETCH(int, hMax);
    QFETCH(int, hValue);
    QFETCH(double, left);
    QFETCH(bool, vEnabled);
    QFETCH(int, vMax);
    QFETCH(int, vValue);
    QFETCH(double, top);

    const auto view = shownViewer(viewer.width(), viewer.height());
    view->SetScalePercent(code);
    view->SetPicture(plain(picture.width(), picture.height()));

    QCOMPARE(view->hscPicture()->isEnabled(), hEnabled);
    QCOMPARE(view->vscPicture()->isEnabled(), vEnabled);
    if (hEnabled) {
        QCOMPARE(view->hscPicture()->Min(), 0);
        QCOMPARE(view->hscPicture()->Max(), hMax);
        QCOMPARE(view->hscPicture()->Value(), hValue);
    }
    if (vEnabled) {
        QCOMPARE(view->vscPicture()->Min(), 0);
        QCOMPARE(view->vscPicture()->Max(), vMax);
        QCOMPARE(view->vscPicture()->Value(), vValue);
    }
    QCOMPARE(view->picView()->Left(), left);
    QCOMPARE(view->picView()->Top(), top);
    // On screen the half pixel goes down to the whole pixel.
    QCOMPARE(view->picView()->pos(), QPoint(int(std::floor(left)), int(std::floor(top))));
}

void TestAAImageView::disabledBarKeepsItsRange() {
    const auto view = shownViewer(300, 250, plain(640, 480));
    view->SetPicture(plain(100, 60));
    QVERIFY(!view->hscPicture()->isEnabled());
    QVERIFY(!view->vscPicture()->isEnabled());
    QCOMPARE(view->hscPicture()->Max(), -361);
    QCOMPARE(view->hscPicture()->Value(), -180);
    QCOMPARE(view->vscPicture()->Max(), -251);
    QCOMPARE(view->vscPicture()->Value(), -126);
    QCOMPARE(view->picView()->Left(), 89.5);
    QCOMPARE(view->picView()->Top(), 84.5);
}

void TestAAImageView::beyondBarRange_data() {
    QTest::addColumn<int>("pictureWidth");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("value");

    // The view area is 279 pixels wide.
    QTest::newRow("widest one pixel a unit") << 279 + 32768 << -32768 << -16384;
    QTest::newRow("one more: two pixels a unit") << 279 + 32769 << -16384 << -8192;
    QTest::newRow("40,000 pixels") << 40000 << -19860 << -9930;
    QTest::newRow("100,000 pixels: four a unit") << 100000 << -24930 << -12465;
}

void TestAAImageView::beyondBarRange() {
    QFETCH(int, pictureWidth);
    QFETCH(int, max);
    QFETCH(int, value);
    const auto view = shownViewer(300, 250, plain(pictureWidth, 10));
    ScrollBar* hsc = view->hscPicture();
    const double range = 279.0 - pictureWidth;

    QVERIFY(hsc->isEnabled());
    QCOMPARE(hsc->Min(), 0);
    QCOMPARE(hsc->Max(), max);
    QCOMPARE(hsc->Value(), value);
    QCOMPARE(view->picView()->Left(), range / 2);

    hsc->triggerAction(QAbstractSlider::SliderToMinimum);
    QCOMPARE(view->picView()->Left(), 0.0);
    hsc->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    const double afterOneStep = view->picView()->Left();
    QVERIFY(afterOneStep < 0);
    hsc->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(hsc->Value(), max);
    QCOMPARE(view->picView()->Left(), range); // the right edge at the view's right edge
    hsc->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QVERIFY(view->picView()->Left() > range);
    QVERIFY(view->picView()->Left() < 0);
}

void TestAAImageView::scaledSize_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("code");
    QTest::addColumn<QSize>("surface");

    const QSize p(100, 60);
    QTest::newRow("code 0") << p << 0 << QSize(25, 15);
    QTest::newRow("code 1") << p << 1 << QSize(50, 30);
    QTest::newRow("code 2") << p << 2 << QSize(75, 45);
    QTest::newRow("code 3") << p << 3 << QSize(100, 60);
    QTest::newRow("code 4") << p << 4 << QSize(125, 75);
    QTest::newRow("code 5") << p << 5 << QSize(150, 90);
    QTest::newRow("code 6") << p << 6 << QSize(175, 105);
    QTest::newRow("code 7") << p << 7 << QSize(200, 120);
    QTest::newRow("code 8") << p << 8 << QSize(300, 180);
    QTest::newRow("code 9") << p << 9 << QSize(400, 240);
    QTest::newRow("code 10") << p << 10 << QSize(0, 0);
    QTest::newRow("code -1") << p << -1 << QSize(0, 0);
    QTest::newRow("code 1000") << p << 1000 << QSize(0, 0);
    // Rounded down, never to nearest.
    QTest::newRow("126.25 down") << QSize(101, 101) << 4 << QSize(126, 126);
    QTest::newRow("0.75 down to 0") << QSize(3, 3) << 0 << QSize(0, 0);
    QTest::newRow("1.5 down to 1") << QSize(3, 3) << 1 << QSize(1, 1);
    QTest::newRow("13.5 down to 13") << QSize(9, 9) << 5 << QSize(13, 13);
    QTest::newRow("5.25 down to 5") << QSize(7, 7) << 2 << QSize(5, 5);
    QTest::newRow("width and height apart") << QSize(7, 9) << 6 << QSize(12, 15);
}

void TestAAImageView::scaledSize() {
    QFETCH(QSize, picture);
    QFETCH(int, code);
    QFETCH(QSize, surface);
    const PictureRef shown = plain(picture.width(), picture.height());
    const auto view = shownViewer(300, 250, shown);
    view->SetScalePercent(code);

    QCOMPARE(view->ScalePercent(), code);
    QCOMPARE(view->picView()->Width(), surface.width());
    QCOMPARE(view->picView()->Height(), surface.height());
    QCOMPARE(view->picView()->size(), surface);
    QCOMPARE(view->Picture().get(), shown.get()); // the picture itself is untouched
    QCOMPARE(view->Picture()->size(), picture);
}

void TestAAImageView::drawingFillsSurface_data() {
    QTest::addColumn<int>("code");
    for (int code = 0; code <= 9; ++code)
        QTest::addRow("code %d", code) << code;
}

void TestAAImageView::drawingFillsSurface() {
    QFETCH(int, code);
    const QImage source = factory::coordinates(100, 60);
    const auto view = shownViewer(300, 250, Picture::make(source));
    view->SetScalePercent(code);
    const int w = view->picView()->Width();
    const int h = view->picView()->Height();
    const QImage drawn = view->picView()->Render(QRect(0, 0, w, h));
    // The whole picture is stretched over the whole surface: each corner pixel shows the source pixel
    // under its centre.
    const auto under = [](int i, int from, int to) { return int((i + 0.5) * from / to); };
    const int firstX = under(0, 100, w), lastX = under(w - 1, 100, w);
    const int firstY = under(0, 60, h), lastY = under(h - 1, 60, h);
    QCOMPARE(drawn.pixel(0, 0), source.pixel(firstX, firstY));
    QCOMPARE(drawn.pixel(w - 1, 0), source.pixel(lastX, firstY));
    QCOMPARE(drawn.pixel(0, h - 1), source.pixel(firstX, lastY));
    QCOMPARE(drawn.pixel(w - 1, h - 1), source.pixel(lastX, lastY));
}

void TestAAImageView::emptyPicture() {
    const auto view = shownViewer(300, 250, plain(640, 480));
    view->SetPicture(nullptr);
    QVERIFY(!view->Picture());
    QCOMPARE(view->picView()->size(), QSize(0, 0));
    QCOMPARE(view->picView()->Left(), 139.5);
    view->Paint();
    view->ShowDefultPicture();
    QCOMPARE(view->Picture().get(), AAImageView::BuiltInDefultPicture().get());
}

void TestAAImageView::pictureIsTheObjectThatWasSet() {
    const PictureRef picture = plain(640, 480);
    const auto view = shownViewer(300, 250);
    view->SetScalePercent(0);
    view->SetPicture(picture);
    QCOMPARE(view->Picture().get(), picture.get());
    QCOMPARE(view->Picture()->size(), QSize(640, 480));
    QCOMPARE(view->picView()->size(), QSize(160, 120));
    QVERIFY(picture.use_count() > 1); // held, not copied
}

void TestAAImageView::samePictureAgainRecentres() {
    const PictureRef picture = plain(640, 480);
    const auto view = shownViewer(300, 250, picture);
    view->hscPicture()->triggerAction(QAbstractSlider::SliderToMinimum);
    view->vscPicture()->triggerAction(QAbstractSlider::SliderToMaximum);
    QCOMPARE(view->picView()->Left(), 0.0);
    QCOMPARE(view->picView()->Top(), -251.0);

    view->SetPicture(picture);
    QCOMPARE(view->hscPicture()->Value(), -180);
    QCOMPARE(view->vscPicture()->Value(), -126);
    QCOMPARE(view->picView()->Left(), -180.5);
    QCOMPARE(view->picView()->Top(), -125.5);
}

void TestAAImageView::defaultPictureShowsWindowBackground() {
    const auto view = shownViewer(400, 400);
    view->SetBackColor(0x0000FF);
    QVERIFY(!view->hscPicture()->isEnabled());
    QVERIFY(!view->vscPicture()->isEnabled());
    QCOMPARE(view->picView()->Left(), 64.5);
    QCOMPARE(view->picView()->Top(), 64.5);

    const QImage shot = view->grab().toImage();
    const QColor windowBackground = SystemColor(SystemColorWindowBackground);
    QCOMPARE(view->picView()->BackColor(), windowBackground);
    // The default picture's corners are transparent: the surface's own colour shows through.
    const QPoint surfaceCorner = view->picView()->mapTo(view.get(), QPoint(1, 1));
    QCOMPARE(shot.pixelColor(surfaceCorner), windowBackground);
    QCOMPARE(shot.pixelColor(10, 10), QColor(Qt::red));
    // and the lettering is dark
    int dark = 0;
    const QImage surface = view->picView()->Render(QRect(0, 0, 250, 250));
    for (int y = 0; y < 250; ++y)
        for (int x = 0; x < 250; ++x)
            dark += qGray(surface.pixel(x, y)) < 64;
    QVERIFY(dark > 100);
}

void TestAAImageView::backColor_data() {
    QTest::addColumn<uint>("value");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("red") << 0x0000FFu << QColor(255, 0, 0);
    QTest::newRow("blue-green order") << 0x00FF8000u << QColor(0, 128, 255);
    QTest::newRow("button face") << uint(SystemColorButtonFace) << SystemColor(SystemColorButtonFace);
}

void TestAAImageView::backColor() {
    QFETCH(uint, value);
    QFETCH(QColor, colour);
    const auto view = shownViewer(300, 250, plain(100, 60));
    view->hscPicture()->setEnabled(true); // so its look is compared with something drawn
    const QImage surfaceBefore = view->picView()->Render(QRect(0, 0, 100, 60));
    const QRect surfaceGeometry = view->picView()->geometry();
    const QImage barBefore = view->hscPicture()->grab().toImage();
    const QColor surfaceColour = view->picView()->BackColor();
    QSignalSpy changed(view.get(), &AAImageView::PropertyChanged);

    view->SetBackColor(value);

    QCOMPARE(view->BackColor(), std::uint32_t(value));
    QCOMPARE(names(changed), QStringList{QStringLiteral("BackColor")});
    QCOMPARE(view->picTemp()->BackColor(), colour);
    const QImage shot = view->grab().toImage();
    QCOMPARE(shot.pixelColor(10, 10), colour);                     // the frame's client area
    QCOMPARE(shot.pixelColor(2 + 279 + 10, 2 + 229 + 10), colour); // the corner square
    QVERIFY(shot.pixelColor(0, 0) != colour);                      // the sunken border is drawn over it
    QCOMPARE(view->picView()->BackColor(), surfaceColour);
    QCOMPARE(view->picView()->geometry(), surfaceGeometry);
    QCOMPARE(view->picView()->Render(QRect(0, 0, 100, 60)), surfaceBefore);
    QCOMPARE(view->hscPicture()->grab().toImage(), barBefore);
}

void TestAAImageView::notifications_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<int>("widthWhenNotified"); // the surface, -1 when there is no notification
    QTest::addColumn<bool>("barsSetWhenNotified");

    // Start: a 100 x 60 picture, both bars off. The operation brings a picture wider than the view.
    QTest::newRow("Picture set") << "Picture" << QStringList{"Picture"} << 640 << false;
    QTest::newRow("ScalePercent let") << "ScalePercent" << QStringList{"ScalePercent"} << 100 << false;
    QTest::newRow("DefultPicture set") << "DefultPicture" << QStringList{"DefultPicture"} << 100 << false;
    QTest::newRow("ShowDefultPicture") << "ShowDefultPicture" << QStringList{} << -1 << false;
    QTest::newRow("Paint") << "Paint" << QStringList{} << -1 << false;
}

void TestAAImageView::notifications() {
    QFETCH(QString, operation);
    QFETCH(QStringList, expected);
    QFETCH(int, widthWhenNotified);
    QFETCH(bool, barsSetWhenNotified);
    const auto view = shownViewer(300, 250, plain(100, 60));
    const PictureRef wide = plain(640, 480);
    QStringList seen;
    int width = -1;
    bool barsSet = false;
    connect(view.get(), &AAImageView::PropertyChanged, view.get(), [&](const QString& name) {
        seen << name;
        width = view->picView()->Width();
        barsSet = view->hscPicture()->isEnabled();
    });

    if (operation == "Picture")
        view->SetPicture(wide);
    else if (operation == "ScalePercent")
        view->SetScalePercent(8);
    else if (operation == "DefultPicture")
        view->SetDefultPicture(wide);
    else if (operation == "ShowDefultPicture")
        view->ShowDefultPicture();
    else
        view->Paint();

    QCOMPARE(seen, expected);
    QCOMPARE(width, widthWhenNotified);
    QCOMPARE(barsSet, barsSetWhenNotified);
    if (!expected.isEmpty()) QVERIFY(view->hscPicture()->isEnabled()); // and ends set up for what it shows
}

void TestAAImageView::stepSetters_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<bool>("page");
    QTest::newRow("LargChangeX") << "LargChangeX" << 37 << int(Qt::Horizontal) << true;
    QTest::newRow("SmallChangeX") << "SmallChangeX" << 3 << int(Qt::Horizontal) << false;
    QTest::newRow("LargChangeY") << "LargChangeY" << 32767 << int(Qt::Vertical) << true;
    QTest::newRow("SmallChangeY") << "SmallChangeY" << 1 << int(Qt::Vertical) << false;
}

void TestAAImageView::stepSetters() {
    QFETCH(QString, key);
    QFETCH(int, value);
    QFETCH(int, orientation);
    QFETCH(bool, page);
    const PictureRef picture = plain(640, 480);
    const auto view = shownViewer(300, 250, picture);
    view->hscPicture()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    view->vscPicture()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    const double left = view->picView()->Left();
    const double top = view->picView()->Top();
    QSignalSpy changed(view.get(), &AAImageView::PropertyChanged);

    setSetting(*view, key, value);

    QCOMPARE(setting(*view, key), value);
    ScrollBar* target = bar(*view, Qt::Orientation(orientation));
    QCOMPARE(page ? target->LargeChange() : target->SmallChange(), value);
    QCOMPARE(page ? target->pageStep() : target->singleStep(), value);
    QCOMPARE(names(changed), QStringList{key});
    QCOMPARE(view->picView()->Left(), left);
    QCOMPARE(view->picView()->Top(), top);
    QCOMPARE(view->Picture().get(), picture.get());

    // The bar now moves by the new step.
    const int before = target->Value();
    target->triggerAction(page ? QAbstractSlider::SliderPageStepAdd : QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(target->Value(), std::max(before - value, int(target->Max())));
}

void TestAAImageView::stepRefused_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("value");
    QTest::newRow("LargChangeX 0") << "LargChangeX" << 0;
    QTest::newRow("SmallChangeX -1") << "SmallChangeX" << -1;
    QTest::newRow("LargChangeY -32768") << "LargChangeY" << -32768;
    QTest::newRow("SmallChangeY 0") << "SmallChangeY" << 0;
}

void TestAAImageView::stepRefused() {
    QFETCH(QString, key);
    QFETCH(int, value);
    const auto view = shownViewer(300, 250, plain(640, 480));
    const int before = setting(*view, key);
    QSignalSpy changed(view.get(), &AAImageView::PropertyChanged);

    QString message;
    try {
        setSetting(*view, key, value);
    } catch (const QuillonError& error) {
        message = error.message();
    }
    QCOMPARE(message, key + QStringLiteral(" must be at least 1."));
    QCOMPARE(setting(*view, key), before);
    QCOMPARE(changed.count(), 0);
}

void TestAAImageView::busyPointerEndsOnDefault() {
    const auto view = shownViewer(300, 250);
    QApplication::setOverrideCursor(Qt::CrossCursor);
    view->SetPicture(plain(640, 480));
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

void TestAAImageView::readEmptyBag() {
    const PictureRef picture = plain(640, 480);
    const auto view = shownViewer(300, 250, picture);
    view->SetLargChangeX(3);
    view->SetSmallChangeX(4);
    view->SetLargChangeY(5);
    view->SetSmallChangeY(6);
    view->SetBackColor(0x123456);
    view->SetScalePercent(5);
    QSignalSpy changed(view.get(), &AAImageView::PropertyChanged);

    view->ReadProperties(PropertyBag());

    QCOMPARE(view->LargChangeX(), 10);
    QCOMPARE(view->SmallChangeX(), 10);
    QCOMPARE(view->LargChangeY(), 1);
    QCOMPARE(view->SmallChangeY(), 1);
    QCOMPARE(view->BackColor(), 0xFFFFFFu);
    QCOMPARE(view->ScalePercent(), 3);
    QCOMPARE(view->DefultPicture().get(), AAImageView::BuiltInDefultPicture().get());
    QCOMPARE(names(changed),
             (QStringList{"LargChangeX", "LargChangeY", "SmallChangeX", "SmallChangeY", "BackColor"}));
    // Reading draws nothing: the surface still shows the earlier picture at the earlier scale.
    QCOMPARE(view->Picture().get(), picture.get());
    QCOMPARE(view->picView()->size(), QSize(960, 720));

    view->Paint();
    QCOMPARE(view->Picture().get(), AAImageView::BuiltInDefultPicture().get());
    QCOMPARE(view->picView()->size(), QSize(250, 250));
}

void TestAAImageView::readStoredLayout() {
    // The original-image viewer's stored settings, keys in any case.
    const PropertyBag bag = PropertyBag::FromText(QStringLiteral("LARGCHANGEX = 20\n"
                                                                 "largchangey = 20\n"
                                                                 "SmallChangeX = 5\n"
                                                                 "smallChangeY = 5\n"
                                                                 "BackColor = 0x8000000F\n"
                                                                 "scalepercent = 7\n"),
                                                  QString());
    const auto view = shownViewer(300, 250);
    view->ReadProperties(bag);
    QCOMPARE(view->LargChangeX(), 20);
    QCOMPARE(view->LargChangeY(), 20);
    QCOMPARE(view->SmallChangeX(), 5);
    QCOMPARE(view->SmallChangeY(), 5);
    QCOMPARE(view->BackColor(), SystemColorButtonFace);
    QCOMPARE(view->picTemp()->BackColor(), SystemColor(SystemColorButtonFace));
    QCOMPARE(view->ScalePercent(), 7);
    view->Paint();
    QCOMPARE(view->picView()->size(), QSize(500, 500));

    // A stored picture comes back as a new object of its own size.
    PropertyBag withPicture;
    const PictureRef stored = Picture::make(factory::checkerboard(64, 48, 8));
    withPicture.WriteProperty(QStringLiteral("Picture"), stored, PropertyBag::NoDefault{});
    view->ReadProperties(withPicture);
    view->Paint();
    QCOMPARE(view->Picture()->size(), QSize(64, 48));
    QVERIFY(view->Picture().get() != stored.get());
}

void TestAAImageView::readStepOutOfRange() {
    const auto view = shownViewer(300, 250);
    const PropertyBag bag = PropertyBag::FromText(QStringLiteral("LargChangeX = 70000\n"), QString());
    QVERIFY_THROWS_EXCEPTION(QuillonError, view->ReadProperties(bag));
    QCOMPARE(view->LargChangeX(), 10);
}

void TestAAImageView::writeDefaultsStoresPictureAlone() {
    const auto view = shownViewer(300, 250);
    PropertyBag bag;
    view->WriteProperties(bag);
    QCOMPARE(bag.Keys(), QStringList{QStringLiteral("picture")});
    QCOMPARE(bag.ReadPicture(QStringLiteral("Picture"), nullptr)->size(), QSize(250, 250));
}

void TestAAImageView::storedRoundTrip_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("stored");

    // Defaults go by axis: 10 and 10 across, 1 and 1 down.
    QTest::newRow("LargChangeX 20") << "LargChangeX" << 20 << true;
    QTest::newRow("LargChangeX 10 is the default") << "LargChangeX" << 10 << false;
    QTest::newRow("LargChangeY 10") << "LargChangeY" << 10 << true;
    QTest::newRow("LargChangeY 1 is the default") << "LargChangeY" << 1 << false;
    QTest::newRow("SmallChangeX 1") << "SmallChangeX" << 1 << true;
    QTest::newRow("SmallChangeX 10 is the default") << "SmallChangeX" << 10 << false;
    QTest::newRow("SmallChangeY 5") << "SmallChangeY" << 5 << true;
    QTest::newRow("SmallChangeY 1 is the default") << "SmallChangeY" << 1 << false;
    QTest::newRow("BackColor button face") << "BackColor" << int(SystemColorButtonFace) << true;
    QTest::newRow("BackColor black") << "BackColor" << 0 << true;
    QTest::newRow("BackColor white is the default") << "BackColor" << 0xFFFFFF << false;
    QTest::newRow("ScalePercent 0") << "ScalePercent" << 0 << true;
    QTest::newRow("ScalePercent -1") << "ScalePercent" << -1 << true;
    QTest::newRow("ScalePercent 3 is the default") << "ScalePercent" << 3 << false;
}

void TestAAImageView::storedRoundTrip() {
    QFETCH(QString, key);
    QFETCH(int, value);
    QFETCH(bool, stored);
    const auto view = shownViewer(300, 250);
    setSetting(*view, key, value);
    PropertyBag bag;
    view->WriteProperties(bag);

    QCOMPARE(bag.Contains(key), stored);
    QCOMPARE(bag.Keys().size(), stored ? 2 : 1);
    AAImageView again;
    again.ReadProperties(bag);
    QCOMPARE(setting(again, key), value);
}

void TestAAImageView::ownDefaultPictureIsNotStored() {
    const auto view = shownViewer(300, 250, plain(640, 480));
    const PictureRef own = Picture::make(factory::checkerboard(120, 90, 10));
    QSignalSpy changed(view.get(), &AAImageView::PropertyChanged);

    view->SetDefultPicture(own);
    QCOMPARE(names(changed), QStringList{QStringLiteral("DefultPicture")});
    QCOMPARE(view->DefultPicture().get(), own.get());
    QCOMPARE(view->Picture().get(), own.get()); // shown at once
    QCOMPARE(view->picView()->size(), QSize(120, 90));
    QCOMPARE(view->picView()->Left(), 79.5);

    PropertyBag bag;
    view->WriteProperties(bag);
    QVERIFY(!bag.Contains(QStringLiteral("DefultPicture")));
    QVERIFY(bag.Contains(QStringLiteral("Picture")));

    const auto again = shownViewer(300, 250);
    again->ReadProperties(bag);
    QCOMPARE(again->DefultPicture().get(), AAImageView::BuiltInDefultPicture().get());
    again->Paint();
    QCOMPARE(again->Picture()->size(), QSize(120, 90)); // what was shown is stored as the picture
}

void TestAAImageView::userScrolling_data() {
    QTest::addColumn<int>("orientation");
    QTest::addColumn<int>("action");
    QTest::addColumn<int>("value");

    // Steps 20 a page and 5 a line; the centre is -180 across, -126 down.
    const int h = Qt::Horizontal, v = Qt::Vertical;
    QTest::newRow("right arrow") << h << int(QAbstractSlider::SliderSingleStepAdd) << -185;
    QTest::newRow("left arrow") << h << int(QAbstractSlider::SliderSingleStepSub) << -175;
    QTest::newRow("track right") << h << int(QAbstractSlider::SliderPageStepAdd) << -200;
    QTest::newRow("track left") << h << int(QAbstractSlider::SliderPageStepSub) << -160;
    QTest::newRow("right end") << h << int(QAbstractSlider::SliderToMaximum) << -361;
    QTest::newRow("left end") << h << int(QAbstractSlider::SliderToMinimum) << 0;
    QTest::newRow("down arrow") << v << int(QAbstractSlider::SliderSingleStepAdd) << -131;
    QTest::newRow("track up") << v << int(QAbstractSlider::SliderPageStepSub) << -106;
    QTest::newRow("bottom end") << v << int(QAbstractSlider::SliderToMaximum) << -251;
    QTest::newRow("top end") << v << int(QAbstractSlider::SliderToMinimum) << 0;
}

void TestAAImageView::userScrolling() {
    QFETCH(int, orientation);
    QFETCH(int, action);
    QFETCH(int, value);
    const auto view = shownViewer(300, 250, plain(640, 480));
    view->SetLargChangeX(20);
    view->SetSmallChangeX(5);
    view->SetLargChangeY(20);
    view->SetSmallChangeY(5);
    ScrollBar* moved = bar(*view, Qt::Orientation(orientation));

    moved->triggerAction(QAbstractSlider::SliderAction(action));

    QCOMPARE(moved->Value(), value);
    if (orientation == Qt::Horizontal) {
        QCOMPARE(view->picView()->Left(), double(value));
        QCOMPARE(view->picView()->Top(), -125.5);
    } else {
        QCOMPARE(view->picView()->Left(), -180.5);
        QCOMPARE(view->picView()->Top(), double(value));
    }
    QCOMPARE(view->picView()->pos(),
             QPoint(int(std::floor(view->picView()->Left())), int(std::floor(view->picView()->Top()))));
}

void TestAAImageView::dragThumbToEnd() {
    const auto view = shownViewer(300, 250, columns(640, 480));
    ScrollBar* hsc = view->hscPicture();
    const QRect thumb = thumbRect(*hsc);
    QVERIFY(!thumb.isEmpty());

    sendMouse(hsc, QEvent::MouseButtonPress, thumb.center(), Qt::LeftButton);
    sendMouse(hsc, QEvent::MouseMove, QPoint(hsc->width() + 40, thumb.center().y()), Qt::LeftButton);
    // The picture stays while the thumb is dragged.
    QCOMPARE(hsc->Value(), -180);
    QCOMPARE(view->picView()->Left(), -180.5);
    sendMouse(hsc, QEvent::MouseButtonRelease, QPoint(hsc->width() + 40, thumb.center().y()), Qt::NoButton);

    QCOMPARE(hsc->Value(), hsc->Max());
    QCOMPARE(view->picView()->Left(), 300.0 - 21 - 640);
    // The picture's last column lies at the view area's last column.
    const QImage shot = view->grab().toImage();
    const QRgb lastColumn = qRgb(639 & 0xFF, 639 >> 8, 77);
    QCOMPARE(shot.pixel(2 + 278, 100), lastColumn);
    QVERIFY(shot.pixel(2 + 277, 100) != lastColumn);
}

void TestAAImageView::arrowKeys_data() {
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("focus");

    const QSize both(640, 480), wide(640, 100), tall(100, 480);
    QTest::newRow("Right, both bars") << both << int(Qt::Key_Right) << 0 << "hsc";
    QTest::newRow("Left, both bars") << both << int(Qt::Key_Left) << 0 << "hsc";
    QTest::newRow("Down, both bars") << both << int(Qt::Key_Down) << 0 << "vsc";
    QTest::newRow("Up, both bars") << both << int(Qt::Key_Up) << 0 << "vsc";
    QTest::newRow("shift-Right") << both << int(Qt::Key_Right) << int(Qt::ShiftModifier) << "hsc";
    QTest::newRow("Up, horizontal bar only") << wide << int(Qt::Key_Up) << 0 << "viewer";
    QTest::newRow("Down, horizontal bar only") << wide << int(Qt::Key_Down) << 0 << "viewer";
    QTest::newRow("Right, horizontal bar only") << wide << int(Qt::Key_Right) << 0 << "hsc";
    QTest::newRow("Right, vertical bar only") << tall << int(Qt::Key_Right) << 0 << "viewer";
    QTest::newRow("Left, vertical bar only") << tall << int(Qt::Key_Left) << 0 << "viewer";
    QTest::newRow("Down, vertical bar only") << tall << int(Qt::Key_Down) << 0 << "vsc";
    QTest::newRow("another key") << both << int(Qt::Key_A) << 0 << "viewer";
    QTest::newRow("Page Down") << both << int(Qt::Key_PageDown) << 0 << "viewer";
}

void TestAAImageView::arrowKeys() {
    QFETCH(QSize, picture);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, focus);
    const auto view = shownViewer(300, 250, plain(picture.width(), picture.height()));
    giveFocus(*view);
    QVERIFY(view->hasFocus());
    const int hValue = view->hscPicture()->Value();
    const int vValue = view->vscPicture()->Value();
    const double left = view->picView()->Left();
    const double top = view->picView()->Top();

    QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QWidget* expected = focus == "hsc"   ? static_cast<QWidget*>(view->hscPicture())
                        : focus == "vsc" ? static_cast<QWidget*>(view->vscPicture())
                                         : view.get();
    QCOMPARE(QApplication::focusWidget(), expected);
    // Moving the focus does not scroll.
    QCOMPARE(view->hscPicture()->Value(), hValue);
    QCOMPARE(view->vscPicture()->Value(), vValue);
    QCOMPARE(view->picView()->Left(), left);
    QCOMPARE(view->picView()->Top(), top);
}

void TestAAImageView::keyAfterFocusScrolls() {
    const auto view = shownViewer(300, 250, plain(640, 480));
    giveFocus(*view);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(QApplication::focusWidget(), view->hscPicture());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QCOMPARE(view->hscPicture()->Value(), -190); // one line step of 10
    QCOMPARE(view->picView()->Left(), -190.0);

    view->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(QApplication::focusWidget(), view->vscPicture());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QCOMPARE(view->vscPicture()->Value(), -127);
    QCOMPARE(view->picView()->Top(), -127.0);
    QCOMPARE(view->picView()->Left(), -190.0);
}

void TestAAImageView::onlyShowingAndPaintRecentre() {
    const auto view = shownViewer(300, 250, plain(640, 480));
    view->hscPicture()->triggerAction(QAbstractSlider::SliderToMinimum);
    view->vscPicture()->triggerAction(QAbstractSlider::SliderToMinimum);

    // Repainting the widgets on screen keeps the scroll position.
    view->repaint();
    view->grab();
    QCoreApplication::processEvents();
    QCOMPARE(view->picView()->Left(), 0.0);
    QCOMPARE(view->picView()->Top(), 0.0);

    view->Paint();
    QCOMPARE(view->picView()->Left(), -180.5);
    QCOMPARE(view->hscPicture()->Value(), -180);

    view->hscPicture()->triggerAction(QAbstractSlider::SliderToMaximum);
    view->hide();
    view->show();
    QCOMPARE(view->picView()->Left(), -180.5);
    QCOMPARE(view->hscPicture()->Value(), -180);
}

void TestAAImageView::resizeRecentresWithoutRedrawing() {
    const PictureRef picture = plain(640, 480);
    const auto view = shownViewer(300, 250, picture);
    view->hscPicture()->triggerAction(QAbstractSlider::SliderToMinimum);

    view->resize(400, 300);
    QCOMPARE(view->vscPicture()->geometry(), QRect(379, 0, 17, 279));
    QCOMPARE(view->picView()->size(), QSize(640, 480));
    QCOMPARE(view->hscPicture()->Max(), -261);
    QCOMPARE(view->hscPicture()->Value(), -130);
    QCOMPARE(view->vscPicture()->Max(), -201);
    QCOMPARE(view->vscPicture()->Value(), -100);
    QCOMPARE(view->picView()->Left(), -130.5);
    QCOMPARE(view->picView()->Top(), -100.5);

    // A picture read but not yet painted stays off the surface through a resize.
    PropertyBag bag;
    bag.WriteProperty(QStringLiteral("Picture"), Picture::make(factory::checkerboard(50, 50, 5)),
                      PropertyBag::NoDefault{});
    view->ReadProperties(bag);
    view->resize(300, 250);
    QCOMPARE(view->Picture().get(), picture.get());
    QCOMPARE(view->picView()->size(), QSize(640, 480));
    view->Paint();
    QCOMPARE(view->picView()->size(), QSize(50, 50));
}

QTEST_MAIN(TestAAImageView)
#include "test_aaimageview.moc"
