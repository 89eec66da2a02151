#include "edid/EdidHexText.h"

#include <QList>
#include <algorithm>

#include "edid/Edid.h"

namespace varnok {
namespace {

// A line of the pasted text and its number from 1, for the error texts.
struct Line {
    int number;
    QStringView text;
};

QList<Line> SplitLines(QStringView text) {
    QList<Line> lines;
    int number = 1;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == u'\n') {
            QStringView line = text.sliced(start, i - start);
            if (line.endsWith(u'\r')) line.chop(1);
            lines.append({number++, line});
            start = i + 1;
        }
    }
    return lines;
}

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

// A piece of the user's text for an error message: short, and with control characters (a
// terminal's escape sequences among them) shown as '?', since the message may go to a terminal.
QString Quoted(QStringView token) {
    constexpr qsizetype kShown = 24;
    QString shown = token.left(kShown).toString();
    for (QChar& c : shown) {
        if (!c.isPrint()) c = u'?';
    }
    if (token.size() > kShown) shown += u'…';
    return u'"' + shown + u'"';
}

// Reads the bytes of a run of lines. Plain hex: tokens split by white space and commas, each a
// 0x.. byte or an even run of hex digits; a line may start with an offset label such as "00:".
// A C array: only what stands between the first { and its }, each element a C integer constant
// from 0 to 255 (0x.. hex, 0.. octal, else decimal). Comments (/* */ and //) are skipped in both.
class HexReader {
public:
    explicit HexReader(bool cArray) : cArray_(cArray) {}

    bool read(const Line& line) {
        line_ = line.number;
        firstToken_ = true;
        const QStringView s = line.text;
        qsizetype token = -1;  // start of the token being read
        auto flush = [&](qsizetype end) {
            const bool ok = token < 0 || take(s.sliced(token, end - token));
            token = -1;
            return ok;
        };
        for (qsizetype i = 0; i < s.size(); ++i) {
            const QChar c = s[i];
            const QChar next = i + 1 < s.size() ? s[i + 1] : QChar();
            if (inComment_) {
                if (c == u'*' && next == u'/') {
                    inComment_ = false;
                    ++i;
                }
                continue;
            }
            if (c == u'/' && (next == u'*' || next == u'/')) {
                if (!flush(i)) return false;
                if (next == u'/') return true;
                inComment_ = true;
                commentLine_ = line_;
                ++i;
                continue;
            }
            if (cArray_ && (c == u'{' || c == u'}')) {
                if (!flush(i)) return false;
                if (c == u'{') {
                    if (!opened_) openLine_ = line_;
                    ++depth_;
                    opened_ = true;
                } else if (depth_ > 0 && --depth_ == 0) {
                    closed_ = true;  // the first array ends here; what follows is ignored
                }
                continue;
            }
            if (cArray_ && (!opened_ || closed_)) continue;  // the declaration around the array
            if (c.isSpace() || c == u',') {
                if (!flush(i)) return false;
                continue;
            }
            if (token < 0) token = i;
        }
        return flush(s.size());
    }

    // After the last line: a comment or an array left open is an error.
    bool finish() {
        if (inComment_) return fail(commentLine_, QStringLiteral("a /* comment is never closed."));
        if (cArray_ && opened_ && !closed_)
            return fail(openLine_, QStringLiteral("the C array's { is never closed."));
        return true;
    }

    int count() const { return count_; }
    const EdidImage& image() const { return image_; }
    const QString& error() const { return error_; }

private:
    bool fail(int line, const QString& what) {
        error_ = QStringLiteral("Line %1: %2").arg(line).arg(what);
        return false;
    }

    // Only the first 256 bytes are kept; the rest are counted for the message.
    void add(int value) {
        if (count_ < kEdidSize) image_[count_] = static_cast<uint8_t>(value);
        ++count_;
    }

