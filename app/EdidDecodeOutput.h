#pragma once
// Debian edid-decode's output with --check, taken apart for the EDID window: the conformance
// summary (its Warnings and Failures sections and the "EDID conformity" line), which edid-decode
// prints at the end, is shown first, then the hex dump and the decode. Widget-free.

#include <QString>

namespace varnok {

struct EdidDecodeReport {
    QString checks;      // the Warnings, Failures and conformity lines; empty when none came
    QString decode;      // everything before them
    QString conformity;  // "PASS", "FAIL", or empty when edid-decode printed no such line
    int failures = 0;    // items in the Failures section
    int warnings = 0;    // items in the Warnings section
};

EdidDecodeReport SplitEdidDecodeOutput(const QString& output);

// One line for the top of the tab: "EDID conformity: FAIL (2 failures, 1 warning)".
QString EdidDecodeHeadline(const EdidDecodeReport& report);

// The Debian package that provides edid-decode, and the line shown when it is not installed.
inline constexpr char kEdidDecodeProgram[] = "edid-decode";
QString EdidDecodeMissingText();

}  // namespace varnok
