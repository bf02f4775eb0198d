#include "platform/MousePointer.h"

#include <QApplication>
#include <QCursor>

void SetBusyPointer() {
    if (qApp && !QApplication::overrideCursor()) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void SetDefaultPointer() {
    if (!qApp) return;
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}
