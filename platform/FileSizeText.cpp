#include "platform/FileSizeText.h"

#include <QLocale>
#include <cmath>

namespace {

QString twoDecimals(double value) {
    const double rounded = std::floor(value * 100.0 + 0.5) / 100.0;
    return QString::number(rounded, 'f', 2).replace(QLatin1Char('.'), QLocale().decimalPoint());
}

} // namespace

// The unit is chosen after rounding, so that 1,048,575 bytes read "1.00 MB", never "1024.00 KB".
QString FileSizeText(double bytes) {
    if (bytes >= 0 && bytes <= 1023)
        return QString::number(bytes, 'g', 15).replace(QLatin1Char('.'), QLocale().decimalPoint()) +
               QStringLiteral(" B");
    const auto below1024 = [](double value) { return std::floor(value * 100.0 + 0.5) / 100.0 < 1024; };
    if (bytes >= 1024 && below1024(bytes / 1024)) return twoDecimals(bytes / 1024) + QStringLiteral(" KB");
    if (bytes >= 1024 && below1024(bytes / 1048576)) return twoDecimals(bytes / 1048576) + QStringLiteral(" MB");
    if (bytes >= 1024) return twoDecimals(bytes / 1073741824) + QStringLiteral(" GB");
    return {};
}
