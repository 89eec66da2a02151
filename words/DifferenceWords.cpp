#include "words/DifferenceWords.h"

#include <QStringList>

namespace varnok {

QString ByteOffsetWords(int offset) {
    return QStringLiteral("%1 (0x%2)").arg(offset).arg(offset, 2, 16, QLatin1Char('0'));
}

QString DifferingByteWords(const EdidByteDifference& d) {
    return ByteOffsetWords(d.offset) + QLatin1Char(' ') + d.region;
}

QString FirstDifferingBytesWords(const QList<EdidByteDifference>& bytes, int shown) {
    QStringList parts;
    for (int i = 0; i < bytes.size() && i < shown; ++i) parts << DifferingByteWords(bytes[i]);
    QString text = parts.join(QStringLiteral("; "));
    if (bytes.size() > shown) text += QStringLiteral(" and %1 more").arg(bytes.size() - shown);
    return text;
}

}  // namespace varnok
