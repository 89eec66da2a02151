#include "edid/EdidHexText.h"

#include <QList>
#include <QStringConverter>
#include <algorithm>

#include "edid/Edid.h"
#include "edid/EdidHexTextDump.h"

namespace varnok {
namespace {

using hextext::AllHex;
using hextext::ByteSink;
using hextext::HexValue;
using hextext::Line;
using hextext::Quoted;

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

// Reads the bytes of a run of lines. Plain hex: tokens split by white space and commas, each a
// 0x.. byte or an even run of hex digits, or bytes split by colons ("00:ff:ff"); a line may start
// with an offset label such as "00:".
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

    const ByteSink& bytes() const { return sink_; }
    const QString& error() const { return error_; }

private:
    bool fail(int line, const QString& what) {
        error_ = QStringLiteral("Line %1: %2").arg(line).arg(what);
        return false;
    }

    void add(int value) { sink_.add(static_cast<uint8_t>(value)); }

    bool take(QStringView t) {
        const bool first = firstToken_;
        firstToken_ = false;
        if (cArray_) return takeCElement(t);
        if (first && t.size() >= 2 && t.size() <= 9 && t.endsWith(u':') && AllHex(t.chopped(1)))
            return true;  // an offset label
        if (t == u"*" && first) {
            return fail(line_, QStringLiteral("the \"*\" stands for repeats of the line above it, "
                                              "but without offsets (od -An) nothing says how "
                                              "many; paste od's output with its offsets, or "
                                              "od -v's."));
        }
        if (t.contains(u':')) {
            for (QStringView part : t.split(u':')) {
                if (!part.isEmpty() && !takeHex(part)) return false;
            }
            return true;
        }
        return takeHex(t);
    }

