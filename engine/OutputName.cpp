#include "engine/OutputName.h"

#include <QList>

// Counted in code points, not UTF-16 units, so that an emoji is one character as the user sees it.
QString OutputNameFor(const QString& sourceName) {
    const QList<uint> characters = sourceName.toUcs4();
    const qsizetype nameStart = characters.lastIndexOf(uint('/')) + 1;
    const qsizetype nameLength = characters.size() - nameStart;
    if (nameLength == 0) return {};
    const bool hasDot = characters.indexOf(uint('.'), nameStart) >= 0;
    const qsizetype keep = hasDot && nameLength > 4 ? characters.size() - 4 : characters.size();
    return QString::fromUcs4(reinterpret_cast<const char32_t*>(characters.constData()), keep) +
           QStringLiteral("(QLN).jpg");
}
