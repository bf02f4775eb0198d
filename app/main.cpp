// Quillon: rescales one picture so that it can be uploaded to a web site, or many from the command line.
#include "cli/CommandLine.h"
#include "main_window/WindowStyle.h"
#include "main_window/frmMain.h"
#include "imaging/FileName.h"
#include "platform/QtDialogs.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>

namespace {

// The command line, which needs no display at all.
int runCommandLine(int argc, char* argv[], const QStringList& arguments) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLON_VERSION));
    return RunCommandLine(arguments);
}

int runWindow(int argc, char* argv[], const QStringList& arguments) {
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
    if (!arguments.isEmpty()) window.OpenAtStart(arguments.first());
    return QApplication::exec();
}

// Without one, Qt would stop the program with a fatal error on opening the window.
bool displayGiven() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (const char* value = std::getenv(name); value && *value) return true;
    return false;
}

} // namespace

int main(int argc, char* argv[]) {
    // Names are bytes: each word is kept as it was given, whatever the locale makes of it.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(DecodeFileName(QByteArray(argv[i])));
    if (AsksForCommandLine(arguments)) return runCommandLine(argc, argv, arguments);
    if (!displayGiven()) {
        std::fputs("quillon: no display to show the window on; to resize from the command line give an "
                   "option, such as --scale 50\n",
                   stderr);
        return 2;
    }
    return runWindow(argc, argv, arguments);
}
