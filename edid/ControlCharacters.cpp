#include "edid/ControlCharacters.h"

namespace varnok {
namespace {

bool IsControl(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

}  // namespace

QString ShowControlCharacters(QStringView value) {
    QString out;
    out.reserve(value.size());
    for (QChar c : value) {
        if (IsControl(c.unicode()))
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QByteArray EscapeJsonControlCharacters(const QByteArray& json) {
    // In UTF-8, DEL is the byte 0x7f and C1 is 0xc2 followed by 0x80..0x9f; neither byte occurs
    // inside another character's encoding, and outside strings JSON is ASCII without them.
    QByteArray out;
    out.reserve(json.size());
    for (qsizetype i = 0; i < json.size(); ++i) {
        const auto b = uint8_t(json[i]);
        const uint8_t next = i + 1 < json.size() ? uint8_t(json[i + 1]) : 0;
        if (b == 0x7F) {
            out += "\\u007f";
        } else if (b == 0xC2 && next >= 0x80 && next < 0xA0) {
            out += "\\u00" + QByteArray::number(next, 16);
            ++i;
        } else {
            out += char(b);
        }
    }
    return out;
}

}  // namespace varnok
