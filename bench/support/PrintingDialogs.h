#pragma once
// Dialogs for the benchmark programs: a message goes to the error stream, nothing is asked.
#include "platform/Dialogs.h"

#include <cstdio>

class PrintingDialogs : public Dialogs {
protected:
    QString AskForFile(const OpenDialogRequest&) override { return {}; }
    int ShowMessage(const QString& text, int, const QString&) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
        return vbOK;
    }
    QString AskForText(const QString&, const QString&, const QString& defaultText) override {
        return defaultText;
    }
    std::optional<FitRequest> AskForFit(const FitRequest& initial) override { return initial; }
};
