#pragma once
// The creator's input rules: each edit's limit check, free of widgets. A rule only judges the
// text; it never changes it and never blocks anything.

#include <QString>

#include "creator/pages/ConversionError.h"
#include "creator/pages/CreatorTables.h"

namespace varnok {

struct RuleVerdict {
    bool ran = false;        // false: the rule does not run for this text (nothing changes)
    bool overLimit = false;  // true: the message is shown, InputError set, the text red
    QString message;         // the warning text when over the limit, else empty
};

// Judges text by rule. Raises ConversionError when the rule reads a number from a text that is
// not one. InputRule::CecAddress and InputRule::None judge nothing (ran is false): the caller
// runs the manufacturer rule on the manufacturer edit for a CEC address change.
RuleVerdict CheckInputRule(InputRule rule, const QString& text);

}  // namespace varnok
