#include "edid/EdidHexTextDump.h"

#include <algorithm>

namespace varnok::hextext {

int HexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    return -1;
}

bool AllHex(QStringView s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return HexValue(c) >= 0; });
}

QString Quoted(QStringView token) {
    constexpr qsizetype kShown = 24;
    QString shown = token.left(kShown).toString();
    for (QChar& c : shown) {
        if (!c.isPrint()) c = u'?';
    }
    if (token.size() > kShown) shown += u'…';
    return u'"' + shown + u'"';
}

namespace {

constexpr qsizetype kMaxOffsetDigits = 12;

struct DumpLine {
    int number = 0;
    bool star = false;  // "*": the line above repeats up to the next offset
    QStringView offset;
    bool colon = false;  // "00000010:" as xxd writes it, or a "10:" label
    bool bars = false;   // hexdump -C's |ASCII| column
    QByteArray bytes;    // empty on the line that only states the end offset
};

// One group of digits. xxd prints bytes in order, in groups of -g bytes. Without a colon a group
// is a byte (od -t x1, hexdump -C), a 16-bit word as hexdump prints it by default (4 hex digits)
// or as od does (6 octal digits); both print a word's value as a little-endian PC holds it, so
// its low byte comes first in the file.
bool TakeGroup(QStringView g, bool colon, QByteArray& bytes) {
    if (colon || g.size() == 2) {
        if (g.size() % 2 != 0 || !AllHex(g)) return false;
        for (qsizetype i = 0; i < g.size(); i += 2)
            bytes.append(char(HexValue(g[i]) * 16 + HexValue(g[i + 1])));
        return true;
    }
    bool ok = false;
    uint word = 0;
    if (g.size() == 4 && AllHex(g)) {
        word = g.toUInt(&ok, 16);
    } else if (g.size() == 6 &&
               std::all_of(g.begin(), g.end(), [](QChar c) { return c >= u'0' && c <= u'7'; })) {
        word = g.toUInt(&ok, 8);
        ok = ok && word <= 0xFFFF;
    }
    if (!ok) return false;
    bytes.append(char(word & 0xFF));
    bytes.append(char(word >> 8));
    return true;
}

bool ParseDumpLine(const Line& line, DumpLine& out) {
    const QStringView s = line.text.trimmed();
    out.number = line.number;
    if (s == u"*") {
        out.star = true;
        return true;
    }
    qsizetype i = 0;
    while (i < s.size() && HexValue(s[i]) >= 0) ++i;
    if (i < 2 || i > kMaxOffsetDigits) return false;
    out.offset = s.first(i);
    QStringView rest = s.sliced(i);
    out.colon = rest.startsWith(u':');
    if (out.colon) {
        rest = rest.sliced(1);
    } else if (!rest.isEmpty() && !rest.front().isSpace()) {
        return false;
    }
    // Without a colon an offset is as wide as od and hexdump write it, never a byte's width.
    if (!out.colon && i < 6) return false;
    rest = rest.trimmed();
    // The ASCII column: hexdump -C's |...|, od -z's >...<, or xxd's after two spaces.
    const qsizetype bar = rest.indexOf(u'|');
    if (rest.endsWith(u'|') && bar < rest.size() - 1) {
        rest = rest.first(bar);
        out.bars = true;
    } else if (rest.endsWith(u'<') && rest.contains(u'>')) {
        rest = rest.first(rest.indexOf(u'>'));
    } else if (out.colon && rest.contains(u"  ")) {
        rest = rest.first(rest.indexOf(u"  "));
    }
    qsizetype start = -1;
    for (qsizetype k = 0; k <= rest.size(); ++k) {
        const bool space = k == rest.size() || rest[k].isSpace();
        if (!space && start < 0) start = k;
        if (space && start >= 0) {
            if (!TakeGroup(rest.sliced(start, k - start), out.colon, out.bytes)) return false;
            start = -1;
        }
    }
    return true;
}

bool Fail(QString* error, int line, const QString& what) {
    if (error) *error = QStringLiteral("Line %1: %2").arg(line).arg(what);
    return false;
}

// Places each line's bytes at its offset read in radix: true when every offset is where the
// bytes before it end, a "*" standing for whole repeats of the line above it.
bool FollowOn(const QList<DumpLine>& dump, int radix, ByteSink& sink, QString* error) {
    qint64 pos = 0;
    const DumpLine* last = nullptr;  // the last line with bytes
    const DumpLine* star = nullptr;
    for (qsizetype k = 0; k < dump.size(); ++k) {
        const DumpLine& d = dump[k];
        if (d.star) {
            if (star || !last) break;
            star = &d;
            continue;
        }
        bool ok = false;
        const qint64 offset = d.offset.toLongLong(&ok, radix);
        if (!ok) return Fail(error, d.number, Quoted(d.offset) + QStringLiteral(" is no offset."));
        if (star) {
            const qint64 gap = offset - pos;
            const qint64 n = last->bytes.size();
            if (gap <= 0 || gap % n != 0) break;
            sink.repeat(last->bytes, gap / n);
            pos = offset;
            star = nullptr;
        }
        if (offset != pos && pos == 0) {
            return Fail(error, d.number,
                        QStringLiteral("the dump starts at offset %1, not at 0; copy it from its "
                                       "first line.")
                            .arg(Quoted(d.offset)));
        }
        if (offset != pos || (d.bytes.isEmpty() && k + 1 != dump.size())) {
            return Fail(error, d.number,
                        QStringLiteral("offset %1 does not follow on from the lines above it; "
                                       "copy the dump whole.")
                            .arg(Quoted(d.offset)));
        }
        for (char b : d.bytes) sink.add(uint8_t(b));
        pos += d.bytes.size();
        if (!d.bytes.isEmpty()) last = &d;
    }
    if (star) {
        return Fail(error, star->number,
                    QStringLiteral("the \"*\" for repeated lines needs a line of bytes above it "
                                   "and the offset where the repeats end below it."));
    }
    return true;
}

QString FormOf(const QList<DumpLine>& dump, int radix) {
    const auto first =
        std::find_if(dump.begin(), dump.end(), [](const auto& d) { return !d.star; });
    if (std::any_of(dump.begin(), dump.end(), [](const DumpLine& d) { return d.bars; }))
        return QStringLiteral("hexdump -C output");
    if (first->colon)
        return first->offset.size() == 8 ? QStringLiteral("xxd output")
                                         : QStringLiteral("hex dump");
    if (radix == 16 && first->offset.size() >= 7) return QStringLiteral("hexdump output");
    return QStringLiteral("od output");
}

}  // namespace

