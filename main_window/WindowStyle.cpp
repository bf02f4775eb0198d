#include "main_window/WindowStyle.h"

#include <QGuiApplication>
#include <QScreen>

void MakeFixedWindow(QWidget& window) {
    window.setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint);
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(8.25);
    // DejaVu Sans runs wider than the classic face the layout was measured for; narrowed a little,
    // every caption fits its control.
    font.setStretch(82);
    window.setFont(font);
}

void CentreOnScreen(QWidget& window) {
    const QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}
