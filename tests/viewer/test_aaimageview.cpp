// The picture viewer, through its real widgets.
#include "viewer/AAImageView.h"

#include "imaging/Error.h"
#include "platform/PropertyBag.h"
#include "platform/SystemColors.h"
#include "support/PictureFactory.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

namespace {

PictureRef plain(QSize s) {
    return Picture::make(factory::coordinates(s.width(), s.height()));
}

std::unique_ptr<AAImageView> shownViewer(PictureRef picture = {}) {
    auto view = std::make_unique<AAImageView>();
    view->resize(300, 250); // a view area of 279 x 229
    view->show();
    if (picture) view->SetPicture(std::move(picture));
    return view;
}

// Both bars in one list: enabled, Max, Value across, then the same down (Min is always 0).
QList<int> bars(const AAImageView& view) {
    const ScrollBar* across = view.hscPicture();
    const ScrollBar* down = view.vscPicture();
    return {across->isEnabled(), across->Max(), across->Value(),
            down->isEnabled(),   down->Max(),   down->Value()};
}

using Input = std::function<void(AAImageView&)>;

Input ends(Input then) {
    return [=](AAImageView& v) {
        v.hscPicture()->triggerAction(QAbstractSlider::SliderToMinimum);
        v.vscPicture()->triggerAction(QAbstractSlider::SliderToMaximum);
        then(v);
    };
}

Input wheel(QPoint angle, Qt::KeyboardModifiers keys = {}) {
    return [=](AAImageView& v) {
        QWheelEvent e({50, 50}, v.mapToGlobal(QPointF(50, 50)), {}, angle, {}, keys, Qt::NoScrollPhase,
                      false);
        QApplication::sendEvent(&v, &e);
    };
}

} // namespace

Q_DECLARE_METATYPE(Input)

class TestAAImageView : public QObject {
    Q_OBJECT
private slots:
    // After 640 x 480: a bar switched off keeps its range. Steps: 10 across, 1 down, three a wheel notch.
    // Beyond a 16-bit bar a unit is several pixels; the far end is exact.
    void bars_data() {
        QTest::addColumn<QSize>("picture");
        QTest::addColumn<Input>("input");
        QTest::addColumn<QList<int>>("expected");
        QTest::addColumn<QPointF>("surface");
        const auto row = [](const char* name, QSize picture, Input input, QList<int> bars, QPointF at) {
            QTest::newRow(name) << picture << input << bars << at;
        };
        const QSize big(640, 480);
        const QList<int> off{0, -361, -180, 0, -251, -126};
        row("as wide as the view", {279, 100}, {}, {1, 0, 0, 0, -251, -126}, {0, 64.5});
        row("one narrower", {278, 100}, {}, off, {0.5, 64.5});
        row("fits only once scaled", big, [](AAImageView& v) { v.SetScalePercent(0); }, off, {59.5, 54.5});
        const auto readThenResize = [](AAImageView& v) {
            v.ReadProperties({});
            v.resize(400, 300);
        };
        row("read, then resized", big, ends(readThenResize), {1, -261, -130, 1, -201, -100},
            {-130.5, -100.5});
        const auto scroll = [&](const char* name, Input input, int x, int y) { // half pixels when centred
            row(name, big, input, {1, -361, x, 1, -251, y}, {x == -180 ? -180.5 : x, y == -126 ? -125.5 : y});
        };
        // Painting on screen, or reading, does not move the picture; Paint() and a new picture recentre.
        scroll("Paint", ends(&AAImageView::Paint), -180, -126);
        const auto repaint = [](AAImageView& v) {
            v.repaint();
            v.grab();
        };
        scroll("repainted", ends(repaint), 0, -251);
        scroll("wheel down", wheel({0, -120}), -180, -129);
        scroll("shift, wheel", wheel({0, -120}, Qt::ShiftModifier), -210, -126);
        scroll("sideways wheel", wheel({-240, 0}), -240, -126);
        // A step set later moves the bar by the new amount and does not recentre.
        const auto page37 = [](AAImageView& v) {
            v.SetLargChangeX(37);
            v.hscPicture()->triggerAction(QAbstractSlider::SliderPageStepAdd);
        };
        scroll("LargChangeX 37", page37, -217, -126);
        const auto wide = [&](const char* name, int width, Input input, int max, int value, double at) {
            row(name, {width, 10}, input, {1, max, value, 0, -251, -126}, {at, 109.5});
        };
        wide("two a unit", 279 + 32769, {}, -16384, -8192, -16384.5);
        const auto farEnd = [](AAImageView& v) {
            v.hscPicture()->triggerAction(QAbstractSlider::SliderToMaximum);
        };
        wide("four a unit, right end", 100000, farEnd, -24930, -24930, 279.0 - 100000);
    }
    void bars() {
        QFETCH(QSize, picture);
        QFETCH(Input, input);
        const auto view = shownViewer(plain({640, 480}));
        view->SetPicture(plain(picture));
        if (input) input(*view);
        QCoreApplication::processEvents();
        QTEST(::bars(*view), "expected");
        QTEST(QPointF(view->picView()->Left(), view->picView()->Top()), "surface");
    }

