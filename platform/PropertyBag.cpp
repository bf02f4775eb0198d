#include "platform/PropertyBag.h"

#include "imaging/Error.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

bool sameValue(const PropertyBag::Value& a, const PropertyBag::Value& b) {
    if (std::holds_alternative<PropertyBag::NoDefault>(a) ||
        std::holds_alternative<PropertyBag::NoDefault>(b))
        return false;
    return a == b; // pictures compare as objects, not as pixels
}

QByteArray imageFileOf(const Picture& picture) {
    if (!picture.sourceFile().isEmpty()) return picture.sourceFile();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.image().save(&buffer, "PNG");
    return bytes;
}

} // namespace

PropertyBag::Value PropertyBag::ReadProperty(const QString& name, const Value& defaultValue) const {
    const auto found = mValues.constFind(name.toLower());
    if (found == mValues.constEnd()) return defaultValue;
    if (const auto* number = std::get_if<std::int32_t>(&*found)) return *number;
    return LoadPictureFromData(std::get<QByteArray>(*found), name);
}

void PropertyBag::WriteProperty(const QString& name, const Value& value, const Value& defaultValue) {
    const QString key = name.toLower();
    if (sameValue(value, defaultValue)) {
        mValues.remove(key);
        return;
    }
    if (const auto* number = std::get_if<std::int32_t>(&value))
        mValues.insert(key, *number);
    else if (const auto* picture = std::get_if<PictureRef>(&value); picture && *picture)
        mValues.insert(key, imageFileOf(**picture));
    else
        mValues.remove(key);
}

std::int32_t PropertyBag::ReadInt(const QString& name, std::int32_t defaultValue) const {
    const Value value = ReadProperty(name, defaultValue);
    if (const auto* number = std::get_if<std::int32_t>(&value)) return *number;
    throw QuillonError(QStringLiteral("The stored setting “%1” is not a number.").arg(name));
}

PictureRef PropertyBag::ReadPicture(const QString& name, const PictureRef& defaultValue) const {
    const Value value = ReadProperty(name, defaultValue);
    if (const auto* picture = std::get_if<PictureRef>(&value)) return *picture;
    throw QuillonError(QStringLiteral("The stored setting “%1” is not a picture.").arg(name));
}

bool PropertyBag::Contains(const QString& name) const {
    return mValues.contains(name.toLower());
}

QStringList PropertyBag::Keys() const {
    return mValues.keys();
}

PropertyBag PropertyBag::FromText(const QString& text, const QString& folder) {
    static const QRegularExpression line(QStringLiteral(R"(^\s*([A-Za-z_][A-Za-z0-9_]*)\s*=\s*(\S+)\s*$)"));
    PropertyBag bag;
    for (const QString& raw : text.split(QLatin1Char('\n'))) {
        const QString trimmed = raw.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(QLatin1Char('#'))) continue;
        const auto match = line.match(trimmed);
        if (!match.hasMatch())
            throw QuillonError(
                QStringLiteral("The stored layout has a line it cannot read: “%1”.").arg(trimmed));
        const QString key = match.captured(1).toLower();
        const QString value = match.captured(2);
        if (value.startsWith(QLatin1String("file:"))) {
            QFile file(QDir(folder).filePath(value.mid(5)));
            if (!file.open(QIODevice::ReadOnly))
                throw QuillonError(QStringLiteral("The stored picture “%1” is missing.").arg(value.mid(5)));
            bag.mValues.insert(key, file.readAll());
            continue;
        }
        bool ok = false;
        const qint64 number = value.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                                  ? value.mid(2).toLongLong(&ok, 16)
                                  : value.toLongLong(&ok, 10);
        if (!ok || number < std::numeric_limits<std::int32_t>::min() || number > 0xFFFFFFFFLL)
            throw QuillonError(QStringLiteral("The stored setting “%1” is not a number.").arg(key));
        bag.mValues.insert(key, std::int32_t(std::uint32_t(number)));
    }
    return bag;
}

QMap<QString, PropertyBag> ReadStoredLayout(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw QuillonError(QStringLiteral("The stored layout “%1” is missing.").arg(path));
    return ParseStoredLayout(file.readAll(), QFileInfo(path).path());
}

QMap<QString, PropertyBag> ParseStoredLayout(const QByteArray& text, const QString& folder) {
    QMap<QString, PropertyBag> bags;
    QString control;
    QString body;
    const auto flush = [&] {
        if (!control.isEmpty()) bags.insert(control, PropertyBag::FromText(body, folder));
        body.clear();
    };
    for (const QString& raw : QString::fromUtf8(text).split(QLatin1Char('\n'))) {
        const QString trimmed = raw.trimmed();
        if (trimmed.startsWith(QLatin1Char('[')) && trimmed.endsWith(QLatin1Char(']'))) {
            flush();
            control = trimmed.mid(1, trimmed.size() - 2);
        } else {
            body += raw + QLatin1Char('\n');
        }
    }
    flush();
    return bags;
}
