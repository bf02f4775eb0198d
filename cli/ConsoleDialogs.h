#pragma once
// The dialogs of a job run from the command line: a message box becomes a line for the error stream,
// kept until the job's turn to print comes; nothing asks the user anything.
#include "platform/Dialogs.h"

#include <QStringList>

class ConsoleDialogs : public Dialogs {
public:
    // Each message is prefixed with `subject` (the file it is about).
    explicit ConsoleDialogs(QString subject) : mSubject(std::move(subject)) {}

    const QStringList& Messages() const { return mMessages; }

protected:
    QString AskForFile(const OpenDialogRequest&) override { return {}; }
    int ShowMessage(const QString& text, int, const QString&) override {
        mMessages.append(mSubject + QStringLiteral(": ") + text);
        return vbOK;
    }
    QString AskForText(const QString&, const QString&, const QString&) override { return {}; }
    std::optional<FitRequest> AskForFit(const FitRequest&) override { return std::nullopt; }

private:
    QString mSubject;
    QStringList mMessages;
};
