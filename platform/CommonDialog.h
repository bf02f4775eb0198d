#pragma once
// The common file dialog component: FileName, Filter and DialogTitle as the program sets them, and
// ShowOpen, which shows the modal Open dialog through the Dialogs service.
//
// The filter keeps the program's form ("Image Files|*.jpg;*.gif;*.bmp") and is shown in the form Qt's
// dialog expects ("Image Files (*.jpg *.gif *.bmp)"). Patterns match without regard to case, because
// camera files are called IMG_0001.JPG.
#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>

class CommonDialog {
public:
    QString FileName;
    QString Filter;
    int FilterIndex = 1; // the entry of Filter the dialog starts on, counted from 1
    QString DialogTitle;

    // Shows the Open dialog; afterwards FileName holds the chosen path, or stays as it was when the
    // user cancels. The dialog opens in the folder of the last chosen file, else the user's
    // Pictures folder, else the home folder.
    void ShowOpen(Dialogs& dialogs);

    // The filter as Qt's file dialog takes it.
    static QString QtFilter(const QString& filter);

    QString InitialFolder() const;

private:
    QString mLastFolder;
};
