#pragma once
// The host's named-value store for a control's stored settings. Keys are matched without regard to
// case (kept in lower case); a value equal to its default is not stored and a missing key reads as
// its default; a picture is stored as its image file and reads back as a new picture object.
#include "imaging/Picture.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <cstdint>
#include <variant>

class PropertyBag {
public:
    // A default of NoDefault is never equal to the value, so the value is always stored.
    struct NoDefault {
        bool operator==(const NoDefault&) const = default;
    };
    using Value = std::variant<NoDefault, std::int32_t, PictureRef>;

    Value ReadProperty(const QString& name, const Value& defaultValue) const;
    void WriteProperty(const QString& name, const Value& value, const Value& defaultValue);

    std::int32_t ReadInt(const QString& name, std::int32_t defaultValue) const;
    PictureRef ReadPicture(const QString& name, const PictureRef& defaultValue) const;

    bool Contains(const QString& name) const;
    QStringList Keys() const;

    // The stored-layout text of one control: "key = number" lines, "key = file:NAME" for pictures,
    // NAME resolved against `folder`. Throws QuillonError for a line it cannot read.
    static PropertyBag FromText(const QString& text, const QString& folder);

private:
    // Stored form: a number, or the bytes of an image file.
    QMap<QString, std::variant<std::int32_t, QByteArray>> mValues;
};

// Reads every control's bag of a stored layout: "[ControlName]" headings over their bags.
QMap<QString, PropertyBag> ReadStoredLayout(const QString& path);
// The same from the layout's text; picture names are resolved against `folder`.
QMap<QString, PropertyBag> ParseStoredLayout(const QByteArray& text, const QString& folder);
