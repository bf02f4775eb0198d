#pragma once
// Modal dialogs answered in order from a script, never blocking; with none left, Open cancels, others OK.
#include "platform/Dialogs.h"

#include <QCursor>
#include <QGuiApplication>
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
        QString prompt, title, defaultText;
    };
    std::deque<QString> openAnswers;
    std::deque<std::optional<FitRequest>> fitAnswers; // none left: OK on the boxes as they were filled
    std::vector<FitRequest> fitRequests;
    std::vector<OpenDialogRequest> openRequests;
    std::vector<Message> messages;
    std::vector<Input> inputs;
    // Dialogs shown while the busy pointer was showing: the user must never be asked under it.
    int askedUnderBusyPointer = 0;

    void clear() { *this = ScriptedDialogs(); }

protected:
    QString AskForFile(const OpenDialogRequest& request) override {
        openRequests.push_back(request);
        return next(openAnswers, QString());
    }
    int ShowMessage(const QString& text, int style, const QString& title) override {
        noteBusyPointer();
        messages.push_back({text, style, title});
        return vbOK;
    }
    QString AskForText(const QString& prompt, const QString& title, const QString& defaultText) override {
        inputs.push_back({prompt, title, defaultText});
        noteBusyPointer();
        return defaultText; // OK on the text as offered
    }

    std::optional<FitRequest> AskForFit(const FitRequest& initial) override {
        fitRequests.push_back(initial);
        return next(fitAnswers, std::optional(initial));
    }

private:
    void noteBusyPointer() {
        const QCursor* cursor = QGuiApplication::overrideCursor();
        askedUnderBusyPointer += cursor && cursor->shape() == Qt::WaitCursor;
    }
    template <typename T> T next(std::deque<T>& answers, const T& otherwise) {
        noteBusyPointer();
        if (answers.empty()) return otherwise;
        const T answer = answers.front();
        answers.pop_front();
        return answer;
    }
};
