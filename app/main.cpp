// Quillon: rescales one picture so that it can be uploaded to a web site, or many from the command line.
#include "cli/CommandLine.h"
#include "main_window/WindowStyle.h"
#include "main_window/frmMain.h"
#include "platform/QtDialogs.h"

#include <QApplication>
#include <cstring>

namespace {

// Options first: the command line, which needs no display at all.
int runCommandLine(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));
    return RunCommandLine(QCoreApplication::arguments().mid(1));
}

int runWindow(int argc, char* argv[]) {
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
    // "quillon PHOTO", as a file manager's "Open With" starts it.
    if (const QStringList arguments = QApplication::arguments(); arguments.size() > 1)
        window.OpenAtStart(arguments.at(1));
    return QApplication::exec();
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && std::strncmp(argv[1], "--", 2) == 0) return runCommandLine(argc, argv);
    return runWindow(argc, argv);
}
