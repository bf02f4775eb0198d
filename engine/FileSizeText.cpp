#include "engine/FileSizeText.h"

#include <QLocale>
#include <cmath>

namespace {

QString twoDecimals(double value) {
    const double rounded = std::floor(value * 100.0 + 0.5) / 100.0;
    return QString::number(rounded, 'f', 2).replace(QLatin1Char('.'), QLocale().decimalPoint());
}

} // namespace

// The unit is chosen on the count itself, not on the rounded quotient, so a count just below a
// switch point reads "1024.00" of the smaller unit.
QString FileSizeText(double bytes) {
    if (bytes >= 0 && bytes <= 1023)
        return QString::number(bytes, 'g', 15).replace(QLatin1Char('.'), QLocale().decimalPoint()) +
               QStringLiteral(" B");
    if (bytes >= 1024 && bytes <= 1048575) return twoDecimals(bytes / 1024) + QStringLiteral(" KB");
    if (bytes >= 1048576 && bytes <= 1073741823) return twoDecimals(bytes / 1048576) + QStringLiteral(" MB");
    if (bytes > 1073741823) return twoDecimals(bytes / 1073741824) + QStringLiteral(" GB");
    return {};
}
