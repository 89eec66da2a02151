#pragma once
// Control states for the collection tests: a valid page state to start from (every number field
// holding a number), and hex helpers for descriptor and list comparisons.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <initializer_list>

#include "creator/pages/CreatorCollector.h"
#include "creator/pages/CreatorTables.h"

namespace varnok::test {

// Every edit as a fresh window holds it after "Brand New" on 14 March 2024, no box checked.
inline CreatorStateReader ValidState() {
    CreatorStateReader s;
    s.edits = {
        {QStringLiteral("Edit_Creator_Manufac_Name"), QStringLiteral("NEW")},
        {QStringLiteral("Edit_Creator_Monitor_Name"), QStringLiteral("BrandNewEdid")},
        {QStringLiteral("Edit_Creator_Product_Code"), QStringLiteral("0")},
        {QStringLiteral("Edit_Creator_Serial_Number"), QStringLiteral("0")},
        {QStringLiteral("Edit_Creator_Manufac_Year"), QStringLiteral("2024")},
        {QStringLiteral("Edit_Creator_Manufac_Week"), QStringLiteral("11")},
        {QStringLiteral("Edit_Creator_CEC_Address"), QStringLiteral("1000")},
    };
    for (const EditRow& row : kCreatorEdits) {
        if (!s.edits.contains(QLatin1String(row.name)))
            s.edits.insert(QLatin1String(row.name), QLatin1String(row.initialText));
    }
    return s;
}

// Checks the named boxes; "a=b" items set the edit a to the text b.
inline void Apply(CreatorStateReader& s, const QStringList& changes) {
    for (const QString& c : changes) {
        const qsizetype eq = c.indexOf(QLatin1Char('='));
        if (eq < 0) {
            s.boxes.insert(c, true);
        } else {
            s.edits.insert(c.left(eq), c.mid(eq + 1));
        }
    }
}

inline QString Box(const char* prefix, int n, const char* suffix = "") {
    return ControlName(prefix, n, suffix);
}

template <typename Container>
QByteArray Hex(const Container& bytes) {
    QByteArray raw;
    for (auto b : bytes) raw.append(char(b));
    return raw.toHex(' ').toUpper();
}

// The ten descriptors as hex, 30 bytes.
inline QByteArray SadsHex(const EdidInfo& info) {
    QByteArray raw;
    for (const auto& sad : info.sads)
        for (uint8_t b : sad) raw.append(char(b));
    return raw.toHex(' ').toUpper();
}

// Hex bytes padded with zero bytes to count bytes.
inline QByteArray Padded(const char* hex, int count) {
    QByteArray raw = QByteArray::fromHex(QByteArray(hex).replace(' ', ""));
    raw.append(QByteArray(count - raw.size(), '\0'));
    return raw.toHex(' ').toUpper();
}

}  // namespace varnok::test
