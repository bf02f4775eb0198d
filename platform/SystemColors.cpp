#include "platform/SystemColors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

QColor fromPalette(std::uint32_t number) {
    // Only a graphical application has a desktop palette; the command line runs without one.
    const QPalette palette = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                                 ? QGuiApplication::palette()
                                 : QPalette();
    switch (number) {
    case 0x05:
        return palette.color(QPalette::Active, QPalette::Base); // window background
    case 0x0B:
        return palette.color(QPalette::Inactive, QPalette::Mid); // inactive border
    case 0x0F:
        return palette.color(QPalette::Active, QPalette::Button); // button face
    case 0x08:
        return palette.color(QPalette::Active, QPalette::Text); // window text
    case 0x12:
        return palette.color(QPalette::Active, QPalette::ButtonText);
    default:
        return palette.color(QPalette::Active, QPalette::Window);
    }
}

} // namespace

QColor SystemColor(std::uint32_t value) {
    if (value & 0x80000000u) return fromPalette(value & 0xFFu);
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}
