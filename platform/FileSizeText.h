#pragma once
// A length in bytes as the program shows it.
#include <QString>

// "B" up to 1023 bytes (the number as it is), then "KB", "MB" and "GB" (1024-based) with two decimals
// in the "###0.00" pattern, halves away from zero, the user's decimal separator, each unit taken while
// the rounded figure stays below 1024. Empty for a negative length or one between 1023 and 1024.
QString FileSizeText(double bytes);
