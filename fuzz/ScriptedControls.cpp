#include "fuzz/ScriptedControls.h"

#include "creator/pages/CreatorTables.h"

namespace varnok::fuzz {
namespace {

constexpr int kBitmapBytes = 24;  // 192 boxes at most; the pages have fewer

QString RawText(FuzzInput& in, int length) {
    QString text;
    for (int i = 0; i < length; ++i) text += QChar(char16_t(in.byte()));
    return text;
}

}  // namespace

ScriptedControls::ScriptedControls(FuzzInput& in) {
    const uint8_t flags = in.byte();
    const bool allowBad = flags & 1;
    for (int i = 0; i < kBitmapBytes; ++i) {
        const uint8_t b = in.byte();
        for (int k = 0; k < 8; ++k) bits_.push_back((b >> k) & 1);
    }
    for (const EditRow& row : kCreatorEdits) {
        const QString name = QLatin1String(row.name);
        const uint8_t s = in.byte();
        if (name == QLatin1String(kManufacturerEdit) ||
            name == QLatin1String("Edit_Creator_Monitor_Name")) {
            texts_.insert(name, RawText(in, s % 20));
            continue;
        }
        int kind = s & 7;
        if (!allowBad && kind >= 6) kind = s & 3;
        QString text;
        if (kind == 6) {
            text = RawText(in, in.byte() % 12);
        } else if (kind == 7) {
            // Empty: no number.
        } else if (name == QLatin1String(kCecAddressEdit)) {
            const uint16_t v = in.word();
            text = QStringLiteral("%1").arg(v, 4, 16, QLatin1Char('0'));
            if (s & 0x80) text = text.toUpper();
        } else if (kind == 5) {
            text = QLatin1String(row.initialText);
        } else {
            int64_t value = 0;
            switch (kind) {
                case 0:
                    value = in.byte();
                    break;
                case 1:
                    value = in.word();
                    break;
                case 2:
                    value = in.u32();
                    break;
                case 3:
                    value = in.byte() % 20;
                    break;
                default:
                    value = 1990 + in.byte();
                    break;
            }
            if (s & 0x20) value = -value;
            text = QString((s >> 3) & 3, QLatin1Char(' ')) + QString::number(value);
        }
        // An empty edit is no number either (the descriptor edits start empty).
        mayRefuse_ |= kind >= 6 || text.isEmpty();
        texts_.insert(name, text);
    }
}

bool ScriptedControls::checked(const QString& box) const {
    auto it = boxIndex_.find(box);
    if (it == boxIndex_.end()) it = boxIndex_.insert(box, int(boxIndex_.size()));
    return *it < int(bits_.size()) && bits_[size_t(*it)];
}

}  // namespace varnok::fuzz
