#include "imaging/Units.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace {
constexpr double HimetricPerInch = 2540.0;
}

double ScreenPixelsPerInch() {
    // The command line runs on a QCoreApplication, which has no screens to ask.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        if (const QScreen* screen = QGuiApplication::primaryScreen()) return screen->logicalDotsPerInch();
    return 96.0;
}

int HimetricFromPixels(int pixels) {
    return static_cast<int>(std::lround(pixels * HimetricPerInch / ScreenPixelsPerInch()));
}

double ScaleX(double himetric) {
    return himetric * ScreenPixelsPerInch() / HimetricPerInch;
}
double ScaleY(double himetric) {
    return himetric * ScreenPixelsPerInch() / HimetricPerInch;
}
