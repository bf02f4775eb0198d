#include "platform/QtDialogs.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
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

std::optional<FitRequest> QtDialogs::AskForFit(const FitRequest& initial) {
    QDialog dialog(mParent);
    dialog.setWindowTitle(QStringLiteral("Fit Under Size"));
    auto* form = new QFormLayout(&dialog);
    auto* kilobytes = new QLineEdit(initial.kilobytes, &dialog);
    auto* width = new QLineEdit(initial.width, &dialog);
    auto* height = new QLineEdit(initial.height, &dialog);
    auto* keep = new QCheckBox(QStringLiteral("&Keep the pixel size; lower the quality instead"), &dialog);
    keep->setChecked(initial.keepPixelSize);
    width->setAccessibleName(QStringLiteral("Largest width in pixels"));
    height->setAccessibleName(QStringLiteral("Largest height in pixels"));
    width->setPlaceholderText(QStringLiteral("any"));
    height->setPlaceholderText(QStringLiteral("any"));
    auto* box = new QHBoxLayout;
    box->addWidget(width);
    box->addWidget(new QLabel(QStringLiteral("×"), &dialog));
    box->addWidget(height);
    box->addWidget(new QLabel(QStringLiteral("pixels"), &dialog));
    auto* kilobytesLabel = new QLabel(
        QStringLiteral("Fit the saved picture under how many &KB? Quillon counts in KB of 1,024 bytes."),
        &dialog);
    kilobytesLabel->setBuddy(kilobytes);
    form->addRow(kilobytesLabel);
    form->addRow(kilobytes);
    auto* boxLabel = new QLabel(QStringLiteral("&No larger than (empty: any size):"), &dialog);
    boxLabel->setBuddy(width);
    form->addRow(boxLabel, box);
    form->addRow(keep);
    // The box has no meaning for a size that is kept.
    const auto keepChanged = [width, height](bool kept) {
        width->setEnabled(!kept);
        height->setEnabled(!kept);
    };
    QObject::connect(keep, &QCheckBox::toggled, &dialog, keepChanged);
    keepChanged(keep->isChecked());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    form->addRow(buttons);
    kilobytes->selectAll();
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return FitRequest{kilobytes->text(), width->text(), height->text(), keep->isChecked()};
}
