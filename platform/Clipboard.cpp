#include "platform/Clipboard.h"

#include <QClipboard>
#include <QGuiApplication>

void ClipboardSetText(const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text, QClipboard::Clipboard);
    if (clipboard->supportsSelection()) clipboard->setText(text, QClipboard::Selection);
}