DumpRead ReadOffsetDump(const QList<Line>& lines) {
    DumpRead read;
    QList<DumpLine> dump;
    for (const Line& line : lines) {
        if (line.text.trimmed().isEmpty()) continue;
        DumpLine d;
        if (!ParseDumpLine(line, d)) return read;
        dump.append(d);
    }
    const auto offsets =
        std::count_if(dump.begin(), dump.end(), [](const auto& d) { return !d.star; });
    if (offsets < 2 || dump.front().star) return read;
    for (int radix : {16, 8, 10}) {
        ByteSink sink;
        if (FollowOn(dump, radix, sink, nullptr)) {
            read.isDump = true;
            read.form = FormOf(dump, radix);
            read.bytes = sink;
            return read;
        }
    }
    // Offsets that do not follow on. "00:" labels may count each block from 0 again, and plain
    // hex in groups of four bytes looks like offsets: the plain reader takes both. A dump a tool
    // printed (its "*" or |ASCII| column, or offsets of one width from 0) has lost a line.
    const DumpLine& first = dump.front();
    const bool printed =
        std::any_of(dump.begin(), dump.end(), [](const DumpLine& d) { return d.star || d.bars; }) ||
        (first.offset.size() >= 6 && first.offset.toLongLong(nullptr, 16) == 0 &&
         std::all_of(dump.begin(), dump.end(), [&first](const DumpLine& d) {
             return d.offset.size() == first.offset.size();
         }));
    if (!printed) return read;
    const int radix = first.colon || first.offset.size() == 8 ? 16 : 8;
    read.isDump = true;
    read.form = FormOf(dump, radix);
    FollowOn(dump, radix, read.bytes, &read.error);
    return read;
}

}  // namespace varnok::hextext