    // Sizes round down; the far corner shows the source pixel under its centre.
    void scaledSize() {
        const PictureRef shown = plain({100, 60});
        const auto view = shownViewer(shown);
        const int widths[] = {0, 25, 50, 75, 100, 125, 150, 175, 200, 300, 400, 0};
        for (int code = -1; code <= 10; ++code) {
            const int w = widths[code + 1];
            const int h = w * 3 / 5;
            view->SetScalePercent(code);
            QCOMPARE(view->picView()->size(), QSize(w, h));
            if (w == 0) continue;
            QCOMPARE(view->picView()->Render(QRect(0, 0, w, h)).pixel(w - 1, h - 1),
                     shown->image().pixel(int((w - 0.5) * 100 / w), int((h - 0.5) * 60 / h)));
        }
        QCOMPARE(view->Picture().get(), shown.get()); // held, not copied or scaled
        view->SetPicture(plain({3, 3}));
        view->SetScalePercent(0);
        QCOMPARE(view->picView()->size(), QSize(0, 0));
    }

    // A failed read changes nothing; reading draws nothing before the next Paint().
    void storedValues_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("want");
        QTest::addColumn<QString>("error");
        const auto row = [](const char* name, const char* text, QList<int> values, const char* error) {
            QTest::newRow(name) << QString(text) << values << QString(error);
        };
        row("keys in any case",
            "LARGCHANGEX = 20\nsmallChangeY = 3\nBackColor = 0x8000000F\nscalepercent = 0",
            {20, 1, 10, 3, int(SystemColorButtonFace), 0}, "");
        row("empty bag gives the defaults", "", {10, 1, 10, 1, 0xFFFFFF, 3}, "");
        row("a step beyond 16 bits", "LargChangeX = 20\nSmallChangeY = 70000\n", {2, 2, 2, 2, 4, 5},
            "The stored scroll step SmallChangeY = 70000 is out of range (at most 32767).");
    }
    void storedValues() {
        QFETCH(QString, text);
        QFETCH(QList<int>, want);
        const auto view = shownViewer();
        const char* earlier = "LargChangeX = 2\nLargChangeY = 2\nSmallChangeX = 2\nSmallChangeY = 2\n"
                              "BackColor = 4\nScalePercent = 5";
        view->ReadProperties(PropertyBag::FromText(earlier, {}));
        view->SetPicture(plain({640, 480}));
        QString message;
        try {
            view->ReadProperties(PropertyBag::FromText(text, {}));
        } catch (const QuillonError& e) {
            message = e.message();
        }
        QTEST(message, "error");
        QCOMPARE(QList<int>({view->LargChangeX(), view->LargChangeY(), view->SmallChangeX(),
                             view->SmallChangeY(), int(view->BackColor()), view->ScalePercent()}),
                 want);
        QCOMPARE(view->picView()->size(), QSize(960, 720));
        if (!message.isEmpty()) return;
        view->Paint();
        QCOMPARE(view->Picture().get(), AAImageView::BuiltInDefultPicture().get());
        QCOMPARE(view->picView()->size(), want.last() == 0 ? QSize(62, 62) : QSize(250, 250));
    }

    // What a viewer writes, another reads back: defaults stay out of the bag, the picture shown is
    // always in it; every change is announced.
    void writtenSettingsReadBack() {
        const auto view = shownViewer(plain({64, 48}));
        QSignalSpy changed(view.get(), &AAImageView::PropertyChanged);
        view->SetLargChangeX(20);
        view->SetScalePercent(9);
        view->SetDefultPicture(plain({10, 10}));
        QCOMPARE(view->Picture(), view->DefultPicture()); // shown at once
        PropertyBag bag;
        view->WriteProperties(bag);
        QCOMPARE(bag.Keys(), (QStringList{"largchangex", "picture", "scalepercent"}));
        AAImageView read;
        read.ReadProperties(bag);
        read.Paint();
        QCOMPARE(QList<int>({read.LargChangeX(), read.ScalePercent(), read.Picture()->Width()}),
                 QList<int>({20, 9, 10}));
        QCOMPARE(changed.size(), 3); // showing the default picture announces nothing of its own
    }
};

QTEST_MAIN(TestAAImageView)
#include "test_aaimageview.moc"
