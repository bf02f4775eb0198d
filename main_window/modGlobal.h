#pragma once
// The module procedures the main window shares.
#include <QString>

class frmMain;

// Start-up: fills both percentage lists and selects "100 %" in each (each selection runs that list's
// handler at once), enables the lists and switches to automatic mode.
void InitMainWindow(frmMain& form);

// The factor of a percentage list item ("050 %" gives 0.5); any other text, the empty one included,
// gives 0.
float GetScaleFactor(const QString& itemText);

// A byte count as a short text with a unit of powers of 1024 ("900.05 KB"), in the user's decimal
// separator; the empty text for a count outside the ranges.
QString FormatFileSize(double bytes);

// Writes the pixel size of a picture file into the pixel boxes; a file that cannot be read leaves
// them as they are, and nothing is reported.
void ShowPixelSize(frmMain& form, const QString& fileName);

// The list items, "005 %" to "300 %".
const QStringList& ScaleItems();
