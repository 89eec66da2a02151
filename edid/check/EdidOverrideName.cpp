#include "edid/check/EdidOverrideName.h"

#include <QRegularExpression>
#include <algorithm>

#include "edid/Edid.h"

namespace varnok {
namespace {

constexpr int kMaxNameLength = 64;

QString SafeName(QString name) {
    static const QRegularExpression suffix(QStringLiteral("\\.(bin|inf)$"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression unsafe(QStringLiteral("[^A-Za-z0-9._-]+"));
    static const QRegularExpression reserved(QStringLiteral("^(CON|PRN|AUX|NUL|COM\\d|LPT\\d)$"),
                                             QRegularExpression::CaseInsensitiveOption);
    const auto trim = [](QString& s) {
        const auto edge = [](QChar c) { return c == u'-' || c == u'.' || c == u'_'; };
        while (!s.isEmpty() && edge(s.back())) s.chop(1);
        while (!s.isEmpty() && edge(s.front())) s.remove(0, 1);
    };
    name.remove(suffix);
    name.replace(unsafe, QStringLiteral("-"));
    trim(name);
    name.truncate(kMaxNameLength);
    trim(name);
    if (reserved.match(name).hasMatch()) name += QStringLiteral("-edid");
    return name;
}

}  // namespace

QString EdidIdentity::deviceId() const {
    if (manufacturer.isEmpty()) return {};
    return manufacturer + QString::asprintf("%04X", unsigned{productCode});
}

EdidIdentity ReadEdidIdentity(const QByteArray& edid) {
    EdidIdentity id;
    const auto at = [&](int i) { return static_cast<uint8_t>(edid.at(i)); };
    // Three letters of 5 bits each, 1 for 'A', big-endian in bytes 8 and 9 (VESA E-EDID).
    const unsigned packed = at(8) << 8 | at(9);
    QString letters;
    for (int shift : {10, 5, 0}) {
        const unsigned letter = packed >> shift & 0x1F;
        if (letter < 1 || letter > 26) {
            letters.clear();
            break;
        }
        letters += QChar(u'A' + letter - 1);
    }
    id.manufacturer = letters;
    id.productCode = static_cast<uint16_t>(at(10) | at(11) << 8);
    EdidImage image{};
    std::copy_n(edid.begin(), std::min<qsizetype>(edid.size(), kEdidSize), image.begin());
    std::array<char, 14> name{};
    if (FindMonitorName(image, name)) {
        for (char c : name) {
            if (c == 0) break;
            if (c >= 0x20 && c < 0x7F) id.monitorName += QLatin1Char(c);
        }
        id.monitorName = id.monitorName.trimmed();
    }
    return id;
}

QString EdidOverrideName(const QByteArray& edid, const QString& given) {
    const EdidIdentity id = ReadEdidIdentity(edid);
    for (const QString& candidate : {given, id.monitorName, id.deviceId()}) {
        const QString name = SafeName(candidate);
        if (!name.isEmpty()) return name;
    }
    return QStringLiteral("edid");
}

}  // namespace varnok