    bool takeHex(QStringView t) {
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
    ByteSink sink_;
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

// The bytes found as an EDID of 1 to maxBlocks blocks, or why they are none.
EdidHexText Finish(const ByteSink& sink, int maxBlocks, const QString& form,
                   const QString& noBytes) {
    const qint64 n = sink.count();
    if (n == 0) return Failed(form, noBytes);
    const bool device = maxBlocks == kEdidSize / kBlockSize;  // today's two-block callers
    if (n % kBlockSize != 0) {
        return Failed(
            form,
            QStringLiteral("Found %1 %2; an EDID has %3.")
                .arg(n)
                .arg(n == 1 ? QStringLiteral("byte") : QStringLiteral("bytes"))
                .arg(device ? QStringLiteral("128 or 256")
                            : QStringLiteral("128 bytes a block, 1 to %1 blocks").arg(maxBlocks)));
    }
    if (n / kBlockSize > maxBlocks) {
        if (device) {
            return Failed(form, QStringLiteral("Found %1 bytes, an EDID with %2 extension blocks; "
                                               "the device holds 128 or 256 bytes (one extension "
                                               "at most).")
                                    .arg(n)
                                    .arg(n / kBlockSize - 1));
        }
        return Failed(form, QStringLiteral("Found %1 bytes, %2 blocks; an EDID is read up to %3 "
                                           "blocks.")
                                .arg(n)
                                .arg(n / kBlockSize)
                                .arg(maxBlocks));
    }
    EdidHexText result;
    result.ok = true;
    result.form = form;
    result.size = int(n);
    result.bytes = sink.kept();
    // As a 128-byte file reads: the missing block is 0xFF.
    result.image.fill(0xFF);
    std::copy_n(result.bytes.begin(), std::min<qsizetype>(n, kEdidSize), result.image.begin());
    return result;
}

EdidHexText ReadBytes(const QList<Line>& lines, bool cArray, int maxBlocks, const QString& form,
                      const QString& noBytes) {
    HexReader reader(cArray);
    for (const Line& line : lines) {
        if (!reader.read(line)) return Failed(form, reader.error());
    }
    if (!reader.finish()) return Failed(form, reader.error());
    return Finish(reader.bytes(), maxBlocks, form, noBytes);
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

qsizetype FirstLine(const QList<Line>& lines, QStringView text) {
    const auto it = std::find_if(lines.begin(), lines.end(),
                                 [text](const Line& line) { return StartsWith(line, text); });
    return it - lines.begin();
}

// edid-decode's output: the lines after "edid-decode (hex):" up to the dashes before the decode.
// A copy that starts below that heading still has the dashes and the decode after its hex lines.
bool EdidDecodeBlock(const QList<Line>& lines, QList<Line>& block) {
    qsizetype start = FirstLine(lines, u"edid-decode (hex):") + 1;
    if (start > lines.size()) {
        const qsizetype dashes = FirstLine(lines, u"----");
        const qsizetype decode = FirstLine(lines, u"Block 0, Base EDID:");
        if (dashes == 0 || decode == lines.size() || decode < dashes) return false;
        start = 0;
    }
    for (qsizetype j = start; j < lines.size() && !StartsWith(lines[j], u"----"); ++j)
        block.append(lines[j]);
    return true;
}

// The "EDID (hex):" heading of older edid-decode output and of hardware-probe reports: the hex
// lines under it, blank lines between blocks, up to the first line of other text.
bool EdidHexHeadingBlock(const QList<Line>& lines, QList<Line>& block) {
    const qsizetype heading = FirstLine(lines, u"EDID (hex):");
    if (heading == lines.size()) return false;
    for (qsizetype j = heading + 1; j < lines.size(); ++j) {
        const QStringView line = lines[j].text.trimmed();
        if (!line.isEmpty() && !IsHexLine(line)) break;
        block.append(lines[j]);
    }
    return true;
}

// A Windows registry export (regedit's .reg text): the "EDID"=hex: value, its bytes split by
// commas and continued on the next line after a backslash. Other values (HardwareID, ...) and
// the key's name in brackets are never read.
// The text after "EDID"=hex: (any case, blanks around the =), or none.
bool AfterRegistryEdid(QStringView line, QStringView& rest) {
    auto skip = [&line](QStringView text) {
        line = line.trimmed();
        if (!line.startsWith(text, Qt::CaseInsensitive)) return false;
        line = line.sliced(text.size());
        return true;
    };
    if (!skip(u"\"EDID\"") || !skip(u"=") || !skip(u"hex:")) return false;
    rest = line;
    return true;
}

int RegistryValues(const QList<Line>& lines, QList<Line>& block) {
    int found = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QStringView rest;
        if (!AfterRegistryEdid(lines[i].text, rest) || ++found > 1) continue;
        for (qsizetype j = i;;) {
            rest = rest.trimmed();
            const bool continued = rest.endsWith(u'\\');
            if (continued) rest.chop(1);
            block.append({lines[j].number, rest});
            if (!continued || ++j == lines.size()) break;
            rest = lines[j].text;
        }
    }
    return found;
}

// A C array's brace opens a line or follows "= " or "[]": a "{" in a dump's ASCII column or in
// prose before plain hex does not make the text C.
bool IsCArray(QStringView text) {
    const qsizetype brace = text.indexOf(u'{');
    if (brace < 0) return false;
    const qsizetype lineStart = text.lastIndexOf(u'\n', brace) + 1;
    const QStringView before = text.sliced(lineStart, brace - lineStart).trimmed();
    return before.isEmpty() || before.endsWith(u'=') || before.endsWith(u']');
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

QString FormatLines(const uint8_t* bytes, int size, bool offsets) {
    QString out;
    out.reserve(size * 3 + (offsets ? size / 4 : 0) + 2 * (size / kBlockSize));
    for (int i = 0; i < size; ++i) {
        if (i % 16 == 0) {
            if (i > 0 && i % kBlockSize == 0) out += u'\n';
            if (offsets) out += QString::asprintf("%02x: ", i);
        }
        out += QString::asprintf("%02x", unsigned{bytes[i]});
        out += i % 16 == 15 ? u'\n' : u' ';
    }
    return out;
}

EdidHexText ParseText(QStringView text, int maxBlocks) {
    const QList<Line> lines = SplitLines(text);
    QList<Line> block;
    auto read = [&](const QString& form, const QString& noBytes) {
        return ReadBytes(block, false, maxBlocks, form, noBytes);
    };
    if (FirstLine(lines, u"edid-decode (hex):") == lines.size() &&
        EdidHexHeadingBlock(lines, block)) {
        return read(QStringLiteral("EDID (hex): block"),
                    QStringLiteral("The EDID (hex): line is followed by no hex lines."));
    }
    if (EdidDecodeBlock(lines, block)) {
        return read(QStringLiteral("edid-decode output"),
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
        return read(QStringLiteral("xrandr output"),
                    QStringLiteral("The EDID: line is followed by no hex lines."));
    }
    if (IsDecodedTextOnly(lines)) {
        return Failed(QStringLiteral("edid-decode output"),
                      QStringLiteral("This is edid-decode's decoded text without its hex block; "
                                     "paste edid-decode's whole output, without --skip-hex-dump."));
    }
    const int registry = RegistryValues(lines, block);
    if (registry > 1) {
        return Failed(QStringLiteral("Windows registry export"),
                      QStringLiteral("Found %1 \"EDID\" values, one for each display the registry "
                                     "has known; paste the lines of one.")
                          .arg(registry));
    }
    if (registry == 1) {
        return read(QStringLiteral("Windows registry export"),
                    QStringLiteral("The \"EDID\"=hex: value holds no bytes."));
    }
    const hextext::DumpRead dump = hextext::ReadOffsetDump(lines);
    if (dump.isDump) {
        return dump.error.isEmpty()
                   ? Finish(dump.bytes, maxBlocks, dump.form, QStringLiteral("Found no hex bytes."))
                   : Failed(dump.form, dump.error);
    }
    const bool cArray = IsCArray(text);
    return ReadBytes(lines, cArray, maxBlocks,
                     cArray ? QStringLiteral("C array") : QStringLiteral("hex"),
                     cArray ? QStringLiteral("The C array holds no bytes.")
                            : QStringLiteral("Found no hex bytes."));
}

}  // namespace

EdidHexText ParseEdidHexText(QStringView text) {
    return ParseText(text, kEdidSize / kBlockSize);
}

EdidHexText ParseEdidHexBlocks(QStringView text) {
    return ParseText(text, kMaxHexTextBlocks);
}

QString EdidHexTextFromBytes(const QByteArray& data) {
    // regedit exports UTF-16 with a byte order mark; everything else here is ASCII or UTF-8.
    const auto encoding = QStringConverter::encodingForData(data);
    QStringDecoder decode(encoding.value_or(QStringConverter::Utf8));
    return decode(data);
}

QString FormatEdidHex(const EdidImage& image) {
    return FormatLines(image.data(), EdidByteCount(image), false);
}

QString FormatEdidHexBytes(const QByteArray& edid) {
    return FormatLines(reinterpret_cast<const uint8_t*>(edid.constData()), int(edid.size()), false);
}

QString FormatEdidHexDump(const EdidImage& image) {
    return FormatLines(image.data(), EdidByteCount(image), true);
}

}  // namespace varnok
