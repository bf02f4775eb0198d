#include "imaging/FileName.h"

#include <QList>
#include <string>

namespace {

// The stand-ins for bytes that are not UTF-8: U+10FF80 to U+10FFFF.
constexpr char32_t ByteBase = 0x10FF00;
bool isByteStandIn(char32_t c) {
    return c >= ByteBase + 0x80 && c <= ByteBase + 0xFF;
}

// The code point of the valid UTF-8 sequence at `p` and its length, or a length of 0.
std::pair<char32_t, int> utf8At(const unsigned char* p, qsizetype available) {
    const unsigned char lead = p[0];
    if (lead < 0x80) return {lead, 1};
    const int length = lead >= 0xC2 && lead <= 0xDF   ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
    if (length == 0 || length > available) return {0, 0};
    char32_t c = lead & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((p[i] & 0xC0) != 0x80) return {0, 0};
        c = c << 6 | (p[i] & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return {0, 0};
    return {c, length};
}

void appendUtf8(QByteArray& out, char32_t c) {
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | c >> 6)).append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | c >> 12)).append(char(0x80 | (c >> 6 & 0x3F))).append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | c >> 18)).append(char(0x80 | (c >> 12 & 0x3F)));
        out.append(char(0x80 | (c >> 6 & 0x3F))).append(char(0x80 | (c & 0x3F)));
    }
}

} // namespace

QString DecodeFileName(const QByteArray& bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.constData());
    std::u32string text;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto [c, length] = utf8At(p + i, bytes.size() - i);
        // A stand-in written out as UTF-8 is taken byte by byte, so that decoding stays one to one.
        if (length == 0 || isByteStandIn(c)) {
            text.push_back(ByteBase + p[i++]);
            continue;
        }
        text.push_back(c);
        i += length;
    }
    return QString::fromUcs4(text.data(), qsizetype(text.size()));
}

QByteArray EncodeFileName(const QString& name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    for (const char32_t c : name.toUcs4()) {
        if (isByteStandIn(c))
            bytes.append(char(c - ByteBase));
        else
            appendUtf8(bytes, c);
    }
    return bytes;
}
