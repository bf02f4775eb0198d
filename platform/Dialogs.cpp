#include "platform/Dialogs.h"

#include "platform/MousePointer.h"

QString Dialogs::ShowOpen(const OpenDialogRequest& request) {
    const NormalPointer pointer;
    return AskForFile(request);
}

int Dialogs::MsgBox(const QString& text, int style, const QString& title) {
    const NormalPointer pointer;
    return ShowMessage(text, style, title);
}

QString Dialogs::InputBox(const QString& prompt, const QString& title, const QString& defaultText) {
    const NormalPointer pointer;
    return AskForText(prompt, title, defaultText);
}

std::optional<FitRequest> Dialogs::AskFit(const FitRequest& initial) {
    const NormalPointer pointer;
    return AskForFit(initial);
}
