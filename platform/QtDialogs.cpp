#include "platform/QtDialogs.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>

void QtDialogs::ConfigureOpenDialog(QFileDialog& dialog, const OpenDialogRequest& request) {
    dialog.setWindowTitle(request.title);
    dialog.setDirectory(request.initialFolder);
    dialog.setNameFilter(request.filter);
    if (!request.initialFilter.isEmpty()) dialog.selectNameFilter(request.initialFilter);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // Qt's own dialog, whose patterns match whatever the case: camera files are called IMG_0001.JPG.
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setFilter(dialog.filter() & ~QDir::CaseSensitive);
}

QString QtDialogs::AskForFile(const OpenDialogRequest& request) {
    QFileDialog dialog(mParent);
    ConfigureOpenDialog(dialog, request);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

int QtDialogs::ShowMessage(const QString& text, int style, const QString& title) {
    QMessageBox box(style == vbExclamation ? QMessageBox::Warning : QMessageBox::NoIcon, title, text,
                    QMessageBox::Ok, mParent);
    box.exec();
    return vbOK;
}

QString QtDialogs::AskForText(const QString& prompt, const QString& title, const QString& defaultText) {
    bool ok = false;
    const QString text = QInputDialog::getText(mParent, title, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : QString();
}
