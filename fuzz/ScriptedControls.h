#pragma once
// The creator's controls as the fuzz input sets them, for the field collection: every check box
// the collection asks for takes the next bit of a bitmap (in the order the collection asks), and
// every edit a text made from the input: a whole number of any size and sign with leading blanks,
// the edit's initial text, four hexadecimal digits for the CEC address, any Latin-1 characters
// for the two name edits; and, when the input allows it, text that is no number at all or an
// empty edit (the collection then raises its conversion error).

#include <QHash>
#include <QString>
#include <vector>

#include "creator/pages/CreatorCollector.h"
#include "fuzz/FuzzSupport.h"

namespace varnok::fuzz {

class ScriptedControls final : public CreatorControlReader {
public:
    explicit ScriptedControls(FuzzInput& in);

    bool checked(const QString& box) const override;
    QString text(const QString& edit) const override { return texts_.value(edit); }

    // Whether some edit holds a text the collection must refuse.
    bool mayRefuse() const { return mayRefuse_; }

private:
    std::vector<bool> bits_;
    mutable QHash<QString, int> boxIndex_;
    QHash<QString, QString> texts_;
    bool mayRefuse_ = false;
};

}  // namespace varnok::fuzz
