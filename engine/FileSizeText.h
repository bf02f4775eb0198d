#pragma once
// A length in bytes as the program shows it.
#include <QString>

// "B" up to 1023 bytes (the number as it is), then "KB", "MB" and "GB" (1024-based) with two decimals
// in the "###0.00" pattern, halves away from zero, the user's decimal separator. The unit follows the
// count (1024, 1048576 and 1073741824 bytes switch it), so 1,048,575 bytes read "1024.00 KB". Empty for
// a negative length or a fraction between two ranges (between 1023 and 1024, say).
QString FileSizeText(double bytes);
