#include "platform/OutputName.h"

#include <QList>

// Characters are counted as the user sees them, not as UTF-16 units, and the extension is looked
// for in the file name only: a dot in a folder's name is never taken for one.
QString OutputNameFor(const QString& sourceName) {
    const QList<uint> characters = sourceName.toUcs4();
    const qsizetype slash = characters.lastIndexOf(uint('/'));
    const qsizetype nameStart = slash + 1;
    const qsizetype nameLength = characters.size() - nameStart;
    if (nameLength == 0) return {};
    qsizetype keep = characters.size();
    if (nameLength >= 4 && characters[characters.size() - 4] == uint('.'))
        keep = characters.size() - 4;
    else if (const qsizetype dot = characters.lastIndexOf(uint('.')); dot > nameStart)
        keep = dot;
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()), keep) +
           QStringLiteral("(QLN).jpg");
}
