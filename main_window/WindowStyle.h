#pragma once
#include <QWidget>

// The program's fixed windows: a title bar with a close box only, not resizable, in the program's
// font (DejaVu Sans 8.25 pt stands in for the classic 8.25 pt sans serif). The caller fixes the size.
void MakeFixedWindow(QWidget& window);
void CentreOnScreen(QWidget& window);
