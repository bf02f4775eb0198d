// Quillon: rescales one picture so that it can be uploaded to a web site.
#include "main_window/WindowStyle.h"
#include "main_window/frmMain.h"
#include "platform/QtDialogs.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillon"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("io.github.quillon.Quillon"));

    QtDialogs dialogs;
    frmMain window(dialogs);
    dialogs.SetParent(&window);
    window.adjustSize();
    CentreOnScreen(window);
    window.show();
    return QApplication::exec();
}
