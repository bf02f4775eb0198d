#include "main_window/modGlobal.h"

#include "main_window/frmMain.h"
#include "engine/FileSizeText.h"
#include "imaging/Picture.h"
#include "imaging/Units.h"
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

QString FormatFileSize(double bytes) {
    return FileSizeText(bytes);
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
