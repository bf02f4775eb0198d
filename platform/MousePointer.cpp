#include "platform/MousePointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace {

// A pointer needs a graphical application; the command line has none.
bool graphical() {
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

} // namespace

PointerScope::PointerScope(Qt::CursorShape shape) : mShown(graphical()) {
    if (mShown) QGuiApplication::setOverrideCursor(shape);
}

PointerScope::~PointerScope() {
    if (mShown && graphical()) QGuiApplication::restoreOverrideCursor();
}