    bool take(QStringView t) {
        const bool first = firstToken_;
        firstToken_ = false;
        if (cArray_) return takeCElement(t);
        if (first && t.size() >= 2 && t.size() <= 9 && t.endsWith(u':') && AllHex(t.chopped(1)))
            return true;  // an offset label
        if (t.startsWith(u"0x", Qt::CaseInsensitive)) {
            const QStringView digits = t.sliced(2);
            if (digits.isEmpty() || digits.size() > 2 || !AllHex(digits))
                return fail(line_, Quoted(t) + QStringLiteral(" is not a byte."));
            add(digits.toInt(nullptr, 16));
            return true;
        }
        if (!AllHex(t)) return fail(line_, Quoted(t) + QStringLiteral(" is not hex."));
        if (t.size() % 2 != 0)
            return fail(line_, Quoted(t) + QStringLiteral(" has an odd number of hex digits."));
        for (qsizetype i = 0; i < t.size(); i += 2) add(HexValue(t[i]) * 16 + HexValue(t[i + 1]));
        return true;
    }

    bool takeCElement(QStringView t) {
        int base = 10;
        QStringView digits = t;
        if (t.startsWith(u"0x", Qt::CaseInsensitive)) {
            base = 16;
            digits = t.sliced(2);
        } else if (t.size() > 1 && t.startsWith(u'0')) {
            base = 8;
            digits = t.sliced(1);
        }
        int value = 0;
        bool ok = !digits.isEmpty();
        for (QChar c : digits) {
            const int d = HexValue(c);
            ok = ok && d >= 0 && d < base;
            value = ok ? value * base + d : 0;
            ok = ok && value <= 0xFF;
        }
        if (!ok) return fail(line_, Quoted(t) + QStringLiteral(" is not a byte."));
        add(value);
        return true;
    }

    const bool cArray_;
    EdidImage image_{};
    int count_ = 0;
    int line_ = 0;
    bool firstToken_ = true;
    bool inComment_ = false;
    int commentLine_ = 0;
    int depth_ = 0;
    bool opened_ = false;
    int openLine_ = 0;
    bool closed_ = false;
    QString error_;
};

EdidHexText Failed(const QString& form, const QString& error) {
    EdidHexText result;
    result.form = form;
    result.error = error;
    return result;
}

EdidHexText ReadBytes(const QList<Line>& lines, bool cArray, const QString& form,
                      const QString& noBytes) {
    HexReader reader(cArray);
    for (const Line& line : lines) {
        if (!reader.read(line)) return Failed(form, reader.error());
    }
    if (!reader.finish()) return Failed(form, reader.error());
    const int n = reader.count();
    if (n == 0) return Failed(form, noBytes);
    if (n != kBlockSize && n != kEdidSize) {
        if (n % kBlockSize == 0) {
            return Failed(form, QStringLiteral("Found %1 bytes, an EDID with %2 extension blocks; "
                                               "the device holds 128 or 256 bytes (one extension "
                                               "at most).")
                                    .arg(n)
                                    .arg(n / kBlockSize - 1));
        }
        return Failed(form, QStringLiteral("Found %1 %2; an EDID has 128 or 256.")
                                .arg(n)
                                .arg(n == 1 ? QStringLiteral("byte") : QStringLiteral("bytes")));
    }
    EdidHexText result;
    result.ok = true;
    result.form = form;
    result.size = n;
    result.image = reader.image();
    // As a 128-byte file reads: the missing block is 0xFF.
    if (n == kBlockSize) std::fill(result.image.begin() + kBlockSize, result.image.end(), 0xFF);
    return result;
}

bool StartsWithXrandrEdid(QStringView trimmed, QStringView& rest) {
    for (QStringView label : {QStringView(u"EDID:"), QStringView(u"EDID_DATA:")}) {
        if (trimmed.startsWith(label)) {
            rest = trimmed.sliced(label.size()).trimmed();
            return true;
        }
    }
    return false;
}

bool IsHexLine(QStringView trimmed) {
    return !trimmed.isEmpty() && std::all_of(trimmed.begin(), trimmed.end(), [](QChar c) {
        return HexValue(c) >= 0 || c.isSpace();
    });
}

