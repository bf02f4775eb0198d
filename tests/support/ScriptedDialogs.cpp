#include "support/ScriptedDialogs.h"

#include <QCursor>
#include <QGuiApplication>

namespace {
bool busyPointerShowing() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    return cursor && cursor->shape() == Qt::WaitCursor;
}
} // namespace

QString ScriptedDialogs::AskForFile(const OpenDialogRequest& request) {
    askedUnderBusyPointer += busyPointerShowing();
    openRequests.push_back(request);
    if (openAnswers.empty()) return {};
    QString answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

int ScriptedDialogs::ShowMessage(const QString& text, int style, const QString& title) {
    askedUnderBusyPointer += busyPointerShowing();
    messages.push_back({text, style, title});
    return vbOK;
}

QString ScriptedDialogs::AskForText(const QString& prompt, const QString& title, const QString& defaultText) {
    askedUnderBusyPointer += busyPointerShowing();
    inputs.push_back({prompt, title, defaultText});
    if (inputAnswers.empty()) return defaultText;
    QString answer = inputAnswers.front();
    inputAnswers.pop_front();
    return answer;
}

void ScriptedDialogs::clear() {
    openAnswers.clear();
    inputAnswers.clear();
    openRequests.clear();
    messages.clear();
    inputs.clear();
    askedUnderBusyPointer = 0;
}
