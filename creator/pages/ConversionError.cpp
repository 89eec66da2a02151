#include "creator/pages/ConversionError.h"

#include <limits>

namespace varnok {

ConversionError::ConversionError(const QString& text)
    : std::runtime_error(
          QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString()),
      text_(text) {}

int64_t ParseWholeNumber(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t')) ++i;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i == n) throw ConversionError(text);
    // Accumulate as a negative magnitude so that the full range, INT64_MIN included, fits.
    int64_t value = 0;
    constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9') throw ConversionError(text);
        const int digit = c - u'0';
        if (value < (kMin + digit) / 10) throw ConversionError(text);
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == kMin) throw ConversionError(text);
        value = -value;
    }
    return value;
}

}  // namespace varnok
