// Shows a big picture in a 300 x 300 viewer on the offscreen platform, scrolls it from end to end
// in page steps with a real paint after every step, and reports time and peak memory next to the
// picture's own size. The viewer should cost the visible area, not the picture.
//
//   bench_viewer [width height [scale code ...]]     defaults: 12000 8000, codes 3 and 8
#include "viewer/AAImageView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPaintEvent>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Peak and current resident memory of this process, in bytes.
qint64 statusBytes(const char* field) {
    QFile file(QStringLiteral("/proc/self/status"));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return -1;
    for (QByteArray line = file.readLine(); !line.isEmpty(); line = file.readLine())
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong() * 1024;
    return -1;
}

double mib(qint64 bytes) {
    return double(bytes) / (1024.0 * 1024.0);
}

PictureRef makePicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        std::fprintf(stderr, "bench_viewer: not enough memory for %d x %d\n", width, height);
        std::exit(1);
    }
    for (int y = 0; y < height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = qRgb(x & 0xFF, y & 0xFF, (x ^ y) & 0xFF);
    }
    return Picture::make(image);
}

struct Sweep {
    int paints = 0;
    qint64 nanoseconds = 0;
};

// Counts the paint events that reach the surface, to prove that every step really painted.
class PaintCounter : public QObject {
public:
    int count = 0;
    qint64 pixels = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++count;
            const QRect area = static_cast<QPaintEvent*>(event)->rect();
            pixels += qint64(area.width()) * area.height();
        }
        return QObject::eventFilter(watched, event);
    }
};

// Steps a bar from its start to its end by page steps, painting after each step.
void sweep(AAImageView& view, ScrollBar& bar, Sweep& result, const std::function<void()>& atEachStep) {
    bar.triggerAction(QAbstractSlider::SliderToMinimum);
    for (;;) {
        QElapsedTimer timer;
        timer.start();
        view.repaint();
        result.nanoseconds += timer.nsecsElapsed();
        ++result.paints;
        if (atEachStep) atEachStep();
        if (bar.Value() == bar.Max()) break;
        timer.restart();
        bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
        result.nanoseconds += timer.nsecsElapsed();
    }
}

void run(const PictureRef& picture, int code) {
    AAImageView view;
    view.resize(300, 300);
    view.SetScalePercent(code);
    QElapsedTimer timer;
    timer.start();
    view.show();                       // draws the picture, sets the bars up and centres it
    QCoreApplication::processEvents(); // the window is exposed: repaint() now really paints
    view.SetPicture(picture);
    view.repaint();
    const qint64 showNs = timer.nsecsElapsed();

    ScrollBar& hsc = *view.hscPicture();
    ScrollBar& vsc = *view.vscPicture();
    view.SetLargChangeX(std::int16_t(hsc.width())); // one view width a page, in bar units
    view.SetLargChangeY(std::int16_t(vsc.height()));

    PaintCounter counter;
    view.picView()->installEventFilter(&counter);
    // Every part of the surface once: rows of pages, each row scrolled from left to right.
    Sweep whole;
    sweep(view, vsc, whole, [&] { sweep(view, hsc, whole, {}); });

    // The far corner must show the picture's far corner.
    const QImage shot = view.grab().toImage();
    const QRgb expected = view.picView()
                              ->Render(QRect(view.picView()->Width() - 1, view.picView()->Height() - 1, 1, 1))
                              .pixel(0, 0);
    const bool cornerOk = shot.pixel(2 + hsc.width() - 1, 2 + vsc.height() - 1) == expected;

    std::printf("scale code %d: surface %d x %d, bar units %d x %d\n", code, view.picView()->Width(),
                view.picView()->Height(), -hsc.Max(), -vsc.Max());
    std::printf("  show + first paint    %10.2f ms\n", showNs / 1e6);
    std::printf("  scroll end to end    %10.2f ms for %d paints of the 279 x 279 view (%.3f ms each)\n",
                whole.nanoseconds / 1e6, whole.paints, whole.nanoseconds / 1e6 / whole.paints);
    std::printf("  surface paint events  %10d, %.1f pixels each\n", counter.count,
                counter.count ? double(counter.pixels) / counter.count : 0.0);
    std::printf("  far corner shown      %s\n", cornerOk ? "yes" : "NO");
    std::printf("  peak resident         %10.1f MiB (now %.1f MiB)\n", mib(statusBytes("VmHWM:")),
                mib(statusBytes("VmRSS:")));
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int width = argc > 2 ? std::atoi(argv[1]) : 12000;
    const int height = argc > 2 ? std::atoi(argv[2]) : 8000;
    std::vector<int> codes;
    for (int i = 3; i < argc; ++i)
        codes.push_back(std::atoi(argv[i]));
    if (codes.empty()) codes = {3, 8};

    std::printf("bench_viewer: a %d x %d picture in a 300 x 300 viewer\n", width, height);
    std::printf("  resident at start     %10.1f MiB\n", mib(statusBytes("VmRSS:")));
    const PictureRef picture = makePicture(width, height);
    std::printf("  picture's own pixels  %10.1f MiB (%lld bytes)\n", mib(picture->image().sizeInBytes()),
                static_cast<long long>(picture->image().sizeInBytes()));
    std::printf("  peak with the picture %10.1f MiB\n", mib(statusBytes("VmHWM:")));
    for (const int code : codes)
        run(picture, code);
    return 0;
}
