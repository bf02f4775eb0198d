#pragma once
// A stand-in for the modal dialogs: answers from a script, records what it was shown, never blocks.
#include "platform/Dialogs.h"

#include <QStringList>
#include <deque>
#include <vector>

class ScriptedDialogs : public Dialogs {
public:
    struct Message {
        QString text;
        int style;
        QString title;
    };
    struct Input {
        QString prompt;
        QString title;
        QString defaultText;
    };

    // Answers for the Open dialog, taken in order; an empty answer (or none left) cancels.
    std::deque<QString> openAnswers;
    // Answers for input boxes, taken in order; none left: the default text, as OK would give it.
    std::deque<QString> inputAnswers;
    std::vector<OpenDialogRequest> openRequests;
    std::vector<Message> messages;
    std::vector<Input> inputs;
    // Dialogs shown while the busy pointer was showing: the user must never be asked under it.
    int askedUnderBusyPointer = 0;

    void clear();

protected:
    QString AskForFile(const OpenDialogRequest& request) override;
    int ShowMessage(const QString& text, int style, const QString& title) override;
    QString AskForText(const QString& prompt, const QString& title, const QString& defaultText) override;
};
