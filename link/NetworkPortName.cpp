#include "link/NetworkPortName.h"

#include <algorithm>

namespace varnok {

namespace {

constexpr char kTcpScheme[] = "tcp://";
constexpr char kRfc2217Scheme[] = "rfc2217://";

// Letters, digits, '-', '.' and '_': host names (RFC 1123, plus the '_' some local names carry)
// and dotted IPv4 addresses.
bool IsHostNameChar(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
           c == u'-' || c == u'.' || c == u'_';
}

// The text of an IPv6 address (RFC 4291: hexadecimal groups and colons, possibly ending in a
// dotted IPv4 address), with an optional zone ("%eth0"). The form only: a wrong address fails
// when the port connects.
bool LooksLikeIpv6(const QString& text) {
    const qsizetype zone = text.indexOf(u'%');
    const QString address = text.left(zone);
    if (zone >= 0 && (zone + 1 >= text.size() ||
                      !std::all_of(text.begin() + zone + 1, text.end(), IsHostNameChar)))
        return false;
    return address.count(u':') >= 2 && std::all_of(address.begin(), address.end(), [](QChar c) {
               return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') ||
                      (c >= u'A' && c <= u'F') || c == u':' || c == u'.';
           });
}

std::optional<NetworkPortName> Fail(QString* error, const QString& words) {
    if (error) *error = words;
    return std::nullopt;
}

}  // namespace

QString NetworkPortName::hostAndPort() const {
    const QString shown = host.contains(u':') ? u'[' + host + u']' : host;
    return shown + u':' + QString::number(port);
}

std::optional<NetworkPortKind> NetworkPortKindOf(const QString& path) {
    if (path.startsWith(QLatin1String(kTcpScheme), Qt::CaseInsensitive))
        return NetworkPortKind::Tcp;
    if (path.startsWith(QLatin1String(kRfc2217Scheme), Qt::CaseInsensitive))
        return NetworkPortKind::Rfc2217;
    return std::nullopt;
}

QString NetworkPortForm(NetworkPortKind kind) {
    return QLatin1String(kind == NetworkPortKind::Tcp ? kTcpScheme : kRfc2217Scheme) +
           QStringLiteral("HOST:PORT");
}

std::optional<NetworkPortName> ParseNetworkPortName(const QString& path, QString* error) {
    const auto kind = NetworkPortKindOf(path);
    if (!kind) return Fail(error, QStringLiteral("not a network port name"));
    NetworkPortName name;
    name.kind = *kind;
    const qsizetype schemeLength = qsizetype(std::char_traits<char>::length(
        *kind == NetworkPortKind::Tcp ? kTcpScheme : kRfc2217Scheme));
    const QString rest = path.mid(schemeLength);

    qsizetype afterHost = 0;  // where the ':' before the port number should be
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        if (close < 0) return Fail(error, QStringLiteral("no ']' after the IPv6 address"));
        name.host = rest.mid(1, close - 1);
        if (name.host.isEmpty()) return Fail(error, QStringLiteral("empty host"));
        if (!LooksLikeIpv6(name.host))
            return Fail(error,
                        QStringLiteral("'%1' in brackets is not an IPv6 address").arg(name.host));
        afterHost = close + 1;
    } else {
        // A second ':' means an IPv6 address, whose own colons would hide the port's.
        if (rest.left(rest.indexOf(u'/')).count(u':') > 1)
            return Fail(error, QStringLiteral("an IPv6 address must be in brackets, as in "
                                              "[::1]:4999"));
        afterHost = rest.indexOf(u':');
        if (afterHost < 0) afterHost = rest.size();
        name.host = rest.left(afterHost);
        if (name.host.isEmpty()) return Fail(error, QStringLiteral("empty host"));
        const auto bad = std::find_if_not(name.host.begin(), name.host.end(), IsHostNameChar);
        if (bad != name.host.end())
            return Fail(error, QStringLiteral("'%1' is not a host name").arg(name.host));
    }

    if (afterHost >= rest.size()) return Fail(error, QStringLiteral("no port number"));
    if (rest[afterHost] != u':')
        return Fail(error, QStringLiteral("junk after the host: '%1'").arg(rest.mid(afterHost)));
    const QString portText = rest.mid(afterHost + 1);
    const auto digitsEnd = std::find_if_not(portText.begin(), portText.end(),
                                            [](QChar c) { return c >= u'0' && c <= u'9'; });
    const qsizetype digits = digitsEnd - portText.begin();
    if (digits == 0) return Fail(error, QStringLiteral("no port number"));
    if (digits < portText.size())
        return Fail(error,
                    QStringLiteral("junk after the port number: '%1'").arg(portText.mid(digits)));
    // More than five digits is out of range whatever they say; toUInt would overflow first.
    const uint value = digits > 5 ? 0 : portText.toUInt();
    if (value < 1 || value > 65535)
        return Fail(error, QStringLiteral("port %1 is out of range (1 to 65535)").arg(portText));
    name.port = uint16_t(value);
    return name;
}

}  // namespace varnok
