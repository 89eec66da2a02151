#pragma once
// The error a number field raises when its text is not a whole number, and the one reading of
// whole numbers every creator field uses: decimal, leading blanks allowed, an optional sign.

#include <QString>
#include <cstdint>
#include <stdexcept>

namespace varnok {

class ConversionError : public std::runtime_error {
public:
    // text is the text that was read; the message is "'<text>' is not a valid integer value".
    explicit ConversionError(const QString& text);
    const QString& text() const { return text_; }
    QString message() const { return QString::fromUtf8(what()); }
    // The edit (objectName) whose text it was, once known: the message names only the text.
    const QString& field() const { return field_; }
    void setField(const QString& field) { field_ = field; }

private:
    QString text_;
    QString field_;
};

// Reads text as a decimal whole number: blanks (space, tab) may lead, a '+' or '-' may follow
// them, then one or more digits and nothing else. Raises ConversionError for anything else,
// including an empty text and a number outside the 64-bit range.
int64_t ParseWholeNumber(const QString& text);

}  // namespace varnok
