#pragma once
#include <QString>

// Puts text on the system clipboard (and on the selection, where the system has one).
void ClipboardSetText(const QString& text);
