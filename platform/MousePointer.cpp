#include "platform/MousePointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace {

// A pointer needs a graphical application; the command line has none.
bool push(Qt::CursorShape shape) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return false;
    QGuiApplication::setOverrideCursor(shape);
    return true;
}

void pop(bool shown) {
    if (shown && qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        QGuiApplication::restoreOverrideCursor();
}

} // namespace

BusyPointer::BusyPointer() : mShown(push(Qt::WaitCursor)) {}
BusyPointer::~BusyPointer() {
    pop(mShown);
}

NormalPointer::NormalPointer() : mShown(push(Qt::ArrowCursor)) {}
NormalPointer::~NormalPointer() {
    pop(mShown);
}
