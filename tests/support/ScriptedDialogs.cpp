#include "support/ScriptedDialogs.h"

QString ScriptedDialogs::ShowOpen(const OpenDialogRequest& request) {
    openRequests.push_back(request);
    if (openAnswers.empty()) return {};
    QString answer = openAnswers.front();
    openAnswers.pop_front();
    return answer;
}

int ScriptedDialogs::MsgBox(const QString& text, int style, const QString& title) {
    messages.push_back({text, style, title});
    return vbOK;
}

QString ScriptedDialogs::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    inputs.push_back({prompt, title, defaultText});
    return defaultText;
}

void ScriptedDialogs::clear() {
    openAnswers.clear();
    openRequests.clear();
    messages.clear();
    inputs.clear();
}
