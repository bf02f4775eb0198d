#include "main_window/modGlobal.h"

#include "main_window/frmMain.h"
#include "platform/Picture.h"
#include "platform/Units.h"
#include "ui_frmMain.h"

#include <QLocale>
#include <array>
#include <cmath>
#include <utility>

namespace {

constexpr std::array<std::pair<const char*, float>, 15> ScaleTable{{
    {"005 %", 0.05f},
    {"010 %", 0.1f},
    {"015 %", 0.15f},
    {"020 %", 0.2f},
    {"025 %", 0.25f},
    {"050 %", 0.5f},
    {"075 %", 0.75f},
    {"100 %", 1.0f},
    {"125 %", 1.25f},
    {"150 %", 1.5f},
    {"175 %", 1.75f},
    {"200 %", 2.0f},
    {"225 %", 2.25f},
    {"250 %", 2.5f},
    {"300 %", 3.0f},
}};

void fillScaleList(QComboBox& list) {
    // Filling is not a selection: the list handler runs only for the selection made afterwards.
    const QSignalBlocker blocker(&list);
    list.clear();
    list.addItems(ScaleItems());
}

// "###0.00": at least one digit before the separator, none grouped, two after it, halves away from zero;
// the separator is the user's (the default locale is the system's unless the program changes it).
QString twoDecimals(double value) {
    const double rounded = std::floor(value * 100.0 + 0.5) / 100.0;
    return QString::number(rounded, 'f', 2).replace(QLatin1Char('.'), QLocale().decimalPoint());
}

} // namespace

const QStringList& ScaleItems() {
    static const QStringList items = [] {
        QStringList list;
        for (const auto& [text, factor] : ScaleTable)
            list.append(QString::fromLatin1(text));
        return list;
    }();
    return items;
}

void InitMainWindow(frmMain& form) {
    auto& ui = form.controls();
    fillScaleList(*ui.cmbScaleX);
    ui.cmbScaleX->setCurrentIndex(7); // runs cmbScaleX's handler while cmbScaleY is still empty
    fillScaleList(*ui.cmbScaleY);
    ui.cmbScaleY->setCurrentIndex(7);
    ui.cmbScaleX->setEnabled(true);
    ui.cmbScaleY->setEnabled(true);
    ui.cmdResize->setEnabled(false);
}

float GetScaleFactor(const QString& itemText) {
    for (const auto& [text, factor] : ScaleTable)
        if (itemText == QLatin1String(text)) return factor;
    return 0.0f;
}

// The unit is chosen after rounding, so that 1,048,575 bytes read "1.00 MB", never "1024.00 KB".
QString FormatFileSize(double bytes) {
    if (bytes >= 0 && bytes <= 1023)
        return QString::number(bytes, 'g', 15).replace(QLatin1Char('.'), QLocale().decimalPoint()) +
               QStringLiteral(" B");
    const auto below1024 = [](double value) { return std::floor(value * 100.0 + 0.5) / 100.0 < 1024; };
    if (bytes >= 1024 && below1024(bytes / 1024)) return twoDecimals(bytes / 1024) + QStringLiteral(" KB");
    if (bytes >= 1024 && below1024(bytes / 1048576))
        return twoDecimals(bytes / 1048576) + QStringLiteral(" MB");
    if (bytes >= 1024) return twoDecimals(bytes / 1073741824) + QStringLiteral(" GB");
    return {};
}

void ShowPixelSize(frmMain& form, const QString& fileName) {
    PictureInfo info;
    try {
        info = ReadPictureInfo(fileName);
    } catch (...) {
        return;
    }
    // Ties go to the even neighbour, as the platform's conversions round.
    const auto width = static_cast<long long>(std::nearbyint(ScaleX(info.himetricWidth)));
    const auto height = static_cast<long long>(std::nearbyint(ScaleY(info.himetricHeight)));
    form.controls().txtwidth->setText(QString::number(width));
    form.controls().txtheight->setText(QString::number(height));
}
