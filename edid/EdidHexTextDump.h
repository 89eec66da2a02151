#pragma once
// The parts of the hex text reader that EdidHexText.cpp and the reader of dumps with offsets
// share: the pasted text's lines, hex digits, the bytes found, and the dump reader itself. Not
// for use outside the two.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>
#include <cstdint>

namespace varnok::hextext {

// A line of the pasted text and its number from 1, for the error texts.
struct Line {
    int number;
    QStringView text;
};

int HexValue(QChar c);
bool AllHex(QStringView s);
// A piece of the user's text for an error message: short, and with control characters (a
// terminal's escape sequences among them) shown as '?', since the message may go to a terminal.
QString Quoted(QStringView token);

// The bytes found: the first kKept are kept, all are counted (for "Found 1200 bytes").
class ByteSink {
public:
    static constexpr int kKept = 1024;  // eight 128-byte blocks

    void add(uint8_t b) {
        if (kept_.size() < kKept) kept_.append(char(b));
        ++count_;
    }
    // A run of lines that repeat one line, as a dump's "*" stands for them.
    void repeat(const QByteArray& line, qint64 times) {
        for (qint64 k = 0; k < times && kept_.size() < kKept; ++k)
            kept_.append(line.left(kKept - kept_.size()));
        count_ += times * line.size();
    }
    qint64 count() const { return count_; }
    const QByteArray& kept() const { return kept_; }

private:
    QByteArray kept_;
    qint64 count_ = 0;
};

struct DumpRead {
    bool isDump = false;  // false: the lines are no dump with offsets; read them another way
    QString form;         // "hexdump -C output", "xxd output", "od output", ...
    QString error;        // a dump whose offsets do not follow on, in one sentence
    ByteSink bytes;
};

// Lines that each start with an offset: hexdump -C (its |ASCII| column cut off), xxd (offsets
// with a colon, its ASCII column after two spaces), od with any -A radix and -t x1 or its
// default octal words, hexdump's default hex words (both little-endian, as the PCs that print
// them), and "00:" labelled lines. A "*" line stands for repeats of the line above it up to the
// next offset. Taken only when the offsets follow on from 0 in one radix (16, 8 or 10), so plain
// hex whose first byte looks like an offset is left alone.
DumpRead ReadOffsetDump(const QList<Line>& lines);

}  // namespace varnok::hextext