bool StartsWith(const Line& line, QStringView text) {
    return line.text.trimmed().startsWith(text);
}

// edid-decode's output: the lines after "edid-decode (hex):" up to the dashes before the decode.
// A copy that starts below that heading still has the dashes and the decode after its hex lines.
bool EdidDecodeBlock(const QList<Line>& lines, QList<Line>& block) {
    auto first = [&lines](QStringView text) {
        const auto it = std::find_if(lines.begin(), lines.end(),
                                     [text](const Line& line) { return StartsWith(line, text); });
        return it - lines.begin();
    };
    qsizetype start = first(u"edid-decode (hex):") + 1;
    if (start > lines.size()) {
        const qsizetype dashes = first(u"----");
        const qsizetype decode = first(u"Block 0, Base EDID:");
        if (dashes == 0 || decode == lines.size() || decode < dashes) return false;
        start = 0;
    }
    for (qsizetype j = start; j < lines.size() && !StartsWith(lines[j], u"----"); ++j)
        block.append(lines[j]);
    return true;
}

// xrandr --verbose: the EDID property's line and the indented hex lines under it. Other
// properties' hex (GUID, for one) stands under their own names and is never read.
int XrandrBlocks(const QList<Line>& lines, QList<Line>& block) {
    int found = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringView rest;
        if (!StartsWithXrandrEdid(lines[i].text.trimmed(), rest)) continue;
        if (++found > 1) continue;
        if (!rest.isEmpty()) block.append({lines[i].number, rest});
        for (qsizetype j = i + 1; j < lines.size() && IsHexLine(lines[j].text.trimmed()); ++j)
            block.append(lines[j]);
    }
    return found;
}

bool IsDecodedTextOnly(const QList<Line>& lines) {
    return std::any_of(lines.begin(), lines.end(),
                       [](const Line& line) { return StartsWith(line, u"Block 0, Base EDID:"); });
}

QString FormatLines(const EdidImage& image, bool offsets) {
    const int size = EdidByteCount(image);
    QString out;
    out.reserve(size * 3 + (offsets ? size / 4 : 0) + 2);
    for (int i = 0; i < size; ++i) {
        if (i % 16 == 0) {
            if (i == kBlockSize) out += u'\n';
            if (offsets) out += QString::asprintf("%02x: ", i);
        }
        out += QString::asprintf("%02x", unsigned{image[i]});
        out += i % 16 == 15 ? u'\n' : u' ';
    }
    return out;
}

}  // namespace

EdidHexText ParseEdidHexText(QStringView text) {
    const QList<Line> lines = SplitLines(text);
    QList<Line> block;
    if (EdidDecodeBlock(lines, block)) {
        return ReadBytes(block, false, QStringLiteral("edid-decode output"),
                         QStringLiteral("edid-decode's hex block holds no bytes."));
    }
    const int xrandr = XrandrBlocks(lines, block);
    if (xrandr > 1) {
        return Failed(QStringLiteral("xrandr output"),
                      QStringLiteral("Found %1 EDID: blocks, one for each connected output; paste "
                                     "the lines of one.")
                          .arg(xrandr));
    }
    if (xrandr == 1) {
        return ReadBytes(block, false, QStringLiteral("xrandr output"),
                         QStringLiteral("The EDID: line is followed by no hex lines."));
    }
    if (IsDecodedTextOnly(lines)) {
        return Failed(QStringLiteral("edid-decode output"),
                      QStringLiteral("This is edid-decode's decoded text without its hex block; "
                                     "paste edid-decode's whole output, without --skip-hex-dump."));
    }
    const bool cArray = text.contains(u'{');
    return ReadBytes(lines, cArray, cArray ? QStringLiteral("C array") : QStringLiteral("hex"),
                     cArray ? QStringLiteral("The C array holds no bytes.")
                            : QStringLiteral("Found no hex bytes."));
}

QString FormatEdidHex(const EdidImage& image) {
    return FormatLines(image, false);
}

QString FormatEdidHexDump(const EdidImage& image) {
    return FormatLines(image, true);
}

}  // namespace varnok
