#pragma once
// The dialogs of a job run from the command line: a message box becomes a line for the error stream,
// kept until the job's turn to print comes; nothing asks the user anything.
#include "platform/Dialogs.h"

#include <QStringList>

class ConsoleDialogs : public Dialogs {
public:
    // Each message is prefixed with `subject` (the file it is about).
    explicit ConsoleDialogs(QString subject) : mSubject(std::move(subject)) {}

    QString ShowOpen(const OpenDialogRequest&) override { return {}; }
    int MsgBox(const QString& text, int = vbOKOnly, const QString& = ApplicationTitle) override {
        mMessages.append(mSubject + QStringLiteral(": ") + text);
        return vbOK;
    }
    QString InputBox(const QString&, const QString&, const QString&) override { return {}; }

    const QStringList& Messages() const { return mMessages; }

private:
    QString mSubject;
    QStringList mMessages;
};
