#pragma once
// The real dialogs, on Qt's widgets.
#include "platform/Dialogs.h"

class QFileDialog;
class QWidget;

class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent = nullptr) : mParent(parent) {}
    void SetParent(QWidget* parent) { mParent = parent; }

    // Sets up the Open dialog as ShowOpen shows it.
    static void ConfigureOpenDialog(QFileDialog& dialog, const OpenDialogRequest& request);

protected:
    QString AskForFile(const OpenDialogRequest& request) override;
    int ShowMessage(const QString& text, int style, const QString& title) override;
    QString AskForText(const QString& prompt, const QString& title, const QString& defaultText) override;
    std::optional<FitRequest> AskForFit(const FitRequest& initial) override;

private:
    QWidget* mParent;
};
